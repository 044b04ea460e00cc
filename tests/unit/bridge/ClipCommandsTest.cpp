// Receiving page messages: the channel, the body kinds, the dispatch by exact name, and the
// address check of "open".

#include <algorithm>

#include "bridge/CommandHandlers.h"
#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

struct MessageCase {
    std::string name;
    std::string channel;
    std::string body;
    int pushes;
};

void PrintTo(const MessageCase& row, std::ostream* out)
{
    *out << row.channel << " " << row.body;
}

std::string messageName(const ::testing::TestParamInfo<MessageCase>& info)
{
    return info.param.name;
}

class ReceivedMessages : public CommandFixture, public ::testing::TestWithParam<MessageCase> {};

// Whatever arrives, the state is untouched; only the number of pushes differs.
TEST_P(ReceivedMessages, PushAtMostOnceAndChangeNothing)
{
    const MessageCase& row = GetParam();
    const auto before = files();
    receiveScriptMessage(target, row.channel, row.body);
    EXPECT_EQ(target.pushes(), row.pushes);
    EXPECT_EQ(target.log().size(), static_cast<size_t>(row.pushes)) << "no other effect";
    EXPECT_EQ(writtenSince(before), noFiles);
    EXPECT_EQ(order(), (Ids{"P", "A", "B", "C", "X"}));
}

INSTANTIATE_TEST_SUITE_P(Table, ReceivedMessages, ::testing::Values(
    MessageCase{"EmptyObjectPushes", "pr2Clip", "{}", 1},
    MessageCase{"ListPushes", "pr2Clip", R"({"cmd":"list"})", 1},
    MessageCase{"UnknownCommandPushes", "pr2Clip", R"({"cmd":"frobnicate","id":"C"})", 1},
    // Names are matched exactly; a case-folding lookup would pin here.
    MessageCase{"KnownNameInOtherCasePushesOnly", "pr2Clip", R"({"cmd":"Pin","id":"C"})", 1},
    MessageCase{"UpperCaseDeletePushesOnly", "pr2Clip", R"({"cmd":"DELETE","id":"C"})", 1},
    MessageCase{"NameWithTrailingSpacePushesOnly", "pr2Clip", R"({"cmd":"delete ","id":"C"})", 1},
    MessageCase{"NumericCommandPushes", "pr2Clip", R"({"cmd":5})", 1},
    MessageCase{"NullCommandPushes", "pr2Clip", R"({"cmd":null})", 1},
    MessageCase{"MissingCommandPushes", "pr2Clip", R"({"id":"C"})", 1},
    MessageCase{"CommandWithEmbeddedNulPushesOnly", "pr2Clip", R"({"cmd":"delete\u0000","id":"C"})", 1},

    MessageCase{"OtherChannelIsIgnored", "pr2clip", R"({"cmd":"list"})", 0},
    MessageCase{"EmptyChannelIsIgnored", "", R"({"cmd":"list"})", 0},
    MessageCase{"LongerChannelIsIgnored", "pr2Clip2", R"({"cmd":"list"})", 0},
    MessageCase{"BareStringIsIgnored", "pr2Clip", R"("list")", 0},
    MessageCase{"ArrayIsIgnored", "pr2Clip", R"([{"cmd":"list"}])", 0},
    MessageCase{"NumberIsIgnored", "pr2Clip", "42", 0},
    MessageCase{"NullIsIgnored", "pr2Clip", "null", 0},
    MessageCase{"EmptyBodyIsIgnored", "pr2Clip", "", 0},
    MessageCase{"TruncatedJsonIsIgnored", "pr2Clip", R"({"cmd":"list")", 0},
    MessageCase{"TrailingGarbageIsIgnored", "pr2Clip", R"({"cmd":"list"} x)", 0},
    // Text that could not be written back as JSON never enters the stores.
    MessageCase{"InvalidUtf8IsIgnored", "pr2Clip", "{\"cmd\":\"sessionCreate\",\"name\":\"\xff\"}", 0},
    MessageCase{"LoneSurrogateIsIgnored", "pr2Clip", R"({"cmd":"sessionCreate","name":"\udc00"})", 0}
), messageName);

