// brisvane-cli doctor against fake systems: a tree standing in for /sys, /dev, /run, /etc
// and /usr, a home folder, and a private session bus with or without a notification area.
// Each check is seen to pass on a sound system and to fail, with its mending command, on a
// system with one fault.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/OrdinaryUser.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuild = BRISVANE_BUILD_ROOT;
const fs::path kSource = BRISVANE_SOURCE_DIR;

struct Check {
    std::string status; // empty when the check is missing from the answer
    std::string summary;
    std::string fix;
};

struct DoctorRun {
    int code = -1;
    std::string out;
    // The value of one field of one check's object in the JSON answer.
    Check Of(const std::string& id) const {
        Check check;
        const auto at = out.find("{\"check\":\"" + id + "\"");
        if (at == std::string::npos)
            return check;
        const std::string object = out.substr(at, out.find("}\n", at) - at);
        const auto field = [&](const std::string& name) {
            const auto start = object.find("\"" + name + "\":\"");
            if (start == std::string::npos)
                return std::string();
            std::string value;
            for (size_t i = start + name.size() + 4; i < object.size() && object[i] != '"'; ++i)
                value += object[i] == '\\' ? object[++i] : object[i];
            return value;
        };
        check.status = field("status");
        check.summary = field("summary");
        check.fix = field("fix");
        return check;
    }
};

enum class Tray {
    Host,               // a StatusNotifierWatcher with a host on a private session bus
    WatcherWithoutHost, // the watcher, no host
    EmptyBus,           // a private session bus and nothing on it
    NoBus,              // no session bus at all
    XEmbed,             // no bus; an X display (Xvfb) with trayer holding its system tray
    XWithoutTray,       // no bus; an X display without a notification area
};

// Runs the doctor on a private X display, with trayer when the first argument says so; with
// trayer it asks again until trayer has taken the tray, for at most five seconds.
constexpr const char* kOnXDisplay = R"sh(#!/bin/sh
mode=$1; shift
dir=$(mktemp -d)
# -noreset: a check that connects and leaves before trayer is in would reset the server and
# close trayer's connection in the middle of its start.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 640x480x24 3>"$dir/display" 2>/dev/null &
x=$!
i=0
while [ ! -s "$dir/display" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i+1)); done
export DISPLAY=":$(head -n1 "$dir/display")"
t=""
if [ "$mode" = trayer ]; then trayer >/dev/null 2>&1 & t=$!; fi
i=0
while :; do
    "$@" >"$dir/out"; code=$?
    if [ "$mode" != trayer ] || grep -q '"check":"tray","status":"ok"' "$dir/out" || [ $i -ge 50 ]; then break; fi
    sleep 0.1; i=$((i+1))
done
cat "$dir/out"
[ -z "$t" ] || kill $t
kill $x
rm -rf "$dir"
exit $code
)sh";

