// A missing or undecodable skin picture ends the program at once, with exit code 0 and
// nothing written: run in a separate process, which must not live on to say "survived".

#include "SkinTestFiles.h"

#include <QProcess>

class TestSilentExit : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    struct Outcome {
        int code;
        QByteArray output;
    };

    Outcome Probe(const QStringList& arguments) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // A runtime folder of its own, so that the platform has nothing to remark on.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir_.path());
        p.setProcessEnvironment(env);
        p.start(SKIN_EXIT_PROBE, arguments);
        if (!p.waitForFinished(20000))
            return {-1, "did not finish"};
        if (p.exitStatus() != QProcess::NormalExit)
            return {-2, "crashed"};
        return {p.exitCode(), p.readAll()};
    }

    void ExpectSilentEnd(const QStringList& arguments) {
        const Outcome o = Probe(arguments);
        QCOMPARE(o.output, QByteArray());
        QCOMPARE(o.code, 0);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(SolidPicture({20, 20}, Qt::black).save(dir_.filePath("good.jpg")));
        WriteText(dir_, "broken.jpg", "this is no picture at all");
        WriteText(dir_, "ok.ini", "[SCREEN]\nMain=good.jpg\n");
        WriteText(dir_, "nomain.ini", "[SCREEN]\nMask=good.jpg\n");
        WriteText(dir_, "badmask.ini", "[SCREEN]\nMain=good.jpg\nMask=broken.jpg\n");
        WriteText(dir_, "gone.ini", "[SCREEN]\nMain=gone.jpg\n");
    }

    void aReadablePictureLetsTheProgramGoOn() {
        // The probe itself can tell that it survived.
        const Outcome surface = Probe({"surface", dir_.filePath("good.jpg")});
        QCOMPARE(surface.code, 3);
        QCOMPARE(surface.output.trimmed(), QByteArray("survived"));
        const Outcome dialog = Probe({"dialog", dir_.filePath("ok.ini"), dir_.path()});
        QCOMPARE(dialog.code, 3);
    }

    void missingSurfacePictureEndsSilently() {
        ExpectSilentEnd({"surface", dir_.filePath("none.jpg")});
    }
    void undecodableSurfacePictureEndsSilently() {
        ExpectSilentEnd({"surface", dir_.filePath("broken.jpg")});
    }
    void dialogWithoutMainEndsSilently() {
        ExpectSilentEnd({"dialog", dir_.filePath("nomain.ini"), dir_.path()});
    }
    void dialogWithBrokenMaskEndsSilently() {
        ExpectSilentEnd({"dialog", dir_.filePath("badmask.ini"), dir_.path()});
    }
    void dialogWithMissingBackgroundEndsSilently() {
        ExpectSilentEnd({"dialog", dir_.filePath("gone.ini"), dir_.path()});
    }
};

QTEST_MAIN(TestSilentExit)
#include "TestSilentExit.moc"
