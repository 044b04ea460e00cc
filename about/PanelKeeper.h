#pragma once

#include <cstdint>
#include <memory>

#include "about/PanelWindow.h"
#include "platform/MainLoop.h"
#include "platform/Panels.h"

namespace brimble {

// Keeps the About and Help windows: the About window lives from the request that makes it until it
// is closed, so the next one starts afresh; the one Help window is made on the first request and
// kept for the rest of the run.
class PanelKeeper final : public Panels {
public:
    PanelKeeper(MainLoop& loop, std::unique_ptr<PanelFactory> factory);
    ~PanelKeeper() override;

    void showAbout() override;
    void showHelp() override;

    bool hasAbout() const { return static_cast<bool>(about_); }
    bool hasHelp() const { return static_cast<bool>(help_); }

private:
    void aboutDismissed(uint64_t generation);

    MainLoop& loop_;
    std::unique_ptr<PanelFactory> factory_;
    std::unique_ptr<PanelWindow> about_;
    std::unique_ptr<PanelWindow> help_;
    // Tells a closing About window apart from a newer one made since.
    uint64_t aboutGeneration_ = 0;
    // Held weakly by the About window's close callback, which may run after the keeper is gone.
    std::shared_ptr<PanelKeeper*> self_;
};

} // namespace brimble
