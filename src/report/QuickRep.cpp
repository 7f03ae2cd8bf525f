#include "QuickRep.h"

#include "../platform/Canvas.h"
#include "../platform/Fonts.h"
#include "../platform/Rounding.h"
#include "QRPrintable.h"
#include "QRProgress.h"
#include "QuickRepRun.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TQuickRep::TQuickRep(QWidget* parent, int resolution)
    : QWidget(parent), page_(std::make_unique<TQRPage>(this)),
      resolution_(resolution > 0 ? resolution : kScreenPixelsPerInch) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    UpdatePageSize();
}

// A page going away stops its preview runs first.
TQuickRep::~TQuickRep() {
    if (preview_)
        stopping_.push_back(std::move(preview_));
    for (const auto& worker : stopping_)
        worker->Cancel();
    stopping_.clear(); // each waits for its run to end
    for (TQRPrintable* p : printables_)
        p->ForgetReport();
}

void TQuickRep::SetUnits(TQRUnit u) {
    units_ = u;
    for (TQRPrintable* p : printables_)
        p->Size()->SetUnits(u);
}

void TQuickRep::SetZoom(int z) {
    if (z < 1 || z > 300)
        return;
    zoom_ = z;
    UpdatePageSize();
    for (TQRPrintable* p : printables_)
        p->Size()->SetZoom(z);
    update();
}

void TQuickRep::AttachPrintable(TQRPrintable* p) {
    if (!p || printables_.contains(p))
        return;
    const QPoint pos = p->pos();
    // Listed first: setParent comes back here through the parent-change event.
    printables_.append(p);
    if (p->parentWidget() != this)
        p->setParent(this);
    p->AttachedTo(this);
    p->SetPixelPosition(pos.x(), pos.y());
}

void TQuickRep::DetachPrintable(TQRPrintable* p) {
    printables_.removeAll(p);
}

void TQuickRep::AddBand(TQRSubDetail* band) {
    bands_.append(band);
    LayoutBands();
}

int TQuickRep::PixelsOf(long double native) const {
    return int(RoundHalfEven(FromNative(TQRUnit::Pixels, native, resolution_, zoom_)));
}

void TQuickRep::UpdatePageSize() {
    resize(PixelsOf(page_->NativeValue(TQRPage::WidthIdx)),
           PixelsOf(page_->NativeValue(TQRPage::LengthIdx)));
    LayoutBands();
    update();
    emit PageSizeChanged();
}

void TQuickRep::LayoutBands() {
    const int left = PixelsOf(page_->NativeValue(TQRPage::LeftMarginIdx));
    const int right = PixelsOf(page_->NativeValue(TQRPage::RightMarginIdx));
    int top = PixelsOf(page_->NativeValue(TQRPage::TopMarginIdx));
    for (TQRSubDetail* band : bands_) {
        band->setGeometry(left, top, width() - left - right, band->BandHeight());
        top += band->BandHeight();
    }
}

QRect TQuickRep::MarginGuideRect() const {
    const int l = PixelsOf(page_->NativeValue(TQRPage::LeftMarginIdx));
    const int t = PixelsOf(page_->NativeValue(TQRPage::TopMarginIdx));
    const int r = width() - PixelsOf(page_->NativeValue(TQRPage::RightMarginIdx));
    const int b = height() - PixelsOf(page_->NativeValue(TQRPage::BottomMarginIdx));
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

bool TQuickRep::FewColours() const {
    return depth() > 0 && depth() <= 8;
}

void TQuickRep::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    if (event->type() == QEvent::FontChange)
        rulerFamily_.clear(); // the stand-in follows the page's font
    QWidget::changeEvent(event);
}

// Order matters: the fill first, the grid over it, the margin guide on top.
void TQuickRep::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.SetBrushColor(isEnabled() ? clWhite : RGBColor(192, 192, 192));
    canvas.FillRect(0, 0, width(), height());
    if (page_->Ruler())
        PaintRuler(canvas);
    PaintMarginGuide(canvas);
}

void TQuickRep::PaintRuler(TCanvas& canvas) {
    const bool few = FewColours();
    const long double q = kRulerStepsPerInch / resolution_ / zoom_ * 100.0L;
    const bool fine = zoom_ >= 60;
    const TColor halfColour = few ? RGBColor(192, 192, 192) : RGBColor(249, 249, 249);
    const TColor wholeColour = few ? RGBColor(192, 192, 192) : RGBColor(240, 240, 240);
    // Where the ruler's own font is missing, the page's font stands in: a
    // sans font already loaded for the window.
    if (rulerFamily_.isEmpty())
        rulerFamily_ = InstalledFamily({QStringLiteral("Small Fonts"), font().family()});
    QFont font(rulerFamily_);
    font.setPointSize(6);
    canvas.SetFont(font);
    canvas.SetFontColor(few ? RGBColor(192, 192, 192) : RGBColor(112, 112, 112));

    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): along, then across the lines
    auto drawLines = [&](int extent, int across, bool vertical) {
        const long long count = RoundHalfEven(extent * q);
        for (long long i = 1; i <= count; ++i) {
            const int p = int(RoundHalfEven(i / q));
            const bool whole = i % 2 == 0;
            if (!whole && !fine)
                continue;
            canvas.SetPenStyle(!whole && few ? TPenStyle::Dot : TPenStyle::Solid);
            canvas.SetPenColor(whole ? wholeColour : halfColour);
            if (whole && fine) {
                const QString n = QString::number(i / 2);
                vertical ? canvas.TextOut(p + 2, 2, n) : canvas.TextOut(2, p + 2, n);
            }
            vertical ? canvas.Line({p, 0}, {p, across}) : canvas.Line({0, p}, {across, p});
        }
    };
    drawLines(width(), height(), true);
    drawLines(height(), width(), false);
    canvas.SetPenStyle(TPenStyle::Solid);
}

void TQuickRep::PaintMarginGuide(TCanvas& canvas) {
    const bool few = FewColours();
    const QRect rc = MarginGuideRect();
    canvas.SetPenColor(few ? RGBColor(128, 128, 128) : RGBColor(128, 128, 255));
    canvas.SetPenStyle(few ? TPenStyle::Dash : TPenStyle::Dot);
    canvas.SetBrushStyle(TBrushStyle::Clear);
    canvas.Rectangle(rc.left(), rc.top(), rc.right() + 1, rc.bottom() + 1);
    canvas.SetPenStyle(TPenStyle::Solid);
}
