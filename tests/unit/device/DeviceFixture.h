#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "device/TransportCallback.h"
#include "fakes/FakeOlvask.h"

// Records what the transport's notifications ask of the main window.
class RecordingEvents : public device::TransportEvents {
public:
    void OnLayerSwitched() override { Add("layer " + std::to_string(device::LayerB())); }
    void OnLightingChanged() override { Add("lighting"); }
    void OnMacroPlaying(bool playing) override {
        if (inside_.fetch_add(1) != 0)
            overlapped_ = true;
        Add(playing ? "playing" : "stopped");
        inside_.fetch_sub(1);
    }
    void OnKeyboardCountChanged(int32_t count) override { Add("count " + std::to_string(count)); }

    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(seen_, {});
    }
    bool overlapped() const { return overlapped_; }

private:
    void Add(std::string s) {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(s));
    }
    std::mutex mutex_;
    std::vector<std::string> seen_;
    std::atomic<int> inside_{0};
    std::atomic<bool> overlapped_{false};
};

// The scripted library's controls, looked up in the module the binding loaded.
struct Fake {
    FakeResetFn Reset;
    FakeSetIntFn SetDeviceCount;
    FakeSetIntFn SetWriteResult;
    FakePushAnswerFn PushAnswer;
    FakeWriteCountFn WriteCount;
    FakeGetWriteFn GetWrite;
    FakeCallLogFn CallLog;
    FakeBadChecksumsFn BadChecksums;
    FakeNotifyFn Notify;
    FakeDrainFn Drain;

    std::array<uint8_t, 64> Write(int i) const {
        std::array<uint8_t, 64> w{};
        GetWrite(i, w.data());
        return w;
    }
    std::string Log() const {
        std::string s(8192, '\0');
        s.resize(CallLog(s.data(), static_cast<int32_t>(s.size())));
        return s;
    }
};

// Binds the real device link to the scripted library once for the test program, with the
// exchange's time constants shortened.
class DeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    static Fake fake;
    static RecordingEvents events;
    static int32_t countAtOpen;
};

std::vector<uint8_t> Hex(const char* text);
