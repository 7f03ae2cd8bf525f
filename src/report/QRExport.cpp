#include "QRExport.h"

#include "../platform/Errors.h"
#include "../platform/FileSystem.h"
#include "../platform/SvgSheet.h"
#include "QRFileTarget.h"
#include "QRMedia.h"
#include "QRPrinter.h"
#include "QRProgress.h"
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

// A sheet file being made: its device and the page's run over it, made
// where the page is (the run takes its snapshot of the page then). The run
// draws the sheet, on any one thread, and Finish then gives the file's bytes
// on that thread.
class TSheetRender {
public:
    TSheetRender(const TQuickRep& page, TQRSheetFormat format, int dpi) : format_(format) {
        switch (format) {
        case TQRSheetFormat::Pdf:
            StartPdf(page, dpi);
            return;
        case TQRSheetFormat::Svg:
            svg_ = std::make_unique<TSvgSheet>(
                PageMillimetres(page), kSheetFileDpi, SheetTitle(page),
                QStringList{QStringLiteral("paper"), QStringLiteral("outline"),
                            QStringLiteral("mountain"), QStringLiteral("valley"),
                            QStringLiteral("glue"), QStringLiteral("pictures")});
            Over(page, svg_.get(), kSheetFileDpi, dpi);
            return;
        case TQRSheetFormat::Png:
        case TQRSheetFormat::Jpeg:
            StartRaster(page, dpi);
            return;
        }
    }

    std::unique_ptr<TQRReportRun> TakeRun() { return std::move(run_); }

    QByteArray Finish() {
        switch (format_) {
        case TQRSheetFormat::Pdf:
            return bytes_;
        case TQRSheetFormat::Svg:
            return svg_->Document();
        case TQRSheetFormat::Png:
        case TQRSheetFormat::Jpeg:
            break;
        }
        return EncodeRaster();
    }

private:
    void Over(const TQuickRep& page, QPaintDevice* sheet, int deviceDpi, int pictureDpi) {
        run_ = std::make_unique<TQRReportRun>(
            page, std::make_unique<TQRPrinter>(sheet, deviceDpi, pictureDpi));
    }

    void StartPdf(const TQuickRep& page, int dpi) {
        buffer_.setBuffer(&bytes_);
        buffer_.open(QIODevice::WriteOnly);
        pdf_ = std::make_unique<QPdfWriter>(&buffer_);
        pdf_->setResolution(kSheetFileDpi);
        pdf_->setTitle(SheetTitle(page));
        pdf_->setCreator(QCoreApplication::applicationName());
        const QSizeF mm = PageMillimetres(page);
        // The page in its own orientation, so that no viewer turns it.
        pdf_->setPageLayout(
            QPageLayout(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                        QPageLayout::Portrait, QMarginsF()));
        Over(page, pdf_.get(), kSheetFileDpi, dpi);
    }

    void StartRaster(const TQuickRep& page, int dpi) {
        const QSizeF mm = PageMillimetres(page);
        const QSize pixels(qRound(mm.width() / 25.4 * dpi), qRound(mm.height() / 25.4 * dpi));
        sheet_ = QImage(pixels, QImage::Format_RGB32);
        if (sheet_.isNull())
            throw EError(QStringLiteral("%1 × %2 ピクセルの画像を作るメモリが足りません。")
                             .arg(pixels.width())
                             .arg(pixels.height()));
        sheet_.fill(Qt::white);
        const int dotsPerMetre = qRound(dpi / 0.0254);
        sheet_.setDotsPerMeterX(dotsPerMetre);
        sheet_.setDotsPerMeterY(dotsPerMetre);
        Over(page, &sheet_, dpi, dpi);
    }

    QByteArray EncodeRaster() const {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format_ == TQRSheetFormat::Png ? "png" : "jpeg");
        if (format_ == TQRSheetFormat::Jpeg)
            writer.setQuality(kJpegQuality);
        if (!writer.write(sheet_))
            throw EError(writer.errorString());
        return bytes;
    }

    TQRSheetFormat format_;
    QByteArray bytes_; // the PDF's
    QBuffer buffer_;
    std::unique_ptr<QPdfWriter> pdf_;
    std::unique_ptr<TSvgSheet> svg_;
    QImage sheet_;
    std::unique_ptr<TQRReportRun> run_; // until taken
};

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
    TSheetRender render(page, format, dpi);
    render.TakeRun()->GenerateReport();
    return render.Finish();
}

void TQuickRep::PrintToFile(bool offer) {
    QWidget* parent = DialogParent();
    if (offer && !OfferSheetFile(parent))
        return;
    const QString fileName = AskSheetFileName(parent, page_->PaperSize());
    if (!fileName.isEmpty())
        ExportSheet(fileName, kDefaultPictureDpi, true);
}

void TQuickRep::Export(const QString& fileName, int dpi) {
    ExportSheet(fileName, dpi, false);
}

// The file is written whole or not at all: beside the target, then renamed
// over it, every step checked. One cancelled in the progress window is not
// written.
void TQuickRep::ExportSheet(const QString& fileName, int dpi, bool beside) {
    try {
        const std::optional<TQRSheetFormat> format = SheetFormatOf(fileName);
        if (!format)
            throw EError(QStringLiteral("形式が分かりません。名前の終わりを .pdf .svg .png "
                                        ".jpg のどれかにしてください。"));
        CheckTarget(fileName);
        CheckMargins();
        if (!beside) {
            SaveFileAtomically(fileName, RenderSheetFile(*this, *format, dpi));
            return;
        }
        TSheetRender render(*this, *format, dpi);
        QByteArray bytes;
        // On the heap, as Print's.
        const auto worker = std::make_unique<TQRCreateReportThread>(
            render.TakeRun(), [&render, &bytes] { bytes = render.Finish(); });
        RunBesideTheWindow(*worker);
        if (!worker->Run().Printer()->Cancelled())
            SaveFileAtomically(fileName, bytes);
    } catch (const EError& e) {
        // A failed save names the path itself; the message names it once.
        QString reason = e.Message();
        const QString path = fileName + QStringLiteral(": ");
        if (reason.startsWith(path))
            reason.remove(0, path.size());
        throw EError(ExportFailure(fileName, reason));
    }
}
