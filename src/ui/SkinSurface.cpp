#include "ui/SkinSurface.h"

#include "ui/SilentExit.h"

#include <QImageReader>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

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

// The picture at the origin of a surface the size of the client area and its margin, black
// beyond it; empty when the picture cannot be read.
QImage Drawn(const std::filesystem::path& picture, QSize client) {
    const QImage image(QtPath(picture));
    if (image.isNull())
        return {};
    QImage surface(client.width() + kSurfaceMargin, client.height() + kSurfaceMargin,
                   QImage::Format_RGB32);
    surface.fill(Qt::black);
    QPainter p(&surface);
    p.drawImage(0, 0, image);
    return surface;
}

void Draw(const std::filesystem::path& picture, Surface& s) {
    *s.image = Drawn(picture, s.client);
    if (s.image->isNull())
        EndProgramSilently();
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
    std::vector<std::pair<const std::filesystem::path*, Surface*>> todo;
    for (auto& [picture, s] : all.byPicture)
        if (s.image->isNull())
            todo.emplace_back(&picture, &s);
    // Decoding is most of the time a window takes to show again: the pictures are decoded
    // side by side, each into its own surface.
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (size_t i; (i = next++) < todo.size();) {
            QImage drawn = Drawn(*todo[i].first, todo[i].second->client);
            if (drawn.isNull())
                failed = true;
            *todo[i].second->image = std::move(drawn);
        }
    };
    const unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u) - 1;
    std::vector<std::thread> threads;
    for (unsigned h = 0; h < helpers && h + 1 < todo.size(); ++h)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    if (failed)
        EndProgramSilently();
}

} // namespace ui
