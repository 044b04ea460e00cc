#include "app/SyncLink.h"

#include "history/ClipboardStore.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/MainLoop.h"
#include "sessions/SessionStore.h"
#include "settings/Settings.h"
#include "sync/SyncFolder.h"

namespace brimble {
namespace {

// Notices come in bursts as a file-sync tool writes a file: they are gathered this long.
constexpr double gatherSeconds = 0.2;
// The look that needs no notice: a folder gone or back, a notice missed.
constexpr double pollSeconds = 5;

} // namespace

SyncLink::SyncLink(ClipboardStore& clips, SessionStore& sessions, Defaults& defaults, MainLoop& loop, Clock& clock,
                   std::filesystem::path dataFolder, std::function<void()> changedByOthers)
    : clips_(clips)
    , sessions_(sessions)
    , defaults_(defaults)
    , loop_(loop)
    , clock_(clock)
    , dataFolder_(std::move(dataFolder))
    , changedByOthers_(std::move(changedByOthers))
{
}

SyncLink::~SyncLink() = default;

SyncScope SyncLink::scope() const
{
    SyncScope scope;
    scope.device = device_.value_or(std::string());
    scope.defaultSessionId = sessions_.sessions.empty() ? std::string() : sessions_.sessions.front().id;
    for (const std::string& id : syncLocalSessionsSetting(defaults_))
        if (id != scope.defaultSessionId)
            scope.localSessions.insert(id);
    return scope;
}

void SyncLink::applySetting()
{
    const std::optional<std::filesystem::path> folder = syncFolderSetting(defaults_);
    if (sync_ && folder && sync_->folder() == *folder)
        return;
    watch_.reset();
    sync_.reset();
    life_.reset();
    readScheduled_ = false;
    if (!folder || sessions_.sessions.empty())
        return;
    if (!device_)
        device_ = SyncFolder::loadOrMakeDeviceId(dataFolder_);
    if (!device_)
        return;
    sync_ = std::make_unique<Sync>(*folder, *device_);
    life_ = std::make_shared<int>(0);
    readNow();
    schedulePoll();
}

void SyncLink::localChanged()
{
    if (sync_)
        sync_->recordLocal(clips_, sessions_, scope(), clock_.now());
}

void SyncLink::limitedOut(const std::string& id)
{
    if (sync_)
        sync_->limitedOut(id);
}

void SyncLink::readNow()
{
    readScheduled_ = false;
    if (!sync_)
        return;
    const SyncHealth before = sync_->status().health;
    const ViewChange change = sync_->readIncoming(clips_, sessions_, scope(), clock_.now(),
                                                  static_cast<size_t>(historyLimitSetting(defaults_)));
    const SyncHealth after = sync_->status().health;
    if (after == SyncHealth::FolderMissing) {
        watch_.reset();
    } else if (!watch_) {
        watch_ = std::make_unique<SyncWatch>(sync_->folder(), [this] { scheduleRead(gatherSeconds); });
    } else {
        watch_->refresh();
    }
    if (change.any() || before != after)
        changedByOthers_();
}

void SyncLink::scheduleRead(double delay)
{
    if (readScheduled_ || !life_)
        return;
    readScheduled_ = true;
    loop_.runLater(delay, [this, weak = std::weak_ptr<int>(life_)] {
        if (weak.lock())
            readNow();
    });
}

void SyncLink::schedulePoll()
{
    loop_.runLater(pollSeconds, [this, weak = std::weak_ptr<int>(life_)] {
        if (!weak.lock())
            return;
        readNow();
        schedulePoll();
    });
}

std::optional<SyncState> SyncLink::state() const
{
    if (!defaults_.stringValue(Def::syncFolder).value_or(std::string()).empty() && !sync_)
        return SyncState{SyncHealth::FolderMissing, 0, defaults_.stringValue(Def::syncFolder).value_or("")};
    if (!sync_)
        return std::nullopt;
    return SyncState{sync_->status().health, sync_->status().lastArrival, sync_->folder().string()};
}

} // namespace brimble
