#include "QRPage.h"

#include "QuickRep.h"

namespace {
const TPaperDimension kNoDimension{0, 0};
const TPaperDimension kPaperDimensions[27] = {
    {0, 0},         {215.9, 279.4}, {215.9, 279.4}, {279.4, 431.8}, {431.8, 279.4}, {215.9, 355.6},
    {139.7, 215.9}, {190.5, 254},   {297, 420},     {210, 297},     {210, 297},     {148, 210},
    {250, 354},     {182, 257},     {215.9, 330.2}, {215, 275},     {254, 355.6},   {279.4, 431.8},
    {215.9, 279},   {98.43, 225.4}, {104.8, 241.3}, {114.3, 263.5}, {101.6, 279.4}, {127, 292.1},
    {100, 100},     {100, 100},     {100, 100}};
} // namespace

const TPaperDimension& PaperDimensions(TQRPaperSize code) {
    if (code >= 1 && code <= 26)
        return kPaperDimensions[code];
    return kNoDimension;
}

TQRPage::TQRPage(TQuickRep* report) : report_(report) {}

long double TQRPage::Value(int index) const {
    if (index < 0 || index > ColumnSpaceIdx)
        return 0;
    return FromNative(report_->Units(), values_[index], report_->Resolution(), report_->Zoom());
}

void TQRPage::SetValue(int index, long double v) {
    if (index < 0 || index > ColumnSpaceIdx)
        return;
    if ((index == LengthIdx || index == WidthIdx) && paperSize_ != QRPaper::Custom)
        return;
    values_[index] = ToNative(report_->Units(), v, report_->Resolution(), report_->Zoom());
    if (index == BottomMarginIdx || index == LengthIdx || index == WidthIdx)
        report_->UpdatePageSize();
    else
        report_->update();
}

void TQRPage::SetPaperSize(TQRPaperSize code) {
    if (code == QRPaper::Default || code >= QRPaper::Custom) {
        if (code <= QRPaper::Custom)
            paperSize_ = code;
        return;
    }
    const TQRUnit saved = report_->Units();
    report_->SetUnitsOnly(TQRUnit::MM);
    paperSize_ = QRPaper::Custom;
    const TPaperDimension& dim = PaperDimensions(code);
    const bool portrait = orientation_ == TPrinterOrientation::Portrait;
    SetValue(WidthIdx, portrait ? dim.Width : dim.Length);
    SetValue(LengthIdx, portrait ? dim.Length : dim.Width);
    report_->SetUnitsOnly(saved);
    report_->LayoutBands();
    paperSize_ = code;
}

void TQRPage::SetOrientation(TPrinterOrientation o) {
    orientation_ = o;
    SetPaperSize(paperSize_);
}
