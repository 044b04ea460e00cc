#include <gtest/gtest.h>

#include <variant>

#include "bridge/PageCatalogue.h"
#include "bridge/VellumoScheme.h"
#include "support/InLanguage.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::TempDir;

struct ChoiceRow {
    const char* why;
    std::vector<std::string> names;
    std::string chosen; // file name in the folder, "" for English
};

TEST(PageCatalogue, ChoosesTheFirstDesktopLanguageWithACatalogueAsGettextDoes)
{
    TempDir folder;
    for (const char* name : {"de.json", "pt_BR.json", "sr@latin.json"})
        test::writeFile(folder / name, "{}");
    std::filesystem::create_directory(folder / "fr.json"); // a folder is no catalogue
    const std::vector<ChoiceRow> rows = {
        {"the territory's own catalogue first", {"pt_BR.UTF-8", "pt_BR", "pt.UTF-8", "pt", "C"}, "pt_BR.json"},
        {"a territory without one falls back to the language", {"de_AT", "de", "C"}, "de.json"},
        {"a language without one is passed over", {"it_IT", "it", "de", "C"}, "de.json"},
        {"C ends the search with English", {"it", "C", "de"}, ""},
        {"POSIX too", {"POSIX"}, ""},
        {"a modifier names its own catalogue", {"sr@latin", "sr", "C"}, "sr@latin.json"},
        // A name from the environment must not reach outside the folder.
        {"a path is no language name", {"../de", "/tmp/de", "de/../de", "C"}, ""},
        {"a folder is not served", {"fr", "C"}, ""},
        {"nothing asked", {}, ""},
    };
    for (const ChoiceRow& row : rows) {
        const std::filesystem::path chosen = choosePageCatalogue(row.names, folder.path());
        EXPECT_EQ(chosen.empty() ? std::string() : chosen.filename().string(), row.chosen) << row.why;
    }
    EXPECT_TRUE(choosePageCatalogue({"de"}, {}).empty()) << "no resources folder";
}

// gettext ignores LANGUAGE in the C locale; a page that did not would speak German beside
// English menus.
TEST(PageCatalogue, DesktopLanguagesFollowGettextsRuleForTheCLocale)
{
    g_setenv("LANGUAGE", "de", TRUE);
    EXPECT_EQ(desktopLanguageNames(), std::vector<std::string>{"C"});
    g_unsetenv("LANGUAGE");
    const test::InLanguage german("ru:de", BRIMBLE_LOCALE_BUILD_DIR);
    const std::vector<std::string> names = desktopLanguageNames();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "ru");
    EXPECT_EQ(names[1], "de");
}

std::string bodyOf(const SchemeResult& result)
{
    const auto* response = std::get_if<SchemeResponse>(&result);
    return response ? std::string(response->body.begin(), response->body.end()) : "<error>";
}

TEST(PageCatalogue, TheSchemeServesTheChosenCatalogueAtOneAddress)
{
    TempDir resources;
    test::writeFile(resources / "clipboard" / "index.html", "<html>");
    test::writeFile(resources / "i18n" / "de.json", R"({"language":"de"})");
    const std::string url = "vellumo://clipboard/i18n/catalogue.json";

    const VellumoScheme german(resources.path(), resources / "img", resources / "i18n" / "de.json");
    EXPECT_EQ(bodyOf(german.serve(url)), R"({"language":"de"})");
    EXPECT_EQ(std::get<SchemeResponse>(german.serve(url)).mimeType, "application/json");

    // English needs no file: the page still gets a catalogue, with no messages.
    const VellumoScheme english(resources.path(), resources / "img");
    EXPECT_EQ(bodyOf(english.serve(url)), englishPageCatalogue());

    // A catalogue removed after the start is a missing file, not English in disguise.
    const VellumoScheme gone(resources.path(), resources / "img", resources / "i18n" / "ja.json");
    ASSERT_TRUE(std::holds_alternative<SchemeError>(gone.serve(url)));
    EXPECT_EQ(std::get<SchemeError>(gone.serve(url)).code, 404);
}

// The build writes one JSON catalogue per language from the .po files; the page reads its plural
// categories in gettext's order and its direction from it.
TEST(PageCatalogue, TheBuiltCataloguesCarryPluralsAndDirection)
{
    const std::filesystem::path folder(BRIMBLE_PAGE_CATALOGUES_DIR);
    const std::string german = test::readFile(folder / "de.json");
    EXPECT_NE(german.find(R"("plural":["one","other"])"), std::string::npos);
    EXPECT_NE(german.find(R"("%d image":["%d Bild","%d Bilder"])"), std::string::npos);
    EXPECT_NE(german.find(R"("Just now":"Gerade eben")"), std::string::npos);
    const std::string arabic = test::readFile(folder / "ar.json");
    EXPECT_NE(arabic.find(R"("dir":"rtl")"), std::string::npos);
    EXPECT_NE(arabic.find(R"("plural":["zero","one","two","few","many","other"])"), std::string::npos);
    EXPECT_NE(test::readFile(folder / "pt_BR.json").find(R"("language":"pt-BR")"), std::string::npos);
}

} // namespace
} // namespace brimble
