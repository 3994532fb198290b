#include "ui/SkinSurface.h"

#include "ui/SilentExit.h"

#include <QImageReader>
#include <QPainter>
#include <QString>

#include <map>
#include <memory>

namespace ui {

namespace {

QString QtPath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

struct Surface {
    QSize client;
    std::unique_ptr<QImage> image;
};

// The user-interface thread alone uses them.
struct Surfaces {
    std::map<std::filesystem::path, Surface> byPicture;
    bool asleep = false;
};

Surfaces& All() {
    static Surfaces surfaces;
    return surfaces;
}

void Draw(const std::filesystem::path& picture, Surface& s) {
    const QImage image = LoadSkinPictureOrEnd(picture);
    *s.image = QImage(s.client.width() + kSurfaceMargin, s.client.height() + kSurfaceMargin,
                      QImage::Format_RGB32);
    s.image->fill(Qt::black);
    QPainter p(s.image.get());
    p.drawImage(0, 0, image);
}

} // namespace

QImage LoadSkinPictureOrEnd(const std::filesystem::path& picture) {
    QImage image(QtPath(picture));
    if (image.isNull())
        EndProgramSilently();
    return image;
}

const QImage* SkinSurface(const std::filesystem::path& picture, QSize clientSize) {
    Surfaces& all = All();
    auto found = all.byPicture.find(picture);
    if (found != all.byPicture.end())
        return found->second.image.get();
    Surface s{clientSize, std::make_unique<QImage>()};
    if (!all.asleep)
        Draw(picture, s);
    else if (!QImageReader(QtPath(picture)).canRead())
        EndProgramSilently();
    return all.byPicture.emplace(picture, std::move(s)).first->second.image.get();
}

void SleepSkinSurfaces() {
    Surfaces& all = All();
    all.asleep = true;
    for (auto& [picture, s] : all.byPicture)
        *s.image = QImage();
}

void WakeSkinSurfaces() {
    Surfaces& all = All();
    if (!all.asleep)
        return;
    all.asleep = false;
    for (auto& [picture, s] : all.byPicture)
        if (s.image->isNull())
            Draw(picture, s);
}

bool SkinSurfacesAsleep() {
    return All().asleep;
}

} // namespace ui
