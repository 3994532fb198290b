#pragma once

// Counts the heap memory that the test program takes through operator new, and refuses any
// single request above a ceiling, so that a test can bound what one call allocates and a
// regression cannot take the machine's memory. Link AllocationMeter.cpp into the program.

#include <cstddef>

namespace allocation {

// Starts a measurement: the peak is counted from the memory in use now.
void StartMeasuring();
// The most memory in use at once since StartMeasuring, above what was in use then.
size_t PeakSinceStart();
// The largest single request since StartMeasuring, granted or refused.
size_t LargestRequestSinceStart();

// Requests above this many bytes fail as if memory were short (0: no ceiling).
void SetCeiling(size_t bytes);

// A ceiling for one scope.
class Ceiling {
public:
    explicit Ceiling(size_t bytes) { SetCeiling(bytes); }
    ~Ceiling() { SetCeiling(0); }
    Ceiling(const Ceiling&) = delete;
    Ceiling& operator=(const Ceiling&) = delete;
};

} // namespace allocation
