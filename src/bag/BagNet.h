#pragma once
// The pure geometry of the paper-bag net: the fold, flap and glue positions
// for a device rectangle and the primitives that draw them. Needs only
// QtCore, so it is used and tested without a display.

#include <QPoint>
#include <QVector>

enum class TNetRole { None, Mountain, Valley };
enum class TNetPrimitiveKind { Rectangle, Polyline, FillRect };

// A rectangle or filled rectangle holds its corners (L, T) and (R, B) in
// Points; a polyline holds two or three points.
struct TNetPrimitive {
    TNetPrimitiveKind Kind;
    TNetRole Role;
    QVector<QPoint> Points;
};

struct TBagNet {
    int W = 0, H = 0, A = 0, P = 0, G = 0, S = 0, m = 0, d = 0;
    int x1 = 0, x2 = 0, x3 = 0, x4 = 0, x5 = 0, x6 = 0;
    int y1 = 0, y2 = 0;
    QVector<TNetPrimitive> Primitives; // in drawing order
};

// The net for the device rectangle L, T, R, B. Pure: no state, no failure.
TBagNet ComputeBagNet(int L, int T, int R, int B);
