#include "QRPreviewPrinter.h"

#include "QRPreview.h"
#include "QRPrinter.h"

// The run writes the title, the sheet and its scale on the worker before it
// opens the document; they are read only once the document is open, which
// the printer's status tells with the ordering of an atomic.
bool TQRPreviewPrinter::Begun() const {
    return printer_ && printer_->Status() != TQRPrinterStatus::Ready;
}

QString TQRPreviewPrinter::Title() const {
    return Begun() ? printer_->Title() : QString();
}

bool TQRPreviewPrinter::Finished() const {
    return printer_ && printer_->Status() == TQRPrinterStatus::Finished;
}

int TQRPreviewPrinter::PageCount() const {
    return printer_ ? printer_->PageCount() : 0;
}

int TQRPreviewPrinter::AvailablePages() const {
    return printer_ ? printer_->AvailablePages() : 0;
}

long double TQRPreviewPrinter::SheetWidth() const {
    return Begun() ? printer_->SheetWidth() : 0;
}

long double TQRPreviewPrinter::SheetLength() const {
    return Begun() ? printer_->SheetLength() : 0;
}

int TQRPreviewPrinter::ToDeviceWidth(long double native) const {
    return Begun() ? printer_->ToDeviceWidth(native) : 0;
}

int TQRPreviewPrinter::ToDeviceHeight(long double native) const {
    return Begun() ? printer_->ToDeviceHeight(native) : 0;
}

// A null page means that the store does not hold the page (yet).
bool TQRPreviewPrinter::PageImage(int n, TQRPageImage& page) const {
    if (!printer_)
        return false;
    page = printer_->PageImage(n);
    return !page.IsNull();
}

TQRPreview* TQRPreviewPrinter::Client() const {
    return printer_ ? qobject_cast<TQRPreview*>(printer_->Client()) : nullptr;
}

void TQRPreviewPrinter::SetClient(TQRPreview* client) {
    if (printer_)
        printer_->SetClient(client);
}

bool TQRPreviewPrinter::ShowingPreview() const {
    return printer_ && printer_->ShowingPreview();
}

void TQRPreviewPrinter::SetShowingPreview(bool on) {
    if (printer_)
        printer_->SetShowingPreview(on);
}

void TQRPreviewPrinter::SetPaperSize(TQRPaperSize code) {
    if (printer_)
        printer_->SetPaperSize(code);
}

void TQRPreviewPrinter::PrintSetup() {
    if (printer_)
        printer_->PrintSetup();
}

void TQRPreviewPrinter::Print() {
    if (printer_)
        printer_->RequestPrint();
}

void TQRPreviewPrinter::PreviewClosed() {
    TQRPrinter* printer = printer_;
    printer_ = nullptr;
    if (printer)
        printer->ClosePreview();
}
