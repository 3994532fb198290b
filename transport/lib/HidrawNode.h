#pragma once

// A hidraw node read and written with plain system calls. The reader sleeps in poll() on the
// node and on a wake-up descriptor, so an idle node costs nothing and a stop request ends
// the wait at once. hidraw hands over one report per read(2), byte 0 = report id on nodes
// that number their reports; that is also what a write(2) takes.

#include <memory>
#include <string>

#include "lib/HidPlatform.h"

namespace olvask {

class HidrawNode final : public HidNodeIo {
public:
    // Takes the open descriptor over (also when it returns null: then it is closed).
    static std::unique_ptr<HidrawNode> Adopt(int fd);
    // Opens a node for reading and writing; null when it cannot be opened.
    static std::unique_ptr<HidrawNode> Open(const std::string& path);
    ~HidrawNode() override;
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    int Read(std::span<uint8_t> buffer, int timeoutMs) override;
    void Wake() override;
    int Write(std::span<const uint8_t> report) override;

private:
    HidrawNode(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd) {}

    int fd_;
    int wakeFd_;
};

} // namespace olvask
