// The keyboard's nodes as sysfs and /dev show them, and the advice the program gives when
// they are there but closed to the user, on fake system trees.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/Doctor.h"
#include "platform/KeyboardAccess.h"
#include "support/OrdinaryUser.h"

namespace {

namespace fs = std::filesystem;

class KeyboardAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "brisvane-access-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::permissions(root_, fs::perms(0755));
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& systemPath, const std::string& text) const {
        const fs::path file = platform::Under(root_, systemPath);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    void Keyboard(std::initializer_list<std::pair<const char*, unsigned>> nodes) const {
        Write("/sys/bus/usb/devices/3-1/idVendor", "0C45\n");
        Write("/sys/bus/usb/devices/3-1/idProduct", "6515\n");
        for (const auto& [name, mode] : nodes) {
            Write(std::string("/sys/class/hidraw/") + name + "/device/uevent",
                  "DRIVER=hid-generic\nHID_ID=0003:00000C45:00006515\n");
            Write(std::string("/dev/") + name, "");
            // Not the user's own: the owner has no more than everybody.
            fs::permissions(platform::Under(root_, std::string("/dev/") + name),
                            fs::perms(::geteuid() == 0 ? mode : (mode & 07) * 0111));
        }
    }

    // The advice as the ordinary user gets it, through a file the child writes.
    std::string AdviceAsUser() const {
        const fs::path out = root_ / "advice";
        std::ofstream(out).flush();
        fs::permissions(out, fs::perms(0666));
        const int code =
            RunAsOrdinaryUser([&] {
                platform::DoctorFacts facts;
                facts.root = root_;
                facts.uid = ::geteuid();
                std::ofstream(out)
                    << platform::BlockedKeyboardAdvice(facts, platform::ProbeKeyboardAccess(root_));
                return 0;
            });
        EXPECT_EQ(code, 0);
        std::ifstream in(out);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path root_;
};

TEST_F(KeyboardAccessTest, FindsTheKeyboardsNodesOnly) {
    Keyboard({{"hidraw2", 0666}, {"hidraw5", 0666}});
    Write("/sys/class/hidraw/hidraw3/device/uevent", "HID_ID=0003:0000046D:0000C52B\n");
    Write("/sys/class/hidraw/hidraw4/device/uevent", "HID_ID=0005:00000C45:00006515\n");
    const platform::KeyboardAccess access = platform::ProbeKeyboardAccess(root_);
    EXPECT_TRUE(access.onUsb);
    ASSERT_EQ(access.nodes.size(), 2u);
    EXPECT_EQ(access.nodes[0].device, "/dev/hidraw2");
    EXPECT_EQ(access.nodes[1].device, "/dev/hidraw5");
    EXPECT_TRUE(access.Reachable());
    EXPECT_FALSE(platform::ProbeKeyboardAccess(root_ / "nothing").Present());
}

TEST_F(KeyboardAccessTest, AdviceOnlyForAPluggedKeyboardWithClosedNodes) {
    EXPECT_EQ(AdviceAsUser(), "") << "no keyboard";
    Keyboard({{"hidraw0", 0666}, {"hidraw1", 0666}});
    EXPECT_EQ(AdviceAsUser(), "") << "open nodes";

    Keyboard({{"hidraw0", 0666}, {"hidraw1", 0600}});
    const std::string advice = AdviceAsUser();
    EXPECT_NE(advice.find("this user may not open /dev/hidraw1."), std::string::npos) << advice;
    EXPECT_EQ(advice.find("hidraw0"), std::string::npos) << advice;
    // No rule on this system: the advice is the rule and its reload.
    EXPECT_NE(advice.find("sudo tee /etc/udev/rules.d/70-brisvane.rules"), std::string::npos)
        << advice;
    EXPECT_NE(advice.find("brisvane-cli doctor"), std::string::npos) << advice;

    fs::remove(platform::Under(root_, "/dev/hidraw1"));
    EXPECT_NE(AdviceAsUser().find("/dev/hidraw1"), std::string::npos) << "a missing node";
}

} // namespace
