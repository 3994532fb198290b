// The skin the build produces: every file the windows load exists and decodes, every
// picture of a window has the window's size, every layout key the windows read exists and
// parses, no rectangle leaves its picture, and the keys of the keyboard do not overlap.

#include "keys/KeyCodes.h"
#include "ui/IniFile.h"
#include "ui/SkinRect.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <QtTest>

#include <optional>

namespace {

const QDir kBuild(BRISVANE_BUILD_DIR);
const QDir kSkins(kBuild.filePath("Skins"));

// The 105 key buttons of the keyboard view, by key code, in picture position order.
constexpr uint16_t kKeyCodes[] = {
    0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024, 0x025, 0x026,
    0x032, 0x031, 0x018, 0x019, 0x010, 0x013, 0x01F, 0x014, 0x016, 0x02F, 0x011, 0x02D,
    0x015, 0x02C, 0x002, 0x003, 0x004, 0x005, 0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B,
    0x01C, 0x001, 0x00E, 0x00F, 0x039, 0x00C, 0x00D, 0x01A, 0x01B, 0x02B, 0x027, 0x028,
    0x029, 0x033, 0x034, 0x035, 0x03B, 0x03C, 0x03D, 0x03E, 0x03F, 0x040, 0x041, 0x042,
    0x043, 0x044, 0x057, 0x058, 0x137, 0x045, 0x152, 0x153, 0x147, 0x14F, 0x149, 0x151,
    0x148, 0x150, 0x14B, 0x14D, 0x046, 0x03A, 0x15D, 0x01D, 0x11D, 0x02A, 0x036, 0x038,
    0x138, 0x15B, 0x15C, 0x04F, 0x050, 0x051, 0x04B, 0x04C, 0x04D, 0x047, 0x048, 0x049,
    0x052, 0x145, 0x11C, 0x053, 0x135, 0x037, 0x04A, 0x04E, 0x056,
};

enum class Kind { Image, Place, Move, From };

struct Window {
    QString layout;
    QStringList pictures;
    QStringList imageKeys, placeKeys, moveKeys, fromKeys;
    QStringList arrowFaceKeys; // BUTTONINFO2, cut from Arrow.jpg
};

QStringList Numbered(const QString& pattern, int first, int last) {
    QStringList out;
    for (int n = first; n <= last; ++n)
        out << pattern.arg(n);
    return out;
}

Window MainWindow() {
    Window w;
    w.layout = "Main.ini";
    w.pictures = {"main_normal.jpg", "main_over.jpg",   "main_down.jpg",  "main_disable.jpg",
                  "Arrow.jpg",       "main_color0.jpg", "main_color1.jpg"};
    w.imageKeys =
        QStringList{"MIRQEL_LINK",    "FUNC_PROFILES",  "FUNC_MACRO",    "CONTROL_OK",
                    "CONTROL_CANCEL", "CONTROL_HELP",   "CONTROL_CLOSE", "CONTROL_MINIMIZE",
                    "CONTROL_MENU",   "CONTROL2_APPLY", "LOCK_CAPS",     "LOCK_NUM",
                    "LOCK_SCROLL",    "LOCK_AB",        "FLIP_0",        "FLIP_1",
                    "FLIP_2",         "MIRQEL_VER",     "FUNC_DEFAULT",  "FUNC_SWITCH",
                    "KEY_FN"} +
        Numbered("FUNC_PROFILE%1", 1, 3) + Numbered("FUNC_REPORT%1", 1, 4) +
        Numbered("FUNC_G%1", 1, 9) + Numbered("FUNC_D%1", 1, 6);
    for (uint16_t code : kKeyCodes)
        w.imageKeys << QString::fromStdU16String(ui::KeyButtonLayoutKey(keys::KeyIndexOf(code)));
    w.placeKeys = {"CONTROL_UsbStatic",     "CONTROL_DengStatic",   "CONTROL_DengStaPic",
                   "CONTROL_XGcombox",      "CONTROL_JDTStatic",    "CONTROL_LightStatic",
                   "CONTROL_LightSlider",   "CONTROL_SpeedStatic",  "CONTROL_SpeedSlider",
                   "CONTROL_BLFXStatic",    "CONTROL_BLFXLStaPic",  "CONTROL_BLFXRStaPic",
                   "CONTROL_FYYSStatic",    "CONTROL_FYYSButton",   "CONTROL_FYSJSStaPic",
                   "CONTROL_FYSJSStatic",   "CONTROL_FYCFStatic",   "CONTROL_FYdjcfStatic",
                   "CONTROL_FYggcfStatc",   "CONTROL_FYdjcfStaPic", "CONTROL_FYggcfStaPic",
                   "CONTROL_HONGPIC",       "CONTROL_HUANGPIC",     "CONTROL_LVPIC",
                   "CONTROL_LANPIC",        "CONTROL_HXysStatic",   "CONTROL_HXysButton",
                   "CONTROL_HXsjsStatic",   "CONTROL_HXsjsStaPic",  "CONTROL_LEDsjsStatic",
                   "CONTROL_LEDsjsStaPic",  "CONTROL_JTysStatic",   "CONTROL_JTysButton",
                   "CONTROL_USERysStatic",  "CONTROL_USERysButton", "CONTROL_USERjsStatic",
                   "CONTROL_USERjsButton",  "CONTROL_USERgjStatic", "CONTROL_USERgjStaPic1",
                   "CONTROL_USERgjStaPic2", "CONTROL_TSysStatic",   "CONTROL_TSysButton",
                   "CONTROL_TSsjsStatic",   "CONTROL_TSsjsStaPic",  "CONTROL_CDysStatic",
                   "CONTROL_CDysButton",    "CONTROL_CDsjsStatic",  "CONTROL_CDsjsStaPic",
                   "CONTROL_umCombo"};
    w.moveKeys = {"CONTROL_BLFXStatic",   "CONTROL_BLFXLStaPic",  "CONTROL_BLFXStatic2",
                  "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2", "CONTROL_BLFXStatic3",
                  "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3"};
    w.fromKeys = {"LEFT_ARROW", "RIGHT_ARROW"};
    w.arrowFaceKeys = {"UP_ARROW_LEFT1", "DOWN_ARROW_LEFT1", "UP_ARROW_RIGHT1",
                       "DOWN_ARROW_RIGHT1"};
    return w;
}

Window CompositeWindow() {
    Window w;
    w.layout = "Composite.ini";
    for (const char* set : {"key", "macro", "macro2", "media", "function"})
        for (const char* state : {"normal", "over", "down"})
            w.pictures << QString("%1_%2.jpg").arg(set, state);
    w.pictures << "macro_disable.jpg"
               << "macro2_disable.jpg";
    w.imageKeys = {
        "CONTROL_MASK",       "CONTROL_TITLE",    "CONTROL_OSK",       "CONTROL_CLEAR",
        "CONTROL_MEDIA",      "CONTROL_MACRO",    "CONTROL_KEY",       "CONTROL_FUNCTION",
        "CONTROL_OK",         "CONTROL_CANCEL",   "FUNC_MACRO_DELETE", "FUNC_MACRO_ADD",
        "FUNC_MACRO_UP_TOP",  "FUNC_MACRO_UP",    "FUNC_MACRO_DOWN",   "FUNC_MACRO_DOWN_BOTTOM",
        "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR", "FUNC_MACRO_RECORD"};
    w.placeKeys = {"FUNC_MACRO_RECORD_DELAY",
                   "FUNC_MACRO_LIST2",
                   "FUNC_MACRO_CYCLES",
                   "FUNC_MACRO_CYCLES_PROMPT",
                   "TISHI_SINGLE_STATIC",
                   "MARCO_NAME_SETTING",
                   "KEY_SETTING",
                   "MEDIA_SETTING_TISHI",
                   "FUNCTION_KEY_SETTING_TISHI",
                   "FUNC_MACRO_RECORD_DELAY2",
                   "FUNC_KEY_INPUT",
                   "FUNC_MEDIA_SELECT",
                   "FUNC_MACRO_LIST",
                   "FUNC_FUNCTION_SELECT"};
    return w;
}

Window ProfileWindow() {
    Window w;
    w.layout = "Profile.ini";
    w.pictures = {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"};
    w.imageKeys = {"CONTROL_OK", "CONTROL_CANCEL", "FUNC_ADD",
                   "FUNC_LOAD",  "FUNC_DELETE",    "CONTROL2_APPLY"};
    w.placeKeys = {"PROGRAM_LIST"};
    return w;
}

Window UpdateWindow() {
    Window w;
    w.layout = "UpdateDlg.ini";
    w.pictures = {"update_normal.jpg", "update_over.jpg"};
    w.placeKeys = {"CONTROL_UPStatic", "CONTROL_UPCombox"};
    w.imageKeys = {"CONTROL_CUPButton", "CONTROL_UPButton", "CONTROL_OPENButton",
                   "CONTROL_BACKUPButton"};
    return w;
}

QList<Window> Windows() {
    return {MainWindow(), CompositeWindow(), ProfileWindow(), UpdateWindow()};
}

std::filesystem::path LayoutPath(const Window& w) {
    return std::filesystem::path(kSkins.filePath(w.layout).toStdString());
}

std::optional<QString> Value(const Window& w, const QString& section, const QString& key) {
    const auto v = ui::FindPrivateProfileString(section.toStdU16String(), key.toStdU16String(),
                                                ui::kLayoutBufferSize, LayoutPath(w));
    if (!v)
        return std::nullopt;
    return QString::fromStdU16String(*v);
}

// Exactly four integers: a value the desktop's scanf would only half read is a fault here.
std::optional<QRect> Rect(const Window& w, const QString& section, const QString& key) {
    static const QRegularExpression form("^(-?\\d+),(-?\\d+),(\\d+),(\\d+)$");
    const std::optional<QString> v = Value(w, section, key);
    if (!v)
        return std::nullopt;
    const QRegularExpressionMatch m = form.match(*v);
    if (!m.hasMatch())
        return std::nullopt;
    return QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                 m.captured(4).toInt());
}

QSize Decoded(const QString& file) {
    QImageReader reader(kSkins.filePath(file));
    const QImage image = reader.read();
    return image.isNull() ? QSize() : image.size();
}

} // namespace

