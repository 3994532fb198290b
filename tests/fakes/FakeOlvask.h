// Control interface of the scripted transport library used by the device tests. The tests
// reach these functions with dlsym on the same module the binding loaded.
#pragma once

#include <cstdint>

extern "C" {

// Forget every registration, write and script entry; count 1, writes accepted.
typedef void (*FakeResetFn)();
typedef void (*FakeSetIntFn)(int32_t);
// Script the answer to the next write: silent (no answer), status byte, delay before the
// answer, a value XORed into byte 3, answer length (0 = 64).
typedef void (*FakePushAnswerFn)(int32_t silent, uint8_t status, int32_t delayMs, uint8_t codeXor,
                                 uint32_t length);
// Number of writes seen; copies write i (64 bytes); 1 when its call checksum was right.
typedef int32_t (*FakeWriteCountFn)();
typedef int32_t (*FakeGetWriteFn)(int32_t index, uint8_t* out64);
// Text log of every library call, one line each: "<call> <unit> <handle>".
typedef int32_t (*FakeCallLogFn)(char* out, int32_t capacity);
// Number of calls whose checksum did not match their pieces.
typedef int32_t (*FakeBadChecksumsFn)();
// Deliver a notification to the callback of the request registered for unit.
typedef void (*FakeNotifyFn)(int32_t kind, uint32_t unit, uint16_t code, const uint8_t* data,
                             uint32_t length);
// Wait until every scheduled answer has been delivered.
typedef void (*FakeDrainFn)();
}
