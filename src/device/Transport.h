#pragma once

// The program's side of the transport library: binding, channels, LedStatus, call checksum.

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>

#include <olvask/olvask.h>

namespace device {

class TransportEvents;

static_assert(sizeof(OlvaskUnitDescriptor) == 16);

inline constexpr uint32_t kSelectorFlags = 0x0000000F;
inline constexpr uint16_t kVendorId = 0x0C45;
inline constexpr uint16_t kProductId = 0x6515;

// Unit codes: four characters read from the most significant byte down.
inline constexpr uint32_t kUnitLed = 0x004C4544;      // "LED"
inline constexpr uint32_t kUnitConsumer = 0x434F4E53; // "CONS"
inline constexpr uint32_t kUnitControl = 0x4354524C;  // "CTRL"

inline constexpr OlvaskUnitDescriptor kLedUnit{kSelectorFlags, kVendorId, kProductId,
                                               0x0008,         0x0089,    0};
inline constexpr OlvaskUnitDescriptor kConsumerUnit{kSelectorFlags, kVendorId, kProductId,
                                                    0x000C,         0x0001,    0};
inline constexpr OlvaskUnitDescriptor kControlUnit{kSelectorFlags, kVendorId, kProductId,
                                                   0xFF1C,         0x0092,    0};
inline constexpr OlvaskUnitDescriptor kCommandUnit = kControlUnit;

inline constexpr const char* kTransportLibraryName = "libolvask.so";

// The library's module handle and its twelve entry points, bound once for the process.
struct TransportTable {
    void* module = nullptr;
    OlvaskDebugFn Debug = nullptr;
    OlvaskInitFn Init = nullptr;
    OlvaskEndFn End = nullptr;
    OlvaskGetDeviceCountFn RequestGetDeviceCount = nullptr;
    OlvaskDeleteRequestFn DeleteRequestFromUnitId = nullptr;
    OlvaskDeleteRequestFn DeleteRequestFromHandle = nullptr;
    OlvaskWriteFn RequestWrite = nullptr;
    OlvaskWriteFn RequestWriteOne = nullptr;
    OlvaskWriteFn RequestStatusWrite = nullptr;
    OlvaskStatusGetFn RequestStatusGet = nullptr;
    OlvaskAsyncReadFn RequestAsyncRead = nullptr;
    OlvaskWriteFn RequestStatusSetFeature = nullptr;
};

const TransportTable& Transport();
bool TransportBound();

// Call checksum over the pieces of one call, in order: descriptor, callback, unit code, data.
uint32_t CallChecksum(const OlvaskUnitDescriptor& unit, OlvaskCallback callback, uint32_t unitCode,
                      std::span<const uint8_t> data = {});

// Binding results. Anything but kBindOk ends the program silently with exit code 0.
inline constexpr int kBindOk = 1;
inline constexpr int kBindNoLibrary = 0;
inline constexpr int kBindMissingEntry = -1;
inline constexpr int kBindInitRefused = -2;

// Loads the library from appFolder, then by bare name, binds all twelve entry points and
// calls Init(0). Binding happens once: later calls return the first result.
int BindTransport(const std::filesystem::path& appFolder);

// The whole start-up sequence of the device link: bind, LedStatus reset, consumer channel,
// exchange slot, control channel, count, first connection thread. *count receives the
// number of keyboards found (0 when none, or when binding failed).
int OpenDeviceLink(const std::filesystem::path& appFolder, TransportEvents& events, int32_t* count);

int32_t GetDeviceCount();

// LedStatus: byte 0 = 0x05, byte 1 = flags; bit 0 is the key layer (0 = A, 1 = B).
inline constexpr uint8_t kLedReportId = 0x05;
inline constexpr uint8_t kLedInitialFlags = 0x02;
std::array<uint8_t, 2> LedStatus();
bool LayerB();
void ResetLedStatus();
// Flips the layer bit and returns the new flags.
uint8_t FlipLayer();

// Channel handles as last returned by the library (0 before the first registration).
uint32_t LedHandle();
uint32_t ConsumerHandle();
uint32_t ControlHandle();

// Each registration deletes the previous request by its handle, then registers anew.
void RegisterConsumerChannel();
void RegisterControlChannel();
void RegisterLedChannel(); // sends the current LedStatus

} // namespace device
