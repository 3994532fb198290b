// The image button: which face it draws, outline mode, caption margins, tooltip, the draw
// callback, and double clicks.

#include "SkinTestFiles.h"
#include "ui/CPngButton.h"
#include "ui/CaptionFormat.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolTip>
#include <QWidget>

using namespace ui;

namespace {

const QColor kNormal(200, 0, 0), kHover(0, 200, 0), kPressed(0, 0, 200), kDisabled(90, 90, 90),
    kLatched(200, 200, 0), kUnmarked(0, 90, 90), kMarked(200, 0, 200);

void Hover(QWidget& w, bool on) {
    if (on) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w.mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(&w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&w, &leave);
    }
}

void Mouse(QWidget& w, QEvent::Type type, Qt::MouseButtons held) {
    const QPointF at(5, 5);
    QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

} // namespace

class TestPngButton : public QObject {
    Q_OBJECT

    QImage normal_, hover_, pressed_, disabled_, latched_, unmarked_, marked_;

    static QColor Centre(QWidget& w) {
        const QImage shown = w.grab().toImage();
        return shown.pixelColor(shown.width() / 2, shown.height() / 2);
    }

private slots:
    void initTestCase() {
        const QSize s(200, 120);
        normal_ = SolidPicture(s, kNormal);
        hover_ = SolidPicture(s, kHover);
        pressed_ = SolidPicture(s, kPressed);
        disabled_ = SolidPicture(s, kDisabled);
        latched_ = SolidPicture(s, kLatched);
        unmarked_ = SolidPicture(s, kUnmarked);
        marked_ = SolidPicture(s, kMarked);
    }

    void facesFollowTheState() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(10, 10, 30, 20);
        b.SetFaces(10, 10, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        QCOMPARE(Centre(b), kNormal);
        b.SetLatched(true);
        QCOMPARE(Centre(b), kLatched);
        Hover(b, true);
        QVERIFY(b.Hovering());
        QCOMPARE(Centre(b), kHover);
        b.setDown(true);
        QCOMPARE(Centre(b), kPressed);
        // Disabled beats latched, hover and pressed.
        b.setEnabled(false);
        QCOMPARE(Centre(b), kDisabled);
        b.setEnabled(true);
        b.SetColourKeyFaces(&unmarked_, &marked_, true, false);
        QCOMPARE(Centre(b), kUnmarked);
        b.SetColourKeyFaces(&unmarked_, &marked_, true, true);
        QCOMPARE(Centre(b), kMarked);
        b.SetColourKeyFaces(&unmarked_, &marked_, false, true);
        b.setDown(false);
        Hover(b, false);
        QVERIFY(!b.Hovering());
        QCOMPARE(Centre(b), kLatched);
        b.SetLatched(false);
        QCOMPARE(Centre(b), kNormal);
    }

