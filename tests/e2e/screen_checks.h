#pragma once
// Reading the desk's pixels back from a screenshot of the real window.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>

#include "desk_emulator.h"

// A screenshot pixel as RGB565 (depth 16: the server widened 5/6-bit fields).
uint16_t To565(QRgb pixel, int depth);
// An RGB565 pixel as the 8-bit channels a 24-bit server shows.
QRgb Expanded(uint16_t pixel);

// Pixels of the window's remote-screen area (top left at origin) that differ
// from the desk's frame: exact 565 values at 16 bits, the 565 fields on top
// of 8-bit channels at 24. -1 for a frame of the wrong size.
int FrameDifferences(const QImage& shot, QPoint origin, const deskemu::Frame& frame, int depth);

// One of the station's drawings (or one square cell of a strip of them) as
// the window draws it at scale 1: rendered from its SVG source to the size.
QImage RenderedArt(const QString& name, int size, int cell = -1);

// Centre of the image (its opaque pixels) within the area of the
// screenshot, if it is there.
std::optional<QPoint> FindIcon(const QImage& shot, QRect area, int depth, const QImage& image);
