// Previews of the key assignment dialog, the profile manager and the update dialog.

#include "Preview.h"

#include "ui/CReportCtrl.h"
#include "ui/ColorStatic.h"
#include "ui/SkinPalette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>

namespace skingen {

namespace {

using Force = PreviewWindow::Force;

struct Set {
    const QImage *normal, *over, *down, *disable;
    ui::SkinFaces Faces() const { return {normal, over, down, disable, down}; }
};

Set LoadSet(PreviewWindow& w, const QString& name, bool ownDisabled) {
    const QImage* normal = w.Surface(name + "_normal.jpg");
    return {normal, w.Surface(name + "_over.jpg"), w.Surface(name + "_down.jpg"),
            ownDisabled ? w.Surface(name + "_disable.jpg") : normal};
}

ui::ColorStatic* Label(PreviewWindow& w, const QString& key, const QString& text,
                       double points = 10.8) {
    auto* label = new ui::ColorStatic;
    QFont f("Tahoma");
    f.setPointSizeF(points);
    label->setFont(f);
    label->SetTextColor(0xE4E4E4);
    label->SetWindowText(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return w.Place(key, label);
}

template <class W> W* Skinned(W* control) {
    ui::ApplySkinPalette(*control);
    return control;
}

enum class Tab { Key, Macro, Media, Function, MacroOnly };

QImage BuildComposite(const QDir& skins, Tab tab, Force force) {
    PreviewWindow w(skins, "Composite.ini");
    const Set key = LoadSet(w, "key", false), macro = LoadSet(w, "macro", true),
              macroOnly = LoadSet(w, "macro2", true), media = LoadSet(w, "media", false),
              function = LoadSet(w, "function", false);
    const bool only = tab == Tab::MacroOnly;
    const Set& maskSet = tab == Tab::Media      ? media
                         : tab == Tab::Function ? function
                         : tab == Tab::Key      ? key
                                                : macro;
    w.Image("CONTROL_MASK",
            {maskSet.normal, maskSet.over, maskSet.down, maskSet.disable, maskSet.normal})
        ->setEnabled(false);
    const Set& tabs = only ? macroOnly : key;
    w.Image("CONTROL_TITLE", tabs.Faces())->setEnabled(false);
    w.Image("CONTROL_OSK", key.Faces())->SetTooltip("Open the on-screen keyboard", true);
    w.Image("CONTROL_CLEAR", tabs.Faces());
    for (const char* k : {"CONTROL_KEY", "CONTROL_MEDIA", "CONTROL_FUNCTION"})
        w.Image(k, tabs.Faces());
    w.Image("CONTROL_MACRO", key.Faces());
    w.Image("CONTROL_OK", key.Faces());
    w.Image("CONTROL_CANCEL", key.Faces());
    for (const char* k : {"FUNC_MACRO_DELETE", "FUNC_MACRO_ADD", "FUNC_MACRO_UP_TOP",
                          "FUNC_MACRO_UP", "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM",
                          "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR", "FUNC_MACRO_RECORD"})
        w.Image(k, macro.Faces())->hide();

    PreviewWindow::Caption(w.Button("CONTROL_KEY"), only ? "" : w.Say("SINGLE_KEY", "hello"));
    PreviewWindow::Caption(w.Button("CONTROL_MACRO"), w.Say("MACRO_SETTING", "hello"));
    PreviewWindow::Caption(w.Button("CONTROL_MEDIA"), only ? "" : w.Say("MULTI_MEDIA", "hello"));
    PreviewWindow::Caption(w.Button("CONTROL_FUNCTION"),
                           only ? "" : w.Say("FUNCTION_KEY", "hello"));
    PreviewWindow::Caption(w.Button("CONTROL_OK"), w.Say("MACRO_OK", "hello"));
    PreviewWindow::Caption(w.Button("CONTROL_CANCEL"), w.Say("MACRO_CANCLE", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_UP_TOP"), w.Say("A_TOP", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_UP"), w.Say("A_UP", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_DOWN"), w.Say("A_DOWN", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_DOWN_BOTTOM"), w.Say("A_BOTTOM", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_RECORD"), w.Say("A_RECORD", "hello"), 8);
    PreviewWindow::Caption(w.Button("FUNC_MACRO_DELETE2"), w.Say("A_DELETE", "hello"));
    PreviewWindow::Caption(w.Button("FUNC_MACRO_CLEAR"), w.Say("A_CLEAR", "hello"));
    if (only)
        for (const char* k : {"CONTROL_KEY", "CONTROL_MEDIA", "CONTROL_FUNCTION", "CONTROL_CLEAR"})
            w.Button(k)->setEnabled(false);

    Label(w, "KEY_SETTING",
          only ? w.Say("MACRO_EDIT_TISHI", "hello") : w.Say("KEY_SETTING_TISHI", "hello"));
    const char* tabKey = tab == Tab::Key        ? "CONTROL_KEY"
                         : tab == Tab::Media    ? "CONTROL_MEDIA"
                         : tab == Tab::Function ? "CONTROL_FUNCTION"
                                                : "CONTROL_MACRO";
    w.Button(tabKey)->SetLatched(true);

    QFont verdana("Verdana");
    verdana.setPointSize(12);
    switch (tab) {
    case Tab::Key: {
        Label(w, "TISHI_SINGLE_STATIC", w.Say("SINGLE_STATIC", "hello"));
        auto* edit = w.Place("FUNC_KEY_INPUT", Skinned(new QLineEdit("Left Ctrl")));
        QFont big("Verdana");
        big.setPointSize(18);
        edit->setFont(big);
        edit->setAlignment(Qt::AlignCenter);
        break;
    }
    case Tab::Media: {
        Label(w, "MEDIA_SETTING_TISHI", w.Say("MEDIA_EDIT_TISHI", "hello"));
        auto* list = w.Place("FUNC_MEDIA_SELECT", Skinned(new QComboBox));
        list->addItems({"Play / Pause", "Stop", "Previous track", "Next track"});
        list->setFont(verdana);
        break;
    }
    case Tab::Function: {
        Label(w, "FUNCTION_KEY_SETTING_TISHI", w.Say("FUNCTION_TISHI", "hello"));
        auto* list = w.Place("FUNC_FUNCTION_SELECT", Skinned(new QComboBox));
        list->addItems({"Copy", "Cut", "Paste", "Undo"});
        list->setFont(verdana);
        break;
    }
    case Tab::Macro:
    case Tab::MacroOnly: {
        for (const char* k : {"FUNC_MACRO_DELETE", "FUNC_MACRO_ADD", "FUNC_MACRO_UP_TOP",
                              "FUNC_MACRO_UP", "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM",
                              "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR", "FUNC_MACRO_RECORD"})
            w.Button(k)->show();
        Label(w, "MARCO_NAME_SETTING", w.Say("MACRO_NAME_SETTING", "hello"));
        auto* names = w.Place("FUNC_MACRO_LIST", Skinned(new QComboBox));
        names->setEditable(true);
        names->addItems({"Macro1", "Combo"});
        names->setFont(verdana);
        auto* actions = w.Place("FUNC_MACRO_LIST2", new ui::CReportCtrl);
        actions->InsertColumn(0, "Key", Qt::AlignLeft, 40);
        actions->InsertColumn(1, "Action", Qt::AlignLeft, 50);
        actions->InsertColumn(2, "Delay (ms)", Qt::AlignLeft, 76);
        const char* rows[][3] = {{"A", "\u2193", "120"},
                                 {"A", "  \u2191", "80"},
                                 {"S", "\u2193", "100"},
                                 {"S", "  \u2191", "50"}};
        for (int r = 0; r < 4; ++r) {
            actions->InsertItem(r, QString::fromUtf8(rows[r][0]));
            actions->SetItemText(r, 1, QString::fromUtf8(rows[r][1]));
            actions->SetItemText(r, 2, rows[r][2]);
        }
        actions->SetGridLines(true);
        actions->SetItemStates(1, ui::kRowSelected);
        Label(w, "FUNC_MACRO_CYCLES_PROMPT", w.Say("MACRO_CYCLES", "Cycles"));
        w.Place("FUNC_MACRO_CYCLES", Skinned(new QLineEdit("1")));
        w.Place("FUNC_MACRO_RECORD_DELAY", Skinned(new QCheckBox))->setChecked(true);
        Label(w, "FUNC_MACRO_RECORD_DELAY2", w.Say("RECORD_DELAY", "Record Delay"));
        break;
    }
    }
    w.ForceAll(force);
    return w.Shot();
}

QImage BuildProfile(const QDir& skins, Force force) {
    PreviewWindow w(skins, "Profile.ini");
    const QImage* normal = w.Surface("Profile_normal.jpg");
    const QImage* over = w.Surface("Profile_over.jpg");
    const QImage* down = w.Surface("Profile_down.jpg");
    for (const char* k :
         {"CONTROL_OK", "CONTROL_CANCEL", "FUNC_ADD", "FUNC_LOAD", "FUNC_DELETE", "CONTROL2_APPLY"})
        w.Image(k, {normal, over, down, down, normal});
    w.Button("CONTROL2_APPLY")->setEnabled(false);
    auto* list = w.Place("PROGRAM_LIST", new ui::CReportCtrl);
    list->InsertColumn(0, QString::fromUtf8("激活"), Qt::AlignLeft, 60);
    list->InsertColumn(1, QString::fromUtf8("名称"), Qt::AlignLeft, 120);
    list->InsertColumn(2, QString::fromUtf8("路径"), Qt::AlignLeft, 230);
    list->SetCheckboxeStyle(ui::CheckMode::Single);
    list->SetGridLines(true);
    for (int r = 0; r < 3; ++r) {
        list->InsertItem(r, QString());
        list->SetItemText(r, 1, QStringLiteral("Profile %1").arg(r + 1));
        list->SetItemText(r, 2, "/home/user/Documents/Brisvane/");
    }
    list->SetItemStates(0, ui::kRowChecked);
    list->SetItemStates(1, ui::kRowSelected);
    w.ForceAll(force);
    return w.Shot();
}

QImage BuildUpdate(const QDir& skins, Force force) {
    PreviewWindow w(skins, "UpdateDlg.ini");
    const QImage* normal = w.Surface("update_normal.jpg");
    const QImage* over = w.Surface("update_over.jpg");
    for (const char* k :
         {"CONTROL_CUPButton", "CONTROL_UPButton", "CONTROL_OPENButton", "CONTROL_BACKUPButton"})
        w.Image(k, {normal, over, over, over, over});
    auto* path = new ui::ColorStatic;
    path->SetWindowText("/opt/brisvane/Package/updater");
    w.Place("CONTROL_UPStatic", path);
    w.Place("CONTROL_UPCombox", new QComboBox)->hide();
    w.ForceAll(force);
    return w.Shot();
}

} // namespace

bool PreviewChineseMain(const QDir& skins, const QDir& out); // PreviewMain.cpp

bool PreviewChinese(const QDir& skins, const QDir& out) {
    return PreviewChineseMain(skins, out) &&
           SaveShot(BuildComposite(skins, Tab::Macro, Force::None), out, "composite_macro_zh") &&
           SaveShot(BuildComposite(skins, Tab::Key, Force::None), out, "composite_key_zh");
}

bool PreviewDialogs(const QDir& skins, const QDir& out) {
    const std::pair<QString, QImage> shots[] = {
        {"composite_key", BuildComposite(skins, Tab::Key, Force::None)},
        {"composite_macro", BuildComposite(skins, Tab::Macro, Force::None)},
        {"composite_media", BuildComposite(skins, Tab::Media, Force::None)},
        {"composite_function", BuildComposite(skins, Tab::Function, Force::None)},
        {"composite_macro_only", BuildComposite(skins, Tab::MacroOnly, Force::None)},
        {"composite_macro_hover", BuildComposite(skins, Tab::Macro, Force::Hover)},
        {"composite_macro_pressed", BuildComposite(skins, Tab::Macro, Force::Pressed)},
        {"composite_macro_disabled", BuildComposite(skins, Tab::Macro, Force::Disabled)},
        {"profile_normal", BuildProfile(skins, Force::None)},
        {"profile_hover", BuildProfile(skins, Force::Hover)},
        {"profile_pressed", BuildProfile(skins, Force::Pressed)},
        {"update_normal", BuildUpdate(skins, Force::None)},
        {"update_hover", BuildUpdate(skins, Force::Hover)},
    };
    for (const auto& [name, shot] : shots)
        if (!SaveShot(shot, out, name))
            return false;
    return true;
}

} // namespace skingen
