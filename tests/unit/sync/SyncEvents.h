#pragma once

#include <string>
#include <vector>

#include "common/Uuid.h"
#include "sync/SyncEvent.h"

namespace brimble::test {

// Short constructors for journal events in tests.
inline SyncEvent syncEvent(const std::string& device, double ts, SyncKind kind, std::vector<std::string> ids)
{
    SyncEvent event;
    event.eventId = newUuid();
    event.device = device;
    event.ts = ts;
    event.kind = kind;
    event.ids = std::move(ids);
    return event;
}

inline SyncEvent addedText(const std::string& device, double ts, const std::string& id, const std::string& text)
{
    SyncEvent event = syncEvent(device, ts, SyncKind::Added, {id});
    event.text = text;
    event.session = std::string(defaultSessionToken);
    return event;
}

} // namespace brimble::test
