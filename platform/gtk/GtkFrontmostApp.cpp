#include "platform/gtk/GtkFrontmostApp.h"
#include "platform/gtk/InstalledApps.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <string>

namespace brimble {

namespace {

// One property of a window as raw items, or nothing when it is missing or of another type.
std::optional<std::vector<unsigned char>> windowProperty(Display* display, Window window, const char* name,
                                                        Atom type, int format)
{
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(display, name, False);
    const int status = XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType,
                                          &actualFormat, &items, &remaining, &data);
    if (status != Success || actualType != type || actualFormat != format || !data) {
        if (data)
            XFree(data);
        return std::nullopt;
    }
    // Format 32 items are stored as longs by Xlib, whatever their size on the wire.
    const size_t itemSize = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
    std::vector<unsigned char> bytes(data, data + items * itemSize);
    XFree(data);
    return bytes;
}

Window activeWindow(Display* display)
{
    const auto value = windowProperty(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW, 32);
    if (!value || value->size() < sizeof(long))
        return None;
    return static_cast<Window>(*reinterpret_cast<const long*>(value->data()));
}

std::optional<std::string> gtkApplicationId(Display* display, Window window)
{
    const auto value = windowProperty(display, window, "_GTK_APPLICATION_ID",
                                      XInternAtom(display, "UTF8_STRING", False), 8);
    if (!value || value->empty())
        return std::nullopt;
    std::string id(value->begin(), value->end());
    if (const size_t end = id.find('\0'); end != std::string::npos)
        id.resize(end);
    return id.empty() ? std::nullopt : std::optional(id);
}

std::vector<std::string> windowClassNames(Display* display, Window window)
{
    std::vector<std::string> names;
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint))
        return names;
    // The class ("Gedit") is the better match and is tried first, then the instance ("gedit").
    if (hint.res_class)
        names.push_back(foldedForMatching(hint.res_class));
    if (hint.res_name)
        names.push_back(foldedForMatching(hint.res_name));
    if (hint.res_class)
        XFree(hint.res_class);
    if (hint.res_name)
        XFree(hint.res_name);
    return names;
}

// The file name of the program behind the window, from its _NET_WM_PID; empty when unknown.
std::string windowProgram(Display* display, Window window)
{
    const auto value = windowProperty(display, window, "_NET_WM_PID", XA_CARDINAL, 32);
    if (!value || value->size() < sizeof(long))
        return {};
    const long pid = *reinterpret_cast<const long*>(value->data());
    if (pid <= 0)
        return {};
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    g_autofree gchar* target = g_file_read_link(link.c_str(), nullptr);
    if (!target)
        return {};
    g_autofree gchar* name = g_path_get_basename(target);
    return foldedForMatching(name);
}

} // namespace

std::optional<std::string> GtkFrontmostApp::identifier()
{
    std::vector<std::string> ids = identifiers();
    if (ids.empty())
        return std::nullopt;
    return ids.front();
}

std::vector<std::string> GtkFrontmostApp::identifiers()
{
    GdkDisplay* gdkDisplay = gdk_display_get_default();
    if (!gdkDisplay || !GDK_IS_X11_DISPLAY(gdkDisplay))
        return {};
    Display* display = GDK_DISPLAY_XDISPLAY(gdkDisplay);
    // The active window may be destroyed between the reads; its errors are expected, not fatal.
    gdk_x11_display_error_trap_push(gdkDisplay);
    std::optional<std::string> appId;
    WindowTraits traits;
    if (const Window window = activeWindow(display); window != None) {
        appId = gtkApplicationId(display, window);
        traits.appId = appId ? foldedForMatching(appId->c_str()) : std::string();
        traits.classNames = windowClassNames(display, window);
        traits.executable = windowProgram(display, window);
    }
    gdk_x11_display_error_trap_pop_ignored(gdkDisplay);

    std::vector<std::string> ids = entriesOfWindow(traits, installed_.all());
    // A GTK application names itself even when no entry of that id is installed.
    if (appId && std::none_of(ids.begin(), ids.end(), [&](const std::string& id) {
            return foldedForMatching(id.c_str()) == traits.appId;
        }))
        ids.insert(ids.begin(), *appId);
    return ids;
}

bool GtkFrontmostApp::recognises(const std::string& id)
{
    return installed_.includes(id);
}

} // namespace brimble
