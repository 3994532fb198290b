// A scripted stand-in for libolvask.so. It answers every command on a thread of its own,
// the way the real library does, and records what it was sent.
#include <olvask/checksum.h>
#include <olvask/olvask.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Script {
    bool silent = false;
    uint8_t status = 0;
    int delayMs = 0;
    uint8_t codeXor = 0;
    uint32_t length = 64;
};

struct Pending {
    std::chrono::steady_clock::time_point due;
    std::vector<uint8_t> bytes;
};

struct Registration {
    OlvaskCallback callback = nullptr;
    uint32_t unitCode = 0;
};

struct Fake {
    std::mutex mutex;
    std::condition_variable wake;
    int32_t count = 1;
    int32_t writeResult = 1;
    std::deque<Script> script;
    std::vector<std::vector<uint8_t>> writes;
    std::string log;
    int32_t badChecksums = 0;
    uint32_t nextHandle = 1;
    std::map<uint32_t, Registration> requests;
    std::deque<Pending> pending;
    int delivering = 0;
    std::thread worker;
    bool stop = false;

    Fake() {
        worker = std::thread([this] { Run(); });
    }
    ~Fake() {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        wake.notify_all();
        worker.join();
    }

    OlvaskCallback ControlCallback() {
        for (auto& [handle, r] : requests)
            if (r.unitCode == 0x4354524C)
                return r.callback;
        return nullptr;
    }

    void Run() {
        std::unique_lock lock(mutex);
        while (!stop) {
            if (pending.empty()) {
                wake.wait(lock);
                continue;
            }
            auto due = pending.front().due;
            if (std::chrono::steady_clock::now() < due) {
                wake.wait_until(lock, due);
                continue;
            }
            Pending p = std::move(pending.front());
            pending.pop_front();
            OlvaskCallback cb = ControlCallback();
            ++delivering;
            lock.unlock();
            if (cb) {
                OlvaskNotification n{
                    OLVASK_NOTIFY_REPORT, 0x4354524C, static_cast<uint32_t>(p.bytes.size()), 0, 0,
                    p.bytes.data()};
                cb(&n);
            }
            lock.lock();
            --delivering;
            wake.notify_all();
        }
    }
};

Fake& F() {
    static Fake fake;
    return fake;
}

uint32_t Sum(const OlvaskUnitDescriptor* unit, OlvaskCallback cb, uint32_t code,
             const uint8_t* data, uint32_t length) {
    uint32_t sum = olvask_checksum_add(0, unit, sizeof *unit);
    sum = olvask_checksum_add_u32(sum, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(cb)));
    sum = olvask_checksum_add_u32(sum, code);
    if (data)
        sum = olvask_checksum_add(sum, data, length);
    return sum;
}

std::string UnitName(uint32_t code) {
    switch (code) {
    case 0x004C4544:
        return "LED";
    case 0x434F4E53:
        return "CONS";
    case 0x4354524C:
        return "CTRL";
    default:
        return std::to_string(code);
    }
}

bool IsRead(uint8_t code) {
    return code == 0x03 || code == 0x05 || code == 0x07 || code == 0x09 || code == 0x0F ||
           code == 0x10;
}

uint32_t Register(const char* what, const OlvaskUnitDescriptor* unit, OlvaskCallback cb,
                  uint32_t code, const uint8_t* data, uint32_t length, uint32_t checksum,
                  uint32_t* handle) {
    Fake& f = F();
    std::lock_guard lock(f.mutex);
    f.log += std::string(what) + " " + UnitName(code);
    if (Sum(unit, cb, code, data, length) != checksum) {
        ++f.badChecksums;
        f.log += " refused\n";
        return 0;
    }
    const uint32_t h = f.nextHandle++;
    f.requests[h] = {cb, code};
    if (handle)
        *handle = h;
    f.log += " " + std::to_string(h);
    for (uint32_t i = 0; data && i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", data[i]);
        f.log += hex;
    }
    f.log += "\n";
    return h;
}

} // namespace

EXPORT int32_t Debug(int32_t) {
    return 0;
}

EXPORT int32_t Init(int32_t) {
#ifdef FAKE_INIT_REFUSES
    return 0;
#else
    return 1;
#endif
}

EXPORT int32_t End(void) {
    return 1;
}

EXPORT int32_t RequestGetDeviceCount(const OlvaskUnitDescriptor* unit, OlvaskCallback cb,
                                     uint32_t code, uint32_t checksum, uint32_t*) {
    Fake& f = F();
    std::lock_guard lock(f.mutex);
    if (Sum(unit, cb, code, nullptr, 0) != checksum) {
        ++f.badChecksums;
        return 0;
    }
    return unit->usage_page == 0xFF1C && unit->usage == 0x0092 ? f.count : 0;
}

EXPORT int32_t DeleteRequestFromUnitId(uint32_t handle) {
    Fake& f = F();
    std::lock_guard lock(f.mutex);
    f.log += "Delete " + std::to_string(handle) + "\n";
    return f.requests.erase(handle) ? 1 : 0;
}

EXPORT int32_t DeleteRequestFromHandle(uint32_t) {
    return 0;
}

EXPORT int32_t RequestWrite(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t, const uint8_t*,
                            uint32_t, uint32_t, uint32_t*) {
    return 0;
}

