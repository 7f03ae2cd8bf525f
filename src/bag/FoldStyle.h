#pragma once
// Fold styles for monochrome printers: valley folds dashed and mountain
// folds dash-dot, as folding diagrams draw them. The patterns are lengths on
// the sheet in millimetres; each device turns them into its own pixels, so a
// dash is as long on screen, in the preview and on paper. Pure geometry: needs
// only QtCore.

#include "BagNet.h"

#include <QVector>

// Device pixels per millimetre of the sheet, across and down.
struct TPixelsPerMm {
    double X = 0;
    double Y = 0;
};

// The pattern of a fold role in millimetres: dash, gap, dash, gap ...; empty
// (a solid line) for a primitive without a fold role.
QVector<double> FoldDashPattern(TNetRole role);

// The drawn pieces of the polyline `points` under `patternMm`, in device
// pixels. Each piece is a polyline of two points whose last point is not set,
// as the canvas draws it, so pieces that meet at a corner join without a gap
// or an overlap. The pattern starts with a dash at the first point and runs on
// over the corners. An empty pattern, or a scale that is not a positive
// number, gives the polyline itself: a solid line.
QVector<QVector<QPoint>> DashPieces(const QVector<QPoint>& points, const QVector<double>& patternMm,
                                    TPixelsPerMm scale);
