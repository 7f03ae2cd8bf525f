// Design file benchmark: saving a design of 20 photos (3000 x 2000 JPEG)
// and opening it again through the main window, against the floor of that
// work measured in the same run: copying the photos' bytes to new files,
// synced as the save syncs its file, and decoding each once. Rounds alternate; prints both medians
// and their ratio (target: save + open <= 1.5 x copy + decode).
#include "Form1Access.h"
#include "platform/PictureLoader.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kPhotos = 20;
constexpr int kRounds = 3;

// A photo-like picture: smooth light with fine noise, so the JPEG is about
// as large as a camera's.
QStringList MakePhotos(const QString& folder) {
    QStringList paths;
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int n = 0; n < kPhotos; ++n) {
        QRandomGenerator noise(n);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int v = int(noise.bounded(24));
                row[x] = qRgb((x / 12 + v + n * 9) & 0xFF, (y / 8 + v) & 0xFF, (x + y) / 20 & 0xFF);
            }
        }
        paths.append(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(n));
        image.save(paths.last(), "JPEG", 90);
    }
    return paths;
}

double CopyAndDecode(const QStringList& photos, const QString& folder) {
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < photos.size(); ++i) {
        const QString copy = QStringLiteral("%1/copy%2.jpg").arg(folder).arg(i);
        QFile::remove(copy);
        QFile::copy(photos[i], copy);
        QFile written(copy);
        written.open(QIODevice::ReadWrite);
        ::fsync(written.handle());
        LoadPictureFile(photos[i], PictureMemoryBudget());
    }
    return double(t.nsecsElapsed()) / 1e6;
}

double SaveAndOpen(const QStringList& photos, const QString& design) {
    TForm1 form;
    for (int i = 0; i < photos.size(); ++i)
        form.AddPlacedImage(photos[i], QRect(i * 30, i * 20, 150, 100), true);
    QElapsedTimer t;
    t.start();
    if (!TForm1Access::SaveDesign(form, design) || !form.OpenDesign(design))
        std::fprintf(stderr, "the design did not save or open\n");
    return double(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const QStringList photos = MakePhotos(folder.path());
    qint64 bytes = 0;
    for (const QString& p : photos)
        bytes += QFile(p).size();
    std::vector<double> floor, design;
    for (int round = 0; round < kRounds; ++round) {
        floor.push_back(CopyAndDecode(photos, folder.path()));
        design.push_back(SaveAndOpen(photos, folder.filePath("bench.tesorin")));
    }
    const double f = Median(floor);
    const double d = Median(design);
    std::printf("%d photos, %.1f MB: copy + decode %.0f ms, save + open %.0f ms, ratio %.2f "
                "(target <= 1.5)\n",
                kPhotos, double(bytes) / 1e6, f, d, d / f);
    return 0;
}
