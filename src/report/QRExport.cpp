#include "QRExport.h"

#include "../platform/Errors.h"
#include "../platform/FileSystem.h"
#include "../platform/SvgSheet.h"
#include "QRFileTarget.h"
#include "QRMedia.h"
#include "QRPrinter.h"
#include "QuickRep.h"
#include "QuickRepRun.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QImageWriter>
#include <QPdfWriter>

namespace {
constexpr int kJpegQuality = 95;

// The page's paper as a printer takes it (its media), as oriented.
QSizeF PageMillimetres(const TQuickRep& page) {
    const TQRPage& setup = *page.Page();
    const QSizeF custom(static_cast<qreal>(setup.NativeValue(TQRPage::WidthIdx) / 10.0L),
                        static_cast<qreal>(setup.NativeValue(TQRPage::LengthIdx) / 10.0L));
    return SheetFileMillimetres(setup.PaperSize(), custom, setup.Orientation());
}

// "Tesorin A4": the program and the paper.
QString SheetTitle(const TQuickRep& page) {
    return QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(),
                                       PaperName(page.Page()->PaperSize()));
}

void Run(const TQuickRep& page, QPaintDevice* sheet, int deviceDpi, int pictureDpi) {
    TQRReportRun run(page, std::make_unique<TQRPrinter>(sheet, deviceDpi, pictureDpi));
    run.GenerateReport();
}

QByteArray RenderPdf(const TQuickRep& page, int dpi) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(kSheetFileDpi);
    pdf.setTitle(SheetTitle(page));
    pdf.setCreator(QCoreApplication::applicationName());
    const QSizeF mm = PageMillimetres(page);
    // The page in its own orientation, so that no viewer turns it.
    pdf.setPageLayout(
        QPageLayout(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF()));
    Run(page, &pdf, kSheetFileDpi, dpi);
    return bytes;
}

QByteArray RenderSvg(const TQuickRep& page, int dpi) {
    TSvgSheet svg(PageMillimetres(page), kSheetFileDpi, SheetTitle(page),
                  {QStringLiteral("paper"), QStringLiteral("outline"), QStringLiteral("mountain"),
                   QStringLiteral("valley"), QStringLiteral("glue"), QStringLiteral("pictures")});
    Run(page, &svg, kSheetFileDpi, dpi);
    return svg.Document();
}

QByteArray RenderRaster(const TQuickRep& page, TQRSheetFormat format, int dpi) {
    const QSizeF mm = PageMillimetres(page);
    const QSize pixels(qRound(mm.width() / 25.4 * dpi), qRound(mm.height() / 25.4 * dpi));
    QImage sheet(pixels, QImage::Format_RGB32);
    if (sheet.isNull())
        throw EError(QStringLiteral("%1 × %2 ピクセルの画像を作るメモリが足りません。")
                         .arg(pixels.width())
                         .arg(pixels.height()));
    sheet.fill(Qt::white);
    const int dotsPerMetre = qRound(dpi / 0.0254);
    sheet.setDotsPerMeterX(dotsPerMetre);
    sheet.setDotsPerMeterY(dotsPerMetre);
    Run(page, &sheet, dpi, dpi);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == TQRSheetFormat::Png ? "png" : "jpeg");
    if (format == TQRSheetFormat::Jpeg)
        writer.setQuality(kJpegQuality);
    if (!writer.write(sheet))
        throw EError(writer.errorString());
    return bytes;
}

// The common faults of a target, said before the sheet is made.
void CheckTarget(const QString& fileName) {
    const QFileInfo target(fileName);
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists())
        throw EError(QStringLiteral("フォルダ %1 がありません。").arg(folder.filePath()));
    if (!folder.isDir())
        throw EError(QStringLiteral("%1 はフォルダではありません。").arg(folder.filePath()));
    if (target.isDir())
        throw EError(QStringLiteral("同じ名前のフォルダがあります。"));
    if (!folder.isWritable())
        throw EError(
            QStringLiteral("フォルダ %1 に書き込む権限がありません。").arg(folder.filePath()));
}
} // namespace

std::optional<TQRSheetFormat> SheetFormatOf(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return TQRSheetFormat::Pdf;
    if (suffix == QLatin1String("svg"))
        return TQRSheetFormat::Svg;
    if (suffix == QLatin1String("png"))
        return TQRSheetFormat::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return TQRSheetFormat::Jpeg;
    return std::nullopt;
}

QSizeF SheetFileMillimetres(TQRPaperSize code, QSizeF custom, TPrinterOrientation orientation) {
    const QSizeF portrait = MediaMillimetres(code, custom);
    return orientation == TPrinterOrientation::Landscape ? portrait.transposed() : portrait;
}

QString ExportFailure(const QString& fileName, const QString& reason) {
    return QStringLiteral("%1 を書き出せません: %2").arg(fileName, reason);
}

QByteArray RenderSheetFile(const TQuickRep& page, TQRSheetFormat format, int dpi) {
    switch (format) {
    case TQRSheetFormat::Pdf:
        return RenderPdf(page, dpi);
    case TQRSheetFormat::Svg:
        return RenderSvg(page, dpi);
    case TQRSheetFormat::Png:
    case TQRSheetFormat::Jpeg:
        break;
    }
    return RenderRaster(page, format, dpi);
}

void TQuickRep::PrintToFile(bool offer) {
    QWidget* parent = DialogParent();
    if (offer && !OfferSheetFile(parent))
        return;
    const QString fileName = AskSheetFileName(parent, page_->PaperSize());
    if (!fileName.isEmpty())
        Export(fileName, kDefaultPictureDpi);
}

// The file is written whole or not at all: beside the target, then renamed
// over it, every step checked.
void TQuickRep::Export(const QString& fileName, int dpi) {
    try {
        const std::optional<TQRSheetFormat> format = SheetFormatOf(fileName);
        if (!format)
            throw EError(QStringLiteral("形式が分かりません。名前の終わりを .pdf .svg .png "
                                        ".jpg のどれかにしてください。"));
        CheckTarget(fileName);
        CheckMargins();
        SaveFileAtomically(fileName, RenderSheetFile(*this, *format, dpi));
    } catch (const EError& e) {
        // A failed save names the path itself; the message names it once.
        QString reason = e.Message();
        const QString path = fileName + QStringLiteral(": ");
        if (reason.startsWith(path))
            reason.remove(0, path.size());
        throw EError(ExportFailure(fileName, reason));
    }
}