TEST(CommandTable, HoldsEveryCommandOnceByItsExactName)
{
    std::vector<std::string> names;
    for (const CommandEntry& entry : commandTable())
        names.emplace_back(entry.name);
    std::ranges::sort(names);
    const std::vector<std::string> expected = {
        "about", "appearance", "autostart", "blockColor", "blockCreate", "blockDelete", "blockPin",
        "blockRename", "cap", "clear", "collapse", "copy", "copyMany", "copyPlain", "delete", "deleteMany",
        "excludeAdd", "excludeRemove", "help", "hide", "keysReady", "list", "moveToBlock", "open", "pasteAfterChoosing", "pause", "pin", "pinMany",
        "recordSecrets", "reorder", "sessionCreate", "sessionRename", "sessionSaveSelection", "sessionSwitch", "syncChoose",
        "syncOff", "syncSession", "undo", "view"};
    EXPECT_EQ(names, expected);
}

struct OpenCase {
    std::string name;
    std::string body;
    std::string opened; // the address handed to the browser, as sent; empty: none
};

void PrintTo(const OpenCase& row, std::ostream* out)
{
    *out << row.body;
}

class OpenCommand : public CommandFixture, public ::testing::TestWithParam<OpenCase> {};

// "open" never pushes; it hands only web and mail addresses to the browser.
TEST_P(OpenCommand, OpensOnlyWebAndMailAddressesAndNeverPushes)
{
    const OpenCase& row = GetParam();
    const auto before = files();
    send(row.body);
    EXPECT_EQ(target.log(), row.opened.empty() ? Ids{} : Ids{"shell: open " + row.opened});
    EXPECT_EQ(writtenSince(before), noFiles);
}

INSTANTIATE_TEST_SUITE_P(Table, OpenCommand, ::testing::Values(
    OpenCase{"Https", R"({"cmd":"open","url":"https://example.com/a?b=c#d"})", "https://example.com/a?b=c#d"},
    OpenCase{"Http", R"({"cmd":"open","url":"http://localhost:8080/"})", "http://localhost:8080/"},
    OpenCase{"Mailto", R"({"cmd":"open","url":"mailto:someone@example.com"})", "mailto:someone@example.com"},
    // The scheme is compared lower-cased, so capitals still open.
    OpenCase{"CapitalisedScheme", R"({"cmd":"open","url":"HTTPS://EXAMPLE.COM"})", "HTTPS://EXAMPLE.COM"},
    OpenCase{"MixedCaseMailto", R"({"cmd":"open","url":"MailTo:a@b.c"})", "MailTo:a@b.c"},
    OpenCase{"JavascriptIsRefused", R"x({"cmd":"open","url":"javascript:alert(1)"})x", ""},
    OpenCase{"FileIsRefused", R"({"cmd":"open","url":"file:///etc/passwd"})", ""},
    OpenCase{"FtpIsRefused", R"({"cmd":"open","url":"ftp://example.com/"})", ""},
    OpenCase{"LookalikeSchemeIsRefused", R"({"cmd":"open","url":"https-evil://example.com"})", ""},
    OpenCase{"NoSchemeIsRefused", R"({"cmd":"open","url":"example.com/page"})", ""},
    OpenCase{"SchemeRelativeIsRefused", R"({"cmd":"open","url":"//example.com"})", ""},
    OpenCase{"LeadingSpaceIsRefused", R"({"cmd":"open","url":" https://example.com"})", ""},
    OpenCase{"BrokenEscapeIsRefused", R"({"cmd":"open","url":"https://example.com/%zz"})", ""},
    OpenCase{"EmptyUrlIsRefused", R"({"cmd":"open","url":""})", ""},
    OpenCase{"NumericUrlIsRefused", R"({"cmd":"open","url":5})", ""},
    OpenCase{"MissingUrlIsRefused", R"({"cmd":"open"})", ""}
), [](const ::testing::TestParamInfo<OpenCase>& info) { return info.param.name; });

} // namespace
} // namespace brimble::test
