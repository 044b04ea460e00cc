#include "platform/gtk/GtkMenus.h"

#include "platform/gtk/GtkWindowHost.h"
#include "platform/gtk/MenuBuilder.h"

namespace brimble {

namespace {

// WebKit's name of the editing command for an Edit menu action, or null for other actions.
const char* editingCommand(MenuAction action)
{
    switch (action) {
    case MenuAction::Redo:
        return WEBKIT_EDITING_COMMAND_REDO;
    case MenuAction::Cut:
        return WEBKIT_EDITING_COMMAND_CUT;
    case MenuAction::Copy:
        return WEBKIT_EDITING_COMMAND_COPY;
    case MenuAction::Paste:
        return WEBKIT_EDITING_COMMAND_PASTE;
    case MenuAction::SelectAll:
        return WEBKIT_EDITING_COMMAND_SELECT_ALL;
    default:
        return nullptr;
    }
}

} // namespace

GtkMenus::GtkMenus(GtkMainWindow& window, GtkWindowHost& host, const DelegateLink& delegate)
    : window_(window), host_(host), delegate_(delegate)
{
}

void GtkMenus::installMenuBar(const std::vector<Menu>& menus)
{
    if (menuBarInstalled_)
        return;
    menuBarInstalled_ = true;
    const MenuBuilder builder(
        window_.accelerators(), [this](MenuAction action) { perform(action); },
        [this](MenuAction action) { return isChecked(action); });
    window_.setMenuBar(builder.menuBar(menus));
}

void GtkMenus::installStatusItem(const std::string& iconPath, const Menu& menu)
{
    // The tray menu is rebuilt whenever its check marks change, so it shows the model's state.
    const MenuBuilder builder(nullptr, [this](MenuAction action) { perform(action); }, nullptr);
    statusItem_.install(iconPath, builder.menu(menu));
}

void GtkMenus::perform(MenuAction action)
{
    if (action == MenuAction::Undo) {
        if (PageWebView* page = host_.page())
            page->undo();
        return;
    }
    if (const char* command = editingCommand(action)) {
        if (PageWebView* page = host_.page())
            page->executeEditingCommand(command);
        return;
    }
    switch (action) {
    case MenuAction::Hide:
    case MenuAction::CloseWindow:
        window_.hide();
        return;
    case MenuAction::Minimize:
        window_.minimize();
        return;
    case MenuAction::Zoom:
        window_.toggleZoom();
        return;
    default:
        break;
    }
    if (const std::shared_ptr<AppDelegate> delegate = delegate_.lock())
        delegate->performMenuAction(action);
}

bool GtkMenus::isChecked(MenuAction action) const
{
    const std::shared_ptr<AppDelegate> delegate = delegate_.lock();
    return delegate && delegate->isMenuItemChecked(action);
}

} // namespace brimble
