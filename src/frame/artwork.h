#pragma once
// The station's artwork (skin, button faces, bar images, icons), drawn from
// our SVG sources for the size and the device-pixel ratio it is shown at, so
// it is sharp at every desktop scale. Names are the SVG files' base names
// ("skin_background", "toolbar"). GUI thread only.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Safe to call any number of times; the widgets call it before loading.
void EnsureArtwork();

// The drawing stretched over the size (logical pixels), rendered for the
// ratio; the pixmap carries that ratio. Rendered once per size and ratio.
QPixmap ArtPixmap(const QString& name, QSize size, qreal ratio);

// A drawing as an icon for every size a widget may ask for.
QIcon ArtIcon(const QString& name);

// One cell of a strip of square images (the command bars' images) as an
// icon; the cell size is the strip's height.
QIcon ArtStripIcon(const QString& name, int cell);
// Number of cells in the strip.
int ArtStripCells(const QString& name);
