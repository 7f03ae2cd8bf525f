#include "QQRBag.h"

#include "report/QRPrinter.h"

#include <QPaintEvent>
#include <QPainter>
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

TQRBag::TQRBag(QWidget* owner, int resolution)
    : TQRPrintable(owner, resolution), pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {
    SetTransparent(true);
    setVisible(true);
}

void TQRBag::RepaintNow() {
    // A setter may run before the bag is shown; repaint() is harmless then.
    if (isVisible())
        repaint();
}

void TQRBag::SetColor(TColor c) {
    color_ = c;
    RepaintNow();
}

void TQRBag::SetYamaoriColor(TColor c) {
    yamaoriColor_ = c;
    RepaintNow();
}

void TQRBag::SetTanioriColor(TColor c) {
    tanioriColor_ = c;
    RepaintNow();
}

void TQRBag::SetNorishiroColor(TColor c) {
    norishiroColor_ = c;
    RepaintNow();
}

void TQRBag::Assign(const QObject* source) {
    const auto* other = qobject_cast<const TQRBag*>(source);
    if (!other)
        return;
    setParent(other->parentWidget());
    SetTop(other->Top());
    SetLeft(other->Left());
    SetWidth(other->Width());
    SetHeight(other->Height());
}

void DrawBagNet(TCanvas& canvas, const TBagLook& look, int L, int T, int R, int B, bool drawLines) {
    canvas.SetBrushColor(look.Color);
    canvas.SetBrushStyle(look.BrushStyle);
    canvas.SetPenColor(clBlack);
    canvas.SetPenStyle(drawLines ? TPenStyle::Solid : TPenStyle::Clear);
    canvas.SetPenWidth(1);
    canvas.SetPenMode(TPenMode::Copy);

    const TBagNet net = ComputeBagNet(L, T, R, B);
    for (const TNetPrimitive& p : net.Primitives) {
        switch (p.Kind) {
        case TNetPrimitiveKind::Rectangle:
            canvas.Rectangle(p.Points[0].x(), p.Points[0].y(), p.Points[1].x(), p.Points[1].y());
            break;
        case TNetPrimitiveKind::Polyline:
            canvas.SetPenColor(p.Role == TNetRole::Mountain ? look.YamaoriColor
                                                            : look.TanioriColor);
            canvas.Polyline(p.Points);
            break;
        case TNetPrimitiveKind::FillRect:
            // The flap is always solid: a colour turns a clear brush solid.
            canvas.SetBrushColor(look.NorishiroColor);
            canvas.FillRect(p.Points[0].x(), p.Points[0].y(), p.Points[1].x(), p.Points[1].y());
            break;
        }
    }
}

TBagLook TQRBag::Look() const {
    return {color_, yamaoriColor_, tanioriColor_, norishiroColor_, brush_->Style};
}

void TQRBag::DrawNet(TCanvas& canvas, int L, int T, int R, int B, bool drawLines) const {
    DrawBagNet(canvas, Look(), L, T, R, B, drawLines);
}

std::unique_ptr<TQRPrintableSnapshot> TQRBag::TakeSnapshot() const {
    return std::make_unique<TQRBagSnapshot>(*this);
}

TQRBagSnapshot::TQRBagSnapshot(const TQRBag& bag)
    : TQRPrintableSnapshot(bag), look_(bag.Look()), printLine_(bag.PrintLine()) {}

void TQRBagSnapshot::PrintAt(long double offsetX, long double offsetY) {
    TQRPrintableSnapshot::PrintAt(offsetX, offsetY);
    TQRPrinter* printer = QRPrinter();
    if (!printer || !printer->Canvas())
        return;
    // The net reaches one native unit beyond the bag's left and top edges.
    const auto [l, t, r, b] = DeviceEdges(*printer, offsetX, offsetY, 1);
    DrawBagNet(*printer->Canvas(), look_, l, t, r, b, printLine_);
}

void TQRBag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    DrawNet(canvas, 0, 0, Width(), Height(), true);
}
