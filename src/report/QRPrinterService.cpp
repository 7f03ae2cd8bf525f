#include "QRPrinterService.h"

#include "../platform/Errors.h"
#include "../platform/PrintSpool.h"
#include "../platform/PrinterMedia.h"
#include "QRMedia.h"

#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
std::shared_ptr<const TQRPrinterService>& Installed() {
    static std::shared_ptr<const TQRPrinterService> service;
    return service;
}
} // namespace

namespace {
// Whole points: a PDF page is measured in them, so the job's page is then
// exactly the paper asked for.
QPageSize PointSize(QSizeF mm, const QString& name) {
    const QSize points(qRound(mm.width() * 72 / 25.4), qRound(mm.height() * 72 / 25.4));
    return QPageSize(points, name, QPageSize::ExactMatch);
}

// The listed size, at the server's own size when that differs by a point.
QPageSize ServerExact(const QString& printer, const QPageSize& listed) {
    const QSize points = ServerMediaPoints(printer, listed.size(QPageSize::Millimeter));
    if (!points.isValid() || points == listed.sizePoints())
        return listed;
    return QPageSize(points, listed.name(), QPageSize::ExactMatch);
}
} // namespace

QString NoPrinterMessage() {
    return QStringLiteral("プリンタがインストールされていません。");
}

bool CurrentServerSilent(int ms) {
    const std::shared_ptr<const TQRPrinterService> service = TQRPrinterService::Shared();
    return service->AsksAServer() && service->ServerSilent(ms);
}

QString SilentServerMessage() {
    return QStringLiteral("印刷サーバーが応答しません。サーバーが動いているか確かめてください。");
}

QPageSize StandardMedia(TQRPaperSize code, QSizeF custom) {
    const QSizeF mm = MediaMillimetres(code, custom);
    if (mm.isEmpty())
        return {};
    const QPageSize standard(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    return standard.id() != QPageSize::Custom ? standard : PointSize(mm, MediaName(code, custom));
}

QStringList TQRPrinterService::PrinterNames() const {
    return QPrinterInfo::availablePrinterNames();
}

QString TQRPrinterService::DefaultPrinterName() const {
    return QPrinterInfo::defaultPrinterName();
}

std::unique_ptr<QPrinter> TQRPrinterService::Open(const QString& name) const {
    QPrinterInfo info =
        name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    if (info.isNull() && !name.isEmpty())
        return nullptr; // the chosen printer is gone
    if (info.isNull())  // no default printer: take the first
        info = QPrinterInfo::printerInfo(QPrinterInfo::availablePrinterNames().value(0));
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    // Drawn at the resolution the printer prints at: finer dots only make the
    // job and the server's conversions larger (pictures travel at the device
    // rectangle's pixels), and lines and pictures are placed to the printer's
    // own dot.
    if (const int dpi = ServerResolution(info.printerName()))
        printer->setResolution(dpi);
    return printer;
}

QPageSize TQRPrinterService::Media(const QPrinter& printer, TQRPaperSize code,
                                   QSizeF custom) const {
    const QSizeF mm = MediaMillimetres(code, custom);
    if (mm.isEmpty())
        return {};
    const QPrinterInfo info(printer);
    const QList<QPageSize> listed = info.supportedPageSizes();
    if (listed.isEmpty())
        return StandardMedia(code, custom);
    const QPageSize media = FindMedia(listed, mm);
    if (media.isValid())
        return ServerExact(printer.printerName(), media);
    if (code == QRPaper::Custom && info.supportsCustomPageSizes())
        return PointSize(mm, MediaName(code, custom));
    return {};
}

void TQRPrinterService::Submit(const QPrinter& printer, const TPrintSpool& spool) const {
    if (!spool.Submit(printer, printer.docName()))
        throw EError(QStringLiteral("印刷できませんでした"));
}

bool TQRPrinterService::ServerSilent(int ms) const {
    return PrintServerSilent(ms);
}

const TQRPrinterService& TQRPrinterService::Current() {
    return *Shared();
}

std::shared_ptr<const TQRPrinterService> TQRPrinterService::Shared() {
    static const auto system = std::make_shared<const TQRPrinterService>();
    return Installed() ? Installed() : system;
}

void TQRPrinterService::Install(std::unique_ptr<TQRPrinterService> service) {
    Installed() = std::move(service);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): resolution, then margin, as declared
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

QStringList TQRPdfFileService::PrinterNames() const {
    return {QFileInfo(fileName_).fileName()};
}

QPageSize TQRPdfFileService::Media(const QPrinter&, TQRPaperSize code, QSizeF custom) const {
    return StandardMedia(code, custom);
}

void TQRPdfFileService::Submit(const QPrinter&, const TPrintSpool& spool) const {
    QFile::remove(fileName_);
    if (!QFile::copy(spool.FileName(), fileName_))
        throw EError(QStringLiteral("印刷できませんでした"));
}
