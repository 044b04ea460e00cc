#include "platform/wayland/WaylandPasteSender.h"

#include <cstring>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandFrontmostApp.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace brimble {

namespace {

// Time for the compositor to move the keyboard to the window before the keys arrive.
constexpr guint focusSettleMs = 120;
constexpr uint32_t keyPressed = 1;
constexpr uint32_t keyReleased = 0;

uint32_t nowMs()
{
    return static_cast<uint32_t>(g_get_monotonic_time() / 1000);
}

} // namespace

WaylandPasteSender::WaylandPasteSender(WaylandConnection& connection, WaylandFrontmostApp& frontmost)
    : connection_(connection)
    , frontmost_(frontmost)
    , seat_(static_cast<wl_seat*>(connection.bind(wl_seat_interface, 1)))
    , manager_(static_cast<zwp_virtual_keyboard_manager_v1*>(
          connection.bind(zwp_virtual_keyboard_manager_v1_interface, 1)))
{
}

WaylandPasteSender::~WaylandPasteSender()
{
    if (typeSource_)
        g_source_remove(typeSource_);
    if (keyboard_)
        zwp_virtual_keyboard_v1_destroy(keyboard_);
    if (manager_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(manager_));
    if (seat_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat_));
}

bool WaylandPasteSender::isAvailable() const
{
    return seat_ && manager_ && frontmost_.canTell();
}

void WaylandPasteSender::rememberFocus()
{
    if (!isAvailable())
        return;
    if (const uint64_t window = frontmost_.lastOtherWindow())
        remembered_ = window;
}

void WaylandPasteSender::pasteIntoRemembered()
{
    // Brimble's window may have been shown without the program being told (by the compositor,
    // or before any shortcut could note the window): the last other window is the one meant.
    const uint64_t window = remembered_ ? remembered_ : frontmost_.lastOtherWindow();
    if (!isAvailable() || !window || !makeKeyboard() || !frontmost_.activate(window, seat_))
        return;
    // The keymap goes first, with time to be taken in before any key.
    connection_.flush();
    if (typeSource_)
        g_source_remove(typeSource_);
    typeSource_ = g_timeout_add(focusSettleMs, onFocusSettled, this);
}

gboolean WaylandPasteSender::onFocusSettled(gpointer data)
{
    auto* self = static_cast<WaylandPasteSender*>(data);
    self->typeSource_ = 0;
    self->typeControlV();
    return G_SOURCE_REMOVE;
}

bool WaylandPasteSender::makeKeyboard()
{
    if (keyboard_)
        return true;
    // The virtual keyboard brings its own keymap; a plain US one is enough to say Control+V.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context)
        return false;
    const xkb_rule_names names{nullptr, nullptr, "us", nullptr, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    bool made = false;
    if (text) {
        controlMask_ = 1u << xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_CTRL);
        const size_t size = std::strlen(text) + 1;
        const int fd = memfd_create("brimble-keymap", MFD_CLOEXEC);
        if (fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size)) {
            keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, seat_);
            zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
            connection_.flush();
            made = true;
        }
        if (fd >= 0)
            close(fd);
        free(text);
    }
    if (keymap)
        xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return made;
}

void WaylandPasteSender::typeControlV()
{
    if (!keyboard_)
        return;
    // Evdev key codes; the keymap above places Control and V on them.
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), KEY_LEFTCTRL, keyPressed);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, controlMask_, 0, 0, 0);
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), KEY_V, keyPressed);
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), KEY_V, keyReleased);
    zwp_virtual_keyboard_v1_key(keyboard_, nowMs(), KEY_LEFTCTRL, keyReleased);
    zwp_virtual_keyboard_v1_modifiers(keyboard_, 0, 0, 0, 0);
    connection_.flush();
}

} // namespace brimble
