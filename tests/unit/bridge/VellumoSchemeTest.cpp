// The private scheme's router: its two routes, its content types, and every way a request might
// try to read a file outside the page folder or the picture folder.

#include <gtest/gtest.h>

#include "bridge/VellumoScheme.h"
#include "support/TempDir.h"

namespace brimble::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* pictureName = "0A1B2C3D-4E5F-4a6b-8c7d-9E8F7A6B5C4D";

// resources/clipboard holds the page; images/ the pictures; outside/ must never be served.
class SchemeFolders {
public:
    SchemeFolders()
    {
        const fs::path page = resources() / "clipboard";
        writeFile(page / "index.html", "<html>index</html>");
        writeFile(page / "app.js", "js");
        writeFile(page / "app.JS", "capital js");
        writeFile(page / "style.css", "css");
        writeFile(page / "icon.png", "png");
        writeFile(page / "icon.svg", "svg");
        writeFile(page / "data.json", "json");
        writeFile(page / "font.woff2", "font");
        writeFile(page / "README", "no extension");
        writeFile(page / "sub" / "inner.html", "inner");
        writeFile(resources() / "other" / "img" / (std::string(pictureName) + ".png"), "resource copy");
        fs::create_directories(page / "folder");
        writeFile(outside() / "secret.txt", "SECRET");
        fs::create_symlink("../../outside/secret.txt", page / "link-out");
        fs::create_symlink("../../outside", page / "dir-out");
        fs::create_symlink("index.html", page / "link-in");

        writeFile(images() / (std::string(pictureName) + ".png"), "png picture");
        writeFile(images() / (std::string(pictureName) + ".jpg"), "jpg picture");
        writeFile(images() / (std::string(pictureName) + ".PNG"), "capital picture");
        writeFile(images() / "short.png", "short picture");
        fs::create_symlink("../outside/secret.txt", images() / "11111111-2222-3333-4444-555555555555.png");
    }

    fs::path resources() const { return dir / "resources"; }
    fs::path images() const { return dir / "images"; }
    fs::path outside() const { return dir / "outside"; }

    TempDir dir;
};

struct Served {
    std::string mimeType;
    std::string encoding;
    std::string body;
};

struct SchemeCase {
    std::string name; // says which fault the row guards
    std::string url;
    std::variant<Served, int> expected;
};

void PrintTo(const SchemeCase& row, std::ostream* out)
{
    *out << row.url;
}

class SchemeRouting : public SchemeFolders, public ::testing::TestWithParam<SchemeCase> {};

TEST_P(SchemeRouting, ServesOnlyFilesOfItsTwoFolders)
{
    const SchemeCase& row = GetParam();
    const SchemeResult result = VellumoScheme(resources(), images()).serve(row.url);
    if (const auto* code = std::get_if<int>(&row.expected)) {
        ASSERT_TRUE(std::holds_alternative<SchemeError>(result)) << row.url;
        EXPECT_EQ(std::get<SchemeError>(result).code, *code) << row.url;
        return;
    }
    const Served& served = std::get<Served>(row.expected);
    ASSERT_TRUE(std::holds_alternative<SchemeResponse>(result))
        << row.url << " failed with " << std::get<SchemeError>(result).code;
    const SchemeResponse& response = std::get<SchemeResponse>(result);
    EXPECT_EQ(response.mimeType, served.mimeType);
    EXPECT_EQ(response.encoding, served.encoding);
    EXPECT_EQ(std::string(response.body.begin(), response.body.end()), served.body);
}

const std::string picture = std::string("vellumo://clipboard/img/") + pictureName;

