#include "about/AboutShout.h"

#include "about/AboutTexts.h"

namespace brimble {

AboutShout::AboutShout(MainLoop& loop, ShoutStage& stage)
    : state_(std::make_shared<State>(State{loop, stage}))
{
}

void AboutShout::shout()
{
    if (state_->shouting) {
        return;
    }
    state_->shouting = true;
    std::weak_ptr<State> weak = state_;
    for (int i = 0; i < static_cast<int>(shoutWords.size()); ++i) {
        state_->loop.runLater(firstPopDelay + popInterval * i, [weak, i] {
            if (auto state = weak.lock()) {
                state->stage.popWord(i);
            }
        });
    }
    state_->loop.runLater(wordsFadeDelay, [weak] {
        auto state = weak.lock();
        if (!state) {
            return;
        }
        state->stage.fadeWords(wordsFadeSeconds);
        // The fade's end is its completion: the words are gone when the next fact comes.
        state->loop.runLater(wordsFadeSeconds, [weak] { wordsFaded(weak); });
    });
}

void AboutShout::wordsFaded(const std::weak_ptr<State>& weak)
{
    auto state = weak.lock();
    if (!state) {
        return;
    }
    state->shouting = false;
    state->stage.setFact(tr(funFacts[state->factIndex % funFacts.size()]));
    state->factIndex += 1;
    state->stage.fadeFact(1.0, factFadeInSeconds);
    state->loop.runLater(factFadeInSeconds + factHoldSeconds, [weak] {
        if (auto held = weak.lock()) {
            held->stage.fadeFact(0.0, factFadeOutSeconds);
        }
    });
}

void AboutShout::dismiss()
{
    state_->stage.hideAll();
}

} // namespace brimble
