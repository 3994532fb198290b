#include "Geometry.h"

#include <cmath>

namespace skingen {

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 640;
constexpr double kUnit = 38; // one key, in pixels
constexpr int kFieldX = 70;  // top-left of the key field
constexpr int kFieldY = 110;
constexpr QRect kPlate{60, 100, 951, 294};

int Px(double units) {
    return static_cast<int>(std::lround(units * kUnit));
}

QRect KeyCell(double x, double y, double w, double h) {
    const int left = kFieldX + Px(x);
    const int top = kFieldY + Px(y);
    return {left, top, kFieldX + Px(x + w) - left, kFieldY + Px(y + h) - top};
}

// Faces per picture (normal, hover, pressed, disabled picture).
constexpr std::array<Look, kSheetCount> kKeyFaces{Look::Normal, Look::Hover, Look::Pressed,
                                                  Look::Latched};
constexpr std::array<Look, kSheetCount> kPlainFaces{Look::Normal, Look::Hover, Look::Pressed,
                                                    Look::Disabled};
constexpr std::array<Look, kSheetCount> kLinkFaces{Look::Normal, Look::Hover, Look::Normal,
                                                   Look::Pressed};
constexpr std::array<Look, kSheetCount> kLedFaces{Look::Dark, Look::Lit, Look::Dark, Look::Dark};
constexpr std::array<Look, kSheetCount> kStillFaces{Look::Normal, Look::Normal, Look::Normal,
                                                    Look::Normal};
constexpr std::array<Look, kSheetCount> kFlipFaces{Look::Normal, Look::Normal, Look::Normal,
                                                   Look::Latched};

Element Image(QString key, QRect cell, Art art, std::array<Look, kSheetCount> looks,
              QString legend = {}, QString note = {}) {
    Element e;
    e.key = std::move(key);
    e.apply = Apply::ImageButton;
    e.cell = cell;
    e.art = art;
    e.looks = looks;
    e.legend = std::move(legend);
    e.note = std::move(note);
    return e;
}

Element Placed(QString key, QRect cell, QString note, Apply apply = Apply::Place) {
    Element e;
    e.key = std::move(key);
    e.apply = apply;
    e.cell = cell;
    e.note = std::move(note);
    return e;
}

void AddKeyboard(Window& w) {
    for (const KeyDef& k : KeyboardKeys()) {
        w.elements.push_back(Image(QString::asprintf("KEY_%03X", KeyIndexOfCode(k.code)),
                                   KeyCell(k.x, k.y, k.w, k.h), Art::KeyCap, kKeyFaces,
                                   QString::fromUtf8(k.legend),
                                   QString::asprintf("key code 0x%03X", k.code)));
    }
}

void AddSpecialButtons(Window& w) {
    // G1 to G5 stand left of the letter rows, G6 to G9 in the strip above.
    for (int n = 1; n <= 9; ++n) {
        const QRect cell =
            n <= 5 ? KeyCell(0, 2.2 + (n - 1), 1, 1) : KeyCell(0.85 * (n - 6), 0, 0.8, 0.7);
        w.elements.push_back(Image(QString::asprintf("FUNC_G%d", n), cell, Art::KeyCap, kKeyFaces,
                                   QString::asprintf("G%d", n), "special button"));
    }
    w.elements.push_back(
        Image("KEY_FN", KeyCell(0, 0.95, 1, 1), Art::KeyCap, kKeyFaces, "Fn", "Fn"));
    // D1 to D6 take the place of F1 to F4 when Flip is 1.
    for (int n = 1; n <= 6; ++n)
        w.elements.push_back(Image(QString::asprintf("FUNC_D%d", n),
                                   KeyCell(3.5 + (n - 1), 0, 0.9, 0.7), Art::KeyCap, kKeyFaces,
                                   QString::asprintf("D%d", n), "D button"));
}

void AddIndicators(Window& w) {
    w.elements.push_back(
        Image("LOCK_NUM", KeyCell(19.4, 0, 1.2, 0.7), Art::Led, kLedFaces, "Num", "indicator"));
    w.elements.push_back(
        Image("LOCK_CAPS", KeyCell(20.65, 0, 1.2, 0.7), Art::Led, kLedFaces, "Caps", "indicator"));
    w.elements.push_back(Image("LOCK_SCROLL", KeyCell(21.9, 0, 1.2, 0.7), Art::Led, kLedFaces,
                               "Scroll", "indicator"));
    // Layer A in the normal picture, layer B in the hover picture.
    w.elements.push_back(Image("LOCK_AB", KeyCell(23.3, 0, 1.2, 0.7), Art::Layer, kLedFaces, "AB",
                               "key layer indicator"));
    w.elements.push_back(Image("FLIP_1", KeyCell(10.4, 0, 0.9, 0.7), Art::Glyph, kKeyFaces,
                               "\u21C5", "Flip button"));
    w.elements.push_back(Image("FLIP_0", KeyCell(11.5, 0, 1.8, 0.7), Art::FlipPlate, kFlipFaces,
                               "FLIP", "Flip indicator"));
    w.elements.push_back(Image("FLIP_2", KeyCell(13.5, 0, 0.9, 0.7), Art::Glyph, kKeyFaces,
                               "\u21C5", "Flip button"));
}

void AddArrows(Window& w) {
    const QRect left = KeyCell(9.6, 0, 0.6, 0.7);
    const QRect right = KeyCell(14.6, 0, 0.6, 0.7);
    Element l = Image("LEFT_ARROW", left, Art::None, kStillFaces, {}, "arrow picture");
    Element r = Image("RIGHT_ARROW", right, Art::None, kStillFaces, {}, "arrow picture");
    w.elements.push_back(l);
    w.elements.push_back(r);
    // Arrow faces in the arrow sheet: the upward ones where the arrows stand, the downward
    // ones one row lower (the sheet is never shown whole).
    auto face = [](QString key, QRect cell, QString glyph) {
        Element e;
        e.key = std::move(key);
        e.apply = Apply::FaceOnly;
        e.cell = cell;
        e.art = Art::Arrow;
        e.legend = std::move(glyph);
        return e;
    };
    const QPoint down(0, 60);
    w.faceKeys.push_back(face("UP_ARROW_LEFT1", left, "\u25B2"));
    w.faceKeys.push_back(face("DOWN_ARROW_LEFT1", left.translated(down), "\u25BC"));
    w.faceKeys.push_back(face("UP_ARROW_RIGHT1", right, "\u25B2"));
    w.faceKeys.push_back(face("DOWN_ARROW_RIGHT1", right.translated(down), "\u25BC"));
}

void AddFrameButtons(Window& w) {
    w.elements.push_back(
        Image("MIRQEL_LINK", {14, 8, 152, 30}, Art::Logo, kLinkFaces, "BRISVANE", "link button"));
    w.elements.push_back(
        Image("MIRQEL_VER", {172, 16, 150, 18}, Art::None, kStillFaces, {}, "version text"));
    const int y = 9;
    w.elements.push_back(
        Image("CONTROL_MENU", {876, y, 32, 26}, Art::Glyph, kPlainFaces, "\u2261", "window menu"));
    w.elements.push_back(
        Image("CONTROL_HELP", {910, y, 32, 26}, Art::Glyph, kPlainFaces, "?", "help"));
    w.elements.push_back(
        Image("CONTROL_MINIMIZE", {944, y, 32, 26}, Art::Glyph, kPlainFaces, "\u2013", "minimise"));
    w.elements.push_back(
        Image("CONTROL_CLOSE", {978, y, 32, 26}, Art::Glyph, kPlainFaces, "\u00D7", "close"));
}

void AddCommandButtons(Window& w) {
    w.elements.push_back(Image("FUNC_PROFILES", {14, 100, 36, 294}, Art::Button, kPlainFaces, {},
                               "profile name button"));
    for (int n = 1; n <= 3; ++n)
        w.elements.push_back(Image(QString::asprintf("FUNC_PROFILE%d", n),
                                   {60 + (n - 1) * 106, 56, 100, 32}, Art::Button, kKeyFaces, {},
                                   "on-board profile button"));
    w.elements.push_back(
        Image("FUNC_MACRO", {400, 56, 110, 32}, Art::Button, kPlainFaces, {}, "macro button"));
    w.elements.push_back(
        Image("FUNC_DEFAULT", {516, 56, 110, 32}, Art::Button, kKeyFaces, {}, "restore defaults"));
    Element sw = Image("FUNC_SWITCH", {632, 56, 110, 32}, Art::Button, kKeyFaces, {},
                       "mode switch (never shown)");
    sw.drawn = false;
    w.elements.push_back(sw);

    const char* rates[] = {"1000Hz", "500Hz", "250Hz", "125Hz"};
    for (int n = 1; n <= 4; ++n)
        w.elements.push_back(Image(QString::asprintf("FUNC_REPORT%d", n),
                                   {728 + (n - 1) * 70, 442, 64, 30}, Art::Labeled, kKeyFaces,
                                   rates[n - 1], "report rate button"));
    w.elements.push_back(
        Image("CONTROL_OK", {728, 582, 86, 34}, Art::Button, kPlainFaces, {}, "OK"));
    w.elements.push_back(
        Image("CONTROL_CANCEL", {822, 582, 86, 34}, Art::Button, kPlainFaces, {}, "Cancel"));
    w.elements.push_back(
        Image("CONTROL2_APPLY", {916, 582, 86, 34}, Art::Button, kPlainFaces, {}, "Apply"));
}

void AddLightingPanel(Window& w) {
    auto p = [&](const char* key, QRect r, const char* note) {
        w.elements.push_back(Placed(key, r, note));
    };
    auto m = [&](const char* key, QRect r, const char* note) {
        w.elements.push_back(Placed(key, r, note, Apply::Move));
    };
    p("CONTROL_UsbStatic", {728, 414, 180, 22}, "caption of the report rate buttons");
    p("CONTROL_JDTStatic", {728, 520, 274, 10}, "busy animation (jdt1.bmp to jdt10.bmp)");

    // Row 1: the lighting switch, the effect list, the user mode list.
    p("CONTROL_DengStatic", {76, 416, 84, 22}, "caption beside the lighting switch");
    p("CONTROL_DengStaPic", {164, 415, 52, 24}, "lighting switch (dengup.bmp, dengdown.bmp)");
    p("CONTROL_XGcombox", {228, 414, 200, 26}, "effect list");
    p("CONTROL_umCombo", {440, 414, 150, 26}, "user mode list");
    // Row 2: brightness and speed.
    p("CONTROL_LightStatic", {76, 452, 84, 22}, "brightness caption");
    p("CONTROL_LightSlider", {164, 450, 170, 26}, "brightness slider (0.bmp to 4.bmp)");
    p("CONTROL_SpeedStatic", {350, 452, 60, 22}, "speed caption");
    p("CONTROL_SpeedSlider", {414, 450, 170, 26}, "speed slider (5.bmp to 9.bmp)");
    // Row 3: the direction, or for the user-defined effect its tools.
    const QRect dirCaption{76, 490, 84, 22}, dirLeft{164, 486, 44, 30}, dirRight{214, 486, 44, 30};
    p("CONTROL_BLFXStatic", dirCaption, "direction caption");
    p("CONTROL_BLFXLStaPic", dirLeft, "direction picture sending 0xFF");
    p("CONTROL_BLFXRStaPic", dirRight, "direction picture sending 0x00");
    m("CONTROL_BLFXStatic2", dirCaption, "direction caption, effects 1 to 3");
    m("CONTROL_BLFXLStaPic2", dirLeft, "direction picture 0xFF, effects 1 to 3");
    m("CONTROL_BLFXRStaPic2", dirRight, "direction picture 0x00, effects 1 to 3");
    m("CONTROL_BLFXStatic3", dirCaption, "direction caption, effect 12");
    m("CONTROL_BLFXLStaPic3", dirLeft, "direction picture 0xFF, effect 12");
    m("CONTROL_BLFXRStaPic3", dirRight, "direction picture 0x00, effect 12");
    p("CONTROL_USERgjStatic", dirCaption, "key-light tools caption");
    p("CONTROL_USERgjStaPic1", dirLeft, "paint tool (user1up.bmp, user1down.bmp)");
    p("CONTROL_USERgjStaPic2", dirRight, "erase tool (user2up.bmp, user2down.bmp)");
    p("CONTROL_LEDsjsStaPic", {350, 489, 24, 24}, "select-all picture (sjsup.bmp, sjsdown.bmp)");
    p("CONTROL_LEDsjsStatic", {378, 490, 96, 22}, "caption beside the select-all picture");
    p("CONTROL_HXsjsStaPic", {480, 489, 24, 24}, "clear-all picture (sjsup.bmp, sjsdown.bmp)");
    p("CONTROL_HXsjsStatic", {508, 490, 96, 22}, "caption beside the clear-all picture");
    // Rows 4 to 6: colour settings that no effect of this keyboard shows.
    p("CONTROL_FYYSStatic", {76, 532, 60, 22}, "reactive colour caption");
    p("CONTROL_FYYSButton", {140, 530, 40, 26}, "reactive colour button");
    p("CONTROL_FYSJSStaPic", {186, 531, 24, 24}, "reactive random colour picture");
    p("CONTROL_FYSJSStatic", {214, 532, 60, 22}, "reactive random colour caption");
    p("CONTROL_FYCFStatic", {290, 532, 60, 22}, "trigger caption");
    p("CONTROL_FYdjcfStaPic", {354, 531, 24, 24}, "single-key trigger picture");
    p("CONTROL_FYdjcfStatic", {382, 532, 70, 22}, "single-key trigger caption");
    p("CONTROL_FYggcfStaPic", {460, 531, 24, 24}, "key-grid trigger picture");
    p("CONTROL_FYggcfStatc", {488, 532, 70, 22}, "key-grid trigger caption");
    p("CONTROL_HONGPIC", {76, 565, 24, 24}, "red (hong.bmp, hongok.bmp)");
    p("CONTROL_HUANGPIC", {104, 565, 24, 24}, "yellow (huang.bmp, huangok.bmp)");
    p("CONTROL_LVPIC", {132, 565, 24, 24}, "green (lv.bmp, lvok.bmp)");
    p("CONTROL_LANPIC", {160, 565, 24, 24}, "blue (lan.bmp, lanok.bmp)");
    p("CONTROL_HXysStatic", {200, 566, 60, 22}, "breathing colour caption");
    p("CONTROL_HXysButton", {264, 564, 40, 26}, "breathing colour button");
    p("CONTROL_JTysStatic", {320, 566, 60, 22}, "steady colour caption");
    p("CONTROL_JTysButton", {384, 564, 40, 26}, "steady colour button");
    p("CONTROL_USERysStatic", {440, 566, 60, 22}, "user colour caption");
    p("CONTROL_USERysButton", {504, 564, 40, 26}, "user colour button");
    p("CONTROL_USERjsStatic", {76, 600, 60, 22}, "user second colour caption");
    p("CONTROL_USERjsButton", {140, 598, 40, 26}, "user second colour button");
    p("CONTROL_TSysStatic", {200, 600, 60, 22}, "stone colour caption");
    p("CONTROL_TSysButton", {264, 598, 40, 26}, "stone colour button");
    p("CONTROL_TSsjsStaPic", {310, 599, 24, 24}, "stone rainbow picture");
    p("CONTROL_TSsjsStatic", {338, 600, 60, 22}, "stone rainbow caption");
    p("CONTROL_CDysStatic", {410, 600, 60, 22}, "ribbon colour caption");
    p("CONTROL_CDysButton", {474, 598, 40, 26}, "ribbon colour button");
    p("CONTROL_CDsjsStaPic", {520, 599, 24, 24}, "ribbon rainbow picture");
    p("CONTROL_CDsjsStatic", {548, 600, 60, 22}, "ribbon rainbow caption");
}

void AddBitmaps(Window& w) {
    using K = Bitmap::Kind;
    auto add = [&](QString file, QString key, K kind, int param, bool on, QColor colour = QColor(),
                   int steps = 0) {
        w.bitmaps.push_back({std::move(file), std::move(key), kind, param, steps, on, colour});
    };
    add("dengup.bmp", "CONTROL_DengStaPic", K::Switch, 0, false);
    add("dengdown.bmp", "CONTROL_DengStaPic", K::Switch, 0, true);
    const QColor amber(255, 170, 40), cyan(63, 200, 255), violet(170, 120, 255);
    for (int i = 0; i < 5; ++i)
        add(QString::asprintf("%d.bmp", i), "CONTROL_LightSlider", K::Slider, i, false, amber, 5);
    for (int i = 0; i < 5; ++i)
        add(QString::asprintf("%d.bmp", 5 + i), "CONTROL_SpeedSlider", K::Slider, i, false, cyan,
            5);
    // A sixteen-step gauge for skins that offer finer steps.
    for (int i = 0; i < 16; ++i)
        add(QString::asprintf("%d.bmp", 10 + i), "CONTROL_LightSlider", K::Slider, i, false, violet,
            16);
    // Direction glyphs: 0 left, 1 right, 2 up, 3 down, 4 gather, 5 spread.
    const char* dirs[] = {"left", "right", "up", "down", "julong", "kuosan"};
    for (int g = 0; g < 6; ++g) {
        const QString base = dirs[g];
        const bool plainNames = g >= 4; // julong.bmp and julongdown.bmp
        add(plainNames ? base + ".bmp" : base + "up.bmp", "CONTROL_BLFXLStaPic", K::Direction, g,
            false);
        add(base + "down.bmp", "CONTROL_BLFXLStaPic", K::Direction, g, true);
    }
    const std::pair<const char*, QColor> swatches[] = {{"hong", QColor(235, 40, 40)},
                                                       {"huang", QColor(250, 210, 30)},
                                                       {"lv", QColor(40, 210, 70)},
                                                       {"lan", QColor(40, 110, 250)}};
    for (const auto& [name, colour] : swatches) {
        add(QString(name) + ".bmp", "CONTROL_HONGPIC", K::Swatch, 0, false, colour);
        add(QString(name) + "ok.bmp", "CONTROL_HONGPIC", K::Swatch, 0, true, colour);
    }
    add("sjsup.bmp", "CONTROL_LEDsjsStaPic", K::Radio, 0, false);
    add("sjsdown.bmp", "CONTROL_LEDsjsStaPic", K::Radio, 0, true);
    add("user1up.bmp", "CONTROL_USERgjStaPic1", K::Tool, 0, false);
    add("user1down.bmp", "CONTROL_USERgjStaPic1", K::Tool, 0, true);
    add("user2up.bmp", "CONTROL_USERgjStaPic2", K::Tool, 1, false);
    add("user2down.bmp", "CONTROL_USERgjStaPic2", K::Tool, 1, true);
    for (int i = 1; i <= 10; ++i)
        add(QString::asprintf("jdt%d.bmp", i), "CONTROL_JDTStatic", K::Busy, i - 1, false);
}

void AddTexts(Window& w) {
    Section names{"Control_Name", {}}, names1{"Control_Name1", {}};
    const std::array<std::array<const char*, 3>, 10> captions{{
        {"Usb", "报告率", "Report rate"},
        {"Deng", "灯光", "Lighting"},
        {"Light", "亮度", "Brightness"},
        {"FX", "方向", "Direction"},
        {"Speed", "速度", "Speed"},
        {"Color", "颜色", "Colour"},
        {"JColor", "静态颜色", "Steady colour"},
        {"DC", "全部熄灭", "All off"},
        {"Tool", "工具", "Tool"},
        {"LEDOFF", "全部点亮", "All on"},
    }};
    for (const auto& c : captions) {
        names.values.emplace_back(c[0], QString::fromUtf8(c[1]));
        names1.values.emplace_back(c[0], QString::fromUtf8(c[2]));
    }
    Section mode{"Mode", {}}, mode1{"Mode1", {}};
    for (const EffectName& e : EffectNames()) {
        mode.values.emplace_back(QString::number(e.number), QString::fromUtf8(e.chinese));
        mode1.values.emplace_back(QString::number(e.number), QString::fromUtf8(e.english));
    }
    w.extra = {names, names1, mode, mode1};
}

} // namespace

