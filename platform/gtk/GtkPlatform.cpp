#include "platform/gtk/GtkPlatform.h"

#include "platform/gtk/InputMethod.h"
#include "platform/gtk/about/GtkPanels.h"

namespace brimble {

namespace {

std::filesystem::path windowStateFile(const Locations& locations)
{
    return locations.configHome / "Brimble" / "window-state.json";
}

} // namespace

GtkPlatform::GtkPlatform(GtkApplication* application, const Locations& locations,
                         std::unique_ptr<Defaults> defaults, std::unique_ptr<ImageCodec> codec,
                         const DesktopServicesFactory& makeDesktopServices)
    : defaults_(std::move(defaults))
    , codec_(std::move(codec))
    , window_(application, windowStateFile(locations))
    , shell_(G_APPLICATION(application), window_)
    , dialogs_(window_)
    , host_(window_, delegate_)
    , menus_(window_, host_, delegate_)
    , panels_(makeGtkPanels(
          loop_, [this] { return window_.window(); }, locations.resourcesDir,
          [this](const std::string& url) { shell_.openURL(url); }))
    , shortcut_(host_)
{
    avoidLocaleOnlyInputMethod();
    if (makeDesktopServices) {
        DesktopServices services = makeDesktopServices(*codec_);
        pasteboard_ = std::move(services.pasteboard);
        frontmost_ = std::move(services.frontmost);
        paste_ = std::move(services.paste);
    }
    if (!pasteboard_)
        pasteboard_ = std::make_unique<GtkPasteboard>(*codec_);
    if (!frontmost_)
        frontmost_ = std::make_unique<GtkFrontmostApp>();
    if (!paste_)
        paste_ = std::make_unique<GtkPasteSender>();
}

GtkPlatform::~GtkPlatform() = default;

Platform GtkPlatform::platform()
{
    return Platform{shell_,  clock_,   *defaults_,   dialogs_, *frontmost_, *codec_, loop_,
                    menus_,  *panels_, *pasteboard_, host_,    shortcut_,   *paste_, icons_};
}

void GtkPlatform::setDelegate(std::weak_ptr<AppDelegate> delegate)
{
    delegate_.set(std::move(delegate));
}

} // namespace brimble
