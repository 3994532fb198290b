#include "Geometry.h"

namespace skingen {

namespace {

constexpr std::array<Look, kSheetCount> kFaces{Look::Normal, Look::Hover, Look::Pressed,
                                               Look::Disabled};
// The profile manager shows its pressed picture for a disabled button.
constexpr std::array<Look, kSheetCount> kProfileFaces{Look::Normal, Look::Hover, Look::Pressed,
                                                      Look::Pressed};

Element Image(QString key, QRect cell, Art art, QString legend, uint32_t sets, QString note,
              std::array<Look, kSheetCount> looks = kFaces) {
    Element e;
    e.key = std::move(key);
    e.apply = Apply::ImageButton;
    e.cell = cell;
    e.art = art;
    e.looks = looks;
    e.legend = std::move(legend);
    e.sets = sets;
    e.note = std::move(note);
    return e;
}

Element Placed(QString key, QRect cell, QString note) {
    Element e;
    e.key = std::move(key);
    e.apply = Apply::Place;
    e.cell = cell;
    e.note = std::move(note);
    return e;
}

} // namespace

Window CompositeWindow() {
    Window w;
    w.name = "composite";
    w.layout = "Composite.ini";
    w.size = {460, 430};
    w.background = "key_normal.jpg";
    w.mask = "Composite_mask.bmp";
    w.cornerRadius = 10;
    w.titleHeight = 36;
    w.imageSets = true;
    w.panels = {{16, 98, 428, 274}}; // the page under the tabs
    const uint32_t tabs = kKeySet | kMacroOnlySet;
    const uint32_t all = kKeySet | kMacroSet | kMacroOnlySet | kMediaSet | kFunctionSet;
    auto& e = w.elements;
    e.push_back(Image("CONTROL_MASK", {16, 98, 428, 22}, Art::TabMark, {}, all,
                      "picture of the active tab"));
    e.push_back(Image("CONTROL_TITLE", {12, 8, 236, 26}, Art::Title, "BRISVANE", tabs, "title"));
    e.push_back(Image("CONTROL_OSK", {16, 384, 40, 32}, Art::Glyph, QString::fromUtf8("\u2328"),
                      kKeySet, "on-screen keyboard"));
    e.push_back(Image("CONTROL_CLEAR", {404, 68, 40, 30}, Art::Glyph, QString::fromUtf8("\u21BA"),
                      tabs, "restore the default function"));
    e.push_back(Image("CONTROL_MEDIA", {208, 68, 92, 30}, Art::Tab, {}, tabs, "multimedia tab"));
    e.push_back(Image("CONTROL_MACRO", {112, 68, 92, 30}, Art::Tab, {}, kKeySet, "macro tab"));
    e.push_back(Image("CONTROL_KEY", {16, 68, 92, 30}, Art::Tab, {}, tabs, "single key tab"));
    e.push_back(
        Image("CONTROL_FUNCTION", {304, 68, 92, 30}, Art::Tab, {}, tabs, "keyboard function tab"));
    e.push_back(Image("CONTROL_OK", {272, 384, 82, 32}, Art::Button, {}, kKeySet, "OK"));
    e.push_back(Image("CONTROL_CANCEL", {362, 384, 82, 32}, Art::Button, {}, kKeySet, "Cancel"));
    e.push_back(Image("FUNC_MACRO_DELETE", {308, 152, 30, 28}, Art::Glyph,
                      QString::fromUtf8("\u2212"), kMacroSet, "delete the macro"));
    e.push_back(
        Image("FUNC_MACRO_ADD", {274, 152, 30, 28}, Art::Glyph, "+", kMacroSet, "add a macro"));
    e.push_back(Image("FUNC_MACRO_UP_TOP", {338, 188, 100, 26}, Art::Button, {}, kMacroSet,
                      "action to the top"));
    e.push_back(
        Image("FUNC_MACRO_UP", {338, 218, 100, 26}, Art::Button, {}, kMacroSet, "action up"));
    e.push_back(
        Image("FUNC_MACRO_DOWN", {338, 248, 100, 26}, Art::Button, {}, kMacroSet, "action down"));
    e.push_back(Image("FUNC_MACRO_DOWN_BOTTOM", {338, 278, 100, 26}, Art::Button, {}, kMacroSet,
                      "action to the bottom"));
    e.push_back(Image("FUNC_MACRO_DELETE2", {228, 224, 104, 26}, Art::Button, {}, kMacroSet,
                      "delete the action"));
    e.push_back(Image("FUNC_MACRO_CLEAR", {228, 254, 104, 26}, Art::Button, {}, kMacroSet,
                      "delete all actions"));
    e.push_back(Image("FUNC_MACRO_RECORD", {228, 188, 104, 30}, Art::Button, {}, kMacroSet,
                      "record / stop record"));

    e.push_back(Placed("FUNC_MACRO_RECORD_DELAY", {228, 342, 18, 18}, "record-delays check box"));
    e.push_back(Placed("FUNC_MACRO_LIST2", {28, 188, 190, 176}, "action list"));
    e.push_back(Placed("FUNC_MACRO_CYCLES", {338, 310, 60, 24}, "cycle count"));
    e.push_back(Placed("FUNC_MACRO_CYCLES_PROMPT", {228, 311, 104, 22}, "cycle count caption"));
    e.push_back(Placed("TISHI_SINGLE_STATIC", {32, 134, 396, 44}, "single key prompt"));
    e.push_back(Placed("MARCO_NAME_SETTING", {28, 128, 240, 22}, "macro name caption"));
    e.push_back(Placed("KEY_SETTING", {16, 42, 428, 22}, "what the dialog edits"));
    e.push_back(Placed("MEDIA_SETTING_TISHI", {32, 134, 396, 44}, "multimedia prompt"));
    e.push_back(Placed("FUNCTION_KEY_SETTING_TISHI", {32, 134, 396, 44}, "function prompt"));
    e.push_back(Placed("FUNC_MACRO_RECORD_DELAY2", {250, 340, 190, 22}, "record-delays caption"));
    e.push_back(Placed("FUNC_KEY_INPUT", {80, 196, 300, 56}, "captured key"));
    e.push_back(Placed("FUNC_MEDIA_SELECT", {80, 196, 300, 30}, "multimedia functions"));
    e.push_back(Placed("FUNC_MACRO_LIST", {28, 152, 240, 28}, "macro list"));
    e.push_back(Placed("FUNC_MACRO_SPACE", {64, 387, 200, 28}, "macro space gauge"));
    e.push_back(Placed("FUNC_FUNCTION_SELECT", {80, 196, 300, 30}, "keyboard functions"));

    w.pictures = {
        {"key_normal.jpg", kNormalSheet, kKeySet},
        {"key_over.jpg", kHoverSheet, kKeySet},
        {"key_down.jpg", kPressedSheet, kKeySet},
        {"macro_normal.jpg", kNormalSheet, kMacroSet},
        {"macro_over.jpg", kHoverSheet, kMacroSet},
        {"macro_down.jpg", kPressedSheet, kMacroSet},
        {"macro_disable.jpg", kDisabledSheet, kMacroSet},
        {"macro2_normal.jpg", kNormalSheet, kMacroOnlySet},
        {"macro2_over.jpg", kHoverSheet, kMacroOnlySet},
        {"macro2_down.jpg", kPressedSheet, kMacroOnlySet},
        {"macro2_disable.jpg", kDisabledSheet, kMacroOnlySet},
        {"media_normal.jpg", kNormalSheet, kMediaSet},
        {"media_over.jpg", kHoverSheet, kMediaSet},
        {"media_down.jpg", kPressedSheet, kMediaSet},
        {"function_normal.jpg", kNormalSheet, kFunctionSet},
        {"function_over.jpg", kHoverSheet, kFunctionSet},
        {"function_down.jpg", kPressedSheet, kFunctionSet},
    };
    return w;
}

Window ProfileWindow() {
    Window w;
    w.name = "profile";
    w.layout = "Profile.ini";
    w.size = {500, 322};
    w.background = "Profile_normal.jpg";
    w.mask = "Profile_mask.bmp";
    w.cornerRadius = 10;
    w.title = QString::fromUtf8("情景模式  Profiles");
    w.wells = {{16, 52, 468, 208}};
    auto button = [&](const char* key, int x, const char* legend, const char* note) {
        w.elements.push_back(Image(key, {x, 272, 72, 34}, Art::Labeled, QString::fromUtf8(legend),
                                   1, note, kProfileFaces));
    };
    button("CONTROL_OK", 260, "确定\nOK", "OK");
    button("CONTROL_CANCEL", 336, "取消\nCancel", "Cancel");
    button("FUNC_ADD", 16, "新建\nNew", "add a new profile file");
    button("FUNC_LOAD", 92, "载入\nLoad", "add an existing profile file");
    button("FUNC_DELETE", 168, "删除\nDelete", "remove the selected row");
    button("CONTROL2_APPLY", 412, "应用\nApply", "Apply");
    w.elements.push_back(Placed("PROGRAM_LIST", {16, 52, 468, 208}, "profile list"));
    w.pictures = {{"Profile_normal.jpg", kNormalSheet},
                  {"Profile_over.jpg", kHoverSheet},
                  {"Profile_down.jpg", kPressedSheet}};
    return w;
}

Window UpdateWindow() {
    Window w;
    w.name = "update";
    w.layout = "UpdateDlg.ini";
    w.size = {460, 214};
    w.background = "update_normal.jpg";
    w.mask = "update_mask.bmp";
    w.cornerRadius = 10;
    w.title = QString::fromUtf8("固件更新  Firmware Update");
    w.hints = {
        {44, QString::fromUtf8("选择更新程序，然后按“更新”。  Choose the updater program, then "
                               "press Update.")},
        {128, QString::fromUtf8("更新前请先备份。  Back up your profiles before updating.")}};
    w.wells = {{16, 70, 338, 32}};
    w.elements.push_back(Placed("CONTROL_UPStatic", {22, 76, 326, 20}, "updater program path"));
    w.elements.push_back(Placed("CONTROL_UPCombox", {16, 108, 338, 24}, "unused list (hidden)"));
    auto button = [&](const char* key, QRect r, const char* legend, const char* note) {
        w.elements.push_back(Image(key, r, Art::Labeled, QString::fromUtf8(legend), 1, note));
    };
    button("CONTROL_CUPButton", {352, 164, 92, 34}, "取消更新\nCancel", "cancel the update");
    button("CONTROL_UPButton", {252, 164, 92, 34}, "更新\nUpdate", "enter the boot loader, run");
    button("CONTROL_OPENButton", {362, 70, 82, 32}, "打开\nOpen", "choose the updater program");
    button("CONTROL_BACKUPButton", {16, 164, 104, 34}, "备份\nBackup", "save a backup file");
    w.pictures = {{"update_normal.jpg", kNormalSheet}, {"update_over.jpg", kHoverSheet}};
    return w;
}

} // namespace skingen
