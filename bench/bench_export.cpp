// Export of the 10-photo sheet (3000 x 2000 JPEG photos) to PDF against the
// empty sheet's export plus the floor of the pictures' reduction (each
// photo reduced to its device rectangle at 300 ppi alone), measured in the
// same run. Each figure is the median of five exports.
#include "BenchSheet.h"
#include "report/QRExport.h"
#include "report/QRImage.h"
#include "report/QRPictureFit.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int kPhotos = 10;

// The device rectangle of page-pixel bounds at 1200 dpi (zoom 80 %).
QRect DeviceRect(const QRect& b) {
    const auto dev = [](int px) { return qRound(px * 254.0 / 96 / 0.8 * kSheetFileDpi / 254); };
    return QRect(QPoint(dev(b.left()), dev(b.top())),
                 QPoint(dev(b.right() + 1) - 1, dev(b.bottom() + 1) - 1));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("sheet.pdf");
    std::vector<QImage> photos;
    for (int i = 0; i < kPhotos; ++i)
        photos.push_back(GrainPhoto(i));

    TForm1 empty;
    const qint64 emptyMs = MedianOfFive([&] { empty.QuickRep1->Export(file, kDefaultPictureDpi); });

    const double grid = double(kDefaultPictureDpi) / kSheetFileDpi;
    const qint64 floorMs = MedianOfFive([&] {
        for (int i = 0; i < kPhotos; ++i) {
            const QRect rect = DeviceRect(SheetBounds(i));
            FitPicture(photos[size_t(i)], {rect, rect}, {}, grid);
        }
    });

    TForm1 sheet;
    for (int i = 0; i < kPhotos; ++i) {
        auto* image = new TQRImage(sheet.QuickRep1);
        const QRect b = SheetBounds(i);
        image->SetBounds(b.x(), b.y(), b.width(), b.height());
        image->SetStretch(true);
        image->SetJpegSource(true);
        image->SetPicture(photos[size_t(i)]);
    }
    const qint64 photosMs =
        MedianOfFive([&] { sheet.QuickRep1->Export(file, kDefaultPictureDpi); });

    const qint64 reference = emptyMs + floorMs;
    std::printf("empty_ms  reduction_floor_ms  photos_ms  ratio  pdf_bytes\n");
    std::printf("%8lld  %18lld  %9lld  %5.2f  %9lld\n", static_cast<long long>(emptyMs),
                static_cast<long long>(floorMs), static_cast<long long>(photosMs),
                reference > 0 ? double(photosMs) / reference : 0.0,
                static_cast<long long>(QFileInfo(file).size()));
    std::printf("goal: photos_ms <= 1000 and ratio <= 1.5\n");
    return 0;
}
