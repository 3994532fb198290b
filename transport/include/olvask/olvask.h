// Public interface of libolvask.so, the transport that carries 64-byte HID
// reports between a program and the keyboard's USB collections.
//
// A program loads the library at run time, looks the twelve entry points up by
// name and calls Init(0) first. Every call that names a collection passes its
// unit descriptor and a call checksum computed with olvask/checksum.h; a call
// whose checksum does not match is refused.
#ifndef OLVASK_OLVASK_H
#define OLVASK_OLVASK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Selects one HID collection: 16 bytes, little-endian. */
typedef struct OlvaskUnitDescriptor {
    uint32_t selector;   /* always 0x0000000F */
    uint16_t vendor_id;  /* 0x0C45 */
    uint16_t product_id; /* 0x6515 */
    uint16_t usage_page;
    uint16_t usage;
    uint32_t reserved; /* 0 */
} OlvaskUnitDescriptor;

enum {
    OLVASK_NOTIFY_COUNT = 0,  /* the number of matching keyboards changed */
    OLVASK_NOTIFY_REPORT = 1, /* an input report arrived on a registered collection */
};

/* What the library hands to a callback. The record and its data belong to the
   library and are valid only during the call. */
typedef struct OlvaskNotification {
    int32_t kind;           /* OLVASK_NOTIFY_* */
    uint32_t unit_code;     /* the unit code given when the request was registered */
    uint32_t length;        /* report: bytes at data; count change: the new count */
    uint16_t consumer_code; /* consumer collection reports: the 16-bit code carried */
    uint16_t reserved;
    const uint8_t* data; /* report bytes, byte 0 = report id; null for a count change */
} OlvaskNotification;

typedef int32_t (*OlvaskCallback)(const OlvaskNotification* notification);

/* Entry points. Integers are 32-bit; a handle is the unit id of a registered request. */
int32_t Debug(int32_t level);
int32_t Init(int32_t flags);
int32_t End(void);
int32_t RequestGetDeviceCount(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                              uint32_t unit_code, uint32_t checksum, uint32_t* handle);
int32_t DeleteRequestFromUnitId(uint32_t handle);
int32_t DeleteRequestFromHandle(uint32_t handle);
int32_t RequestWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback, uint32_t unit_code,
                     const uint8_t* data, uint32_t length, uint32_t checksum, uint32_t* handle);
int32_t RequestWriteOne(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                        uint32_t unit_code, const uint8_t* data, uint32_t length, uint32_t checksum,
                        uint32_t* handle);
int32_t RequestStatusWrite(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                           uint32_t unit_code, const uint8_t* data, uint32_t length,
                           uint32_t checksum, uint32_t* handle);
int32_t RequestStatusGet(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                         uint32_t unit_code, uint8_t* data, uint32_t length, uint32_t checksum,
                         uint32_t* handle);
int32_t RequestAsyncRead(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                         uint32_t unit_code, uint32_t checksum, uint32_t* handle);
int32_t RequestStatusSetFeature(const OlvaskUnitDescriptor* unit, OlvaskCallback callback,
                                uint32_t unit_code, const uint8_t* data, uint32_t length,
                                uint32_t checksum, uint32_t* handle);

/* Pointer types for a program that binds the entry points with dlsym. */
typedef int32_t (*OlvaskDebugFn)(int32_t);
typedef int32_t (*OlvaskInitFn)(int32_t);
typedef int32_t (*OlvaskEndFn)(void);
typedef int32_t (*OlvaskGetDeviceCountFn)(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                          uint32_t, uint32_t*);
typedef int32_t (*OlvaskDeleteRequestFn)(uint32_t);
typedef int32_t (*OlvaskWriteFn)(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                 const uint8_t*, uint32_t, uint32_t, uint32_t*);
typedef int32_t (*OlvaskStatusGetFn)(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                     uint8_t*, uint32_t, uint32_t, uint32_t*);
typedef int32_t (*OlvaskAsyncReadFn)(const OlvaskUnitDescriptor*, OlvaskCallback, uint32_t,
                                     uint32_t, uint32_t*);

#ifdef __cplusplus
}
#endif

#endif