EXPORT int32_t RequestWriteOne(const OlvaskUnitDescriptor* unit, OlvaskCallback cb, uint32_t code,
                               const uint8_t* data, uint32_t length, uint32_t checksum, uint32_t*) {
    Fake& f = F();
    std::lock_guard lock(f.mutex);
    if (Sum(unit, cb, code, data, length) != checksum || length != 64) {
        ++f.badChecksums;
        return 0;
    }
    f.writes.emplace_back(data, data + 64);
    if (f.writeResult <= 0)
        return f.writeResult;
    Script s;
    if (!f.script.empty()) {
        s = f.script.front();
        f.script.pop_front();
    }
    if (s.silent || data[3] == 0xEE)
        return f.writeResult;
    std::vector<uint8_t> answer(data, data + 64);
    answer[3] ^= s.codeXor;
    answer[7] = s.status;
    if (IsRead(data[3])) {
        const uint32_t position = data[5] | (data[6] << 8);
        for (int i = 0; i < 56; ++i)
            answer[8 + i] = static_cast<uint8_t>(position + i + data[3]);
    }
    answer.resize(s.length);
    // Answers go out in the order they fall due: a late one never holds back a prompt one.
    Pending p{std::chrono::steady_clock::now() + std::chrono::milliseconds(s.delayMs),
              std::move(answer)};
    const auto at = std::upper_bound(f.pending.begin(), f.pending.end(), p.due,
                                     [](auto due, const Pending& q) { return due < q.due; });
    f.pending.insert(at, std::move(p));
    f.wake.notify_all();
    return f.writeResult;
}

EXPORT int32_t RequestStatusWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback cb,
                                  uint32_t code, const uint8_t* data, uint32_t length,
                                  uint32_t checksum, uint32_t* handle) {
    return Register("StatusWrite", unit, cb, code, data, length, checksum, handle) ? 1 : 0;
}

EXPORT int32_t RequestStatusGet(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t, uint8_t*,
                                uint32_t, uint32_t, uint32_t*) {
    return 0;
}

EXPORT int32_t RequestAsyncRead(const OlvaskUnitDescriptor* unit, OlvaskCallback cb, uint32_t code,
                                uint32_t checksum, uint32_t* handle) {
    return Register("AsyncRead", unit, cb, code, nullptr, 0, checksum, handle) ? 1 : 0;
}

#ifndef FAKE_MISSING_ENTRY
EXPORT int32_t RequestStatusSetFeature(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                       const uint8_t*, uint32_t, uint32_t, uint32_t*) {
    return 0;
}
#endif

// Test controls.

EXPORT void FakeOlvask_Reset() {
    Fake& f = F();
    std::unique_lock lock(f.mutex);
    f.wake.wait(lock, [&] { return f.pending.empty() && f.delivering == 0; });
    f.count = 1;
    f.writeResult = 1;
    f.script.clear();
    f.writes.clear();
    f.log.clear();
    f.badChecksums = 0;
}

EXPORT void FakeOlvask_SetDeviceCount(int32_t count) {
    std::lock_guard lock(F().mutex);
    F().count = count;
}

EXPORT void FakeOlvask_SetWriteResult(int32_t result) {
    std::lock_guard lock(F().mutex);
    F().writeResult = result;
}

EXPORT void FakeOlvask_PushAnswer(int32_t silent, uint8_t status, int32_t delayMs, uint8_t codeXor,
                                  uint32_t length) {
    std::lock_guard lock(F().mutex);
    F().script.push_back({silent != 0, status, delayMs, codeXor, length ? length : 64});
}

EXPORT int32_t FakeOlvask_WriteCount() {
    std::lock_guard lock(F().mutex);
    return static_cast<int32_t>(F().writes.size());
}

EXPORT int32_t FakeOlvask_GetWrite(int32_t index, uint8_t* out64) {
    std::lock_guard lock(F().mutex);
    if (index < 0 || index >= static_cast<int32_t>(F().writes.size()))
        return 0;
    std::memcpy(out64, F().writes[index].data(), 64);
    return 1;
}

EXPORT int32_t FakeOlvask_CallLog(char* out, int32_t capacity) {
    std::lock_guard lock(F().mutex);
    const std::string& log = F().log;
    const int32_t n = std::min<int32_t>(capacity - 1, static_cast<int32_t>(log.size()));
    std::memcpy(out, log.data(), n);
    out[n] = 0;
    return n;
}

EXPORT int32_t FakeOlvask_BadChecksums() {
    std::lock_guard lock(F().mutex);
    return F().badChecksums;
}

EXPORT void FakeOlvask_Notify(int32_t kind, uint32_t unit, uint16_t code, const uint8_t* data,
                              uint32_t length) {
    OlvaskCallback cb = nullptr;
    {
        std::lock_guard lock(F().mutex);
        for (auto& [handle, r] : F().requests)
            if (r.unitCode == unit)
                cb = r.callback;
    }
    if (!cb)
        return;
    OlvaskNotification n{kind, unit, length, code, 0, data};
    cb(&n);
}

EXPORT void FakeOlvask_Drain() {
    Fake& f = F();
    std::unique_lock lock(f.mutex);
    f.wake.wait(lock, [&] { return f.pending.empty() && f.delivering == 0; });
}