    void outlineDrawsAFrameInsteadOfTheFace() {
        QWidget window;
        window.resize(100, 100);
        window.setAutoFillBackground(true);
        QPalette p = window.palette();
        p.setColor(QPalette::Window, QColor(10, 20, 30));
        window.setPalette(p);
        CPngButton b(&window);
        b.setGeometry(10, 10, 30, 20);
        b.SetFaces(10, 10, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        b.SetOutline(0x00FF00, true); // green, as 0x00BBGGRR
        const QImage shown = window.grab().toImage();
        QCOMPARE(shown.pixelColor(11, 11), QColor(0, 255, 0)); // the frame
        QCOMPARE(shown.pixelColor(38, 28), QColor(0, 255, 0));
        QCOMPARE(shown.pixelColor(25, 20), QColor(10, 20, 30)); // the window shows inside
        b.SetOutline(0, false);
        QCOMPARE(window.grab().toImage().pixelColor(25, 20), kNormal);
    }

    void captionStaysInsideItsMargins() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(0, 0, 80, 24);
        b.SetFaces(0, 0, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        b.setText("MMMM");
        b.SetText(true, 9, "DejaVu Sans", 0xFFFFFF, 0x24); // left, vertically centred
        b.SetTextMargins(30, 0, 0, 0);
        const QImage shown = b.grab().toImage();
        int light = 0, lightLeftOfMargin = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) > 200) {
                    ++light;
                    if (x < 30)
                        ++lightLeftOfMargin;
                }
        QVERIFY(light > 20);
        QCOMPARE(lightLeftOfMargin, 0);
        // Turned by 90 degrees the caption stands upright in the middle of the button.
        b.setGeometry(0, 0, 24, 80);
        b.SetTextMargins(0, 0, 0, 0);
        b.SetTextRotation(900, true);
        const QImage upright = b.grab().toImage();
        int top = upright.height(), bottom = -1;
        for (int y = 0; y < upright.height(); ++y)
            for (int x = 0; x < upright.width(); ++x)
                if (qGray(upright.pixel(x, y)) > 200) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        QVERIFY(bottom - top > 24); // taller than the button is wide: it really turned
        QVERIFY(std::abs((top + bottom) / 2 - 40) <= 3);
    }

    void disabledCaptionTakesItsOwnColourWhenGiven() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(0, 0, 80, 24);
        b.SetFaces(0, 0, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        b.setText("MMMM");
        b.SetText(true, 12, "DejaVu Sans", 0xFFFFFF, 0x25);
        // The brightest pixel of the caption: white, or the disabled colour.
        auto brightest = [&b] {
            const QImage shown = b.grab().toImage();
            int best = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    best = std::max(best, qGray(shown.pixel(x, y)));
            return best;
        };
        b.setEnabled(false);
        QCOMPARE(brightest(), 255); // no disabled colour: a disabled label keeps its own
        b.SetDisabledTextColour(0x746C68);
        QVERIFY(brightest() < 120);
        b.setEnabled(true);
        QCOMPARE(brightest(), 255);
    }

    void verticalChineseCaptionStandsUprightInTheMiddle() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(0, 0, 24, 100);
        b.SetFaces(0, 0, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        b.setText(QStringLiteral("配置1"));
        b.SetText(true, 9, "DejaVu Sans", 0xFFFFFF, 0x25);
        b.SetTextRotation(900, true);
        const QImage shown = b.grab().toImage();
        int top = shown.height(), bottom = -1, left = shown.width(), right = -1;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) > 200) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        // One character under the other: taller than the caption turned on its side would be,
        // and narrow.
        QFont font("DejaVu Sans");
        font.setPixelSize(FontPixelHeight(9, b.logicalDpiY()));
        QVERIFY(bottom - top > QFontMetrics(font).horizontalAdvance(b.text()) + 3);
        QVERIFY(right - left < bottom - top);
        QVERIFY(std::abs((top + bottom) / 2 - 50) <= 4);
        QVERIFY(std::abs((left + right) / 2 - 12) <= 3);
    }

    void drawCallbackHearsWhetherTheNormalFaceWasDrawn() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(0, 0, 20, 20);
        b.SetFaces(0, 0, &normal_, &hover_, &pressed_, &disabled_, &latched_);
        QList<bool> seen;
        b.SetDrawCallback([&](CPngButton& who, bool normal) {
            QCOMPARE(&who, &b);
            seen << normal;
        });
        b.grab();
        b.setDown(true);
        b.grab();
        b.setDown(false);
        b.SetOutline(0xFF, true);
        b.grab();
        QCOMPARE(seen, (QList<bool>{true, false, false}));
    }

    void tooltipKeepsItsTextAndPopsUpOnHover() {
        QWidget window;
        window.resize(100, 100);
        CPngButton b(&window);
        b.setGeometry(10, 10, 40, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!b.TooltipActive());
        b.SetTooltip("Close", true);
        QCOMPARE(b.TooltipText(), QString("Close"));
        QVERIFY(b.TooltipActive());
        b.SetTooltip(QString(), false); // an empty text changes nothing
        QCOMPARE(b.TooltipText(), QString("Close"));
        QVERIFY(b.TooltipActive());
        Hover(b, true);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QString("Close"));
        QToolTip::hideText();
        Hover(b, false);
        b.SetTooltip("Minimise", false);
        QVERIFY(!b.TooltipActive());
        Hover(b, true);
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible() || QToolTip::text() != "Minimise");
    }

    void doubleClickGivesTwoClicks() {
        QWidget window;
        CPngButton b(&window);
        b.setGeometry(0, 0, 20, 20);
        QSignalSpy clicks(&b, &QAbstractButton::clicked);
        Mouse(b, QEvent::MouseButtonPress, Qt::LeftButton);
        Mouse(b, QEvent::MouseButtonRelease, Qt::NoButton);
        Mouse(b, QEvent::MouseButtonDblClick, Qt::LeftButton);
        Mouse(b, QEvent::MouseButtonRelease, Qt::NoButton);
        QCOMPARE(clicks.count(), 2);
    }
};

QTEST_MAIN(TestPngButton)
#include "TestPngButton.moc"
