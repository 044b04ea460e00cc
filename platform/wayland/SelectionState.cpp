#include "platform/wayland/SelectionState.h"

#include <utility>

#include "platform/wayland/OfferedTypes.h"

namespace brimble::wayland {

SelectionState::SelectionState(std::string ownMarker) : ownMarker_(std::move(ownMarker)) {}

SelectionState::Next SelectionState::announce(const std::optional<std::vector<std::string>>& mimeTypes,
                                              Baseline baseline)
{
    // Whatever was being read belongs to a selection that is gone. It still counts as a change:
    // the tick must learn that the clipboard held something it never saw, or it would take the
    // copy before that one for what an owner quitting now left behind.
    ++generation_;
    if (std::exchange(reading_, false))
        ++count_;
    if (baseline == Baseline::Yes) {
        ownerless_ = !mimeTypes;
        content_ = ClipboardContent{mimeTypes.value_or(std::vector<std::string>{})};
        return Next::Nothing;
    }
    if (!mimeTypes) {
        // The owner quit or let go: an empty clipboard is a change the keep-alive answers.
        ownerless_ = true;
        content_ = {};
        ++count_;
        return Next::Tick;
    }
    if (isOwnOffer(*mimeTypes, ownMarker_)) {
        // The echo of a write counted when it was made.
        ownerless_ = false;
        return Next::Nothing;
    }
    reading_ = true;
    return Next::Read;
}

bool SelectionState::finishReading(uint64_t generation, ClipboardContent content)
{
    if (!reading_ || generation != generation_)
        return false;
    reading_ = false;
    ownerless_ = false;
    content_ = std::move(content);
    ++count_;
    return true;
}

void SelectionState::wroteOwn(ClipboardContent content)
{
    // Reads still running for an earlier selection would otherwise land over our own content.
    ++generation_;
    if (std::exchange(reading_, false))
        ++count_;
    ownerless_ = false;
    content_ = std::move(content);
    ++count_;
}

std::set<std::string> SelectionState::types() const
{
    return typesForOffer(content_.mimeTypes, ownMarker_);
}

} // namespace brimble::wayland
