#pragma once

// The virtual keyboard apart from its socket: memories and firmware, the bus, the keys that
// speak to the program, macro playback, faults, and the control commands. Time is passed
// in, and what the keyboard puts on the bus is taken out when due, so the whole behaviour
// runs without sockets or real waiting.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/SimProtocol.h"
#include "vkbd/CommandHandler.h"
#include "vkbd/Faults.h"
#include "vkbd/Memory.h"
#include "vkbd/Violations.h"

namespace vkbd {

namespace sim = olvask::sim;

inline constexpr uint16_t kCodeLayerKey = 0x02FF;
inline constexpr uint16_t kCodeLightingChanged = 0x0401;
inline constexpr uint16_t kCodeMacroStopped = 0x1810;
inline constexpr uint16_t kCodeMacroStarted = 0x1811;

// Control command results, also the command line's exit codes.
inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitUnreachable = 3;
// The violations command: breaches were recorded (and are listed).
inline constexpr int kExitViolations = 4;

struct BusEvent {
    enum class Kind { Plugged, Unplugged, Input };
    Kind kind;
    std::vector<uint8_t> report; // Input: byte 0 = report id
};

class Keyboard {
public:
    using Clock = std::chrono::steady_clock;

    Keyboard(KeyboardMemory& memory, std::chrono::milliseconds latency, bool plugged);

    // An output report from a host (byte 0 = report id). Ignored while off the bus. Every
    // report is judged against the command set; a breach is recorded and, unless the
    // keyboard is lenient, refused.
    void OutputReport(std::span<const uint8_t> report, Clock::time_point now, int host = 0);
    // The host's connection is gone: a transfer it left open is a breach, and what it wrote
    // there is dropped (lenient: the transfer stays open, as before).
    void HostGone(int host, Clock::time_point now);
    void SetLenient(bool lenient) { handler_.SetLenient(lenient); }

    const ViolationLog& Violations() const { return violations_; }
    // Taken from the state file at start.
    void SetViolations(ViolationLog log);
    // Changes whenever the list does, so that the owner knows when to save.
    uint64_t ViolationGeneration() const { return violationGeneration_; }
    sim::ControlReply Control(const std::vector<std::string>& args, Clock::time_point now);

    // What is due by now, in order: bus changes and input reports.
    std::vector<BusEvent> TakeDue(Clock::time_point now);
    std::optional<Clock::time_point> NextDue() const;

    bool Plugged() const { return plugged_; }
    bool QuitRequested() const { return quit_; }
    // A vanishing fault that ends the process has struck.
    bool ExitRequested() const { return exit_; }
    void SetHostCount(size_t hosts) { hosts_ = hosts; }
    uint8_t LedFlags() const { return ledFlags_; }
    uint64_t CommandsReceived() const { return commands_; }
    uint64_t AnswersSent() const { return answers_; }

private:
    struct Pending {
        BusEvent event;
        uint64_t macroRun = 0; // the end of a macro playback, cancelled by stop-macro
    };

    void Command(std::span<const uint8_t> report, Clock::time_point now, int host);
    void Record(std::span<const std::string_view> rules, std::span<const uint8_t> report);
    bool Retry(std::span<const uint8_t> report, Clock::time_point now) const;
    sim::ControlReply ViolationsCommand(const std::vector<std::string>& args);
    void Emit(Clock::time_point due, BusEvent event, uint64_t macroRun = 0);
    void Consumer(uint16_t code, Clock::time_point now);
    void Unplug(Clock::time_point now);
    void Plug(Clock::time_point now);
    std::string Status() const;
    sim::ControlReply Dump(const std::vector<std::string>& args) const;
    sim::ControlReply Fault(const std::vector<std::string>& args);
    Report Corrupted(const Report& request);
    sim::ControlReply PlayMacro(const std::vector<std::string>& args, Clock::time_point now);
    sim::ControlReply StopMacro(Clock::time_point now);

    KeyboardMemory& memory_;
    CommandHandler handler_;
    std::chrono::milliseconds latency_;
    bool plugged_;
    bool bootLoader_ = false;
    bool quit_ = false;
    bool exit_ = false;
    uint8_t ledFlags_ = 0;
    size_t hosts_ = 0;
    uint64_t commands_ = 0;
    uint64_t answers_ = 0;
    uint64_t answersDropped_ = 0;
    Faults faults_;
    std::multimap<Clock::time_point, Pending> pending_;
    uint64_t macroRun_ = 0; // the playback under way, 0 for none
    uint64_t nextRun_ = 1;
    uint32_t macroPosition_ = 0;
    ViolationLog violations_;
    uint64_t violationGeneration_ = 0;
    std::optional<int> bracketHost_;    // who began the open transfer
    std::vector<uint8_t> bracketBegin_; // and the report that began it
    // The last command and what became of its answer, to tell the exchange's retry of a
    // command whose answer it missed from a command sent twice.
    std::vector<uint8_t> lastCommand_;
    bool lastAnswerMissed_ = false; // dropped, refused, or not received
    Clock::time_point lastAnswerDue_{};
};

} // namespace vkbd
