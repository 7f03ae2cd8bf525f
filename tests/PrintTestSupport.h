#pragma once
// Helpers for the print tests: a PDF file printer installed for one test, a
// printable that runs a test's code when printed, and the rasteriser.
#include "report/QRPrintable.h"
#include "report/QRPrinter.h"
#include "report/QRPrinterService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

// Jobs go to a PDF file for as long as the object lives.
struct TPdfPrinterScope {
    QTemporaryDir dir;
    QString file = dir.filePath("out.pdf");
    TPdfPrinterScope(int dpi = 600, int marginDots = 0) {
        TQRPrinterService::Install(std::make_unique<TQRPdfFileService>(file, dpi, marginDots));
    }
    ~TPdfPrinterScope() { TQRPrinterService::Install(nullptr); }
};

// A service that reports no installed printer.
struct TNoPrinterService : TQRPrinterService {
    QStringList PrinterNames() const override { return {}; }
};

// A printable whose snapshot runs a test's code when the run prints it, on
// the run's thread, with what the run sees of it and the run's printer.
class TProbe : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    using TPrint = std::function<void(const TQRPrintableSnapshot&, TQRPrinter&)>;
    TPrint OnPrint;
    std::unique_ptr<TQRPrintableSnapshot> TakeSnapshot() const override {
        return std::make_unique<TSnapshot>(*this);
    }

private:
    struct TSnapshot : TQRPrintableSnapshot {
        explicit TSnapshot(const TProbe& probe)
            : TQRPrintableSnapshot(probe), print(probe.OnPrint) {}
        void PrintAt(long double ox, long double oy) override {
            if (print && QRPrinter())
                print(*this, *QRPrinter());
            TQRPrintableSnapshot::PrintAt(ox, oy);
        }
        TPrint print;
    };
};

// The page of a PDF rasterised without anti-aliasing (null on failure).
inline QImage RasterisePdf(const QString& pdf, int dpi) {
    QImageReader::setAllocationLimit(1024);
    const QTemporaryDir dir;
    const QString base = dir.filePath("page");
    QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-aa", "no", "-aaVector", "no",
                                   "-png", "-singlefile", pdf, base});
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

// `pdfimages -list` rows after the two header lines.
inline QStringList PdfImages(const QString& pdf) {
    QProcess p;
    p.start("pdfimages", {"-list", pdf});
    p.waitForFinished();
    QStringList rows =
        QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    return rows.mid(2);
}

// Waits up to 10 s for a run on another thread to finish its document.
inline bool WaitFinished(TQRPrinter* p) {
    QElapsedTimer t;
    t.start();
    while (p->Status() != TQRPrinterStatus::Finished && t.elapsed() < 10000)
        QThread::msleep(5);
    return p->Status() == TQRPrinterStatus::Finished;
}

inline QList<QWidget*> ShownWindows() {
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            shown << w;
    return shown;
}

// A window bound to a printer: notes the pages announced to it.
class TPageClient : public QObject {
    Q_OBJECT
public:
    QList<int> pages;
public slots:
    void PageAvailable(int n) { pages << n; }
    void ProgressUpdate(int) {}
};
