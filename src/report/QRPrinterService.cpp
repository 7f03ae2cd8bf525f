#include "QRPrinterService.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
std::unique_ptr<TQRPrinterService>& Installed() {
    static std::unique_ptr<TQRPrinterService> service;
    return service;
}
} // namespace

QPageSize PageSizeOf(TQRPaperSize code) {
    const TPaperDimension& dim = PaperDimensions(code);
    if (dim.Width <= 0)
        return {};
    // Exact match: 250 x 354 (B4 here) must not be snapped to a nearby standard.
    return QPageSize(QSizeF(dim.Width, dim.Length), QPageSize::Millimeter, QString(),
                     QPageSize::ExactMatch);
}

bool TQRPrinterService::PrinterOK() const {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

std::unique_ptr<QPrinter> TQRPrinterService::Open(const QString& name) const {
    QPrinterInfo info =
        name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull()) // no default, or the chosen one is gone: take the first
        info = QPrinterInfo::printerInfo(QPrinterInfo::availablePrinterNames().value(0));
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

bool TQRPrinterService::SupportsPaper(const QPrinter& printer, TQRPaperSize code) const {
    const QPrinterInfo info(printer);
    if (code == QRPaper::Custom)
        return info.supportsCustomPageSizes();
    for (const QPageSize& size : info.supportedPageSizes())
        if (size.windowsId() == code)
            return true;
    return false;
}

const TQRPrinterService& TQRPrinterService::Current() {
    static const TQRPrinterService system;
    return Installed() ? *Installed() : system;
}

void TQRPrinterService::Install(std::unique_ptr<TQRPrinterService> service) {
    Installed() = std::move(service);
}

TQRPdfFileService::TQRPdfFileService(const QString& fileName, int dpi, int marginDots)
    : fileName_(fileName), dpi_(dpi), marginDots_(marginDots) {}

std::unique_ptr<QPrinter> TQRPdfFileService::Open(const QString&) const {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName_);
    printer->setResolution(dpi_);
    const qreal mm = marginDots_ * 25.4 / dpi_;
    printer->setPageMargins(QMarginsF(mm, mm, mm, mm), QPageLayout::Millimeter);
    return printer;
}
