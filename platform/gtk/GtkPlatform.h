#pragma once

#include <functional>
#include <memory>

#include <gtk/gtk.h>

#include "platform/Locations.h"
#include "platform/Platform.h"
#include "platform/gtk/DelegateLink.h"
#include "platform/gtk/GtkAppShell.h"
#include "platform/gtk/GtkDialogs.h"
#include "platform/gtk/GtkFileIcons.h"
#include "platform/gtk/GtkFrontmostApp.h"
#include "platform/gtk/GtkGlobalShortcut.h"
#include "platform/gtk/GtkMainLoop.h"
#include "platform/gtk/GtkMainWindow.h"
#include "platform/gtk/GtkMenus.h"
#include "platform/gtk/GtkPasteSender.h"
#include "platform/gtk/GtkPasteboard.h"
#include "platform/gtk/GtkWindowHost.h"
#include "platform/gtk/SystemClock.h"

namespace brimble {

// The clipboard and the application in front, where they come from elsewhere than X11.
struct DesktopServices {
    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<FrontmostApp> frontmost;
    std::unique_ptr<PasteSender> paste;
};
using DesktopServicesFactory = std::function<DesktopServices(ImageCodec&)>;

// Every real platform service of the desktop program, made once GTK is up and kept for the run.
class GtkPlatform {
public:
    GtkPlatform(GtkApplication* application, const Locations& locations, std::unique_ptr<Defaults> defaults,
                std::unique_ptr<ImageCodec> codec, const DesktopServicesFactory& makeDesktopServices = {});
    ~GtkPlatform();
    GtkPlatform(const GtkPlatform&) = delete;
    GtkPlatform& operator=(const GtkPlatform&) = delete;

    Platform platform();
    // The program that the platform's callbacks reach; held weakly.
    void setDelegate(std::weak_ptr<AppDelegate> delegate);
    WindowHost& host() { return host_; }

private:
    DelegateLink delegate_;
    std::unique_ptr<Defaults> defaults_;
    std::unique_ptr<ImageCodec> codec_;
    GtkMainWindow window_;
    SystemClock clock_;
    GtkMainLoop loop_;
    std::unique_ptr<Pasteboard> pasteboard_;
    std::unique_ptr<FrontmostApp> frontmost_;
    GtkAppShell shell_;
    GtkDialogs dialogs_;
    GtkWindowHost host_;
    GtkMenus menus_;
    std::unique_ptr<Panels> panels_;
    GtkFileIcons icons_;
    GtkGlobalShortcut shortcut_;
    std::unique_ptr<PasteSender> paste_;
};

} // namespace brimble