INSTANTIATE_TEST_SUITE_P(Resources, SchemeRouting, ::testing::Values(
    SchemeCase{"IndexPage", "vellumo://clipboard/index.html", Served{"text/html", "utf-8", "<html>index</html>"}},
    SchemeCase{"Script", "vellumo://clipboard/app.js", Served{"application/javascript", "utf-8", "js"}},
    // Extensions are compared exactly; a case-folding lookup would call this a script.
    SchemeCase{"CapitalExtensionIsOctetStream", "vellumo://clipboard/app.JS",
               Served{"application/octet-stream", "utf-8", "capital js"}},
    SchemeCase{"Stylesheet", "vellumo://clipboard/style.css", Served{"text/css", "utf-8", "css"}},
    SchemeCase{"PngResource", "vellumo://clipboard/icon.png", Served{"image/png", "utf-8", "png"}},
    SchemeCase{"SvgResource", "vellumo://clipboard/icon.svg", Served{"image/svg+xml", "utf-8", "svg"}},
    SchemeCase{"JsonResource", "vellumo://clipboard/data.json", Served{"application/json", "utf-8", "json"}},
    SchemeCase{"FontIsOctetStream", "vellumo://clipboard/font.woff2",
               Served{"application/octet-stream", "utf-8", "font"}},
    SchemeCase{"NoExtensionIsOctetStream", "vellumo://clipboard/README",
               Served{"application/octet-stream", "utf-8", "no extension"}},
    SchemeCase{"QueryAndFragmentAreNotPartOfTheFile", "vellumo://clipboard/index.html?v=2#top",
               Served{"text/html", "utf-8", "<html>index</html>"}},
    SchemeCase{"FragmentCannotClimb", "vellumo://clipboard/index.html#/../../outside/secret.txt",
               Served{"text/html", "utf-8", "<html>index</html>"}},
    SchemeCase{"DotDotThatStaysInsideIsServed", "vellumo://clipboard/sub/../sub/./inner.html",
               Served{"text/html", "utf-8", "inner"}},
    SchemeCase{"EncodedNameIsDecoded", "vellumo://clipboard/%69ndex.html",
               Served{"text/html", "utf-8", "<html>index</html>"}},
    SchemeCase{"LinkInsideTheFolderIsServed", "vellumo://clipboard/link-in",
               Served{"application/octet-stream", "utf-8", "<html>index</html>"}},
    SchemeCase{"ImagePathUnderOtherHostIsAResource", "vellumo://other/img/" + std::string(pictureName) + ".png",
               Served{"image/png", "utf-8", "resource copy"}},

    SchemeCase{"DotDotAboveTheFolderIs403", "vellumo://clipboard/../../outside/secret.txt", 403},
    SchemeCase{"EncodedDotDotIs403", "vellumo://clipboard/%2e%2e/%2E%2E/outside/secret.txt", 403},
    SchemeCase{"EncodedSlashesAre403", "vellumo://clipboard/..%2F..%2Foutside%2Fsecret.txt", 403},
    SchemeCase{"DotDotHostIs403", "vellumo://%2e%2e/outside/secret.txt", 403},
    SchemeCase{"LinkPointingOutIs403", "vellumo://clipboard/link-out", 403},
    SchemeCase{"FolderLinkPointingOutIs403", "vellumo://clipboard/dir-out/secret.txt", 403},
    SchemeCase{"MissingFileBehindOutwardLinkIs403", "vellumo://clipboard/dir-out/none.txt", 403},
    // An absolute path stays below the folder instead of replacing it.
    SchemeCase{"AbsolutePathStaysInside", "vellumo:///etc/passwd", 404},
    SchemeCase{"DoubleSlashStaysInside", "vellumo://clipboard//etc/passwd", 404},
    SchemeCase{"PageFolderIs404", "vellumo://clipboard/", 404},
    SchemeCase{"PageFolderWithoutSlashIs404", "vellumo://clipboard", 404},
    SchemeCase{"ResourceFolderItselfIs404", "vellumo:///", 404},
    SchemeCase{"SubFolderIs404", "vellumo://clipboard/folder", 404},
    SchemeCase{"MissingFileIs404", "vellumo://clipboard/missing.html", 404},
    SchemeCase{"EncodedNulIs404", "vellumo://clipboard/index.html%00.png", 404},
    // A broken escape does not parse as an address at all.
    SchemeCase{"BrokenEscapeIsNoAddress", "vellumo://clipboard/%zz", 1},
    SchemeCase{"EmptyUrlIs1", "", 1}
), [](const ::testing::TestParamInfo<SchemeCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Pictures, SchemeRouting, ::testing::Values(
    SchemeCase{"Png", picture + ".png", Served{"image/png", "", "png picture"}},
    SchemeCase{"Jpeg", picture + ".jpg", Served{"image/jpeg", "", "jpg picture"}},
    SchemeCase{"MissingPictureIs404", "vellumo://clipboard/img/00000000-0000-0000-0000-000000000000.png", 404},
    // The rows below name files that exist: only the name rule keeps them from being read.
    SchemeCase{"CapitalExtensionIs404", picture + ".PNG", 404},
    SchemeCase{"ShortNameIs404", "vellumo://clipboard/img/short.png", 404},
    SchemeCase{"EmptyNameIs404", "vellumo://clipboard/img/", 404},
    SchemeCase{"EncodedTraversalIs404", "vellumo://clipboard/img/..%2F..%2Foutside%2Fsecret.txt", 404},
    SchemeCase{"DotDotNameIs404", "vellumo://clipboard/img/%2e%2e", 404},
    SchemeCase{"NameWithSlashIs404", "vellumo://clipboard/img/0A1B2C3D-4E5F-4a6b-8c7d/../E8F7A6B5C4D.png", 404},
    SchemeCase{"PictureLinkPointingOutIs404", "vellumo://clipboard/img/11111111-2222-3333-4444-555555555555.png", 404},
    // The host is matched exactly; other letter case takes the resource route.
    SchemeCase{"CapitalHostTakesResourceRoute", "vellumo://CLIPBOARD/img/" + std::string(pictureName) + ".png", 404}
), [](const ::testing::TestParamInfo<SchemeCase>& info) { return info.param.name; });

class SchemeSetup : public SchemeFolders, public ::testing::Test {};

TEST_F(SchemeSetup, NoResourceFolderFailsEveryRequestWith1)
{
    const VellumoScheme scheme({}, images());
    EXPECT_EQ(std::get<SchemeError>(scheme.serve("vellumo://clipboard/index.html")).code, 1);
    EXPECT_EQ(std::get<SchemeError>(scheme.serve(picture + ".png")).code, 1);
}

// A resource folder reached through a link (an installed share folder, say) must still serve:
// comparing the unresolved folder with resolved files would refuse everything.
TEST_F(SchemeSetup, ResourceFolderBehindALinkStillServes)
{
    fs::create_symlink(resources(), dir / "linked-resources");
    const VellumoScheme scheme(dir / "linked-resources", images());
    EXPECT_TRUE(std::holds_alternative<SchemeResponse>(scheme.serve("vellumo://clipboard/index.html")));
    EXPECT_EQ(std::get<SchemeError>(scheme.serve("vellumo://clipboard/missing.html")).code, 404);
    EXPECT_EQ(std::get<SchemeError>(scheme.serve("vellumo://clipboard/link-out")).code, 403);
}

// A FIFO would block the main thread forever if it were opened for reading.
TEST_F(SchemeSetup, SpecialFileIsNotRead)
{
    ASSERT_EQ(::mkfifo((resources() / "clipboard" / "pipe.js").c_str(), 0600), 0);
    EXPECT_EQ(std::get<SchemeError>(VellumoScheme(resources(), images()).serve("vellumo://clipboard/pipe.js")).code,
              404);
}

// A file icon is asked for by entry id and place in its list. Guards the page choosing a path:
// anything but an id of letters, digits and dashes and a short decimal place never reaches the
// lookup, and what the lookup refuses is a 404.
TEST_F(SchemeSetup, FileIconsAreServedByEntryAndPlaceOnly)
{
    std::vector<std::string> asked;
    const VellumoScheme scheme(resources(), images(), {}, [&](std::string_view id, size_t index) {
        asked.push_back(std::string(id) + "#" + std::to_string(index));
        return index == 0 ? std::optional(std::vector<uint8_t>{'p', 'n', 'g'}) : std::nullopt;
    });
    const auto served = scheme.serve("vellumo://clipboard/file-icon/AB-12/0");
    ASSERT_TRUE(std::holds_alternative<SchemeResponse>(served));
    EXPECT_EQ(std::get<SchemeResponse>(served).mimeType, "image/png");
    EXPECT_EQ(std::get<SchemeError>(scheme.serve("vellumo://clipboard/file-icon/AB-12/3")).code, 404);
    for (const char* refused : {"/file-icon/AB-12", "/file-icon/AB-12/", "/file-icon//0", "/file-icon/AB-12/-1",
                                "/file-icon/AB-12/1e3", "/file-icon/AB-12/12345", "/file-icon/AB-12/0/x",
                                "/file-icon/..%2F..%2Fetc%2Fpasswd/0", "/file-icon/%2Fetc%2Fpasswd/0",
                                "/file-icon/AB.12/0"})
    {
        EXPECT_EQ(std::get<SchemeError>(scheme.serve(std::string("vellumo://clipboard") + refused)).code, 404)
            << refused;
        // The request answered later, away from the main loop, reads the route alike.
        EXPECT_FALSE(fileIconRequest(std::string("vellumo://clipboard") + refused)) << refused;
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"AB-12#0", "AB-12#3"}));
    const std::optional<FileIconRequest> later = fileIconRequest("vellumo://clipboard/file-icon/AB-12/3");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->clipId + "#" + std::to_string(later->index), "AB-12#3");
    EXPECT_FALSE(fileIconRequest("vellumo://clipboard/images/AB-12/3"));
}

} // namespace
} // namespace brimble::test
