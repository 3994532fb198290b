// The notice about a keyboard whose nodes cannot be opened: told once, after the nodes
// settled, never while a keyboard is connected, and again looked for when /dev changes.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "app/NodeAccessNotice.h"

namespace {

constexpr int kSettleMs = 50;

class NodeAccessNoticeTest : public QObject {
    Q_OBJECT

    struct World {
        QTemporaryDir dev;
        std::string advice; // what the probe finds now
        bool connected = false;
        int probes = 0;
        std::vector<QString> told;

        std::unique_ptr<app::NodeAccessNotice> Notice() {
            return std::make_unique<app::NodeAccessNotice>(
                dev.path().toStdString(),
                [this] {
                    ++probes;
                    return advice;
                },
                [this] { return connected; }, [this](const QString& t) { told.push_back(t); },
                kSettleMs);
        }
        void Plug(const char* node) {
            QFile file(dev.filePath(node));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    };

private slots:
    void toldOnceWhenBlockedAtStart() {
        World world;
        world.advice = "may not open /dev/hidraw0";
        auto notice = world.Notice();
        notice->Start();
        QVERIFY(world.told.empty()); // not before the nodes settled
        QTRY_COMPARE(world.told.size(), size_t(1));
        QCOMPARE(world.told[0], QStringLiteral("may not open /dev/hidraw0"));
        world.Plug("hidraw1");
        QTest::qWait(kSettleMs * 4);
        QCOMPARE(world.told.size(), size_t(1));
        QCOMPARE(world.probes, 1);
    }

    void toldWhenABlockedKeyboardIsPluggedInLater() {
        World world;
        auto notice = world.Notice();
        notice->Start();
        QTRY_COMPARE(world.probes, 1);
        QVERIFY(world.told.empty());
        world.advice = "may not open /dev/hidraw3";
        world.Plug("hidraw3");
        world.Plug("hidraw4");
        QTRY_COMPARE(world.told.size(), size_t(1));
        QCOMPARE(world.probes, 2); // two nodes, one look
        QVERIFY(notice->Told());
    }

    void silentWhileAKeyboardIsConnected() {
        World world;
        world.advice = "may not open /dev/hidraw1";
        world.connected = true; // another node of it, or another keyboard, answers
        auto notice = world.Notice();
        notice->Start();
        world.Plug("hidraw1");
        QTest::qWait(kSettleMs * 6);
        QVERIFY(world.told.empty());
        QVERIFY(!notice->Told());
    }

    void systemProbeReadsTheSystemRootButNotForTheVirtualKeyboard() {
        // A keyboard whose node udev has not made: closed to every user, root included.
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("sys/class/hidraw/hidraw0/device"));
        QFile uevent(root.filePath("sys/class/hidraw/hidraw0/device/uevent"));
        QVERIFY(uevent.open(QIODevice::WriteOnly));
        uevent.write("HID_ID=0003:00000C45:00006515\n");
        uevent.close();
        qputenv("BRISVANE_SYSTEM_ROOT", root.path().toLocal8Bit());
        qunsetenv("OLVASK_BACKEND");
        const std::string advice = app::NodeAccessNotice::SystemProbe()();
        QVERIFY2(advice.find("may not open /dev/hidraw0") != std::string::npos, advice.c_str());
        qputenv("OLVASK_BACKEND", "sim");
        QCOMPARE(app::NodeAccessNotice::SystemProbe()(), std::string());
        qunsetenv("OLVASK_BACKEND");
        qunsetenv("BRISVANE_SYSTEM_ROOT");
    }
};

} // namespace

QTEST_GUILESS_MAIN(NodeAccessNoticeTest)
#include "NodeAccessNoticeTest.moc"