class TestSkinFiles : public QObject {
    Q_OBJECT

    static QSize WindowSize(const Window& w) {
        const std::optional<QString> main = Value(w, "SCREEN", "Main");
        return main ? Decoded(*main) : QSize();
    }

private slots:
    void initTestCase() { QVERIFY2(kSkins.exists(), qPrintable(kSkins.path())); }

    void everyPictureHasItsWindowsSize() {
        for (const Window& w : Windows()) {
            const QSize size = WindowSize(w);
            QVERIFY2(size.isValid(), qPrintable(w.layout + ": background"));
            const std::optional<QString> mask = Value(w, "SCREEN", "Mask");
            QVERIFY2(mask, qPrintable(w.layout + ": Mask"));
            QCOMPARE(Decoded(*mask), size);
            for (const QString& picture : w.pictures)
                QVERIFY2(Decoded(picture) == size, qPrintable(picture));
        }
    }

    void everyLayoutKeyExistsAndFitsItsPictures() {
        for (const Window& w : Windows()) {
            const QRect picture(QPoint(0, 0), WindowSize(w));
            auto check = [&](const QString& section, const QString& key, bool cut) {
                const std::optional<QRect> r = Rect(w, section, key);
                QVERIFY2(r, qPrintable(w.layout + " " + key + ": missing or malformed"));
                QVERIFY2(r->width() > 0 && r->height() > 0, qPrintable(key + ": empty"));
                QVERIFY2(!ui::DisablesImageButton({r->x(), r->y(), 0, 0}),
                         qPrintable(key + ": at 1,1, read as missing"));
                const QRect used = cut ? r->translated(-1, -1) : *r;
                QVERIFY2(picture.contains(used), qPrintable(w.layout + " " + key + ": outside"));
            };
            for (const QString& k : w.imageKeys + w.fromKeys)
                check("BUTTONINFO", k, true);
            for (const QString& k : w.placeKeys + w.moveKeys)
                check("BUTTONINFO", k, false);
            for (const QString& k : w.arrowFaceKeys)
                check("BUTTONINFO2", k, true);
        }
    }

