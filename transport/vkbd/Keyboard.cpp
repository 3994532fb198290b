#include "vkbd/Keyboard.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "vkbd/FactoryContent.h"
#include "vkbd/MacroArea.h"

namespace vkbd {

namespace {

sim::ControlReply Text(int code, std::string text) {
    if (!text.empty() && text.back() != '\n')
        text.push_back('\n');
    return {code, sim::ReplyKind::Text, {text.begin(), text.end()}};
}

sim::ControlReply Bytes(std::span<const uint8_t> bytes) {
    return {kExitDone, sim::ReplyKind::Bytes, {bytes.begin(), bytes.end()}};
}

std::optional<long> Number(const std::string& text, long low, long high) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

} // namespace

Keyboard::Keyboard(KeyboardMemory& memory, std::chrono::milliseconds latency, bool plugged)
    : memory_(memory), handler_(memory), latency_(latency), plugged_(plugged) {}

void Keyboard::Emit(Clock::time_point due, BusEvent event, uint64_t macroRun) {
    pending_.emplace(due, Pending{std::move(event), macroRun});
}

std::vector<BusEvent> Keyboard::TakeDue(Clock::time_point now) {
    std::vector<BusEvent> due;
    while (!pending_.empty() && pending_.begin()->first <= now) {
        Pending p = std::move(pending_.begin()->second);
        pending_.erase(pending_.begin());
        if (p.macroRun != 0) {
            if (p.macroRun != macroRun_)
                continue; // stopped before its end
            macroRun_ = 0;
        }
        due.push_back(std::move(p.event));
    }
    return due;
}

std::optional<Keyboard::Clock::time_point> Keyboard::NextDue() const {
    if (pending_.empty())
        return std::nullopt;
    return pending_.begin()->first;
}

void Keyboard::OutputReport(std::span<const uint8_t> report, Clock::time_point now, int host) {
    if (!plugged_)
        return;
    if (!report.empty() && report[0] == kCommandReportId) {
        Command(report, now, host);
        return;
    }
    const std::vector<std::string_view> broken = handler_.Check(report);
    Record(broken, report);
    if (!broken.empty() && !handler_.Lenient())
        return;
    if (!report.empty() && report[0] == kLedReportId && report.size() >= 2)
        ledFlags_ = report[1];
}

void Keyboard::Record(std::span<const std::string_view> rules, std::span<const uint8_t> report) {
    const auto head = report.first(std::min(report.size(), kViolationHeadBytes));
    for (const std::string_view r : rules) {
        violations_.Add(
            {std::string(r), {head.begin(), head.end()}, std::chrono::system_clock::now()});
        ++violationGeneration_;
    }
}

void Keyboard::SetViolations(ViolationLog log) {
    violations_ = std::move(log);
    ++violationGeneration_;
}

bool Keyboard::Retry(std::span<const uint8_t> report, Clock::time_point now) const {
    return (lastAnswerMissed_ || lastAnswerDue_ > now) &&
           std::equal(report.begin(), report.end(), lastCommand_.begin(), lastCommand_.end());
}

void Keyboard::HostGone(int host, Clock::time_point now) {
    (void)now;
    if (!plugged_ || !handler_.HostBracketOpen() || bracketHost_ != host)
        return;
    Record(std::array{rule::kBracketLeftOpen}, bracketBegin_);
    handler_.CloseHostBracket();
    bracketHost_.reset();
    if (!handler_.Lenient() && memory_.TransferOpen())
        memory_.DropTransfer();
}

void Keyboard::Command(std::span<const uint8_t> report, Clock::time_point now, int host) {
    ++commands_;
    if (faults_.vanishAfter) {
        if (*faults_.vanishAfter == 0) {
            // Gone in the middle of whatever the host was doing: this command is lost.
            faults_.vanishAfter.reset();
            if (faults_.vanishExits)
                exit_ = true;
            Unplug(now);
            return;
        }
        --*faults_.vanishAfter;
    }
    const bool retry = Retry(report, now);
    lastCommand_.assign(report.begin(), report.end());
    lastAnswerMissed_ = true;
    lastAnswerDue_ = now;
    Report request{};
    std::copy_n(report.begin(), std::min<size_t>(report.size(), request.size()), request.begin());
    const bool wasOpen = handler_.HostBracketOpen();
    const std::vector<std::string_view> broken = handler_.Check(report, retry);
    if (!wasOpen && handler_.HostBracketOpen()) {
        bracketHost_ = host;
        bracketBegin_.assign(report.begin(), report.end());
    }
    if (!handler_.HostBracketOpen())
        bracketHost_.reset();
    Record(broken, report);

    std::optional<Report> answer;
    const bool bootLoader = request[3] == kCmdBootLoader && request[4] == kCmdBootLoader;
    // A spared command is carried out and answered as usual.
    const bool spared = faults_.spare > 0;
    if (spared)
        --faults_.spare;
    if (!broken.empty() && !handler_.Lenient()) {
        answer = CommandHandler::RefusalOf(report, broken);
    } else if (!spared && !bootLoader && faults_.refuse > 0) {
        --faults_.refuse;
        answer = AnswerOf(request, kStatusRefused);
    } else if (!spared && !bootLoader && faults_.badChecksum > 0) {
        --faults_.badChecksum;
        answer = AnswerOf(request, kStatusBadChecksum);
    } else {
        const Outcome outcome = handler_.CarryOut(Corrupted(request));
        if (outcome.enterBootLoader) {
            Unplug(now);
            bootLoader_ = true;
            return;
        }
        answer = outcome.answer;
    }
    if (!answer)
        return;
    if (!spared && faults_.dropAnswers > 0) {
        --faults_.dropAnswers;
        ++answersDropped_;
        return;
    }
    auto delay = latency_;
    if (!spared && faults_.late > 0) {
        --faults_.late;
        delay += faults_.lateBy;
    }
    ++answers_;
    const uint8_t status = (*answer)[7];
    lastAnswerMissed_ = status == kStatusRefused || status == kStatusBadChecksum;
    lastAnswerDue_ = now + delay;
    Emit(now + delay, {BusEvent::Kind::Input, {answer->begin(), answer->end()}});
}

// A write that the corrupt fault picks is stored with its first data byte inverted, as a
// keyboard with a failing flash cell would keep it.
Report Keyboard::Corrupted(const Report& request) {
    const uint8_t code = request[3];
    const bool write = code == kCmdWriteParams || code == kCmdWriteKeyMap ||
                       code == kCmdWriteMacroArea || code == kCmdWriteKeyColours;
    if (!faults_.corruptAfter || !write || request[4] == 0)
        return request;
    if (*faults_.corruptAfter > 0) {
        --*faults_.corruptAfter;
        return request;
    }
    faults_.corruptAfter.reset();
    Report stored = request;
    stored[8] ^= 0xFF;
    Seal(stored); // carried out as if it had come so
    return stored;
}

void Keyboard::Consumer(uint16_t code, Clock::time_point now) {
    Emit(now, {BusEvent::Kind::Input,
               {kConsumerReportId, static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8)}});
}

