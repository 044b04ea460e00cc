#include "platform/gtk/about/GtkPanels.h"

#include "about/PanelKeeper.h"
#include "platform/gtk/about/AboutWindow.h"
#include "platform/gtk/about/HelpWindow.h"

namespace brimble {

namespace {

class GtkPanelFactory final : public PanelFactory {
public:
    GtkPanelFactory(MainLoop& loop, std::function<GtkWindow*()> mainWindow,
                    std::filesystem::path resourcesDir, std::function<void(const std::string&)> openURL)
        : loop_(loop), mainWindow_(std::move(mainWindow)), resourcesDir_(std::move(resourcesDir)),
          openURL_(std::move(openURL))
    {
    }

    std::unique_ptr<PanelWindow> makeAbout(std::function<void()> onDismissed) override
    {
        return std::make_unique<AboutWindow>(
            loop_, resourcesDir_, AboutWindowHooks{mainWindow_, openURL_, std::move(onDismissed)});
    }

    std::unique_ptr<PanelWindow> makeHelp() override { return std::make_unique<HelpWindow>(mainWindow_); }

private:
    MainLoop& loop_;
    std::function<GtkWindow*()> mainWindow_;
    std::filesystem::path resourcesDir_;
    std::function<void(const std::string&)> openURL_;
};

} // namespace

std::unique_ptr<Panels> makeGtkPanels(MainLoop& loop, std::function<GtkWindow*()> mainWindow,
                                      std::filesystem::path resourcesDir,
                                      std::function<void(const std::string&)> openURL)
{
    return std::make_unique<PanelKeeper>(
        loop, std::make_unique<GtkPanelFactory>(loop, std::move(mainWindow), std::move(resourcesDir),
                                                std::move(openURL)));
}

} // namespace brimble