    void imageButtonsDoNotOverlap() {
        for (const Window& w : Windows()) {
            QList<QPair<QString, QRect>> buttons;
            for (const QString& k : w.imageKeys + w.fromKeys)
                buttons << qMakePair(k, *Rect(w, "BUTTONINFO", k));
            for (int i = 0; i < buttons.size(); ++i)
                for (int j = i + 1; j < buttons.size(); ++j)
                    QVERIFY2(!buttons[i].second.intersects(buttons[j].second),
                             qPrintable(buttons[i].first + " overlaps " + buttons[j].first));
        }
    }

    void mainWindowTexts() {
        const Window w = MainWindow();
        const std::optional<QString> link = Value(w, "SCREEN", "Link");
        QVERIFY(link && link->startsWith("https://"));
        for (const QString section : {"Control_Name", "Control_Name1"})
            for (const char* key :
                 {"Usb", "Deng", "Light", "FX", "Speed", "Color", "JColor", "DC", "Tool", "LEDOFF"})
                QVERIFY2(Value(w, section, key).value_or("").size() > 0,
                         qPrintable(section + " " + key));
        QStringList effects = Numbered("%1", 1, 28) << "254";
        for (const QString section : {"Mode", "Mode1"})
            for (const QString& n : effects)
                QVERIFY2(Value(w, section, n).value_or("").size() > 0,
                         qPrintable(section + " " + n));
        // Chinese in the first sections, English in the second.
        QVERIFY(Value(w, "Mode", "5")->at(0).unicode() >= 0x4E00);
        QVERIFY(Value(w, "Mode1", "5")->at(0).unicode() < 0x80);
    }

