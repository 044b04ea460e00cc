#include "platform/gtk/InputMethod.h"

#include <gtest/gtest.h>

namespace brimble {
namespace {

// Under a Japanese or Chinese locale with no input method running, GTK's locale default (the X
// Input Method) froze the page on its first frame; a module that the user, the desktop or a
// running server chose must still be kept.
TEST(InputMethodTest, TheBuiltInMethodReplacesOnlyTheLocaleDefaultOnX11)
{
    struct Case {
        InputMethodChoice choice;
        bool builtIn;
    };
    const Case cases[] = {
        {{nullptr, nullptr, nullptr, true}, true},
        {{"", "", "", true}, true},
        {{nullptr, nullptr, "@im=none", true}, true},
        {{nullptr, nullptr, "@im=", true}, true},
        {{nullptr, nullptr, "@im=ibus", true}, false},
        {{nullptr, nullptr, "@im=fcitx", true}, false},
        {{"xim", nullptr, nullptr, true}, false},
        {{"ibus", nullptr, nullptr, true}, false},
        {{nullptr, "ibus", nullptr, true}, false},
        {{nullptr, nullptr, nullptr, false}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(needsBuiltInInputMethod(c.choice), c.builtIn)
            << (c.choice.moduleFromEnvironment ? c.choice.moduleFromEnvironment : "-") << " "
            << (c.choice.moduleFromDesktop ? c.choice.moduleFromDesktop : "-") << " "
            << (c.choice.xModifiers ? c.choice.xModifiers : "-") << " " << c.choice.onX11;
}

} // namespace
} // namespace brimble
