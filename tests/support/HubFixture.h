#pragma once

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
