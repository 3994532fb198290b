// The lighting panel's controls on a window with the generated skin: where they stand, what
// they show, and that a click, a slider and a list reach the panel's model. No keyboard is
// present, so every write fails at once and the panel keeps what the user chose.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "keys/KeyboardView.h"
#include "lighting/CLightingPanel.h"
#include "support/MemorySettings.h"
#include "support/NoButtons.h"
#include "ui/AppSettings.h"
#include "ui/CBitmapSlider.h"
#include "ui/CPngButton.h"
#include "ui/IniFile.h"
#include "ui/SkinRect.h"

namespace {

using namespace lighting;

struct NoKeyData : keys::KeyViewData {
    void WithShownBlock(const std::function<void(std::span<keys::KeyEntry>)>&) override {}
    std::u16string MacroName(uint32_t) override { return {}; }
    uint32_t ShownBlock() override { return 0; }
    bool LayerB() override { return false; }
    void SetApplyPending() override {}
};
const std::filesystem::path kSkins = std::filesystem::path(BRISVANE_BUILD_ROOT) / "Skins";

QRect Rect(const char16_t* key) {
    const ui::SkinRect r = ui::ReadSkinRect(kSkins / "Main.ini", u"BUTTONINFO", key);
    return {r.x, r.y, r.w, r.h};
}

} // namespace

class LightingPanelWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controlsStandWhereTheSkinSaysAndStartHidden();
    void theSwitchShowsTheControlsOfTheEffect();
    void aSliderPressTellsThePanelItsPosition();
    void theReportButtonsLatchTheChosenRate();

private:
    QTemporaryDir dir_;
    QImage face_{1200, 800, QImage::Format_RGB32};
    std::unique_ptr<QWidget> window_;
    NoButtons buttons_;
    NoKeyData data_;
    NoSettings settings_;
    std::unique_ptr<keys::KeyboardView> keys_;
    std::unique_ptr<CLightingPanel> panel_;
    UserFiles files_;
};

void LightingPanelWindowTest::init() {
    const std::filesystem::path folder = dir_.path().toStdString();
    files_ = {folder / "tavrin.ini", kSkins / "UserDengColor_", folder / "UserDengColor_"};
    window_ = std::make_unique<QWidget>();
    window_->resize(1024, 640);
    keys_ = std::make_unique<keys::KeyboardView>(buttons_, data_, settings_);
    panel_ = std::make_unique<CLightingPanel>(
        *window_, *keys_,
        CLightingPanel::Skin{kSkins / "Main.ini",
                             kSkins,
                             kSkins / "language.ini",
                             {&face_, &face_, &face_, &face_, &face_}},
        files_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void LightingPanelWindowTest::cleanup() {
    panel_.reset();
    window_.reset();
    ui::ClearIniCache();
}

void LightingPanelWindowTest::controlsStandWhereTheSkinSaysAndStartHidden() {
    QCOMPARE(panel_->Control(kIdLightingSwitch)->geometry(), Rect(u"CONTROL_DengStaPic"));
    QCOMPARE(panel_->Control(kIdEffectList)->geometry(), Rect(u"CONTROL_XGcombox"));
    QCOMPARE(panel_->Control(kIdBrightnessSlider)->geometry(), Rect(u"CONTROL_LightSlider"));
    QCOMPARE(panel_->Control(kReportButtonIds[2])->geometry(), Rect(u"FUNC_REPORT3"));
    auto* lightingSwitch = qobject_cast<QLabel*>(panel_->Control(kIdLightingSwitch));
    QVERIFY(lightingSwitch && !lightingSwitch->pixmap().isNull());
    QVERIFY(panel_->Control(kIdLightingCaption)->isVisible());
    QVERIFY(panel_->Control(kIdReportCaption)->isVisible());
    for (uint16_t id : kEffectControls)
        QVERIFY2(!panel_->Control(id)->isVisible(), std::to_string(id).c_str());
    auto* userModes = qobject_cast<QComboBox*>(panel_->Control(kIdUserModeList));
    QCOMPARE(userModes->count(), 4);
    QCOMPARE(userModes->itemText(0), QStringLiteral("USER_MODE1"));
    // The user colour files were prepared from the skin's template.
    QVERIFY(std::filesystem::exists(ColourFile(files_.userPrefix, 3)));
}

void LightingPanelWindowTest::theSwitchShowsTheControlsOfTheEffect() {
    QTest::mouseClick(panel_->Control(kIdLightingSwitch), Qt::LeftButton);
    QVERIFY(panel_->Model().LightingMode());
    QVERIFY(keys_->LightingMode());
    QCOMPARE(ui::GetPrivateProfileString(u"KEYCOLOR", u"DengCheck", u"", 260, files_.settingsFile),
             std::u16string(u"1"));
    // No keyboard answered: the effect of an empty record shows no control but the switch.
    QVERIFY(!panel_->Control(kIdEffectList)->isVisible());
    panel_->ShowControl(kIdEffectList, true);
    panel_->MoveControl(kIdDirectionLeft, u"CONTROL_BLFXLStaPic2");
    QCOMPARE(panel_->Control(kIdDirectionLeft)->pos(), Rect(u"CONTROL_BLFXLStaPic2").topLeft());

    QTest::mouseClick(panel_->Control(kIdLightingSwitch), Qt::LeftButton);
    QVERIFY(!panel_->Model().LightingMode());
    for (uint16_t id : kEffectControls)
        QVERIFY(!panel_->Control(id)->isVisible());
}

void LightingPanelWindowTest::aSliderPressTellsThePanelItsPosition() {
    auto* slider = qobject_cast<ui::CBitmapSlider*>(panel_->Control(kIdBrightnessSlider));
    QVERIFY(slider);
    panel_->ShowControl(kIdBrightnessSlider, true);
    QCOMPARE(slider->GetPos(), 0);
    const QPoint rightEnd(slider->width() - 11, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, rightEnd);
    QTRY_COMPARE(panel_->Model().State().brightness, 4);
    QVERIFY(slider->Dragging());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, rightEnd);
    QTRY_VERIFY(!slider->Dragging());

    auto* speed = qobject_cast<ui::CBitmapSlider*>(panel_->Control(kIdSpeedSlider));
    panel_->ShowControl(kIdSpeedSlider, true);
    QTest::mouseClick(speed, Qt::LeftButton, {}, QPoint(speed->width() / 2, speed->height() / 2));
    QTRY_COMPARE(panel_->Model().State().speed, 2);
}

void LightingPanelWindowTest::theReportButtonsLatchTheChosenRate() {
    auto* third = qobject_cast<ui::CPngButton*>(panel_->Control(kReportButtonIds[2]));
    QTest::mouseClick(third, Qt::LeftButton);
    QCOMPARE(panel_->Model().State().reportRate, 2);
    for (int v = 0; v < 4; ++v)
        QCOMPARE(qobject_cast<ui::CPngButton*>(panel_->Control(kReportButtonIds[v]))->Latched(),
                 v == 2);
}

QTEST_MAIN(LightingPanelWindowTest)
#include "LightingPanelWindowTest.moc"
