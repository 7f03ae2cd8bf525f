#include "QQRBag.h"

#include "report/QRPrinter.h"

#include <QPaintEvent>
#include <QPainter>

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

void TQRBag::SetFoldStyles(bool on) {
    foldStyles_ = on;
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

namespace {
void DrawFold(TCanvas& canvas, const TBagLook& look, const TNetPrimitive& line,
              TPixelsPerMm scale) {
    canvas.SetPenColor(line.Role == TNetRole::Mountain ? look.YamaoriColor : look.TanioriColor);
    if (!look.FoldStyles) {
        canvas.Polyline(line.Points);
        return;
    }
    for (const QVector<QPoint>& piece : DashPieces(line.Points, FoldDashPattern(line.Role), scale))
        canvas.Polyline(piece);
}
} // namespace

void DrawBagNet(TCanvas& canvas, const TBagLook& look, int L, int T, int R, int B, bool drawLines,
                TPixelsPerMm scale) {
    canvas.SetBrushColor(look.Color);
    canvas.SetBrushStyle(look.BrushStyle);
    canvas.SetPenColor(clBlack);
    canvas.SetPenStyle(drawLines ? TPenStyle::Solid : TPenStyle::Clear);
    canvas.SetPenWidth(1);
    canvas.SetPenMode(TPenMode::Copy);

    // A sheet file keeps the net's parts apart, by what they are to the
    // user: the cut line, the two kinds of fold, the glue flap.
    canvas.BeginFigure();
    const TBagNet net = ComputeBagNet(L, T, R, B);
    for (const TNetPrimitive& p : net.Primitives) {
        switch (p.Kind) {
        case TNetPrimitiveKind::Rectangle:
            canvas.SetGroups(QStringLiteral("outline"), QStringLiteral("paper"));
            canvas.Rectangle(p.Points[0].x(), p.Points[0].y(), p.Points[1].x(), p.Points[1].y());
            break;
        case TNetPrimitiveKind::Polyline: {
            const QString group = p.Role == TNetRole::Mountain ? QStringLiteral("mountain")
                                                               : QStringLiteral("valley");
            canvas.SetGroups(group, group);
            DrawFold(canvas, look, p, scale);
            break;
        }
        case TNetPrimitiveKind::FillRect:
            canvas.SetGroups(QStringLiteral("glue"), QStringLiteral("glue"));
            // The flap is always solid: a colour turns a clear brush solid.
            canvas.SetBrushColor(look.NorishiroColor);
            canvas.FillRect(p.Points[0].x(), p.Points[0].y(), p.Points[1].x(), p.Points[1].y());
            break;
        }
    }
}

TBagLook TQRBag::Look() const {
    return {color_, yamaoriColor_, tanioriColor_, norishiroColor_, brush_->Style, foldStyles_};
}

void TQRBag::DrawNet(TCanvas& canvas, int L, int T, int R, int B, bool drawLines,
                     TPixelsPerMm scale) const {
    DrawBagNet(canvas, Look(), L, T, R, B, drawLines, scale);
}

TPixelsPerMm TQRBag::ScreenScale() const {
    const double perMm = Size()->Resolution() * (Size()->Zoom() / 100.0) / kMillimetresPerInch;
    return {perMm, perMm};
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
    const TPixelsPerMm scale{double(printer->DevicePerNativeX() * kNativePerMm),
                             double(printer->DevicePerNativeY() * kNativePerMm)};
    DrawBagNet(*printer->Canvas(), look_, l, t, r, b, printLine_, scale);
}

void TQRBag::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    DrawNet(canvas, 0, 0, Width(), Height(), true, ScreenScale());
}
