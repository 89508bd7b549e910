#pragma once
// Scaled drawing of a picture on a QPainter canvas, and the preview drawing built on it.

#include <QColor>
#include <QPainter>
#include <QRect>

#include "picture/picture_holder.h"
#include "picture/shrink.h"

namespace vr::picture {

// Draws `src` into `rect` of the canvas: smooth area averaging when it shrinks in both directions
// and smoothing is on or forced, else a nearest-pixel stretch.
void DrawPictureScaled(const PictureHolder& src, QPainter& canvas, const QRect& rect,
                       bool force_smooth, const SmoothSettings& settings = {});

// Fills `box` with `box_colour` and draws the picture centred in it: 1:1 when it fits, else fitted.
// A picture of height below 1 shows "Can't PreView file!" over "(Bad or Lots-Selected)".
void DrawPreview(QPainter& canvas, const QRect& box, const QColor& box_colour,
                 const PictureHolder& picture, const SmoothSettings& settings = {});

inline constexpr const char* kCantPreviewLine1 = "Can't PreView file!";
inline constexpr const char* kCantPreviewLine2 = "(Bad or Lots-Selected)";

}  // namespace vr::picture
