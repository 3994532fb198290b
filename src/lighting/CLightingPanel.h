#pragma once

// The lighting panel's controls on the main window: the lighting switch, the effect list,
// the brightness and speed sliders, the direction pictures, the user mode list, the
// key-light tools, select-all and clear-all, and the report-rate buttons. Each is placed by
// the main skin and forwards what the user does to the panel's model, whose looks it
// carries out.

#include <QImage>
#include <QObject>
#include <QPixmap>

#include <filesystem>
#include <map>
#include <memory>

#include "lighting/LightingPanel.h"
#include "ui/SkinLayout.h"

class QComboBox;
class QLabel;
class QWidget;

namespace keys {
class KeyboardView;
}
namespace ui {
class CBitmapSlider;
class CPngButton;
class ColorStatic;
} // namespace ui

namespace lighting {

class CLightingPanel : public QObject, public LightingPanelView {
    Q_OBJECT
public:
    struct Skin {
        std::filesystem::path layoutFile;   // Skins/Main.ini
        std::filesystem::path folder;       // the bitmaps' folder
        std::filesystem::path languageFile; // Skins/language.ini
        ui::SkinFaces reportFaces;          // faces of the report-rate buttons
    };
    // The controls become children of the window; files are the present user's.
    CLightingPanel(QWidget& window, keys::KeyboardView& keys, const Skin& skin, UserFiles files);
    ~CLightingPanel() override;

    LightingPanel& Model() { return *model_; }
    QWidget* Control(uint16_t id) const;

    // LightingPanelView
    void ClearEffectList() override;
    void AddEffectLine(std::u16string_view name) override;
    void SelectEffectLine(int line) override;
    void SelectUserModeLine(int line) override;
    void SetSliderPosition(uint16_t slider, int position) override;
    void SetPicture(uint16_t id, std::u16string_view file) override;
    void ShowControl(uint16_t id, bool shown) override;
    void MoveControl(uint16_t id, std::u16string_view layoutKey) override;
    void LatchReportRate(int value) override;
    void SetCaption(uint16_t id, std::u16string_view text) override;
    bool SliderDragging() const override;

private:
    QLabel* AddPicture(uint16_t id, std::u16string_view key, std::function<void()> onClick);
    void AddCaption(uint16_t id, std::u16string_view key, const QString& templateText);
    ui::CBitmapSlider* AddSlider(uint16_t id, std::u16string_view key);
    const QPixmap& Bitmap(std::u16string_view file);

    QWidget& window_;
    Skin skin_;
    DeviceLightingLink link_;
    std::unique_ptr<LightingPanel> model_;
    std::map<uint16_t, QWidget*> controls_;
    std::map<std::u16string, QPixmap> bitmaps_;
    QComboBox* effects_ = nullptr;
    QComboBox* userModes_ = nullptr;
    ui::CBitmapSlider* brightness_ = nullptr;
    ui::CBitmapSlider* speed_ = nullptr;
    std::array<ui::CPngButton*, 4> reportButtons_{};
};

} // namespace lighting
