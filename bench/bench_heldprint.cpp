// Print and export of the 10-photo sheet with each photo held as its JPEG
// file's bytes (decoded for the run at its device rectangle) against the
// same sheet with each photo held as its full decoded pixels, as pictures
// were held before, measured in the same run: print to a PDF at the queue's
// 300 dpi and at 1200 dpi, and export to PDF at 300 ppi. Medians of five.
// A print keeps its decodes on disk for the next one of the same sheet;
// "first" is a run with none kept, "warmed" one after the window has had
// the decodes made ahead as it does once the design is still
// (TQuickRep::WarmPrintDecodes), "again" one after a run like it.
#include "BenchSheet.h"
#include "platform/HeldPicture.h"
#include "platform/ShownCache.h"
#include "report/QRExport.h"
#include "report/QRImage.h"
#include "report/QRPictureDecodes.h"
#include "report/QRPrinterService.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr int kPhotos = 10;

void PlacePhotos(TForm1& form, const std::vector<THeldPicturePtr>& photos) {
    for (size_t i = 0; i < photos.size(); ++i) {
        auto* image = new TQRImage(form.QuickRep1);
        const QRect b = SheetBounds(int(i));
        image->SetBounds(b.x(), b.y(), b.width(), b.height());
        image->SetStretch(true);
        image->SetJpegSource(true);
        image->SetPicture(photos[i]);
    }
}

// Empties the folder of the kept decodes, once its writes are done.
void ForgetKept(const QString& folder) {
    ShownCacheWrites().waitForDone();
    QDir(folder).removeRecursively();
}

// A print road sends its job to a PDF file at its dpi; the export road
// (dpi 0) writes the sheet file as a print without a printer would.
struct TRoad {
    const char* name;
    int printDpi;
};

void WithRoad(const TRoad& road, const QString& file, TForm1& form,
              const std::function<void()>& work) {
    if (road.printDpi > 0)
        TQRPrinterService::Install(std::make_unique<TQRPdfFileService>(file, road.printDpi, 0));
    form.QuickRep1->PrinterSettings().ToFile = road.printDpi == 0;
    work();
    TQRPrinterService::Install(nullptr);
}

void Run(const TRoad& road, const QString& file, TForm1& form) {
    WithRoad(road, file, form, [&] {
        if (road.printDpi > 0)
            form.QuickRep1->Print();
        else
            form.QuickRep1->Export(file, kDefaultPictureDpi);
    });
}

// Nothing kept, then the decodes made ahead.
void Warm(const TRoad& road, const QString& file, TForm1& form, const QString& kept) {
    ForgetKept(kept);
    WithRoad(road, file, form, [&] { form.QuickRep1->WarmPrintDecodes(); });
    PictureWarmups().waitForDone();
    ShownCacheWrites().waitForDone();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("sheet.pdf");
    const QString kept = dir.filePath("cache");
    SetShownCacheFolder(kept);
    std::vector<THeldPicturePtr> asBytes;
    std::vector<THeldPicturePtr> asPixels;
    for (int i = 0; i < kPhotos; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        GrainPhoto(i).save(path, "jpeg", 92);
        const TReadPicture read = THeldPicture::ReadFile(path, SheetBounds(i).size(), 1LL << 32);
        asBytes.push_back(read.Held);
        asPixels.push_back(
            std::make_shared<const THeldPicture>(read.Held->Decode(read.Held->Size(), 1LL << 32)));
    }
    const TRoad roads[] = {{"print 300 dpi", 300}, {"print 1200 dpi", 1200}, {"export 300 ppi", 0}};
    std::printf("10 photos 3000 x 2000 JPEG on the sheet\n");
    std::printf("%-16s  pixels_ms  first_ms  ratio  warmed_ms  ratio  again_ms  ratio\n", "road");
    for (const TRoad& road : roads) {
        TForm1 pixels;
        PlacePhotos(pixels, asPixels);
        TForm1 bytes;
        PlacePhotos(bytes, asBytes);
        const auto run = [&](TForm1& form) { return [&] { Run(road, file, form); }; };
        const qint64 before = MedianOfFive(run(pixels));
        const qint64 first = MedianOfFive(run(bytes), [&] { ForgetKept(kept); });
        const qint64 warmed = MedianOfFive(run(bytes), [&] { Warm(road, file, bytes, kept); });
        const qint64 again = MedianOfFive(run(bytes), [] { ShownCacheWrites().waitForDone(); });
        const auto ratio = [before](qint64 ms) { return before > 0 ? double(ms) / before : 0.0; };
        std::printf("%-16s  %9lld  %8lld  %5.2f  %9lld  %5.2f  %8lld  %5.2f\n", road.name,
                    static_cast<long long>(before), static_cast<long long>(first), ratio(first),
                    static_cast<long long>(warmed), ratio(warmed), static_cast<long long>(again),
                    ratio(again));
    }
    std::printf("goal: ratio <= 1.3\n");
    return 0;
}