// A system where everything is in order; each test spoils one thing.
class FakeSystem : public ::testing::Test {
public: // the fault table's functions spoil the system from outside
    // The programs run as the ordinary user, who may not reach the build folder (a checkout
    // in root's home): copies in a folder open to everybody.
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "brisvane-doctor-bin-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        bin_ = pattern;
        fs::permissions(bin_, fs::perms(0755));
        fs::copy_file(kBuild / "brisvane-cli", bin_ / "brisvane-cli");
        fs::copy_file(FAKE_TRAY_WATCHER, bin_ / "fake_tray_watcher");
    }
    static void TearDownTestSuite() { fs::remove_all(bin_); }
    void SetUp() override {
        if (std::system("command -v dbus-run-session >/dev/null") != 0)
            GTEST_SKIP() << "dbus-run-session is missing (scripts/deps installs dbus-daemon)";
        if (::geteuid() == 0 && std::system("command -v setpriv >/dev/null") != 0)
            GTEST_SKIP() << "setpriv is missing (util-linux): the doctor cannot run as a user";
        std::string pattern = (fs::temp_directory_path() / "brisvane-doctor-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        top_ = pattern;
        fs::permissions(top_, fs::perms(0755));
        root_ = top_ / "root";
        home_ = top_ / "home";

        Write("/sys/bus/usb/devices/1-2/idVendor", "0c45\n");
        Write("/sys/bus/usb/devices/1-2/idProduct", "6515\n");
        Write("/sys/bus/usb/devices/1-3/idVendor", "046d\n");
        Write("/sys/bus/usb/devices/1-3/idProduct", "c52b\n");
        for (int n : {0, 1})
            Write("/sys/class/hidraw/hidraw" + std::to_string(n) + "/device/uevent",
                  "DRIVER=hid-generic\nHID_ID=0003:00000C45:00006515\nHID_NAME=Keyboard\n");
        // Another maker's device, whose node is not this user's: none of the doctor's
        // business.
        Write("/sys/class/hidraw/hidraw2/device/uevent", "HID_ID=0003:0000046D:0000C52B\n");
        Node("hidraw0", 0666);
        Node("hidraw1", 0666);
        Node("hidraw2", 0600);
        // The rule and the autostart entry that the package installs.
        Copy(kSource / "packaging/udev/70-brisvane.rules",
             "/usr/lib/udev/rules.d/70-brisvane.rules");
        Write("/usr/lib/udev/rules.d/73-seat-late.rules",
              "TAG==\"uaccess\", RUN{builtin}+=\"uaccess\"\n");
        Write("/run/systemd/seats/seat0", "IS_SEAT0=1\n");
        Session("4", "ACTIVE=1\nSEAT=seat0\nTYPE=x11\n");
        Copy(kSource / "packaging/brisvane-autostart.desktop",
             "/etc/xdg/autostart/brisvane.desktop");
        fs::create_directories(home_ / "Documents");
        ASSERT_EQ(::chown(home_.c_str(), OrdinaryUid(), static_cast<gid_t>(-1)), 0);
        ASSERT_EQ(::chown((home_ / "Documents").c_str(), OrdinaryUid(), static_cast<gid_t>(-1)), 0);
    }
    void TearDown() override {
        if (!top_.empty())
            fs::remove_all(top_);
    }

    fs::path At(const std::string& systemPath) const {
        return root_ / fs::path(systemPath).relative_path();
    }
    void Copy(const fs::path& from, const std::string& systemPath) const {
        fs::create_directories(At(systemPath).parent_path());
        fs::copy_file(from, At(systemPath));
    }
    void Write(const std::string& systemPath, const std::string& text) const {
        fs::create_directories(At(systemPath).parent_path());
        std::ofstream(At(systemPath)) << text;
    }
    // A device node stand-in, root's, with the permissions the rules would leave. Where the
    // tests do not run as root the file is the tester's own, so the owner gets no more than
    // everybody else.
    void Node(const std::string& name, unsigned mode) const {
        Write("/dev/" + name, "");
        if (::geteuid() != 0)
            mode = (mode & 07) * 0111;
        fs::permissions(At("/dev/" + name), fs::perms(mode));
    }
    void Session(const std::string& id, const std::string& keys) const {
        Write("/run/systemd/sessions/" + id, "UID=" + std::to_string(OrdinaryUid()) + "\n" + keys);
    }
    void UserFile(const fs::path& relative, const std::string& text) const {
        fs::create_directories((home_ / relative).parent_path());
        std::ofstream(home_ / relative) << text;
    }

    // brisvane-cli doctor --json as the ordinary user on this system, in a session of the
    // given type, with the given notification area.
    DoctorRun Doctor(Tray tray = Tray::Host, const std::string& sessionType = "x11",
                     bool json = true) const {
        std::string line = "cd / && env -i PATH=/usr/bin:/bin";
        line += " HOME='" + home_.string() + "' BRISVANE_SYSTEM_ROOT='" + root_.string() + "'";
        line += " XDG_CONFIG_DIRS='" + At("/etc/xdg").string() + "'";
        line += " XDG_SESSION_TYPE=" + sessionType;
        if (tray == Tray::NoBus || tray == Tray::XEmbed || tray == Tray::XWithoutTray)
            line += " DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent";
        if (::geteuid() == 0)
            line += " setpriv --reuid=" + std::to_string(kOrdinaryUid) +
                    " --regid=" + std::to_string(kOrdinaryUid) + " --clear-groups";
        const std::string doctor =
            "'" + (bin_ / "brisvane-cli").string() + "' doctor" + (json ? " --json" : "");
        switch (tray) {
        case Tray::Host:
        case Tray::WatcherWithoutHost:
            line += " dbus-run-session -- '" + (bin_ / "fake_tray_watcher").string() + "'" +
                    (tray == Tray::Host ? "" : " --no-host") + " -- " + doctor;
            break;
        case Tray::EmptyBus:
            line += " dbus-run-session -- " + doctor;
            break;
        case Tray::NoBus:
            line += " " + doctor;
            break;
        case Tray::XEmbed:
        case Tray::XWithoutTray: {
            const fs::path script = top_ / "on-x-display";
            std::ofstream(script) << kOnXDisplay;
            fs::permissions(script, fs::perms(0755));
            line += " sh '" + script.string() + "' " + (tray == Tray::XEmbed ? "trayer" : "none") +
                    " " + doctor;
            break;
        }
        }
        line += " 2>&1";
        DoctorRun run;
        FILE* pipe = ::popen(line.c_str(), "r");
        std::array<char, 4096> buffer;
        size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            run.out.append(buffer.data(), n);
        const int status = ::pclose(pipe);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    fs::path top_, root_, home_;
    static inline fs::path bin_;
};

const char* const kChecks[] = {"udev-rule", "keyboard", "nodes",     "seat",     "sandbox",
                               "tray",      "session",  "autostart", "documents"};

TEST_F(FakeSystem, SoundSystemPassesEveryCheck) {
    const DoctorRun run = Doctor();
    EXPECT_EQ(run.code, 0) << run.out;
    for (const char* id : kChecks)
        EXPECT_EQ(run.Of(id).status, "ok") << id << "\n" << run.out;
    EXPECT_NE(run.out.find("\"ok\":true"), std::string::npos);
    EXPECT_NE(run.Of("nodes").summary.find("/dev/hidraw0, /dev/hidraw1"), std::string::npos);

    const DoctorRun text = Doctor(Tray::Host, "x11", false);
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("All is well."), std::string::npos) << text.out;
}

