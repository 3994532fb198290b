#pragma once

// Misbehaviour the virtual keyboard can be told to show, each for a number of commands.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vkbd {

struct Faults {
    int dropAnswers = 0; // carried out, answer lost
    int refuse = 0;      // answered with status 0xFF, not carried out
    int badChecksum = 0; // answered with status 0xFE, not carried out
    int late = 0;        // answered lateBy later than usual
    std::chrono::milliseconds lateBy{0};
    int spare = 0;                  // commands still passed untouched by the four faults above
    std::optional<int> vanishAfter; // commands still answered before the keyboard goes
    bool vanishExits = false;       // going means the process ends, not leaving the bus
    // Write commands still stored whole before one keeps its first data byte inverted while
    // its answer says all is well.
    std::optional<int> corruptAfter;

    bool Any() const {
        return dropAnswers || refuse || badChecksum || late || vanishAfter.has_value() ||
               corruptAfter.has_value();
    }
    std::string Describe() const;
};

} // namespace vkbd
