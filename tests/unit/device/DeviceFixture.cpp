#include "DeviceFixture.h"

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>

#include "device/Exchange.h"

Fake DeviceTest::fake{};
RecordingEvents DeviceTest::events;
int32_t DeviceTest::countAtOpen = -1;

namespace {

template <typename Fn> void Look(void* module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(module, name));
    ASSERT_NE(slot, nullptr) << name;
}

} // namespace

void DeviceTest::SetUpTestSuite() {
    if (device::TransportBound())
        return;
    using namespace std::chrono_literals;
    auto& t = device::ExchangeTimes();
    t.answerTimeout = 60ms;
    t.retryPause = 2ms;
    t.takeOverPause = 61ms;
    t.endTransferDelay = 10ms;
    ASSERT_EQ(device::OpenDeviceLink(FAKE_OLVASK_DIR "/ok", events, &countAtOpen), device::kBindOk);
    void* module = device::Transport().module;
    Look(module, "FakeOlvask_Reset", fake.Reset);
    Look(module, "FakeOlvask_SetDeviceCount", fake.SetDeviceCount);
    Look(module, "FakeOlvask_SetWriteResult", fake.SetWriteResult);
    Look(module, "FakeOlvask_PushAnswer", fake.PushAnswer);
    Look(module, "FakeOlvask_WriteCount", fake.WriteCount);
    Look(module, "FakeOlvask_GetWrite", fake.GetWrite);
    Look(module, "FakeOlvask_CallLog", fake.CallLog);
    Look(module, "FakeOlvask_BadChecksums", fake.BadChecksums);
    Look(module, "FakeOlvask_Notify", fake.Notify);
    Look(module, "FakeOlvask_Drain", fake.Drain);
}

void DeviceTest::SetUp() {
    ASSERT_TRUE(device::TransportBound());
    fake.Reset();
    events.Take();
}

void DeviceTest::TearDown() {
    fake.Drain();
    EXPECT_EQ(fake.BadChecksums(), 0) << "a call carried a wrong checksum";
    EXPECT_FALSE(device::ExchangeBusy());
}

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> bytes;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::strtoul(std::string(p, 2).c_str(), nullptr, 16)));
        p += 2;
    }
    return bytes;
}
