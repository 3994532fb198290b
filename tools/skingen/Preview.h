#pragma once

// Previews of the skin: each window built from its layout file with the program's own
// skinned dialog base, layout operations and controls, then photographed.

#include "ui/CBaseDialog.h"
#include "ui/CPngButton.h"
#include "ui/SkinLayout.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <filesystem>
#include <vector>

namespace skingen {

class PreviewWindow {
public:
    PreviewWindow(const QDir& skins, const QString& layout);

    std::filesystem::path Layout() const { return layout_; }
    const QImage* Surface(const QString& picture);
    QString Text(const QString& section, const QString& key) const;
    QImage Bitmap(const QString& file) const;

    ui::CPngButton* Image(const QString& key, const ui::SkinFaces& faces);
    template <class W> W* Place(const QString& key, W* control) {
        control->setParent(&dialog_);
        ui::PlaceControl(*control, layout_, ui::kButtonInfo, key.toStdU16String());
        control->show();
        return control;
    }
    ui::CPngButton* Button(const QString& key) const;
    QWidget& Dialog() { return dialog_; }

    // The previews speak one language at a time: a text of the language file, or the fallback.
    static void SetChinese(bool chinese);
    static bool Chinese();
    QString Say(const QString& key, const QString& fallback) const;

    // Caption text in the main window's style: white, centred, on one line.
    static void Caption(ui::CPngButton* b, const QString& text, int points = 9);

    enum class Force { None, Hover, Pressed, Disabled };
    // Every image button in the state, as far as the program lets it take it.
    void ForceAll(Force force);
    // The window as the desktop shows it: shaped by its mask, over a plain desktop.
    QImage Shot();

private:
    QDir skins_;
    std::filesystem::path layout_;
    ui::CBaseDialog dialog_;
    std::vector<ui::CPngButton*> buttons_;
};

// Writes DIR/<window>_<state>.png; false on a failure.
bool PreviewMain(const QDir& skins, const QDir& out);
bool PreviewDialogs(const QDir& skins, const QDir& out);
// A few of the same in Chinese, to see that its captions fit.
bool PreviewChinese(const QDir& skins, const QDir& out);
bool SaveShot(const QImage& shot, const QDir& out, const QString& name);

} // namespace skingen
