#include "QRPrintable.h"

#include "../platform/Canvas.h"
#include "../platform/Rounding.h"
#include "QRPrinter.h"
#include "QuickRep.h"

#include <QEvent>
#include <QScopeGuard>

TQRPrintableSize::TQRPrintableSize(TQRPrintable* owner, int resolution)
    : owner_(owner), resolution_(resolution > 0 ? resolution : kScreenPixelsPerInch) {}

long double TQRPrintableSize::Value(int index) const {
    if (index < HeightIdx || index > WidthIdx)
        return 0;
    return FromNative(units_, values_[index], resolution_, zoom_);
}

void TQRPrintableSize::SetValue(int index, long double v) {
    if (index < HeightIdx || index > WidthIdx)
        return;
    values_[index] = ToNative(units_, v, resolution_, zoom_);
    UpdateControl();
}

void TQRPrintableSize::SetValues(const std::array<long double, 4>& v) {
    values_ = v;
    UpdateControl();
}

void TQRPrintableSize::SetZoom(int z) {
    if (z < 1 || z > 300)
        return;
    zoom_ = z;
    UpdateControl();
}

void TQRPrintableSize::UpdateControl() {
    auto px = [this](int i) {
        return int(RoundHalfEven(FromNative(TQRUnit::Pixels, values_[i], resolution_, zoom_)));
    };
    updating_ = true;
    owner_->setGeometry(px(LeftIdx), px(TopIdx), px(WidthIdx), px(HeightIdx));
    updating_ = false;
}

void TQRPrintableSize::SetPixelBounds(int left, int top, int width, int height) {
    if (loading_) {
        Remember(remembered_[0], left);
        Remember(remembered_[1], top);
        Remember(remembered_[2], width);
        Remember(remembered_[3], height);
        return;
    }
    const auto restore = qScopeGuard([this, saved = units_] { units_ = saved; });
    units_ = TQRUnit::Pixels;
    // The order height, width, top, left is the one the stored form relies on.
    SetValue(HeightIdx, height);
    SetValue(WidthIdx, width);
    SetValue(TopIdx, top);
    SetValue(LeftIdx, left);
}

void TQRPrintableSize::SetPixelPosition(int left, int top) {
    if (loading_) {
        Remember(remembered_[0], left);
        Remember(remembered_[1], top);
        return;
    }
    const auto restore = qScopeGuard([this, saved = units_] { units_ = saved; });
    units_ = TQRUnit::Pixels;
    SetValue(TopIdx, top);
    SetValue(LeftIdx, left);
}

void TQRPrintableSize::EndLoading() {
    loading_ = false;
    UpdateControl();
    // Remembered bounds fill only what is still 0, written in the order
    // height, width, top, left like any pixel bounds.
    const std::array<std::pair<int, int>, 4> bounds{{{HeightIdx, owner_->height()},
                                                     {WidthIdx, owner_->width()},
                                                     {TopIdx, owner_->y()},
                                                     {LeftIdx, owner_->x()}}};
    const std::array<int, 4> remembered{remembered_[3], remembered_[2], remembered_[1],
                                        remembered_[0]};
    const auto restore = qScopeGuard([this, saved = units_] { units_ = saved; });
    units_ = TQRUnit::Pixels;
    for (int i = 0; i < 4; ++i)
        if (bounds[i].second == 0 && remembered[i] != 0)
            SetValue(bounds[i].first, remembered[i]);
    remembered_ = {0, 0, 0, 0};
}

TQRPrintable::TQRPrintable(QWidget* parent, int resolution)
    : QWidget(parent), size_(std::make_unique<TQRPrintableSize>(this, resolution)) {
    resize(10, 10);
    if (auto* report = qobject_cast<TQuickRep*>(parent))
        report->AttachPrintable(this);
}

TQRPrintable::~TQRPrintable() {
    if (report_)
        report_->DetachPrintable(this);
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    size_->SetPixelBounds(left, top, width < 0 ? 0 : width, height < 0 ? 0 : height);
}

void TQRPrintable::SetPixelPosition(int left, int top) {
    size_->SetPixelPosition(left, top);
}

void TQRPrintable::AttachedTo(TQuickRep* report) {
    report_ = report;
    size_->SetUnits(report->Units());
    size_->SetZoom(report->Zoom());
}

// Making a report page the parent attaches the printable to it; taking it
// away detaches it, so the page's print list follows the widget tree.
bool TQRPrintable::event(QEvent* e) {
    if (e->type() == QEvent::ParentChange) {
        auto* report = qobject_cast<TQuickRep*>(parentWidget());
        if (report_ && report_ != report) {
            report_->DetachPrintable(this);
            report_ = nullptr;
        }
        if (report)
            report->AttachPrintable(this);
    }
    return QWidget::event(e);
}

std::unique_ptr<TQRPrintableSnapshot> TQRPrintable::TakeSnapshot() const {
    return std::make_unique<TQRPrintableSnapshot>(*this);
}

TQRPrintableSnapshot::TQRPrintableSnapshot(const TQRPrintable& printable)
    : values_(printable.Size()->Values()), resolution_(printable.Size()->Resolution()),
      frame_(printable.Frame()) {}

void TQRPrintableSnapshot::BeginPrinting(TQRPrinter* printer, std::function<bool()> cancelled,
                                         TQRPictureDecodes* decodes) {
    printer_ = printer;
    cancelled_ = std::move(cancelled);
    decodes_ = decodes;
}

TQRPrintableSnapshot::TDeviceEdges TQRPrintableSnapshot::DeviceEdges(const TQRPrinter& printer,
                                                                     long double offsetX,
                                                                     long double offsetY,
                                                                     long double lead) const {
    return {printer.ToDeviceX(offsetX + Left() - lead), printer.ToDeviceY(offsetY + Top() - lead),
            printer.ToDeviceX(offsetX + Left() + Width()),
            printer.ToDeviceY(offsetY + Top() + Height())};
}

void TQRPrintableSnapshot::PrintAt(long double offsetX, long double offsetY) {
    if (!printer_ || !frame_.AnySide())
        return;
    const auto [l, t, r, b] = DeviceEdges(*printer_, offsetX, offsetY);
    TCanvas& canvas = *printer_->Canvas();
    canvas.SetPenColor(frame_.Color);
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.SetPenWidth(1);
    canvas.SetPenMode(TPenMode::Copy);
    if (frame_.DrawTop)
        canvas.Line({l, t}, {r, t});
    if (frame_.DrawBottom)
        canvas.Line({l, b}, {r, b});
    if (frame_.DrawLeft)
        canvas.Line({l, t}, {l, b});
    if (frame_.DrawRight)
        canvas.Line({r, t}, {r, b});
}
