#include <gtest/gtest.h>

#include <string>

#include "about/AboutTexts.h"
#include "about/HelpTopics.h"

namespace brimble {
namespace {

TEST(AboutTextsTest, EveryFunFactIsOneLineStartingFunFact)
{
    for (std::string_view fact : funFacts) {
        EXPECT_TRUE(fact.starts_with("Fun fact: ")) << fact;
        EXPECT_EQ(fact.find('\n'), std::string_view::npos) << fact;
    }
    EXPECT_EQ(funFacts.back(), "Fun fact: Wugo is older than every app he appears in.");
}

// The angry face must be the one emoji character, not a look-alike sequence.
TEST(AboutTextsTest, TheLastShoutWordIsTheSingleAngryFaceCharacter)
{
    EXPECT_EQ(shoutWords.back(), "\xF0\x9F\x98\xA4");
}

TEST(AboutTextsTest, OtherAppsPageIsASecureWebAddress)
{
    EXPECT_TRUE(otherAppsPageURL.starts_with("https://"));
    EXPECT_NE(otherAppsAccessibleName.find(otherAppsLabel), std::string_view::npos);
    EXPECT_NE(otherAppsAccessibleName.find(otherAppsSiteName), std::string_view::npos);
}

// Typographic characters survive as themselves: one ellipsis character then a full stop, and
// em dashes rather than hyphens.
TEST(HelpTopicsTest, BlocksTopicKeepsTheEllipsisCharacterAndEmDashes)
{
    const std::string_view blocks = helpTopics[1].body;
    EXPECT_NE(blocks.find("New Block\u2026."), std::string_view::npos);
    EXPECT_EQ(blocks.find("..."), std::string_view::npos);
    EXPECT_NE(blocks.find(" \u2014 deleting"), std::string_view::npos);
    EXPECT_NE(helpTopics[0].body.find(" \u2014 each one"), std::string_view::npos);
    EXPECT_NE(clickHint.find("\u2014"), std::string_view::npos);
}

TEST(HelpTopicsTest, TopicsComeInTheirFixedOrder)
{
    std::string titles;
    for (const HelpTopic& topic : helpTopics)
        titles += std::string(topic.title) + "|";
    EXPECT_EQ(titles, "Multi-select|Blocks|Sessions|Drag & drop|Pinning|Settings|Search|Copy together|Quick picks|");
}

} // namespace
} // namespace brimble
