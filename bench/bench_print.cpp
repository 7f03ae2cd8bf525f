// Print-run time and PDF size for 0, 10 and 20 placed 3000 x 2000 pictures on
// the default sheet, printed at 600 dpi to a PDF file through the same run
// and printer object as a real print. Each picture should travel once at its own resolution, so
// time and size grow about linearly with the count.
#include "QQRBag.h"
#include "Unit1.h"
#include "report/QRImage.h"
#include "report/QRPrinterService.h"
#include "report/QuickRep.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {
QImage BasePicture() {
    QImage img(3000, 2000, QImage::Format_RGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) // a gradient with some grain
            line[x] = qRgb(x * 255 / 3000, y * 255 / 2000, int(rng.bounded(64)) + 96);
    }
    return img;
}

int PdfImageCount(const QString& pdf) {
    QProcess p;
    p.start("pdfimages", {"-list", pdf});
    p.waitForFinished();
    return int(QString::fromLocal8Bit(p.readAllStandardOutput()).count("3000  2000"));
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.pdf");
    TQRPrinterService::Install(std::make_unique<TQRPdfFileService>(file, 600, 0));
    const QImage base = BasePicture();
    std::printf("pictures  run_ms  pdf_bytes  pictures_in_pdf\n");
    for (int count : {0, 10, 20}) {
        TForm1 form;
        for (int i = 0; i < count; ++i) {
            QImage picture = base;
            picture.setPixel(i, 0, qRgb(i, 0, 0)); // a picture of its own
            auto* image = new TQRImage(form.QuickRep1);
            image->SetBounds(40 + (i % 5) * 160, 40 + (i / 5) * 130, 150, 100);
            image->SetStretch(true);
            image->SetPicture(picture);
        }
        QFile::remove(file);
        QElapsedTimer timer;
        timer.start();
        form.QuickRep1->Print();
        const qint64 ms = timer.elapsed();
        std::printf("%8d  %6lld  %9lld  %15d\n", count, static_cast<long long>(ms),
                    static_cast<long long>(QFileInfo(file).size()), PdfImageCount(file));
    }
    return 0;
}
