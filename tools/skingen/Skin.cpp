#include "Skin.h"

#include "Paint.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace skingen {

namespace {

// The look an element takes in a picture.
bool LookIn(const Window& w, const Element& e, const Picture& pic, Look* look) {
    if (!e.drawn || e.art == Art::None)
        return false;
    if (pic.colour >= 0) {
        // The colour-key pictures: keys unlit or lit, everything else as usual.
        *look = e.art == Art::KeyCap ? (pic.colour ? Look::Lit : Look::Dark) : Look::Normal;
        return true;
    }
    *look = e.looks[pic.sheet];
    if (!w.imageSets)
        return true;
    // The key assignment dialog: each set draws its own controls in the picture's state
    // and the others as the dialog shows them; the key set's pictures are its background,
    // so they leave out the controls of the other sets.
    if (e.art == Art::TabMark)
        return true;
    if (!(e.sets & pic.set)) {
        if (pic.set == kKeySet || !(e.sets & kKeySet))
            return false;
        *look = Look::Normal;
        return true;
    }
    if (pic.set == kMacroOnlySet && e.art != Art::Title)
        *look = Look::Disabled; // the tabs that the macro-only key cannot use
    return true;
}

bool Save(const QImage& image, const QString& path, const char* format) {
    if (image.save(path, format, format == QByteArrayLiteral("JPG") ? 95 : -1))
        return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
    return false;
}

bool SaveText(const QByteArray& text, const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size())
        return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
    return false;
}

QString Rect(const QRect& r) {
    return QString("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

QImage RenderPicture(const Window& w, const Picture& pic) {
    QImage image(w.size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (pic.arrows) {
        // The arrow sheet: the faces on the plate's colour, where BUTTONINFO2 says.
        image.fill(palette::kPlate);
        for (const Element& e : w.faceKeys)
            DrawElement(p, w, e, Look::Normal, pic.set);
        return image;
    }
    DrawBackdrop(p, w);
    for (const Element& e : w.elements) {
        Look look;
        if (LookIn(w, e, pic, &look))
            DrawElement(p, w, e, look, pic.set);
    }
    return image;
}

QByteArray LayoutFile(const Window& w) {
    QString text;
    QTextStream out(&text);
    out << "; Layout of the " << w.name << " window: x,y,w,h in client pixels. An image\n"
        << "; button's faces are cut from its pictures one pixel up and left of its x,y.\n";
    out << "\n[SCREEN]\nMain=" << w.background << "\nMask=" << w.mask << "\n";
    if (!w.link.isEmpty())
        out << "Link=" << w.link << "\n";
    out << "\n[BUTTONINFO]\n";
    for (const Element& e : w.elements) {
        if (!e.note.isEmpty())
            out << "; " << e.note << "\n";
        out << e.key << "=" << Rect(e.LayoutRect()) << "\n";
    }
    if (!w.faceKeys.empty()) {
        out << "\n; Faces of the arrow pictures, cut from Arrow.jpg.\n[BUTTONINFO2]\n";
        for (const Element& e : w.faceKeys)
            out << e.key << "=" << Rect(e.LayoutRect()) << "\n";
    }
    for (const Section& s : w.extra) {
        out << "\n[" << s.name << "]\n";
        for (const auto& [key, value] : s.values)
            out << key << "=" << value << "\n";
    }
    out.flush();
    return text.toUtf8();
}

QByteArray ColourTemplate() {
    const Window w = MainWindow();
    QString text;
    QTextStream out(&text);
    out << "; User lighting colours: one RRGGBB value per key, a rainbow swept from the\n"
        << "; left edge of the board to the right.\n[USERCOLOR]\nName=Rainbow sweep\n";
    for (const Element& e : w.elements) {
        if (e.art != Art::KeyCap)
            continue;
        const double hue = double(e.cell.center().x() - w.plate.left()) / w.plate.width();
        const QColor c = QColor::fromHsvF(std::clamp(hue, 0.0, 1.0) * 0.83, 1.0, 1.0);
        out << e.key << "=" << c.name().mid(1).toUpper() << "\n";
    }
    out.flush();
    return text.toUtf8();
}

bool WriteSkin(const QDir& skins) {
    if (!skins.mkpath(".")) {
        std::fprintf(stderr, "skingen: cannot create %s\n", qPrintable(skins.path()));
        return false;
    }
    for (const Window& w : AllWindows()) {
        for (const Picture& pic : w.pictures)
            if (!Save(RenderPicture(w, pic), skins.filePath(pic.file), "JPG"))
                return false;
        if (!Save(RenderMask(w), skins.filePath(w.mask), "BMP"))
            return false;
        for (const Bitmap& b : w.bitmaps) {
            const Element* control = w.Find(b.key);
            if (!control) {
                std::fprintf(stderr, "skingen: %s names no control\n", qPrintable(b.file));
                return false;
            }
            if (!Save(RenderBitmap(b, control->cell.size()), skins.filePath(b.file), "BMP"))
                return false;
        }
        if (!SaveText(LayoutFile(w), skins.filePath(w.layout)))
            return false;
    }
    return SaveText(ColourTemplate(), skins.filePath("UserDengColor_3.userd"));
}

} // namespace skingen