Window MainWindow() {
    Window w;
    w.name = "main";
    w.layout = "Main.ini";
    w.size = {kWidth, kHeight};
    w.background = "main_normal.jpg";
    w.mask = "main_mask.bmp";
    w.link = "https://quandril.example/brisvane";
    w.titleHeight = 44;
    w.plate = kPlate;
    w.panels = {{60, 404, 640, 224}, {712, 404, 299, 224}};
    AddFrameButtons(w);
    AddCommandButtons(w);
    AddIndicators(w);
    AddSpecialButtons(w);
    AddKeyboard(w);
    AddArrows(w);
    AddLightingPanel(w);
    AddBitmaps(w);
    AddTexts(w);
    w.pictures = {
        {"main_normal.jpg", kNormalSheet},        {"main_over.jpg", kHoverSheet},
        {"main_down.jpg", kPressedSheet},         {"main_disable.jpg", kDisabledSheet},
        {"Arrow.jpg", kNormalSheet, 1, -1, true}, {"main_color0.jpg", kNormalSheet, 1, 0},
        {"main_color1.jpg", kNormalSheet, 1, 1},
    };
    return w;
}

const Element* Window::Find(const QString& key) const {
    for (const Element& e : elements)
        if (e.key == key)
            return &e;
    for (const Element& e : faceKeys)
        if (e.key == key)
            return &e;
    return nullptr;
}

std::vector<Window> AllWindows() {
    return {MainWindow(), CompositeWindow(), ProfileWindow(), UpdateWindow()};
}

} // namespace skingen
