// The main window's previews: its controls placed and faced as the main window does it.

#include "Geometry.h"
#include "Preview.h"

#include "ui/CBitmapSlider.h"
#include "ui/ColorStatic.h"
#include "ui/SkinPalette.h"
#include "ui/SkinRect.h"

#include <QComboBox>
#include <QLabel>

namespace skingen {

namespace {

enum class Lighting { Off, Directional, UserKeys };

struct MainState {
    PreviewWindow::Force force = PreviewWindow::Force::None;
    Lighting lighting = Lighting::Off;
    bool layerB = false;
    int flip = 0;
    bool colourKeys = false;
    bool assigned = false; // a few keys assigned, the rest plain
    bool busy = false;
};

struct Pictures {
    const QImage *normal, *over, *down, *disable, *arrow, *color0, *color1;
};

const char* kPlainKeys[] = {"FUNC_PROFILES", "FUNC_MACRO",    "CONTROL_OK",       "CONTROL_CANCEL",
                            "CONTROL_HELP",  "CONTROL_CLOSE", "CONTROL_MINIMIZE", "CONTROL_MENU"};
const char* kLockKeys[] = {"LOCK_CAPS", "LOCK_NUM", "LOCK_SCROLL", "LOCK_AB"};

QStringList KeyLikeKeys() {
    QStringList keys = {"FLIP_1",        "FLIP_2",       "FUNC_PROFILE1", "FUNC_PROFILE2",
                        "FUNC_PROFILE3", "FUNC_DEFAULT", "FUNC_SWITCH",   "KEY_FN"};
    for (int n = 1; n <= 4; ++n)
        keys << QString("FUNC_REPORT%1").arg(n);
    for (int n = 1; n <= 9; ++n)
        keys << QString("FUNC_G%1").arg(n);
    for (int n = 1; n <= 6; ++n)
        keys << QString("FUNC_D%1").arg(n);
    for (const KeyDef& k : KeyboardKeys())
        keys << QString::fromStdU16String(ui::KeyButtonLayoutKey(KeyIndexOfCode(k.code)));
    return keys;
}

ui::ColorStatic* Label(PreviewWindow& w, const QString& key, const QString& text) {
    auto* label = new ui::ColorStatic;
    label->setFont(QFont("DejaVu Sans", 9));
    label->SetWindowText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return w.Place(key, label);
}

QLabel* Picture(PreviewWindow& w, const QString& key, const QString& bitmap) {
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(w.Bitmap(bitmap)));
    return w.Place(key, label);
}

QComboBox* List(PreviewWindow& w, const QString& key, const QStringList& items, int current) {
    auto* combo = new QComboBox;
    ui::ApplySkinPalette(*combo);
    combo->addItems(items);
    combo->setCurrentIndex(current);
    return w.Place(key, combo);
}

ui::CBitmapSlider* Slider(PreviewWindow& w, const QString& key, const QString& bitmap) {
    auto* slider = new ui::CBitmapSlider;
    slider->SetChannel(w.Bitmap(bitmap));
    return w.Place(key, slider);
}

void PlaceLighting(PreviewWindow& w, const MainState& s) {
    const QString names = PreviewWindow::Chinese() ? "Control_Name" : "Control_Name1";
    auto caption = [&](const char* key) { return w.Text(names, key); };
    Label(w, "CONTROL_UsbStatic", caption("Usb"));
    Label(w, "CONTROL_DengStatic", caption("Deng"));
    Picture(w, "CONTROL_DengStaPic", s.lighting == Lighting::Off ? "dengup.bmp" : "dengdown.bmp");
    if (s.busy)
        Picture(w, "CONTROL_JDTStatic", "jdt4.bmp");
    if (s.lighting == Lighting::Off)
        return;
    QStringList effects;
    for (const EffectName& e : EffectNames())
        effects << w.Text(PreviewWindow::Chinese() ? "Mode" : "Mode1", QString::number(e.number));
    Label(w, "CONTROL_LightStatic", caption("Light"));
    if (s.lighting == Lighting::Directional) {
        List(w, "CONTROL_XGcombox", effects, 0);
        Slider(w, "CONTROL_LightSlider", "3.bmp");
        Label(w, "CONTROL_SpeedStatic", caption("Speed"));
        Slider(w, "CONTROL_SpeedSlider", "6.bmp");
        Label(w, "CONTROL_BLFXStatic", caption("FX"));
        Picture(w, "CONTROL_BLFXLStaPic", "leftdown.bmp");
        Picture(w, "CONTROL_BLFXRStaPic", "rightup.bmp");
        return;
    }
    List(w, "CONTROL_XGcombox", effects, int(effects.size()) - 1);
    Slider(w, "CONTROL_LightSlider", "4.bmp");
    List(w, "CONTROL_umCombo", {"USER_MODE1", "USER_MODE2", "USER_MODE3", "USER_MODE4"}, 1);
    Label(w, "CONTROL_USERgjStatic", caption("Tool"));
    Picture(w, "CONTROL_USERgjStaPic1", "user1down.bmp");
    Picture(w, "CONTROL_USERgjStaPic2", "user2up.bmp");
    Picture(w, "CONTROL_LEDsjsStaPic", "sjsdown.bmp");
    Label(w, "CONTROL_LEDsjsStatic", caption("LEDOFF"));
    Picture(w, "CONTROL_HXsjsStaPic", "sjsup.bmp");
    Label(w, "CONTROL_HXsjsStatic", caption("DC"));
}

QImage BuildMain(const QDir& skins, const MainState& s) {
    PreviewWindow w(skins, "Main.ini");
    const Pictures p{w.Surface("main_normal.jpg"), w.Surface("main_over.jpg"),
                     w.Surface("main_down.jpg"),   w.Surface("main_disable.jpg"),
                     w.Surface("Arrow.jpg"),       w.Surface("main_color0.jpg"),
                     w.Surface("main_color1.jpg")};
    const ui::SkinFaces plain{p.normal, p.over, p.down, p.normal, p.normal};
    const ui::SkinFaces keyLike{p.normal, p.over, p.down, p.normal, p.disable};

    for (const char* key : kPlainKeys)
        w.Image(key, plain);
    w.Image("CONTROL2_APPLY", {p.normal, p.over, p.down, p.disable, p.normal});
    w.Image("MIRQEL_LINK", {p.normal, p.over, p.disable, p.normal, p.normal})
        ->SetTooltip(w.Text("SCREEN", "Link"), true);
    for (const char* key : kLockKeys)
        w.Image(key, {p.normal, p.normal, p.normal, p.normal, p.over})->setEnabled(false);
    if (s.layerB)
        w.Button("LOCK_AB")->SetFaceSurfaces(p.over, p.over, p.over, p.over, p.normal);
    w.Image("FLIP_0", {p.normal, p.normal, p.normal, p.normal, p.disable})->setEnabled(false);
    ui::CPngButton* version =
        w.Image("MIRQEL_VER", {p.normal, p.normal, p.normal, p.normal, p.normal});
    version->setEnabled(false);
    version->setText("V1.0.0");
    version->SetText(true, 8, "Verdana", 0xE4E4E4, 0x24);
    for (const QString& key : KeyLikeKeys())
        w.Image(key, keyLike);
    w.Button("FUNC_SWITCH")->hide();
    // The special buttons' captions follow the key layer; 6 to 9 start disabled.
    for (int n = 1; n <= 9; ++n) {
        ui::CPngButton* g = w.Button(QString("FUNC_G%1").arg(n));
        if (n >= 6)
            g->setEnabled(false);
    }
    // Flip: F1 to F4, or D1 to D6, are the enabled ones.
    for (int n = 1; n <= 6; ++n)
        w.Button(QString("FUNC_D%1").arg(n))->setEnabled(s.flip == 1);
    for (uint16_t code : {0x03B, 0x03C, 0x03D, 0x03E})
        w.Button(QString::fromStdU16String(ui::KeyButtonLayoutKey(code)))->setEnabled(s.flip == 0);
    for (bool left : {true, false}) {
        auto* arrow = new ui::CPngButton(&w.Dialog());
        ui::PlaceImageButtonFrom(*arrow, w.Layout(), ui::kButtonInfo,
                                 left ? u"LEFT_ARROW" : u"RIGHT_ARROW", u"BUTTONINFO2",
                                 ui::ArrowFaceKey(left, s.flip), p.arrow);
        arrow->setEnabled(false);
        arrow->show();
    }

    // Captions of the language table (English) and the profile name.
    const std::pair<const char*, const char*> captions[] = {
        {"FUNC_PROFILE1", "PROFILE_1"},       {"FUNC_PROFILE2", "PROFILE_2"},
        {"FUNC_PROFILE3", "PROFILE_3"},       {"FUNC_MACRO", "PROFILE_MACRO"},
        {"FUNC_DEFAULT", "PROFILE_DEFAULT"},  {"CONTROL_OK", "PROFILE_OK"},
        {"CONTROL_CANCEL", "PROFILE_CANCLE"}, {"CONTROL2_APPLY", "PROFILE_APPLY"}};
    for (const auto& [button, text] : captions)
        PreviewWindow::Caption(w.Button(button), w.Say(text, "hello"));
    ui::CPngButton* name = w.Button("FUNC_PROFILES");
    PreviewWindow::Caption(name, w.Say("PROFILE_1", "Profile 1"));
    name->SetTextRotation(900, true);

    w.Button("FUNC_PROFILE1")->SetLatched(true);
    w.Button("FUNC_REPORT1")->SetLatched(true);
    w.Button("CONTROL2_APPLY")->setEnabled(s.assigned);
    if (s.assigned)
        for (uint16_t code : {0x011, 0x01E, 0x01F, 0x020, 0x039, 0x03B})
            w.Button(QString::fromStdU16String(ui::KeyButtonLayoutKey(code)))->SetLatched(true);
    if (s.assigned)
        w.Button("FUNC_G2")->SetLatched(true);

    if (s.colourKeys) {
        int i = 0;
        for (const QString& key : KeyLikeKeys())
            if (key.startsWith("KEY_"))
                w.Button(key)->SetColourKeyFaces(p.color0, p.color1, true, (i++ % 3) != 0);
    }
    if (s.lighting == Lighting::UserKeys) {
        // The key lights of a user mode: green frames on lit keys, black on the others.
        int i = 0;
        for (const QString& key : KeyLikeKeys()) {
            if (!key.startsWith("KEY_") && !key.startsWith("FUNC_G") && key != "KEY_FN")
                continue;
            const bool lit = key == "KEY_011" || key == "KEY_01E" || key == "KEY_01F" ||
                             key == "KEY_020" || key == "KEY_0C8" || key == "KEY_0CB" ||
                             key == "KEY_0CD" || key == "KEY_0D0" || (i++ % 7) == 0;
            w.Button(key)->SetOutline(lit && key != "KEY_039" ? 0x00FF00 : 0x000000, true);
        }
    }
    PlaceLighting(w, s);
    w.ForceAll(s.force);
    return w.Shot();
}

} // namespace

bool PreviewChineseMain(const QDir& skins, const QDir& out) {
    return SaveShot(BuildMain(skins, {.lighting = Lighting::Directional}), out,
                    "main_lighting_zh") &&
           SaveShot(BuildMain(skins, {.lighting = Lighting::UserKeys}), out, "main_keylights_zh");
}

bool PreviewMain(const QDir& skins, const QDir& out) {
    using F = PreviewWindow::Force;
    const std::pair<QString, MainState> states[] = {
        {"main_normal", {}},
        {"main_hover", {.force = F::Hover}},
        {"main_pressed", {.force = F::Pressed}},
        {"main_disabled", {.force = F::Disabled}},
        {"main_assigned", {.assigned = true, .busy = true}},
        {"main_lighting", {.lighting = Lighting::Directional}},
        {"main_keylights", {.lighting = Lighting::UserKeys}},
        {"main_layerB_flip1", {.layerB = true, .flip = 1}},
        {"main_colourkeys", {.colourKeys = true}},
    };
    for (const auto& [name, state] : states)
        if (!SaveShot(BuildMain(skins, state), out, name))
            return false;
    return true;
}

} // namespace skingen
