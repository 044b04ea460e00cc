#include <gtest/gtest.h>

#include "about/AboutTexts.h"
#include "about/HelpTopics.h"
#include "app/MainMenu.h"
#include "import/ParleoImport.h"
#include "support/HubFixture.h"
#include "support/InLanguage.h"

namespace brimble {
namespace {

using test::HubFixture;
using test::InLanguage;

// The test language "qaa" wraps every text of the catalogue in these marks.
bool isMarked(const std::string& text)
{
    return text.starts_with("\u27e6") && text.ends_with("\u27e7");
}

void expectMarked(const Menu& menu)
{
    EXPECT_TRUE(isMarked(menu.title)) << "menu \"" << menu.title << "\" escapes the catalogue";
    for (const MenuItem& item : menu.items) {
        if (!item.isSeparator()) {
            EXPECT_TRUE(isMarked(item.title)) << "item \"" << item.title << "\" escapes the catalogue";
        }
    }
}

// A title written as a bare literal would show in English on every desktop.
TEST(Translation, EveryMenuAndTrayTextIsLookedUpInTheCatalogue)
{
    const InLanguage marked("qaa", BRIMBLE_MARKED_LOCALE_DIR);
    HubFixture f;
    f.launch();
    ASSERT_FALSE(f.fake.menus.menuBar.empty());
    for (const Menu& menu : f.fake.menus.menuBar)
        expectMarked(menu);
    ASSERT_TRUE(f.fake.menus.statusMenu);
    expectMarked(*f.fake.menus.statusMenu);
    // The line that says another program holds the key shows only then.
    expectMarked(statusMenu({DockVisibility::Shown, StartAtLogin::Off, ShortcutState::Taken}));
}

// A constant marked with N_() but left out of the catalogue (a file missing from POTFILES, a
// misspelt mark) would stay English although it is looked up.
TEST(Translation, EveryAboutAndHelpTextIsInTheCatalogue)
{
    const InLanguage marked("qaa", BRIMBLE_MARKED_LOCALE_DIR);
    for (std::string_view text : {aboutWindowTitle, tagline, otherAppsLabel, otherAppsAccessibleName, creditLine,
                                  hoardersLine, makerSlogan, clickHint, okButtonLabel, wugoAccessibleName,
                                  aboutMascotAccessibleName, helpWindowTitle, helpHeading})
        EXPECT_TRUE(isMarked(tr(text))) << text;
    for (std::string_view fact : funFacts)
        EXPECT_TRUE(isMarked(tr(fact))) << fact;
    for (size_t i = 0; i + 1 < shoutWords.size(); ++i)
        EXPECT_TRUE(isMarked(tr(shoutWords[i]))) << shoutWords[i];
    for (const HelpTopic& topic : helpTopics) {
        EXPECT_TRUE(isMarked(tr(topic.title))) << topic.title;
        EXPECT_TRUE(isMarked(tr(topic.body))) << topic.title;
    }
}

TEST(Translation, TheFirstLaunchImportOfferSpeaksGerman)
{
    const InLanguage german("de", BRIMBLE_LOCALE_BUILD_DIR);
    HubFixture f;
    test::writeFile(f.home / "data" / "Parleo 2.0" / "clipboard.json", "[]");
    f.fake.dialogs.alertAnswers = {1};
    f.launch();
    ASSERT_EQ(f.fake.dialogs.alerts.size(), 1u);
    const AlertSpec& offer = f.fake.dialogs.alerts.front();
    EXPECT_EQ(offer.message, "Ihren Zwischenablage-Verlauf aus Parleo 2.0 kopieren?");
    EXPECT_EQ(offer.buttons, (std::vector<std::string>{"Kopie importieren", "Neu beginnen"}));
    EXPECT_EQ(f.fake.menus.statusMenu->items.front().title, "Brimble zeigen");
}

// Counts go through ngettext: a sentence glued from English pieces ("entr" + "ies") cannot be
// translated, and languages with more than two forms pick by the number's ending.
TEST(Translation, ImportCountsTakeEachLanguagesPluralForms)
{
    const ImportResult result{.copied = 5, .images = 2, .skipped = 1};
    {
        const InLanguage german("de", BRIMBLE_LOCALE_BUILD_DIR);
        EXPECT_EQ(importResultText(result),
                  "5 Einträge kopiert (2 Bilder). 1 Bildeintrag konnte nicht kopiert werden (das Bild gibt es in "
                  "Parleo nicht mehr) und wurde übersprungen.");
    }
    {
        const InLanguage russian("ru", BRIMBLE_LOCALE_BUILD_DIR);
        const ImportResult few{.copied = 22, .images = 21};
        EXPECT_EQ(importResultText(few), "Скопированы 22 записи (21 изображение).");
    }
    // Back in English, the texts are the source's own.
    EXPECT_EQ(importResultText({.copied = 1, .images = 1}), "Copied 1 entry (1 image).");
}

} // namespace
} // namespace brimble
