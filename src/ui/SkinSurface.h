#pragma once

// The skin's picture surfaces. Each picture is drawn once, unscaled, at the origin of a
// surface 100 pixels wider and taller than its window's client area: image buttons cut their
// faces from it. A surface takes several megabytes; while no window of the program is on
// screen the pixels may be let go (SleepSkinSurfaces) and are drawn again before a window
// shows (WakeSkinSurfaces). The surface objects, and so the pointers to them, stay for the
// life of the program.

#include <QImage>
#include <QSize>

#include <filesystem>

namespace ui {

inline constexpr int kSurfaceMargin = 100;

// The surface of a picture file, made at the first request (later requests return the same
// surface, whatever size they give). A picture that is missing or cannot be decoded ends
// the program silently. While the surfaces sleep, a new one is only checked to be readable
// and stays empty until they wake.
const QImage* SkinSurface(const std::filesystem::path& picture, QSize clientSize);

// Lets every surface's pixels go; later surfaces start empty. For when nothing is on screen.
void SleepSkinSurfaces();
// Draws every surface again; does nothing while they are awake.
void WakeSkinSurfaces();

// A picture read whole, for the skinned dialog base: missing or undecodable ends the
// program silently.
QImage LoadSkinPictureOrEnd(const std::filesystem::path& picture);

} // namespace ui
