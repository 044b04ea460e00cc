#pragma once

#include <algorithm>

#include <memory>

#include "app/Hub.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {

// A controller over the fake platform and temporary data and config folders.
struct HubFixture {
    TempDir home;
    FakePlatform fake;
    std::shared_ptr<Hub> hub;

    // The snapshots handed to the page, without the other scripts run in it.
    size_t renders() const
    {
        return static_cast<size_t>(std::ranges::count_if(fake.host.scripts, [](const std::string& script) {
            return script.starts_with("window.__pr2clip && window.__pr2clip.render(");
        }));
    }

    // The last snapshot handed to the page.
    std::string lastRender() const
    {
        for (auto script = fake.host.scripts.rbegin(); script != fake.host.scripts.rend(); ++script)
            if (script->starts_with("window.__pr2clip && window.__pr2clip.render("))
                return *script;
        return {};
    }

    Locations locations() const
    {
        return {home / "data", home / "config", std::filesystem::path(BRIMBLE_RESOURCES_DIR)};
    }
    Hub& make()
    {
        hub = std::make_shared<Hub>(fake.platform(), locations());
        fake.host.delegate = hub;
        return *hub;
    }
    Hub& launch()
    {
        make().applicationDidFinishLaunching();
        return *hub;
    }
    std::filesystem::path dataDir() const { return home / "data" / "Brimble"; }
};

} // namespace brimble::test