TEST_F(FakeSystem, EachFaultFailsItsCheckWithTheCommandThatMendsIt) {
    struct Case {
        const char* name;
        std::function<void(FakeSystem&)> spoil;
        Tray tray;
        const char* sessionType;
        const char* check;
        const char* status;
        const char* fixHas; // a part of the mending command
    };
    const Case cases[] = {
        {"no rule",
         [](FakeSystem& s) { fs::remove(s.At("/usr/lib/udev/rules.d/70-brisvane.rules")); },
         Tray::Host, "x11", "udev-rule", "problem",
         "sudo tee /etc/udev/rules.d/70-brisvane.rules && sudo udevadm control --reload"},
        {"rule after 73",
         [](FakeSystem& s) {
             fs::rename(s.At("/usr/lib/udev/rules.d/70-brisvane.rules"),
                        s.At("/usr/lib/udev/rules.d/80-brisvane.rules"));
         },
         Tray::Host, "x11", "udev-rule", "problem",
         "sudo cp '/usr/lib/udev/rules.d/80-brisvane.rules' /etc/udev/rules.d/70-brisvane.rules"},
        {"rule masked in /etc",
         [](FakeSystem& s) { s.Write("/etc/udev/rules.d/70-brisvane.rules", ""); }, Tray::Host,
         "x11", "udev-rule", "problem", "sudo tee /etc/udev/rules.d/70-brisvane.rules"},
        {"keyboard unplugged",
         [](FakeSystem& s) {
             fs::remove_all(s.At("/sys/bus/usb/devices/1-2"));
             fs::remove_all(s.At("/sys/class/hidraw/hidraw0"));
             fs::remove_all(s.At("/sys/class/hidraw/hidraw1"));
         },
         Tray::Host, "x11", "keyboard", "problem", "lsusb -d 0c45:6515"},
        {"no hidraw node made",
         [](FakeSystem& s) {
             fs::remove_all(s.At("/sys/class/hidraw/hidraw0"));
             fs::remove_all(s.At("/sys/class/hidraw/hidraw1"));
         },
         Tray::Host, "x11", "keyboard", "problem", "modprobe hidraw"},
        {"node root's only", [](FakeSystem& s) { s.Node("hidraw1", 0600); }, Tray::Host, "x11",
         "nodes", "problem", "sudo udevadm trigger --action=add --subsystem-match=hidraw"},
        {"node read-only", [](FakeSystem& s) { s.Node("hidraw0", 0644); }, Tray::Host, "x11",
         "nodes", "problem", "udevadm trigger"},
        {"seat session inactive, nodes reachable",
         [](FakeSystem& s) { s.Session("4", "ACTIVE=0\nSEAT=seat0\nTYPE=x11\n"); }, Tray::Host,
         "x11", "seat", "note", ""},
        {"only an ssh session",
         [](FakeSystem& s) {
             s.Session("4", "ACTIVE=1\nTYPE=tty\nREMOTE=1\n");
             s.Node("hidraw0", 0600);
             s.Node("hidraw1", 0600);
         },
         Tray::Host, "x11", "seat", "problem", "GROUP=\"plugdev\""},
        {"no logind",
         [](FakeSystem& s) {
             fs::remove_all(s.At("/run/systemd"));
             s.Node("hidraw0", 0600);
         },
         Tray::Host, "x11", "seat", "problem", "usermod -aG plugdev"},
        {"Flatpak without devices",
         [](FakeSystem& s) {
             s.Write("/.flatpak-info", "[Application]\nname=org.example.Brisvane\n"
                                       "[Context]\nshared=network;ipc;\ndevices=dri;\n");
         },
         Tray::Host, "x11", "sandbox", "problem",
         "flatpak override --user --device=all org.example.Brisvane"},
        {"no StatusNotifierWatcher", nullptr, Tray::EmptyBus, "x11", "tray", "problem",
         "gnome-shell-extension-appindicator"},
        {"watcher without host", nullptr, Tray::WatcherWithoutHost, "x11", "tray", "problem",
         "gnome-extensions enable"},
        {"no session bus", nullptr, Tray::NoBus, "x11", "tray", "problem",
         "in a terminal of the desktop"},
        {"Wayland", nullptr, Tray::Host, "wayland", "session", "note", "X11 session"},
        {"text console", nullptr, Tray::Host, "tty", "session", "note", "desktop session"},
        {"no autostart entry",
         [](FakeSystem& s) { fs::remove(s.At("/etc/xdg/autostart/brisvane.desktop")); }, Tray::Host,
         "x11", "autostart", "problem", "Exec=brisvane /Start"},
        {"autostart without /Start",
         [](FakeSystem& s) {
             s.UserFile(".config/autostart/brisvane.desktop",
                        "[Desktop Entry]\nType=Application\nExec=brisvane\n");
         },
         Tray::Host, "x11", "autostart", "problem", "autostart/brisvane.desktop"},
        {"autostart turned off by the user",
         [](FakeSystem& s) {
             s.UserFile(".config/autostart/brisvane.desktop",
                        "[Desktop Entry]\nType=Application\nExec=brisvane /Start\nHidden=true\n");
         },
         Tray::Host, "x11", "autostart", "note", "rm "},
        {"documents folder not the user's",
         [](FakeSystem& s) { fs::permissions(s.home_ / "Documents", fs::perms(0555)); }, Tray::Host,
         "x11", "documents", "problem", "sudo mkdir -p"},
        {"profile folder not writable",
         [](FakeSystem& s) {
             fs::create_directories(s.home_ / "Documents" / "Brisvane");
             fs::permissions(s.home_ / "Documents" / "Brisvane", fs::perms(0555));
         },
         Tray::Host, "x11", "documents", "problem", "sudo chown -R \"$USER\":"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.spoil)
            c.spoil(*this);
        const DoctorRun run = Doctor(c.tray, c.sessionType);
        const Check check = run.Of(c.check);
        EXPECT_EQ(check.status, c.status) << run.out;
        EXPECT_NE(check.fix.find(c.fixHas), std::string::npos) << check.fix;
        EXPECT_EQ(run.code, std::string(c.status) == "problem" ? 1 : 0) << run.out;
    }
}

