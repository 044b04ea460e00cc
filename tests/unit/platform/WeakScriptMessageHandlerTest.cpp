// The forwarder between the web view and the controller.

#include <gtest/gtest.h>

#include "platform/WeakScriptMessageHandler.h"

namespace brimble {
namespace {

// Records into a list that outlives it, so a call after its end would still show.
class MessageSink final : public AppDelegate {
public:
    explicit MessageSink(std::vector<std::string>& received) : received(received) {}
    std::vector<std::string>& received;

    void didReceiveScriptMessage(std::string_view channel, std::string_view bodyJson) override
    {
        received.push_back(std::string(channel) + " " + std::string(bodyJson));
    }
    void applicationDidFinishLaunching() override {}
    void applicationShouldHandleReopen(bool) override {}
    SchemeResult startSchemeTask(std::string_view) override { return SchemeError{404}; }
    void pageDidFinishLoading() override {}
    PageDialogAnswer runPageDialog(const PageDialogRequest&) override { return {}; }
    void performMenuAction(MenuAction) override {}
    bool isMenuItemChecked(MenuAction) override { return false; }
    void windowDidChangeVisibility(WindowVisibility) override {}
};

TEST(WeakScriptMessageHandler, ForwardsMessagesUnchangedWhileTheTargetLives)
{
    std::vector<std::string> received;
    auto sink = std::make_shared<MessageSink>(received);
    const WeakScriptMessageHandler handler(sink);

    handler.didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
    handler.didReceiveScriptMessage("other", "[]");

    EXPECT_EQ(received, (std::vector<std::string>{R"(pr2Clip {"cmd":"list"})", "other []"}));
}

// The web view keeps its handlers alive; a strong hold here would keep the controller alive too.
TEST(WeakScriptMessageHandler, DoesNotKeepTheTargetAlive)
{
    std::vector<std::string> received;
    auto sink = std::make_shared<MessageSink>(received);
    const WeakScriptMessageHandler handler(sink);
    EXPECT_EQ(sink.use_count(), 1);

    std::weak_ptr<MessageSink> watch = sink;
    sink.reset();
    EXPECT_TRUE(watch.expired());
}

// A message that arrives while the controller is being torn down must not touch freed memory.
TEST(WeakScriptMessageHandler, DropsMessagesOnceTheTargetIsGone)
{
    std::vector<std::string> received;
    auto sink = std::make_shared<MessageSink>(received);
    const WeakScriptMessageHandler handler(sink);
    handler.didReceiveScriptMessage("pr2Clip", "{}");
    sink.reset();

    handler.didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
    EXPECT_EQ(received, std::vector<std::string>{"pr2Clip {}"});
}

} // namespace
} // namespace brimble
