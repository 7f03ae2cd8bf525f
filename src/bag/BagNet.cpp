#include "BagNet.h"

#include "platform/Rounding.h"

#include <algorithm>
#include <limits>

namespace {
int Clamp32(long long v) {
    return int(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

TNetPrimitive Line(TNetRole role, QPoint a, QPoint b) {
    return {TNetPrimitiveKind::Polyline, role, {a, b}};
}

TNetPrimitive Vee(QPoint a, QPoint apex, QPoint b) {
    return {TNetPrimitiveKind::Polyline, TNetRole::Valley, {a, apex, b}};
}
} // namespace

TBagNet ComputeBagNet(int L, int T, int R, int B) {
    TBagNet n;
    const long long W = static_cast<long long>(R) - L;
    const long long H = static_cast<long long>(B) - T;
    const long long A = RoundDiv(2 * W, 100);
    const long long P = RoundDiv(W - A, 2);
    const long long G = RoundDiv(70 * P, 100);
    const long long S = P - G;
    const long long m = RoundDiv(S, 2);
    const long long d = RoundDiv(80 * S, 100);
    n.W = Clamp32(W);
    n.H = Clamp32(H);
    n.A = Clamp32(A);
    n.P = Clamp32(P);
    n.G = Clamp32(G);
    n.S = Clamp32(S);
    n.m = Clamp32(m);
    n.d = Clamp32(d);
    n.x1 = Clamp32(R - 2 * P);
    n.x2 = Clamp32(L + A + m);
    n.x3 = Clamp32(L + A + S);
    n.x4 = Clamp32(L + A + S + G);
    n.x5 = Clamp32(L + A + S + G + m);
    n.x6 = Clamp32(L + A + 2 * S + G);
    n.y1 = Clamp32(B - d - m);
    n.y2 = Clamp32(B - d);

    const auto M = TNetRole::Mountain;
    const auto V = TNetRole::Valley;
    const int x1 = n.x1, x2 = n.x2, x3 = n.x3, x4 = n.x4, x5 = n.x5, x6 = n.x6;
    const int y1 = n.y1, y2 = n.y2, dd = n.d;
    n.Primitives = {
        {TNetPrimitiveKind::Rectangle, TNetRole::None, {{L, T}, {R, B}}},
        Line(M, {x1, T}, {x1, B}),
        Line(V, {x2, T}, {x2, B}),
        Line(M, {x3, T}, {x3, B}),
        Line(M, {x4, T}, {x4, B}),
        Line(V, {x5, T}, {x5, B}),
        Line(M, {x6, T}, {x6, B}),
        Line(V, {L, y1}, {R, y1}),
        Line(M, {L, y2}, {R, y2}),
        Vee({x1, y2}, {x2, y1}, {x3, y2}),
        Line(M, {x3, y2}, {x3 + dd, B}),
        Line(M, {x4 - dd, B}, {x4, y2}),
        Vee({x4, y2}, {x5, y1}, {x6, y2}),
        Line(M, {x6, y2}, {x6 + dd, B}),
        Line(M, {R - dd, B}, {R, y2}),
        // The flap boundary again, over the crossings of the bottom folds.
        Line(M, {x1, T}, {x1, B}),
        {TNetPrimitiveKind::FillRect, TNetRole::None, {{L, T}, {x1, B}}},
    };
    return n;
}