void Keyboard::Unplug(Clock::time_point now) {
    if (!plugged_)
        return;
    plugged_ = false;
    // Nothing queued for the bus reaches it any more, and what was not permanent is lost.
    pending_.clear();
    macroRun_ = 0;
    ledFlags_ = 0;
    memory_.PowerCycle();
    handler_.Forget();
    bracketHost_.reset();
    lastCommand_.clear();
    Emit(now, {BusEvent::Kind::Unplugged, {}});
}

void Keyboard::Plug(Clock::time_point now) {
    if (plugged_)
        return;
    plugged_ = true;
    bootLoader_ = false;
    Emit(now, {BusEvent::Kind::Plugged, {}});
}

std::string Keyboard::Status() const {
    const MemoryImage& flash = memory_.Flash();
    std::string text;
    text += std::string("plugged: ") +
            (plugged_      ? "yes"
             : bootLoader_ ? "no (in the boot loader)"
                           : "no") +
            "\n";
    text += "hosts connected: " + std::to_string(hosts_) + "\n";
    text +=
        "active profile: " + std::to_string(memory_.Working().config[kConfigActiveProfile]) + "\n";
    text += std::string("layer: ") + ((ledFlags_ & 1) ? "B" : "A") + " (LED flags " +
            Hex2(ledFlags_) + ")\n";
    text += "macro space: " + std::to_string(flash.MacroSpace()) + " bytes\n";
    text += std::string("transfer open: ") + (memory_.TransferOpen() ? "yes" : "no") + "\n";
    text += "macro playing: " +
            (macroRun_ ? "position " + std::to_string(macroPosition_) : std::string("no")) + "\n";
    text += "commands received: " + std::to_string(commands_) + "\n";
    text += "answers sent: " + std::to_string(answers_) + "\n";
    text += "answers dropped: " + std::to_string(answersDropped_) + "\n";
    text += "faults: " + faults_.Describe() + "\n";
    text += std::string("rules: ") + (handler_.Lenient() ? "lenient" : "strict") + "\n";
    text +=
        "violations: " + std::to_string(violations_.entries.size() + violations_.forgotten) + "\n";
    return text;
}

