#include "about/PanelKeeper.h"

namespace brimble {

PanelKeeper::PanelKeeper(MainLoop& loop, std::unique_ptr<PanelFactory> factory)
    : loop_(loop), factory_(std::move(factory)), self_(std::make_shared<PanelKeeper*>(this))
{
}

PanelKeeper::~PanelKeeper()
{
    // The windows go before the factory that may hold what they were made with.
    about_.reset();
    help_.reset();
}

void PanelKeeper::showAbout()
{
    if (!about_) {
        const uint64_t generation = ++aboutGeneration_;
        about_ = factory_->makeAbout([weak = std::weak_ptr<PanelKeeper*>(self_), generation] {
            if (auto keeper = weak.lock()) {
                (*keeper)->aboutDismissed(generation);
            }
        });
    }
    if (about_) {
        about_->present();
    }
}

void PanelKeeper::showHelp()
{
    if (!help_) {
        help_ = factory_->makeHelp();
    }
    if (help_) {
        help_->present();
    }
}

void PanelKeeper::aboutDismissed(uint64_t generation)
{
    if (generation != aboutGeneration_ || !about_) {
        return;
    }
    // The window is usually closing from inside one of its own handlers, so it is released on the
    // next turn of the main loop rather than under its own feet.
    std::shared_ptr<PanelWindow> closing(std::move(about_));
    loop_.runLater(0.0, [closing] {});
}

} // namespace brimble
