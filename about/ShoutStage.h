#pragma once

#include <string>

namespace brimble {

// What the About window draws for a shout: the four shout words and the fun-fact line. The window
// implements it; `AboutShout` decides when each of these happens.
class ShoutStage {
public:
    ShoutStage() = default;
    ShoutStage(const ShoutStage&) = delete;
    ShoutStage& operator=(const ShoutStage&) = delete;
    virtual ~ShoutStage() = default;

    // Makes the word at `index` (0 to 3) opaque and plays its pop.
    virtual void popWord(int index) = 0;
    // Fades every shout word to transparent over `seconds`.
    virtual void fadeWords(double seconds) = 0;
    // Puts `text` into the fun-fact line without changing its opacity.
    virtual void setFact(const std::string& text) = 0;
    // Fades the fun-fact line to `alpha` over `seconds`.
    virtual void fadeFact(double alpha, double seconds) = 0;
    // Makes every shout word and the fun-fact line transparent at once.
    virtual void hideAll() = 0;
};

} // namespace brimble