sim::ControlReply Keyboard::Dump(const std::vector<std::string>& args) const {
    if (args.size() < 2)
        return Text(kExitUsage,
                    "dump: which memory? (config, params, lighting0-2, keymaps, keymap0-2, "
                    "default-layout, keycolours, macros, led)");
    bool working = false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--working")
            working = true;
        else
            return Text(kExitUsage, "dump: unknown option " + args[i]);
    }
    const MemoryImage& image = working ? memory_.Working() : memory_.Flash();
    const std::string& what = args[1];
    const auto page = [&](const std::string& prefix, Region region, uint32_t size,
                          uint32_t count) -> std::optional<std::span<const uint8_t>> {
        if (what.size() != prefix.size() + 1 || what.compare(0, prefix.size(), prefix) != 0)
            return std::nullopt;
        const int n = what.back() - '0';
        if (n < 0 || static_cast<uint32_t>(n) >= count)
            return std::nullopt;
        return RegionBytes(image, region).subspan(n * size, size);
    };
    if (what == "config")
        return Bytes(image.config);
    if (what == "params")
        return Bytes(image.params);
    if (what == "keymaps")
        return Bytes(image.keyMaps);
    if (what == "default-layout")
        return Bytes(DefaultLayout());
    if (what == "keycolours")
        return Bytes(image.keyColours);
    if (what == "macros")
        return Bytes(RegionBytes(image, Region::MacroArea));
    if (what == "led") {
        const uint8_t led[2] = {kLedReportId, ledFlags_};
        return Bytes(led);
    }
    if (const auto bytes = page("keymap", Region::KeyMaps, kKeyMapSize, kKeyMapPages))
        return Bytes(*bytes);
    if (const auto bytes = page("lighting", Region::Params, kLightingRecordSize, kKeyMapPages))
        return Bytes(*bytes);
    return Text(kExitUsage, "dump: no memory called \"" + what + "\"");
}

sim::ControlReply Keyboard::Fault(const std::vector<std::string>& args) {
    const std::string what = args.size() > 1 ? args[1] : "";
    if (what == "clear" && args.size() == 2) {
        faults_ = {};
        return Text(kExitDone, "faults cleared");
    }
    const std::optional<long> parsed = args.size() > 2 ? Number(args[2], 0, 1000000) : std::nullopt;
    const bool n = parsed.has_value();
    const long value = parsed.value_or(0);
    if (what == "drop" && n && args.size() == 3) {
        faults_.dropAnswers = static_cast<int>(value);
        return Text(kExitDone,
                    "the answers to the next " + args[2] + " command(s) will be dropped");
    }
    if (what == "refuse" && n && args.size() == 3) {
        faults_.refuse = static_cast<int>(value);
        return Text(kExitDone,
                    "the next " + args[2] + " command(s) will be answered with status 0xFF");
    }
    if (what == "bad-checksum" && n && args.size() == 3) {
        faults_.badChecksum = static_cast<int>(value);
        return Text(kExitDone,
                    "the next " + args[2] + " command(s) will be answered with status 0xFE");
    }
    if (what == "late" && n && (args.size() == 3 || args.size() == 4)) {
        const std::optional<long> count = args.size() == 4 ? Number(args[3], 0, 1000000) : 1L;
        if (!count)
            return Text(kExitUsage, "fault late: the count must be a number");
        faults_.late = static_cast<int>(*count);
        faults_.lateBy = std::chrono::milliseconds(value);
        return Text(kExitDone, "the next " + std::to_string(*count) + " answer(s) will come " +
                                   args[2] + " ms late");
    }
    if (what == "after" && n && args.size() == 3) {
        faults_.spare = static_cast<int>(value);
        return Text(kExitDone, "drop, refuse, bad-checksum and late faults begin after " + args[2] +
                                   " more command(s)");
    }
    if (what == "vanish-after" && n &&
        (args.size() == 3 || (args.size() == 4 && args[3] == "--exit"))) {
        faults_.vanishAfter = static_cast<int>(value);
        faults_.vanishExits = args.size() == 4;
        return Text(kExitDone, std::string("the keyboard will ") +
                                   (faults_.vanishExits ? "end its process" : "leave the bus") +
                                   " after " + args[2] + " more command(s)");
    }
    if (what == "corrupt" && (args.size() == 2 || (n && args.size() == 3))) {
        faults_.corruptAfter = static_cast<int>(value);
        return Text(kExitDone, "the write after " + std::to_string(value) +
                                   " more write(s) will keep one byte wrong");
    }
    return Text(kExitUsage, "fault: use drop N, refuse N, bad-checksum N, late MS [N], "
                            "after N, vanish-after N [--exit], corrupt [N] or clear");
}

