// Loads libolvask.so as the program does, in a process of its own, and reports on one line:
// "init=I count=C end=E". With "exit" as the second argument it leaves without End, so the
// library must stop its threads when the process ends.

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

#include <olvask/checksum.h>
#include <olvask/olvask.h>

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::printf("no library: %s\n", dlerror());
        return 1;
    }
    const auto init = reinterpret_cast<OlvaskInitFn>(dlsym(module, "Init"));
    const auto end = reinterpret_cast<OlvaskEndFn>(dlsym(module, "End"));
    const auto count =
        reinterpret_cast<OlvaskGetDeviceCountFn>(dlsym(module, "RequestGetDeviceCount"));
    const OlvaskUnitDescriptor unit{0x0F, 0x0C45, 0x6515, 0xFF1C, 0x0092, 0};
    uint32_t sum = olvask_checksum_add(0, &unit, sizeof unit);
    sum = olvask_checksum_add_u32(olvask_checksum_add_u32(sum, 0), 0);
    const int i = init(0);
    const int c = i > 0 ? count(&unit, nullptr, 0, sum, nullptr) : -1;
    const int e = std::strcmp(argv[2], "end") == 0 ? end() : -1;
    std::printf("init=%d count=%d end=%d\n", i, c, e);
    std::fflush(stdout);
    return 0;
}