    void lightingBitmapsFitTheirControls() {
        const Window w = MainWindow();
        struct Group {
            QString key;
            QStringList files;
        };
        const QList<Group> groups = {
            {"CONTROL_DengStaPic", {"dengup.bmp", "dengdown.bmp"}},
            {"CONTROL_LightSlider", Numbered("%1.bmp", 0, 4) + Numbered("%1.bmp", 10, 25)},
            {"CONTROL_SpeedSlider", Numbered("%1.bmp", 5, 9)},
            {"CONTROL_BLFXLStaPic",
             {"leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp", "upup.bmp",
              "updown.bmp", "downup.bmp", "downdown.bmp", "julong.bmp", "julongdown.bmp",
              "kuosan.bmp", "kuosandown.bmp"}},
            {"CONTROL_BLFXRStaPic", {"leftup.bmp", "rightup.bmp", "kuosan.bmp", "julong.bmp"}},
            {"CONTROL_HONGPIC",
             {"hong.bmp", "hongok.bmp", "huang.bmp", "huangok.bmp", "lv.bmp", "lvok.bmp", "lan.bmp",
              "lanok.bmp"}},
            {"CONTROL_LEDsjsStaPic", {"sjsup.bmp", "sjsdown.bmp"}},
            {"CONTROL_HXsjsStaPic", {"sjsup.bmp", "sjsdown.bmp"}},
            {"CONTROL_USERgjStaPic1", {"user1up.bmp", "user1down.bmp"}},
            {"CONTROL_USERgjStaPic2", {"user2up.bmp", "user2down.bmp"}},
            {"CONTROL_JDTStatic", Numbered("jdt%1.bmp", 1, 10)},
        };
        for (const Group& g : groups) {
            const std::optional<QRect> r = Rect(w, "BUTTONINFO", g.key);
            QVERIFY2(r, qPrintable(g.key));
            for (const QString& f : g.files)
                QVERIFY2(Decoded(f) == r->size(), qPrintable(f + " does not fit " + g.key));
        }
    }

    void handWrittenAndTemplateFilesAreThere() {
        QFile colours(kSkins.filePath("UserDengColor_3.userd"));
        QVERIFY(colours.open(QIODevice::ReadOnly));
        QVERIFY(colours.readAll().contains("KEY_01E="));
        QFile help(kBuild.filePath("Help/index.html"));
        QVERIFY(help.open(QIODevice::ReadOnly));
        QVERIFY(help.readAll().contains("</html>"));
    }
};

QTEST_MAIN(TestSkinFiles)
#include "TestSkinFiles.moc"
