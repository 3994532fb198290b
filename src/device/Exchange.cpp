#include "device/Exchange.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "device/AutoResetEvent.h"
#include "device/Transport.h"

namespace device {

namespace {

using Clock = std::chrono::steady_clock;

// The one exchange slot. The busy flag is the only interlock between exchanging threads;
// the mutex only makes the callback's copy and the exchanger's reads of the answer buffer
// atomic with respect to each other, so a late answer never lands in a buffer whose
// exchange has already returned.
//
// Answers carry nothing but the command code that ties them to their request, so an answer
// to an attempt that timed out looks like the answer to the next request with the same
// code; taken for it, every chunk of a transfer would hold its predecessor's bytes. The
// slot therefore counts the requests sent and not yet answered. Within one exchange every
// attempt sends the same bytes, so whichever of its answers comes first is a right one. A
// new exchange first waits until the answers still owed by earlier ones have come (and
// drops them) or are taken as lost.
struct ExchangeSlot {
    std::atomic<int32_t> busy{0};
    AutoResetEvent answerEvent;
    std::mutex mutex;
    uint8_t* buffer = nullptr;
    uint32_t capacity = 0;
    uint32_t received = 0;
    uint32_t unanswered = 0;
    Clock::time_point lastSent{};
    std::condition_variable answered;
};

ExchangeSlot g_slot;
ExchangeTiming g_timing;

using Padded = std::array<uint8_t, kReportSize>;

Padded Pad(std::span<const uint8_t> bytes) {
    Padded padded{};
    if (!bytes.empty())
        std::memcpy(padded.data(), bytes.data(), std::min<size_t>(bytes.size(), kReportSize));
    return padded;
}

void ClearBusy() {
    std::lock_guard lock(g_slot.mutex);
    g_slot.busy = 0;
    g_slot.buffer = nullptr;
    g_slot.capacity = 0;
}

// How long after its sending an unanswered request is taken as lost: past the three
// attempts an exchange may spend on it, so that the late answers of an exchange that failed
// are still recognised by the next one.
Clock::duration LostAfter() {
    return (kExchangeAttempts + 1) * g_timing.answerTimeout;
}

// Before the first request of an exchange: nothing may still be owed when it is sent, or
// its answer could not be told from the late one. Skipped while another thread's exchange
// holds the slot: its answer is its own, and the take-over rule decides.
void WaitForOwedAnswers() {
    std::unique_lock lock(g_slot.mutex);
    while (g_slot.unanswered > 0 && g_slot.busy.load() == 0) {
        const Clock::time_point lost = g_slot.lastSent + LostAfter();
        if (Clock::now() >= lost) {
            g_slot.unanswered = 0;
            break;
        }
        g_slot.answered.wait_until(lock, lost);
    }
}

} // namespace

ExchangeTiming& ExchangeTimes() {
    return g_timing;
}

void PrepareExchange() {
    ClearBusy();
    g_slot.answerEvent.Reset();
}

bool ExchangeBusy() {
    return g_slot.busy.load() != 0;
}

void DeliverAnswer(std::span<const uint8_t> report) {
    {
        std::lock_guard lock(g_slot.mutex);
        if (g_slot.unanswered > 0) {
            --g_slot.unanswered;
            g_slot.answered.notify_all();
        }
        if (g_slot.busy.load() == 0 || g_slot.buffer == nullptr)
            return; // nobody waits: dropped
        const uint32_t n =
            std::min<uint32_t>(static_cast<uint32_t>(report.size()), g_slot.capacity);
        std::memcpy(g_slot.buffer, report.data(), n);
        g_slot.received = n;
    }
    g_slot.answerEvent.Set();
}

int32_t ExchangeReport(std::span<const uint8_t> request, std::span<uint8_t> answer,
                       uint32_t* answerLength) {
    if (answerLength)
        *answerLength = 0;
    if (GetDeviceCount() == 0) {
        ClearBusy();
        return kExchangeNoKeyboard;
    }
    const Padded padded = Pad(request);
    const uint32_t checksum = CallChecksum(kCommandUnit, nullptr, 0, padded);
    const uint8_t code = request.size() > 3 ? request[3] : 0;
    WaitForOwedAnswers();

    int attempts = 0;
    for (;;) {
        if (g_slot.busy.load() != 0) {
            // Another thread's exchange holds the slot: wait out one attempt, then take over.
            std::this_thread::sleep_for(g_timing.takeOverPause);
            g_slot.busy = 0;
        }
        {
            std::lock_guard lock(g_slot.mutex);
            g_slot.buffer = answer.data();
            g_slot.capacity = static_cast<uint32_t>(answer.size());
            g_slot.received = 0;
            g_slot.answerEvent.Reset();
            g_slot.busy = 1;
            // Counted before it goes: the answer may come before the write call returns.
            ++g_slot.unanswered;
            g_slot.lastSent = Clock::now();
        }
        const int32_t written = Transport().RequestWriteOne(
            &kCommandUnit, nullptr, 0, padded.data(), kReportSize, checksum, nullptr);
        if (written <= 0) {
            {
                std::lock_guard lock(g_slot.mutex);
                if (g_slot.unanswered > 0)
                    --g_slot.unanswered; // nothing went out
            }
            ClearBusy();
            return kExchangeWriteRefused;
        }

        bool retry = false;
        if (g_slot.answerEvent.Wait(g_timing.answerTimeout) ==
            AutoResetEvent::WaitResult::TimedOut) {
            retry = true;
        } else {
            std::lock_guard lock(g_slot.mutex);
            const uint32_t got = g_slot.received;
            const bool matches = got > 3 && answer[3] == code;
            if (!matches) {
                retry = true;
            } else if (got > 7 && (answer[7] == 0xFF || answer[7] == 0xFE) &&
                       attempts + 1 < kExchangeAttempts) {
                retry = true;
            } else {
                // Accepted, or refused on the last attempt: the caller reads the refusal code.
                if (answerLength)
                    *answerLength = got;
                g_slot.busy = 0;
                g_slot.buffer = nullptr;
                g_slot.capacity = 0;
                return kExchangeDone;
            }
        }
        if (retry) {
            ++attempts;
            if (attempts >= kExchangeAttempts) {
                ClearBusy();
                return kExchangeNoAnswer;
            }
            ClearBusy();
            std::this_thread::sleep_for(g_timing.retryPause);
        }
    }
}

int32_t SendReport(std::span<const uint8_t> report) {
    if (!TransportBound())
        return 0;
    const Padded padded = Pad(report);
    const uint32_t checksum = CallChecksum(kCommandUnit, nullptr, 0, padded);
    return Transport().RequestWriteOne(&kCommandUnit, nullptr, 0, padded.data(), kReportSize,
                                       checksum, nullptr);
}

} // namespace device
