#pragma once

#include "platform/AppShell.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/Dialogs.h"
#include "platform/FileIcons.h"
#include "platform/FrontmostApp.h"
#include "platform/GlobalShortcut.h"
#include "platform/ImageCodec.h"
#include "platform/MainLoop.h"
#include "platform/Menus.h"
#include "platform/Panels.h"
#include "platform/PasteSender.h"
#include "platform/Pasteboard.h"
#include "platform/WindowHost.h"

namespace brimble {

// Every platform service the program uses; `main` fills it with the real ones, tests with fakes.
struct Platform {
    AppShell& shell;
    Clock& clock;
    Defaults& defaults;
    Dialogs& dialogs;
    FrontmostApp& frontmost;
    ImageCodec& codec;
    MainLoop& loop;
    Menus& menus;
    Panels& panels;
    Pasteboard& pasteboard;
    WindowHost& host;
    GlobalShortcut& shortcut;
    PasteSender& paste;
    FileIcons& icons;
};

} // namespace brimble
