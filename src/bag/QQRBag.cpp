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
            const bool mountain = p.Role == TNetRole::Mountain;
            const QString group = mountain ? QStringLiteral("mountain") : QStringLiteral("valley");
            canvas.SetGroups(group, group);
            canvas.SetPenColor(mountain ? look.YamaoriColor : look.TanioriColor);
            canvas.Polyline(p.Points);
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
