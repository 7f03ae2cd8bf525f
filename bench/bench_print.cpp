// Print-run time and PDF size for 0, 10 and 20 placed 3000 x 2000 pictures on
// the default sheet, printed at 600 dpi to a PDF file through the same run
// and printer object as a real print, against the floor: the same sheet with
// every picture already reduced to its device rectangle, measured in the
// same run. Each figure is the median of five prints.
#include "BenchSheet.h"
#include "bag/QQRBag.h"
#include "platform/Canvas.h"
#include "platform/Rounding.h"
#include "report/QRImage.h"
#include "report/QRPrinterService.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int kDpi = 600;
constexpr int kRepeats = 5;

// Device pixels of a page-pixel length at the page's zoom of 80 %.
int Device(int px) {
    return int(RoundHalfEven(px * 254.0L / 96 / 0.8L * kDpi / 254));
}

QSize DeviceSize(const QRect& b) {
    return {Device(b.right() + 1) - Device(b.left()), Device(b.bottom() + 1) - Device(b.top())};
}

// Pixels of the largest picture in the PDF.
qint64 LargestPdfImage(const QString& pdf) {
    QProcess p;
    p.start("pdfimages", {"-list", pdf});
    p.waitForFinished();
    qint64 largest = 0;
    const QStringList rows = QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n');
    for (const QString& row : rows.mid(2)) {
        const QStringList f = row.simplified().split(' ');
        if (f.size() > 4)
            largest = std::max(largest, f[3].toLongLong() * f[4].toLongLong());
    }
    return largest;
}

struct TFigures {
    qint64 ms = 0;
    qint64 bytes = 0;
    qint64 largest = 0;
};

// One sheet printed kRepeats times: median time, bytes of the PDF.
TFigures PrintSheet(const std::vector<QImage>& pictures, const QString& file) {
    TForm1 form;
    for (size_t i = 0; i < pictures.size(); ++i) {
        auto* image = new TQRImage(form.QuickRep1);
        const QRect b = SheetBounds(int(i));
        image->SetBounds(b.x(), b.y(), b.width(), b.height());
        image->SetStretch(true);
        image->SetPicture(pictures[i]);
    }
    std::vector<qint64> times;
    for (int r = 0; r < kRepeats; ++r) {
        QFile::remove(file);
        QElapsedTimer timer;
        timer.start();
        form.QuickRep1->Print();
        times.push_back(timer.elapsed());
    }
    std::sort(times.begin(), times.end());
    return {times[kRepeats / 2], QFileInfo(file).size(), LargestPdfImage(file)};
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.pdf");
    TQRPrinterService::Install(std::make_unique<TQRPdfFileService>(file, kDpi, 0));
    const QImage base = GrainPhoto(0);
    const QSize rect = DeviceSize(SheetBounds(0));
    std::printf("each picture 3000 x 2000 into %d x %d device pixels at %d dpi\n", rect.width(),
                rect.height(), kDpi);
    std::printf("pictures  run_ms  floor_ms  time_x  pdf_bytes  floor_bytes  bytes_x  "
                "largest_image_px  rect_px\n");
    for (int count : {0, 10, 20}) {
        std::vector<QImage> pictures;
        std::vector<QImage> reduced;
        for (int i = 0; i < count; ++i) {
            QImage picture = base;
            picture.setPixel(i, 0, qRgb(i, 0, 0)); // a picture of its own
            pictures.push_back(picture);
            QImage floor = base.scaled(DeviceSize(SheetBounds(i)));
            floor.setPixel(i, 0, qRgb(i, 0, 0));
            reduced.push_back(floor);
        }
        const TFigures run = PrintSheet(pictures, file);
        pictures.clear();
        const TFigures floor = PrintSheet(reduced, file);
        std::printf("%8d  %6lld  %8lld  %6.2f  %9lld  %11lld  %7.3f  %16lld  %7lld\n", count,
                    static_cast<long long>(run.ms), static_cast<long long>(floor.ms),
                    floor.ms > 0 ? double(run.ms) / floor.ms : 0.0,
                    static_cast<long long>(run.bytes), static_cast<long long>(floor.bytes),
                    floor.bytes > 0 ? double(run.bytes) / floor.bytes : 0.0,
                    static_cast<long long>(run.largest),
                    static_cast<long long>(rect.width()) * rect.height());
    }
    return 0;
}
