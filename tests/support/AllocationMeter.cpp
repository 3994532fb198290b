#include "support/AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Every block carries its size in front, so that a release can be counted.
constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<size_t> g_inUse{0};
std::atomic<size_t> g_base{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_ceiling{0};

void* Take(size_t size) noexcept {
    size_t largest = g_largest.load();
    while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
    }
    const size_t ceiling = g_ceiling.load();
    if ((ceiling != 0 && size > ceiling) || size > SIZE_MAX - kHeader)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    const size_t now = g_inUse.fetch_add(size) + size;
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeader;
}

void Give(void* p) noexcept {
    if (!p)
        return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    g_inUse.fetch_sub(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

void* TakeOrThrow(size_t size) {
    if (void* p = Take(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

} // namespace

namespace allocation {

void StartMeasuring() {
    g_base.store(g_inUse.load());
    g_peak.store(g_inUse.load());
    g_largest.store(0);
}
size_t PeakSinceStart() {
    const size_t base = g_base.load(), peak = g_peak.load();
    return peak > base ? peak - base : 0;
}
size_t LargestRequestSinceStart() {
    return g_largest.load();
}
void SetCeiling(size_t bytes) {
    g_ceiling.store(bytes);
}

} // namespace allocation

void* operator new(size_t size) {
    return TakeOrThrow(size);
}
void* operator new[](size_t size) {
    return TakeOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Take(size == 0 ? 1 : size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Take(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    Give(p);
}
void operator delete[](void* p) noexcept {
    Give(p);
}
void operator delete(void* p, size_t) noexcept {
    Give(p);
}
void operator delete[](void* p, size_t) noexcept {
    Give(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Give(p);
}
