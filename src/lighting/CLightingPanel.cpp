#include "lighting/CLightingPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "keys/KeyboardView.h"
#include "ui/CBitmapSlider.h"
#include "ui/CPngButton.h"
#include "ui/ColorStatic.h"
#include "ui/SkinPalette.h"

namespace lighting {
namespace {

QString Q(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

// A bitmap picture that acts on a click, as the desktop's notifying picture control does.
class ClickablePicture : public QLabel {
public:
    ClickablePicture(QWidget* parent, std::function<void()> onClick)
        : QLabel(parent), onClick_(std::move(onClick)) {
        setCursor(onClick_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Taken here, so that a click on a picture does not start dragging the window.
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick_)
            onClick_();
    }

private:
    std::function<void()> onClick_;
};

constexpr uint32_t kCaptionColour = 0xE4E4E4;
constexpr int kCaptionPixels = 13;

} // namespace

CLightingPanel::CLightingPanel(QWidget& window, keys::KeyboardView& keys, const Skin& skin,
                               UserFiles files)
    : window_(window), skin_(skin) {
    const std::filesystem::path languageFile = skin_.languageFile;
    model_ = std::make_unique<LightingPanel>(
        *this, link_, keys,
        LightingSkin{skin_.layoutFile, [languageFile] { return PanelLanguage(languageFile); }},
        files);
    LightingPanel& m = *model_;

    // Captions with the dialog template's texts until the skin's replace them.
    AddCaption(kIdLightingCaption, u"CONTROL_DengStatic", QStringLiteral("灯光"));
    AddCaption(kIdBrightnessCaption, u"CONTROL_LightStatic", QStringLiteral("亮度"));
    AddCaption(kIdSpeedCaption, u"CONTROL_SpeedStatic", QStringLiteral("速度"));
    AddCaption(kIdDirectionCaption, u"CONTROL_BLFXStatic", QStringLiteral("方向"));
    AddCaption(kIdToolCaption, u"CONTROL_USERgjStatic", QStringLiteral("工具"));
    AddCaption(kIdClearAllCaption, u"CONTROL_HXsjsStatic", QStringLiteral("全部熄灭"));
    AddCaption(kIdSelectAllCaption, u"CONTROL_LEDsjsStatic", QStringLiteral("全部点亮"));
    AddCaption(kIdReportCaption, u"CONTROL_UsbStatic", QStringLiteral("报告率"));

    AddPicture(kIdLightingSwitch, u"CONTROL_DengStaPic", [&m] { m.ToggleLightingMode(); });
    AddPicture(kIdDirectionLeft, u"CONTROL_BLFXLStaPic", [&m] { m.SetDirection(0xFF); });
    AddPicture(kIdDirectionRight, u"CONTROL_BLFXRStaPic", [&m] { m.SetDirection(0x00); });
    AddPicture(kIdPaintTool, u"CONTROL_USERgjStaPic1", [&m] { m.SetKeyLightTool(0); });
    AddPicture(kIdEraseTool, u"CONTROL_USERgjStaPic2", [&m] { m.SetKeyLightTool(1); });
    AddPicture(kIdSelectAll, u"CONTROL_LEDsjsStaPic", [&m] { m.SetAllKeyLights(true); });
    AddPicture(kIdClearAll, u"CONTROL_HXsjsStaPic", [&m] { m.SetAllKeyLights(false); });
    SetPicture(kIdLightingSwitch, u"dengup.bmp");
    SetPicture(kIdSelectAll, u"sjsup.bmp");
    SetPicture(kIdClearAll, u"sjsup.bmp");

    effects_ = new QComboBox(&window_);
    userModes_ = new QComboBox(&window_);
    for (auto [combo, id, key] : {std::tuple{effects_, kIdEffectList, u"CONTROL_XGcombox"},
                                  std::tuple{userModes_, kIdUserModeList, u"CONTROL_umCombo"}}) {
        ui::ApplySkinPalette(*combo);
        combo->setMaxVisibleItems(12);
        ui::PlaceControl(*combo, skin_.layoutFile, ui::kButtonInfo, key);
        controls_[id] = combo;
    }
    for (int n = 1; n <= 4; ++n)
        userModes_->addItem(QStringLiteral("USER_MODE%1").arg(n));
    connect(effects_, &QComboBox::currentIndexChanged, this,
            [&m](int line) { m.SelectEffect(line); });
    connect(userModes_, &QComboBox::currentIndexChanged, this,
            [&m](int line) { m.SelectUserMode(line); });

    brightness_ = AddSlider(kIdBrightnessSlider, u"CONTROL_LightSlider");
    speed_ = AddSlider(kIdSpeedSlider, u"CONTROL_SpeedSlider");
    SetPicture(kIdBrightnessSlider, u"0.bmp");
    SetPicture(kIdSpeedSlider, u"5.bmp");

    for (int v = 0; v < 4; ++v) {
        auto* button = new ui::CPngButton(&window_);
        const std::u16string key = u"FUNC_REPORT" + std::u16string(1, char16_t(u'1' + v));
        ui::PlaceImageButton(*button, skin_.layoutFile, ui::kButtonInfo, key, skin_.reportFaces);
        connect(button, &QAbstractButton::clicked, this, [&m, v] { m.SetReportRate(v); });
        button->show();
        reportButtons_[v] = button;
        controls_[kReportButtonIds[v]] = button;
    }

    for (uint16_t id : kEffectControls)
        ShowControl(id, false);
    m.ApplyCaptions();

    PrepareUserFilesNowAndWhenFolderIsMade(files);
}

CLightingPanel::~CLightingPanel() {
    ForgetUserFiles();
}

QWidget* CLightingPanel::Control(uint16_t id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void CLightingPanel::AddCaption(uint16_t id, std::u16string_view key, const QString& templateText) {
    auto* caption = new ui::ColorStatic(&window_);
    caption->SetTextColor(kCaptionColour);
    caption->SetFontHeight(kCaptionPixels);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    caption->setAttribute(Qt::WA_TranslucentBackground);
    caption->SetWindowText(templateText);
    ui::PlaceControl(*caption, skin_.layoutFile, ui::kButtonInfo, key);
    caption->show();
    controls_[id] = caption;
}

QLabel* CLightingPanel::AddPicture(uint16_t id, std::u16string_view key,
                                   std::function<void()> onClick) {
    auto* picture = new ClickablePicture(&window_, std::move(onClick));
    ui::PlaceControl(*picture, skin_.layoutFile, ui::kButtonInfo, key);
    picture->show();
    controls_[id] = picture;
    return picture;
}

ui::CBitmapSlider* CLightingPanel::AddSlider(uint16_t id, std::u16string_view key) {
    auto* slider = new ui::CBitmapSlider(&window_);
    slider->SetControlId(id);
    slider->SetRange(0, 4);
    slider->SetLineSize(1);
    slider->SetPageSize(1);
    ui::PlaceControl(*slider, skin_.layoutFile, ui::kButtonInfo, key);
    // The skin's gauge marks its five steps 11 pixels in from either end.
    slider->SetMargins(11, 11);
    slider->SetPos(0);
    connect(slider, &ui::CBitmapSlider::Notified, this,
            [this, slider](int controlId, int position) {
                model_->MoveLightingSlider(static_cast<uint16_t>(controlId), position);
                if (!slider->Dragging())
                    model_->DragEnded();
            });
    controls_[id] = slider;
    return slider;
}

const QPixmap& CLightingPanel::Bitmap(std::u16string_view file) {
    const std::u16string name(file);
    auto it = bitmaps_.find(name);
    if (it == bitmaps_.end()) {
        const auto path = skin_.folder / std::filesystem::path(Q(file).toStdString());
        it = bitmaps_.emplace(name, QPixmap(QString::fromStdString(path.string()))).first;
    }
    return it->second;
}

void CLightingPanel::ClearEffectList() {
    const QSignalBlocker quiet(effects_);
    effects_->clear();
}

void CLightingPanel::AddEffectLine(std::u16string_view name) {
    const QSignalBlocker quiet(effects_);
    effects_->addItem(Q(name));
}

void CLightingPanel::SelectEffectLine(int line) {
    const QSignalBlocker quiet(effects_);
    effects_->setCurrentIndex(line);
}

void CLightingPanel::SelectUserModeLine(int line) {
    const QSignalBlocker quiet(userModes_);
    userModes_->setCurrentIndex(line);
}

void CLightingPanel::SetSliderPosition(uint16_t slider, int position) {
    if (auto* s = qobject_cast<ui::CBitmapSlider*>(Control(slider)))
        s->SetPos(position);
}

void CLightingPanel::SetPicture(uint16_t id, std::u16string_view file) {
    QWidget* control = Control(id);
    if (auto* slider = qobject_cast<ui::CBitmapSlider*>(control))
        slider->SetChannel(Bitmap(file).toImage());
    else if (auto* picture = qobject_cast<QLabel*>(control))
        picture->setPixmap(Bitmap(file));
}

void CLightingPanel::ShowControl(uint16_t id, bool shown) {
    if (QWidget* control = Control(id))
        control->setVisible(shown);
}

void CLightingPanel::MoveControl(uint16_t id, std::u16string_view layoutKey) {
    if (QWidget* control = Control(id))
        ui::MoveControl(*control, skin_.layoutFile, ui::kButtonInfo, layoutKey);
}

void CLightingPanel::LatchReportRate(int value) {
    for (int v = 0; v < 4; ++v)
        reportButtons_[v]->SetLatched(v == value);
}

void CLightingPanel::SetCaption(uint16_t id, std::u16string_view text) {
    if (auto* caption = qobject_cast<ui::ColorStatic*>(Control(id)))
        caption->SetWindowText(Q(text));
}

bool CLightingPanel::SliderDragging() const {
    return brightness_->Dragging() || speed_->Dragging();
}

} // namespace lighting
