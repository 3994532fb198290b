#pragma once

// The request/response exchange of 64-byte reports over one shared slot.

#include <chrono>
#include <cstdint>
#include <span>

namespace device {

inline constexpr uint32_t kReportSize = 64;
inline constexpr int kExchangeAttempts = 3;

// Exchange results.
inline constexpr int32_t kExchangeDone = 1;
inline constexpr int32_t kExchangeNoKeyboard = 0; // also: waiting failed
inline constexpr int32_t kExchangeWriteRefused = -1;
inline constexpr int32_t kExchangeNoAnswer = -2;

// The exchange's time constants; tests shorten them.
struct ExchangeTiming {
    std::chrono::milliseconds answerTimeout{1000};
    std::chrono::milliseconds retryPause{10};
    std::chrono::milliseconds takeOverPause{1001};
    std::chrono::milliseconds endTransferDelay{10};
};
ExchangeTiming& ExchangeTimes();

// Clears the busy flag and the answer event; done once when the device link opens.
void PrepareExchange();

// Sends one request (padded with zeros or cut to 64 bytes) and waits for the answer whose
// byte 3 matches, with up to three attempts. *answerLength is 0 unless the result is 1.
// When an earlier exchange left requests unanswered (its attempts timed out), it first
// waits for their late answers and drops them, for at most four answer time-outs after the
// last of them was sent; an answer later than that is taken as lost.
int32_t ExchangeReport(std::span<const uint8_t> request, std::span<uint8_t> answer,
                       uint32_t* answerLength);

// Sends one report without waiting; returns the library's result unchanged.
int32_t SendReport(std::span<const uint8_t> report);

// Called by the transport callback for every control-channel report: copied into the
// waiting exchange's buffer (cut to its capacity) only while an exchange waits.
void DeliverAnswer(std::span<const uint8_t> report);

bool ExchangeBusy();

} // namespace device
