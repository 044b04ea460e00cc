#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "about/ShoutStage.h"
#include "platform/fake/FakePlatform.h"

namespace brimble::test {

// A shout stage that writes down what it is asked to show, with the time since `origin`.
class ShoutRecorder final : public ShoutStage {
public:
    explicit ShoutRecorder(FakeClock& clock) : clock_(clock), origin_(clock.time) {}

    std::vector<std::string> lines;

    void popWord(int index) override { add("pop " + std::to_string(index)); }
    void fadeWords(double seconds) override { add("fade words " + number(seconds)); }
    void setFact(const std::string& text) override { add("fact " + text); }
    void fadeFact(double alpha, double seconds) override
    {
        add("fade fact to " + number(alpha) + " over " + number(seconds));
    }
    void hideAll() override { add("hide all"); }

private:
    static std::string number(double value)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value);
        return text;
    }
    void add(const std::string& what)
    {
        char when[32];
        std::snprintf(when, sizeof when, "%.2f ", clock_.time - origin_);
        lines.push_back(when + what);
    }

    FakeClock& clock_;
    double origin_;
};

} // namespace brimble::test