sim::ControlReply Keyboard::PlayMacro(const std::vector<std::string>& args, Clock::time_point now) {
    if (args.size() > 2)
        return Text(kExitUsage, "play-macro: at most one position");
    const std::optional<long> position = args.size() == 2 ? Number(args[1], 0, 65535) : 0L;
    if (!position)
        return Text(kExitUsage, "play-macro: the position must be a number from 0");
    if (!plugged_)
        return Text(kExitRefused, "the keyboard is unplugged");
    if (macroRun_)
        return Text(kExitRefused,
                    "macro " + std::to_string(macroPosition_) + " is playing; stop it first");
    std::string error;
    const auto macro = MacroAt(RegionBytes(memory_.Working(), Region::MacroArea),
                               static_cast<uint32_t>(*position), &error);
    if (!macro)
        return Text(kExitRefused, error);
    macroRun_ = nextRun_++;
    macroPosition_ = static_cast<uint32_t>(*position);
    Consumer(kCodeMacroStarted, now);
    Emit(now + std::chrono::milliseconds(macro->durationMs),
         {BusEvent::Kind::Input,
          {kConsumerReportId, static_cast<uint8_t>(kCodeMacroStopped),
           static_cast<uint8_t>(kCodeMacroStopped >> 8)}},
         macroRun_);
    return Text(kExitDone, "playing macro " + std::to_string(*position) + ": " +
                               std::to_string(macro->actions) + " action(s), " +
                               std::to_string(macro->cycles) + " cycle(s), " +
                               std::to_string(macro->durationMs) + " ms");
}

sim::ControlReply Keyboard::StopMacro(Clock::time_point now) {
    if (!macroRun_)
        return Text(kExitRefused, "no macro is playing");
    macroRun_ = 0;
    Consumer(kCodeMacroStopped, now);
    return Text(kExitDone, "stopped macro " + std::to_string(macroPosition_));
}

sim::ControlReply Keyboard::ViolationsCommand(const std::vector<std::string>& args) {
    if (args.size() == 2 && args[1] == "clear") {
        const uint64_t count = violations_.entries.size() + violations_.forgotten;
        violations_ = {};
        ++violationGeneration_;
        return Text(kExitDone, "cleared " + std::to_string(count) + " violation(s)");
    }
    if (args.size() != 1)
        return Text(kExitUsage, "violations: use it alone, or violations clear");
    if (violations_.Empty())
        return Text(kExitDone, "");
    return Text(kExitViolations, ListViolations(violations_));
}

sim::ControlReply Keyboard::Control(const std::vector<std::string>& args, Clock::time_point now) {
    const std::string command = args.empty() ? "" : args[0];
    const bool bare = args.size() == 1;
    if (command == "status" && bare)
        return Text(kExitDone, Status());
    if ((command == "layer-key" || command == "lighting-changed") && bare) {
        if (!plugged_)
            return Text(kExitRefused, "the keyboard is unplugged");
        const bool layer = command == "layer-key";
        Consumer(layer ? kCodeLayerKey : kCodeLightingChanged, now);
        return Text(kExitDone, layer ? "pressed the layer key (0x02FF)"
                                     : "reported a lighting change (0x0401)");
    }
    if (command == "play-macro")
        return PlayMacro(args, now);
    if (command == "stop-macro" && bare)
        return StopMacro(now);
    if (command == "unplug" && bare) {
        if (!plugged_)
            return Text(kExitRefused, "the keyboard is already unplugged");
        Unplug(now);
        return Text(kExitDone, "unplugged");
    }
    if (command == "plug" && bare) {
        if (plugged_)
            return Text(kExitRefused, "the keyboard is already plugged in");
        Plug(now);
        return Text(kExitDone, "plugged in");
    }
    if (command == "leave-bootloader" && bare) {
        // What an updater does when it has finished: the firmware starts again, and the
        // keyboard comes back with what its permanent memory holds.
        if (!bootLoader_)
            return Text(kExitRefused, "the keyboard is not in its boot loader");
        Plug(now);
        return Text(kExitDone, "left the boot loader, plugged in");
    }
    if (command == "dump")
        return Dump(args);
    if (command == "fault")
        return Fault(args);
    if (command == "violations")
        return ViolationsCommand(args);
    if (command == "quit" && bare) {
        quit_ = true;
        return Text(kExitDone, "stopping");
    }
    return Text(kExitUsage, "unknown command \"" + command + "\" (see olvask-vkbd --help)");
}

} // namespace vkbd
