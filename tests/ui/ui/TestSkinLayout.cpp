// Placing controls from layout files and cutting image-button faces from the surfaces.

#include "SkinTestFiles.h"
#include "ui/CPngButton.h"
#include "ui/IniFile.h"
#include "ui/SkinLayout.h"
#include "ui/SkinRect.h"
#include "ui/SkinSurface.h"
#include "ui/SkinSurfaceKeeper.h"

#include <QDialog>
#include <QWidget>

#include <memory>

using namespace ui;

class TestSkinLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::filesystem::path layout_;
    const QImage* surface_ = nullptr;
    QImage picture_;

    static QImage Shown(QWidget& w) {
        return w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    SkinFaces Faces() const { return {surface_, surface_, surface_, surface_, surface_}; }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        picture_ = PositionPicture({300, 200});
        QVERIFY(picture_.save(dir_.filePath("main_normal.png")));
        WriteText(dir_, "Main.ini",
                  "[BUTTONINFO]\n"
                  "FACE_TEST=100,40,60,20\n"
                  "CORNER=0,0,12,10\n"
                  "MISSING_MARK=1,1,40,20\n"
                  "KEY_02A=20,150,38,38\n"
                  "PLACED=30,60,70,25\n"
                  "ARROW=200,10,16,24\n"
                  "[BUTTONINFO2]\n"
                  "UP_ARROW_LEFT1=251,121,16,24\n");
        layout_ = PathOf(dir_, "Main.ini");
        surface_ = SkinSurface(PathOf(dir_, "main_normal.png"), {300, 200});
        QVERIFY(surface_);
    }

    void cleanupTestCase() { ClearIniCache(); }

    void surfaceIsLargerAndKeptForTheProgram() {
        QCOMPARE(surface_->size(), QSize(400, 300));
        QCOMPARE(surface_->copy(0, 0, 300, 200), picture_);
        // Beyond the picture the surface is black.
        QCOMPARE(surface_->pixel(350, 250), qRgb(0, 0, 0));
        // The same picture again: the same surface, whatever size is asked for.
        QCOMPARE(SkinSurface(PathOf(dir_, "main_normal.png"), {50, 50}), surface_);
    }

    void faceIsCutOnePixelUpAndLeft() {
        QWidget window;
        CPngButton button(&window);
        PlaceImageButton(button, layout_, kButtonInfo, u"FACE_TEST", Faces());
        QCOMPARE(button.geometry(), QRect(100, 40, 60, 20));
        QVERIFY(button.isEnabled());
        QCOMPARE(button.FaceOrigin(), QPoint(100, 40));
        QCOMPARE(Shown(button), picture_.copy(99, 39, 60, 20));
    }

    void cornerPlaceStaysEnabled() {
        QWidget window;
        CPngButton button(&window);
        PlaceImageButton(button, layout_, kButtonInfo, u"CORNER", Faces());
        QCOMPARE(button.geometry(), QRect(0, 0, 12, 10));
        QVERIFY(button.isEnabled());
        // Cut at -1, -1: the first row and column lie outside the surface and stay black.
        const QImage shown = Shown(button);
        QCOMPARE(shown.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(1, 1), picture_.pixel(0, 0));
        QCOMPARE(shown.pixel(11, 9), picture_.pixel(10, 8));
    }

    void oneOneDisablesTheButton_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("missing key") << "NO_SUCH_KEY" << QRect(1, 1, 1, 1);
        QTest::newRow("written as 1,1") << "MISSING_MARK" << QRect(1, 1, 40, 20);
    }
    void oneOneDisablesTheButton() {
        QFETCH(QString, key);
        QFETCH(QRect, geometry);
        QWidget window;
        CPngButton button(&window);
        PlaceImageButton(button, layout_, kButtonInfo, key.toStdU16String(), Faces());
        QCOMPARE(button.geometry(), geometry);
        QVERIFY(!button.isEnabled());
    }

    void keyButtonsAreNamedByKeyIndex() {
        QWidget window;
        CPngButton shift(&window);
        PlaceImageButton(shift, layout_, kButtonInfo, KeyButtonLayoutKey(0x2A), Faces());
        QCOMPARE(shift.geometry(), QRect(20, 150, 38, 38));
        QVERIFY(shift.isEnabled());
    }

    void placeAndMoveControls() {
        QWidget window;
        QWidget control(&window);
        control.setGeometry(5, 5, 11, 13);
        PlaceControl(control, layout_, kButtonInfo, u"PLACED");
        QCOMPARE(control.geometry(), QRect(30, 60, 70, 25));
        MoveControl(control, layout_, kButtonInfo, u"FACE_TEST");
        QCOMPARE(control.geometry(), QRect(100, 40, 70, 25)); // moved, same size
        PlaceControl(control, layout_, kButtonInfo, u"NO_SUCH_KEY");
        QCOMPARE(control.geometry(), QRect(1, 1, 1, 1));
    }

    void placeFromAnotherKeysFaces() {
        QWidget window;
        CPngButton arrow(&window);
        PlaceImageButtonFrom(arrow, layout_, kButtonInfo, u"ARROW", u"BUTTONINFO2",
                             u"UP_ARROW_LEFT1", surface_);
        QCOMPARE(arrow.geometry(), QRect(200, 10, 16, 24));
        QCOMPARE(arrow.FaceOrigin(), QPoint(251, 121));
        QCOMPARE(Shown(arrow), picture_.copy(250, 120, 16, 24));
        // Every face comes from the one surface: pressed and hovered look the same.
        arrow.setDown(true);
        QCOMPARE(Shown(arrow), picture_.copy(250, 120, 16, 24));
    }

    // Hidden all day, the program lets the pictures go and draws them again before a dialog
    // shows; the buttons keep their pointers to the same surfaces throughout.
    void surfacesSleepWhileNoDialogShowsAndWakeBeforeOneDoes() {
        auto keeper = std::make_unique<SkinSurfaceKeeper>(std::chrono::milliseconds(0));
        QVERIFY(surface_->isNull());
        // A picture first asked for while asleep stays empty until a dialog shows.
        QVERIFY(picture_.save(dir_.filePath("later.png")));
        const QImage* later = SkinSurface(PathOf(dir_, "later.png"), {300, 200});
        QVERIFY(later->isNull());
        QWidget plain; // a menu, the icon: no skin needed
        plain.show();
        QVERIFY(surface_->isNull());

        QDialog dialog;
        dialog.show();
        QCOMPARE(surface_->copy(0, 0, 300, 200), picture_);
        QCOMPARE(later->copy(0, 0, 300, 200), picture_);
        dialog.hide();
        QTRY_VERIFY(surface_->isNull());

        // One dialog closing as another opens leaves the pictures drawn; so does one shown
        // again before the pause is over.
        QDialog first, second;
        first.show();
        first.hide();
        second.show();
        QTest::qWait(20);
        QVERIFY(!surface_->isNull());
        second.hide();
        QTRY_VERIFY(surface_->isNull());

        keeper.reset();
        WakeSkinSurfaces();
        QCOMPARE(surface_->copy(0, 0, 300, 200), picture_);
    }
};

QTEST_MAIN(TestSkinLayout)
#include "TestSkinLayout.moc"