TEST_F(FakeSystem, NodesBehindAnInactiveSeatPointToTheSeat) {
    Session("4", "ACTIVE=0\nSEAT=seat0\nTYPE=x11\n");
    Node("hidraw0", 0600);
    const DoctorRun run = Doctor();
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.Of("nodes").status, "problem");
    EXPECT_NE(run.Of("nodes").summary.find("/dev/hidraw0 not readable or writable"),
              std::string::npos);
    EXPECT_EQ(run.Of("nodes").summary.find("hidraw1"), std::string::npos);
    EXPECT_EQ(run.Of("seat").status, "problem");
    EXPECT_NE(run.Of("seat").fix.find("loginctl activate 4"), std::string::npos);
    EXPECT_EQ(run.Of("udev-rule").status, "ok");
}

TEST_F(FakeSystem, TextAnswerGivesEachProblemItsFix) {
    fs::remove(At("/usr/lib/udev/rules.d/70-brisvane.rules"));
    Node("hidraw0", 0600);
    const DoctorRun run = Doctor(Tray::Host, "x11", false);
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("[FAIL] udev-rule"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[FAIL] nodes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("       fix: echo 'SUBSYSTEM==\"hidraw\""), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("[ ok ] tray"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 problems keep the keyboard"), std::string::npos) << run.out;
}

TEST_F(FakeSystem, XEmbedTrayServesWithoutASessionBus) {
    if (std::system("command -v Xvfb >/dev/null && command -v trayer >/dev/null") != 0)
        GTEST_SKIP() << "Xvfb or trayer is missing (scripts/deps installs them)";
    const DoctorRun tray = Doctor(Tray::XEmbed);
    EXPECT_EQ(tray.Of("tray").status, "ok") << tray.out;
    EXPECT_NE(tray.Of("tray").summary.find("XEmbed"), std::string::npos) << tray.out;
    EXPECT_EQ(tray.code, 0) << tray.out;

    const DoctorRun none = Doctor(Tray::XWithoutTray);
    EXPECT_EQ(none.Of("tray").status, "problem") << none.out;
    EXPECT_NE(none.Of("tray").summary.find("no notification area"), std::string::npos);
    EXPECT_EQ(none.code, 1);
}

TEST_F(FakeSystem, WrongUsageIsRefused) {
    const std::string cli = (kBuild / "brisvane-cli").string();
    EXPECT_EQ(WEXITSTATUS(std::system(("'" + cli + "' doctor --yaml >/dev/null 2>&1").c_str())), 2);
}

} // namespace
