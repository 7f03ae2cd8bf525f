#include "QRPrintable.h"

#include "../platform/Canvas.h"
#include "QuickRep.h"

TQRPrintableSize::TQRPrintableSize(TQRPrintable* owner, int resolution)
    : owner_(owner), resolution_(resolution > 0 ? resolution : 96) {}

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
    const TQRUnit saved = units_;
    units_ = TQRUnit::Pixels;
    // The order height, width, top, left is the one the stored form relies on.
    SetValue(HeightIdx, height);
    SetValue(WidthIdx, width);
    SetValue(TopIdx, top);
    SetValue(LeftIdx, left);
    units_ = saved;
}

void TQRPrintableSize::SetPixelPosition(int left, int top) {
    const TQRUnit saved = units_;
    units_ = TQRUnit::Pixels;
    SetValue(TopIdx, top);
    SetValue(LeftIdx, left);
    units_ = saved;
}

TQRPrintable::TQRPrintable(QWidget* parent, int resolution)
    : QWidget(parent), size_(std::make_unique<TQRPrintableSize>(this, resolution)) {
    resize(10, 10);
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

void TQRPrintable::PrintAt(long double, long double) {}
