// The bitmap slider, the report list, the coloured text, the link and the colour button.

#include "ui/CBitmapSlider.h"
#include "ui/CHyperLink.h"
#include "ui/CReportCtrl.h"
#include "ui/CSkinColorBtn.h"
#include "ui/ColorStatic.h"

#include <QFrame>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace ui;

namespace {

void Mouse(QWidget& w, QEvent::Type type, int x, Qt::MouseButtons held) {
    const QPointF at(x, w.height() / 2);
    QMouseEvent e(type, at, w.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

QList<int> Positions(QSignalSpy& spy, int id) {
    QList<int> out;
    for (const QList<QVariant>& call : spy) {
        if (call.at(0).toInt() != id)
            return {-999};
        out << call.at(1).toInt();
    }
    return out;
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

    // Five positions over a 90-pixel slider whose thumb stops 10 pixels from each edge.
    static void Prepare(CBitmapSlider& s) {
        s.resize(90, 20);
        s.SetControlId(1178);
        s.SetMargins(10, 10);
        s.SetRange(0, 4);
    }

private slots:
    void sliderPostsWhileDraggingPastTheEndAndOnRelease() {
        CBitmapSlider s;
        Prepare(s);
        QSignalSpy spy(&s, &CBitmapSlider::Notified);
        Mouse(s, QEvent::MouseButtonPress, 45, Qt::LeftButton);
        QVERIFY(s.Dragging());
        Mouse(s, QEvent::MouseMove, 80, Qt::LeftButton);
        Mouse(s, QEvent::MouseMove, 110, Qt::LeftButton);
        Mouse(s, QEvent::MouseMove, 140, Qt::LeftButton);
        // Posted, not sent: nothing has arrived while the input is being handled.
        QCOMPARE(spy.count(), 0);
        Mouse(s, QEvent::MouseButtonRelease, 140, Qt::NoButton);
        QTRY_COMPARE(spy.count(), 5);
        QCOMPARE(Positions(spy, 1178), (QList<int>{2, 4, 4, 4, 4}));
        QCOMPARE(s.GetPos(), 4);
        QVERIFY(!s.Dragging());
    }

    void sliderKeysStepAndPost() {
        CBitmapSlider s;
        Prepare(s);
        s.SetPageSize(2);
        s.SetPos(1);
        QSignalSpy spy(&s, &CBitmapSlider::Notified);
        QTest::keyClick(&s, Qt::Key_Right);
        QTest::keyClick(&s, Qt::Key_PageDown);
        QTest::keyClick(&s, Qt::Key_End);
        QTest::keyClick(&s, Qt::Key_Home);
        QTest::keyClick(&s, Qt::Key_Up);
        QTRY_COMPARE(spy.count(), 5);
        QCOMPARE(Positions(spy, 1178), (QList<int>{2, 4, 4, 0, 0}));
    }

    void disabledSliderStaysStill() {
        CBitmapSlider s;
        Prepare(s);
        s.setEnabled(false);
        QSignalSpy spy(&s, &CBitmapSlider::Notified);
        Mouse(s, QEvent::MouseButtonPress, 80, Qt::LeftButton);
        Mouse(s, QEvent::MouseButtonRelease, 80, Qt::NoButton);
        QTest::keyClick(&s, Qt::Key_End);
        QTest::qWait(20);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(s.GetPos(), 0);
    }

    void sliderDrawsItsChannelAndThumb() {
        CBitmapSlider s;
        Prepare(s);
        QImage channel(90, 20, QImage::Format_RGB32);
        channel.fill(QColor(0, 0, 120));
        QImage thumb(6, 6, QImage::Format_RGB32);
        thumb.fill(Qt::white);
        s.SetChannel(channel);
        s.SetThumb(thumb);
        s.SetPos(4);
        const QImage shown = s.grab().toImage();
        QCOMPARE(shown.pixelColor(80, 10), QColor(Qt::white)); // thumb at the right end
        QCOMPARE(shown.pixelColor(10, 10), QColor(0, 0, 120));
    }

    void singleCheckCallsBackForBothRows() {
        CReportCtrl list;
        list.InsertColumn(0, "Active", Qt::AlignLeft, 60);
        list.InsertColumn(1, "Name", Qt::AlignLeft, 120);
        list.InsertColumn(2, "Path", Qt::AlignLeft, 230);
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(list.InsertItem(r, QString()), r);
            list.SetItemText(r, 1, QString("$Profile%1").arg(r));
        }
        list.SetCheckboxeStyle(CheckMode::Single);
        QList<int> calls;
        list.SetCheckChangeCallback([&](int row) { calls << row; });
        // The user ticks row 2, then row 0: the view changes the box, the list keeps one.
        list.topLevelItem(2)->setCheckState(0, Qt::Checked);
        QCOMPARE(calls, QList<int>{2});
        list.topLevelItem(0)->setCheckState(0, Qt::Checked);
        QCOMPARE(calls, (QList<int>{2, 0, 2}));
        QCOMPARE(list.topLevelItem(2)->checkState(0), Qt::Unchecked);
        QCOMPARE(list.GetFirstItem(kRowChecked), 0);
        // The same from a call.
        calls.clear();
        QVERIFY(list.SetItemStates(1, kRowChecked));
        QCOMPARE(calls, (QList<int>{1, 0}));
        QCOMPARE(list.topLevelItem(0)->checkState(0), Qt::Unchecked);
        QCOMPARE(list.topLevelItem(1)->checkState(0), Qt::Checked);
        QCOMPARE(list.GetItemText(1, 1), QString("$Profile1"));
    }

    void deletingSelectsTheNextRow() {
        CReportCtrl list;
        list.InsertColumn(0, "Name", Qt::AlignLeft, 100);
        for (int r = 0; r < 3; ++r)
            list.InsertItem(r, QString("row %1").arg(r));
        list.SetItemData(1, 0xBEEF);
        // The user selects the first row.
        list.topLevelItem(0)->setSelected(true);
        QCOMPARE(list.GetFirstItem(kRowSelected), 0);
        QVERIFY(list.DeleteItem(list.GetFirstItem(kRowSelected)));
        QCOMPARE(list.GetItemCount(), 2);
        QCOMPARE(list.GetItemText(0, 0), QString("row 1"));
        QCOMPARE(list.GetItemData(0), quintptr(0xBEEF));
        QVERIFY(list.topLevelItem(0)->isSelected());
        QCOMPARE(list.GetFirstItem(kRowSelected), 0);
        QVERIFY(!list.DeleteItem(5));
    }

    void columnsCanBeInsertedBeforeOthers() {
        CReportCtrl list;
        list.InsertColumn(0, "B", Qt::AlignLeft, 50);
        list.InsertItem(0, "b0");
        QCOMPARE(list.InsertColumn(0, "A", Qt::AlignRight, 40), 0);
        QCOMPARE(list.GetColumnCount(), 2);
        QCOMPARE(list.headerItem()->text(1), QString("B"));
        QCOMPARE(list.columnWidth(1), 50);
        QCOMPARE(list.GetItemText(0, 1), QString("b0"));
        QVERIFY(list.DeleteColumn(0));
        QCOMPARE(list.GetItemText(0, 0), QString("b0"));
    }

    void colourTextKeepsItsColour() {
        ColorStatic text;
        QCOMPARE(text.TextColor(), uint32_t(0xFFFFFF));
        QCOMPARE(text.palette().color(QPalette::WindowText), QColor(Qt::white));
        text.SetTextColor(0xE4E4E4);
        QCOMPARE(text.palette().color(QPalette::WindowText), QColor(228, 228, 228));
        text.SetTextColor(0x0000FF); // 0x00BBGGRR: red
        QCOMPARE(text.palette().color(QPalette::WindowText), QColor(255, 0, 0));
        text.SetFontHeight(15);
        QCOMPARE(text.font().pixelSize(), 15);
    }

    void linkOpensItsTarget() {
        CHyperLink link;
        link.resize(120, 20);
        QList<QUrl> opened;
        link.SetOpener([&](const QUrl& url) {
            opened << url;
            return true;
        });
        link.SetURL("https://quandril.example/brisvane");
        QCOMPARE(link.text(), QString("https://quandril.example/brisvane"));
        QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(&link, Qt::LeftButton);
        QCOMPARE(opened, QList<QUrl>{QUrl("https://quandril.example/brisvane")});
        QVERIFY(link.Visited());
    }

    void colourButtonChoosesFromItsPalette() {
        CSkinColorBtn button;
        button.resize(40, 24);
        button.show();
        QVERIFY(QTest::qWaitForWindowExposed(&button));
        QCOMPARE(button.FocusFrame(), QRect(-3, -3, 46, 30));
        QSignalSpy changed(&button, &CSkinColorBtn::ColorChanged);
        QTest::mouseClick(&button, Qt::LeftButton);
        QVERIFY(button.Palette());
        const QList<QToolButton*> swatches = button.Palette()->findChildren<QToolButton*>();
        QVERIFY(swatches.size() >= 24);
        swatches.at(4)->click(); // green
        QCOMPARE(changed.count(), 1);
        QCOMPARE(button.GetColor(), uint32_t(0x00FF00));
        QTRY_VERIFY(!button.Palette());
    }
};

QTEST_MAIN(TestControls)
#include "TestControls.moc"
