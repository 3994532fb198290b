// The skinned dialog base: the outline from the mask, the size from the background, the
// drag by the background, and the pictures let go on OK.

#include "SkinTestFiles.h"
#include "ui/CBaseDialog.h"
#include "ui/CPngButton.h"
#include "ui/SkinRegion.h"

#include <QMouseEvent>

using namespace ui;

namespace {

void Mouse(QWidget& w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(local), QPointF(global), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

int Area(const QRegion& r) {
    int area = 0;
    for (const QRect& rect : r)
        area += rect.width() * rect.height();
    return area;
}

} // namespace

class TestBaseDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    std::filesystem::path Skin(const QByteArray& layout) {
        static int n = 0;
        const QString name = QString("layout%1.ini").arg(++n);
        WriteText(dir_, name, layout);
        return PathOf(dir_, name);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // A 40 x 30 background, white in its top-left 10 x 10 corner.
        QImage background = SolidPicture({40, 30}, QColor(30, 30, 40));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                background.setPixel(x, y, qRgb(255, 255, 255));
        QVERIFY(background.save(dir_.filePath("back.png")));
        QVERIFY(SolidPicture({40, 30}, Qt::white).save(dir_.filePath("white.bmp")));
    }

    void allWhiteMaskGivesNoRegion() {
        QVERIFY(RegionFromMask(SolidPicture({5, 4}, Qt::white), {255, 255, 255}, 0).isEmpty());
    }

    void nearWhiteBelongsToTheWindow() {
        QImage mask = SolidPicture({3, 3}, Qt::white);
        mask.setPixel(1, 1, qRgb(254, 255, 255));
        mask.setPixel(2, 0, qRgb(255, 255, 254));
        const QRegion r = RegionFromMask(mask, {255, 255, 255}, 0);
        QVERIFY(r.contains(QPoint(1, 1)));
        QVERIFY(r.contains(QPoint(2, 0)));
        QVERIFY(!r.contains(QPoint(0, 0)));
        QCOMPARE(Area(r), 2);
    }

    void manyRunsAreAllKept() {
        // A checkerboard of 120 x 60 holds 3600 one-pixel runs: more than one block.
        QImage mask = SolidPicture({120, 60}, Qt::white);
        for (int y = 0; y < 60; ++y)
            for (int x = (y % 2); x < 120; x += 2)
                mask.setPixel(x, y, qRgb(0, 0, 0));
        const QRegion r = RegionFromMask(mask, {255, 255, 255}, 0);
        QCOMPARE(Area(r), 3600);
        QVERIFY(r.contains(QPoint(0, 0)));
        QVERIFY(!r.contains(QPoint(1, 0)));
        QVERIFY(r.contains(QPoint(119, 59)));
        QVERIFY(!r.contains(QPoint(118, 59)));
    }

    void backgroundIsItsOwnMaskWhenNoneIsNamed() {
        CBaseDialog dialog(nullptr, Skin("[SCREEN]\nMain=back.png\n"), PathOf(dir_, ""));
        dialog.move(50, 60);
        dialog.OnInitDialog();
        QCOMPARE(dialog.size(), QSize(40, 30));
        QCOMPARE(dialog.pos(), QPoint(50, 60));
        QVERIFY(!dialog.Skinning());
        QVERIFY(!dialog.mask().contains(QPoint(5, 5))); // white: a hole
        QVERIFY(dialog.mask().contains(QPoint(20, 20)));
        QVERIFY(dialog.mask().contains(QPoint(15, 5)));
        QCOMPARE(Area(dialog.mask()), 40 * 30 - 100);
        // The dialog paints its background.
        QCOMPARE(dialog.grab().toImage().pixelColor(20, 20), QColor(30, 30, 40));
    }

    void whiteMaskKeepsTheRectangle() {
        CBaseDialog dialog(nullptr, Skin("[SCREEN]\nMain=back.png\nMask=white.bmp\n"),
                           PathOf(dir_, ""));
        dialog.OnInitDialog();
        QCOMPARE(dialog.size(), QSize(40, 30));
        QVERIFY(dialog.mask().isEmpty());
    }

    void dragsByTheBackgroundOnly() {
        CBaseDialog dialog(nullptr, Skin("[SCREEN]\nMain=back.png\nMask=white.bmp\n"),
                           PathOf(dir_, ""));
        CPngButton button(&dialog);
        button.setGeometry(25, 15, 10, 10);
        dialog.OnInitDialog();
        dialog.move(100, 100);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint start = dialog.pos();
        const QPoint grabAt(12, 12);
        Mouse(dialog, QEvent::MouseButtonPress, grabAt, start + grabAt, Qt::LeftButton);
        Mouse(dialog, QEvent::MouseMove, grabAt + QPoint(30, 20), start + grabAt + QPoint(30, 20),
              Qt::LeftButton);
        Mouse(dialog, QEvent::MouseButtonRelease, grabAt, start + grabAt + QPoint(30, 20),
              Qt::NoButton);
        QTRY_COMPARE(dialog.pos(), start + QPoint(30, 20));
        // A press on a control belongs to the control; the window stays.
        const QPoint moved = dialog.pos();
        QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        QTest::mouseMove(&button, QPoint(9, 9));
        QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(9, 9));
        QCOMPARE(dialog.pos(), moved);
    }

    void okLetsThePicturesGo() {
        CBaseDialog dialog(nullptr, Skin("[SCREEN]\nMain=back.png\n"), PathOf(dir_, ""));
        dialog.OnInitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!dialog.Background().isNull());
        dialog.accept();
        QVERIFY(dialog.Background().isNull());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    // A window hidden in the tray all day holds no decoded background; it paints the same
    // once shown again.
    void theBackgroundIsDecodedWhenPaintedAndLetGoWhenHidden() {
        CBaseDialog dialog(nullptr, Skin("[SCREEN]\nMain=back.png\nMask=white.bmp\n"),
                           PathOf(dir_, ""));
        dialog.OnInitDialog();
        QCOMPARE(dialog.size(), QSize(40, 30));
        QCOMPARE(dialog.ClientSize(), QSize(40, 30));
        QVERIFY(dialog.Background().isNull());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTRY_VERIFY(!dialog.Background().isNull());
        dialog.hide();
        QVERIFY(dialog.Background().isNull());
        QCOMPARE(dialog.grab().toImage().pixelColor(20, 20), QColor(30, 30, 40));
        QCOMPARE(dialog.grab().toImage().pixelColor(5, 5), QColor(255, 255, 255));
    }
};

QTEST_MAIN(TestBaseDialog)
#include "TestBaseDialog.moc"
