#include "ui/SkinSurface.h"

#include "ui/SilentExit.h"

#include <QPainter>
#include <QString>

#include <map>
#include <memory>

namespace ui {

namespace {

QString QtPath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

} // namespace

QImage LoadSkinPictureOrEnd(const std::filesystem::path& picture) {
    QImage image(QtPath(picture));
    if (image.isNull())
        EndProgramSilently();
    return image;
}

const QImage* SkinSurface(const std::filesystem::path& picture, QSize clientSize) {
    // Kept for the life of the program on purpose; the user-interface thread alone uses it.
    static std::map<std::filesystem::path, std::unique_ptr<QImage>> surfaces;
    auto found = surfaces.find(picture);
    if (found != surfaces.end())
        return found->second.get();
    const QImage image = LoadSkinPictureOrEnd(picture);
    auto surface =
        std::make_unique<QImage>(clientSize.width() + kSurfaceMargin,
                                 clientSize.height() + kSurfaceMargin, QImage::Format_RGB32);
    surface->fill(Qt::black);
    {
        QPainter p(surface.get());
        p.drawImage(0, 0, image);
    }
    return surfaces.emplace(picture, std::move(surface)).first->second.get();
}

} // namespace ui
