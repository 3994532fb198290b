#pragma once

// The one description of the skinned windows: where every control sits, how the program
// applies its layout key, and what each picture draws in its place. The pictures, the
// bitmaps and the layout files are all rendered from this, so they cannot disagree.

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace skingen {

// How the program applies a layout key.
enum class Apply {
    ImageButton, // placed and given faces cut from the window's pictures
    Place,       // moved and sized
    Move,        // moved, keeping its size
    FaceOnly,    // a face origin for an image button placed from another key
};

// What a picture draws for an element.
enum class Art {
    None,      // the program draws it (text fields, lists, captions, bitmaps)
    KeyCap,    // a keyboard key, legend baked in
    Button,    // a caption button; the program draws the caption
    Glyph,     // a small button with a baked symbol
    Labeled,   // a button whose caption is baked in (dialogs without caption text)
    Tab,       // a tab of the key assignment dialog
    TabMark,   // the strip that joins the active tab to the page below it
    Title,     // a title plate
    Logo,      // the link button: the product's word mark
    Led,       // a lock indicator
    Layer,     // the key layer indicator
    FlipPlate, // the Flip indicator
    Arrow,     // an arrow face (arrow sheet only)
};

// The state a face is drawn in.
enum class Look { Normal, Hover, Pressed, Disabled, Latched, Dark, Lit };

// The states of a window's pictures, in the order of its face assignment.
enum Sheet { kNormalSheet, kHoverSheet, kPressedSheet, kDisabledSheet, kSheetCount };

struct Element {
    QString key;
    Apply apply = Apply::Place;
    QRect cell; // where the picture draws it; a face is cut exactly here
    Art art = Art::None;
    std::array<Look, kSheetCount> looks{Look::Normal, Look::Normal, Look::Normal, Look::Normal};
    QString legend;    // baked text; '\n' separates an upper and a lower line
    QString note;      // what the control is, written beside its key
    uint32_t sets = 1; // key assignment dialog: the image sets that draw it
    bool drawn = true; // false: placed, but no picture draws it (never shown)

    // The rectangle written to the layout file. Image buttons are cut one pixel up and
    // left of their x, y, so their key names the cell moved by (1, 1).
    QRect LayoutRect() const {
        return apply == Apply::Place || apply == Apply::Move ? cell : cell.translated(1, 1);
    }
};

struct Picture {
    QString file;
    Sheet sheet = kNormalSheet;
    uint32_t set = 1; // key assignment dialog: which image set
    int colour = -1;  // main window: 0 or 1 for the colour-key pictures
    bool arrows = false;
};

struct Bitmap {
    QString file;
    QString key; // the layout key of the control that shows it: it takes that size
    enum class Kind { Switch, Slider, Direction, Swatch, Radio, Tool, Busy } kind = Kind::Switch;
    int param = 0;   // position, glyph, colour index or frame
    int steps = 0;   // slider: number of positions
    bool on = false; // the chosen or pressed form
    QColor colour;   // slider fill or swatch colour
};

struct Section {
    QString name;
    std::vector<std::pair<QString, QString>> values;
};

struct Window {
    QString name;   // used for preview file names
    QString layout; // layout file name
    QSize size;
    QString background; // "SCREEN"/"Main"
    QString mask;       // "SCREEN"/"Mask"
    QString link;       // "SCREEN"/"Link" (main window only)
    std::vector<Element> elements;
    std::vector<Picture> pictures;
    std::vector<Element> faceKeys; // "BUTTONINFO2": faces cut from the arrow sheet
    std::vector<Bitmap> bitmaps;
    std::vector<Section> extra; // further sections of the layout file
    int cornerRadius = 12;
    bool imageSets = false; // the pictures form image sets (key assignment dialog)
    int titleHeight = 40;   // the title bar drawn across the top
    QString title;          // a title baked into the backdrop
    std::vector<std::pair<int, QString>> hints; // lines of help baked in, by their top
    QRect plate;                                // the keyboard's plate (main window)
    std::vector<QRect> panels;                  // raised boxes behind groups of controls
    std::vector<QRect> wells;                   // sunken fields behind lists and text

    const Element* Find(const QString& key) const;
};

// Image sets of the key assignment dialog (bit values of Element::sets).
enum : uint32_t {
    kKeySet = 1,
    kMacroSet = 2,
    kMacroOnlySet = 4,
    kMediaSet = 8,
    kFunctionSet = 16,
};

Window MainWindow();
Window CompositeWindow();
Window ProfileWindow();
Window UpdateWindow();
std::vector<Window> AllWindows();

// The key codes of the 105 keys in picture position order, and the key index of a code.
struct KeyDef {
    uint16_t code;
    double x, y, w, h; // in key units from the top-left of the key field
    const char* legend;
};
const std::vector<KeyDef>& KeyboardKeys();
uint16_t KeyIndexOfCode(uint16_t code);

// Lighting effect names, by effect number, Chinese then English.
struct EffectName {
    int number;
    const char* chinese;
    const char* english;
};
const std::vector<EffectName>& EffectNames();

} // namespace skingen
