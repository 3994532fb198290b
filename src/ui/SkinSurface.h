#pragma once

// The skin's picture surfaces. Each picture is drawn once, unscaled, at the origin of a
// surface 100 pixels wider and taller than its window's client area, and the surface is kept
// for the life of the program: image buttons cut their faces from it.

#include <QImage>
#include <QSize>

#include <filesystem>

namespace ui {

inline constexpr int kSurfaceMargin = 100;

// The surface of a picture file, made at the first request (later requests return the same
// surface, whatever size they give). A picture that is missing or cannot be decoded ends
// the program silently.
const QImage* SkinSurface(const std::filesystem::path& picture, QSize clientSize);

// A picture read whole, for the skinned dialog base: missing or undecodable ends the
// program silently.
QImage LoadSkinPictureOrEnd(const std::filesystem::path& picture);

} // namespace ui
