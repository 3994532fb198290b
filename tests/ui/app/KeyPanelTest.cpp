// The keyboard view on real image buttons: looks, tooltips, captions, Flip and the arrows
// that follow a Flip button's normal drawing.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <fstream>
#include <map>

#include "app/ControlIds.h"
#include "app/QtKeyPanel.h"
#include "keys/KeyButtons.h"
#include "keys/KeyCodes.h"
#include "keys/KeyboardView.h"
#include "ui/AppSettings.h"
#include "ui/CPngButton.h"

namespace {

struct Block : keys::KeyViewData {
    void WithShownBlock(const std::function<void(std::span<keys::KeyEntry>)>& fn) override {
        fn(entries);
    }
    std::u16string MacroName(uint32_t) override { return {}; }
    uint32_t ShownBlock() override { return 0; }
    bool LayerB() override { return layerB; }
    void SetApplyPending() override {}
    std::array<keys::KeyEntry, keys::kKeyBlockEntries> entries{};
    bool layerB = false;
};

struct Settings : ui::AppSettings {
    std::u16string GetProfileString(std::u16string_view, std::u16string_view,
                                    std::u16string_view defaultValue) override {
        return std::u16string(defaultValue);
    }
    bool WriteProfileString(std::u16string_view, std::u16string_view,
                            std::u16string_view) override {
        return true;
    }
};

} // namespace

class KeyPanelTest : public QObject {
    Q_OBJECT
private slots:
    void looksFlipAndArrowsReachTheButtons();
};

void KeyPanelTest::looksFlipAndArrowsReachTheButtons() {
    QTemporaryDir dir;
    const std::filesystem::path layout = dir.filePath("Main.ini").toStdString();
    std::ofstream(layout) << "[BUTTONINFO]\nLEFT_ARROW=40,50,12,8\nRIGHT_ARROW=60,50,12,8\n"
                             "[BUTTONINFO2]\nDOWN_ARROW_LEFT1=1,1,12,8\nUP_ARROW_LEFT1=21,31,12,8\n"
                             "DOWN_ARROW_RIGHT1=1,11,12,8\nUP_ARROW_RIGHT1=21,41,12,8\n";
    QImage normal(200, 200, QImage::Format_RGB32), over = normal, down = normal, disable = normal,
                                                   arrow = normal;
    QWidget window;
    std::map<int, ui::CPngButton*> buttons;
    const int ids[] = {
        1058, 1000, 1010, 1016, app::kIdLeftArrow, app::kIdRightArrow, keys::kFlipButton1Id};
    for (int id : ids)
        buttons[id] = new ui::CPngButton(&window);
    app::QtKeyPanel panel([&buttons](int id) { return buttons.count(id) ? buttons[id] : nullptr; },
                          {&normal, &over, &down, &disable, &arrow}, layout);
    Block block;
    Settings settings;
    keys::KeyboardView view(panel, block, settings);

    block.entries[keys::KeyIndexOf(0x01E)] = {2, 0, 0x030, 0, 0};
    block.layerB = true;
    view.RefreshKeyButtons();
    view.ShowLayer();
    QVERIFY(buttons[1058]->Latched());
    QVERIFY(buttons[1058]->TooltipText().endsWith("Key(B)"));
    QCOMPARE(buttons[1000]->text(), QString("B1"));
    QVERIFY(!buttons[1000]->Latched());
    QVERIFY(buttons[1010]->isEnabled());
    QVERIFY(!buttons[1016]->isEnabled());

    view.SetLightMark(1058, 0x0000FF);
    QVERIFY(buttons[1058]->OutlineOn());
    QCOMPARE(buttons[1058]->OutlineColour(), 0x0000FFu);
    view.ClearLightMarks();
    QVERIFY(!buttons[1058]->OutlineOn());
    QVERIFY(!buttons[1058]->Latched());

    // The Flip button's normal drawing places the arrow for the new Flip.
    view.ToggleFlip();
    QVERIFY(!buttons[1010]->isEnabled());
    QVERIFY(buttons[1016]->isEnabled());
    buttons[keys::kFlipButton1Id]->SetFaces(1, 1, &normal, &over, &down, &disable, &disable);
    buttons[keys::kFlipButton1Id]->SetDrawCallback(
        [&view](ui::CPngButton&, bool normal) { view.ButtonDrawn(keys::kFlipButton1Id, normal); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(buttons[app::kIdLeftArrow]->geometry(), QRect(40, 50, 12, 8));
    QCOMPARE(buttons[app::kIdLeftArrow]->FaceOrigin(), QPoint(21, 31));
    // The right arrow's Flip button was never drawn: that arrow stays where it was.
    QCOMPARE(buttons[app::kIdRightArrow]->geometry().topLeft(), QPoint(0, 0));
}

QTEST_MAIN(KeyPanelTest)
#include "KeyPanelTest.moc"
