// Recovery pair benchmark, with 2,000 placed pictures: what one change of
// the design costs the UI thread (the records taken from the pictures and
// encoded, as the writer's design source does) and what the write of the
// pair costs the worker thread, each against a reference measured in the
// same run: a frame at 60 Hz for the UI thread (goal: far below 1), and a
// bare write and sync of the same bytes to one file for the worker (goal:
// the write itself within 20 ms). Folder: the first argument, else a
// temporary folder.
#include "bag/Common.h"
#include "bag/CommonRecovery.h"
#include "bag/ImageEx.h"
#include "windows/RecoveryWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kRounds = 21;
constexpr double kFrameMs = 1000.0 / 60.0;

double MedianMs(const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BareWrite(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size() ||
        ::fsync(fd) != 0)
        qFatal("bare write failed");
    ::close(fd);
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = (argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path()) + '/';
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    std::vector<std::unique_ptr<TImageEx>> owned;
    QList<TImageEx*> images;
    for (int i = 0; i < MaxPlacedImages; ++i) {
        owned.push_back(std::make_unique<TImageEx>());
        TImageEx* image = owned.back().get();
        image->SetFileName(QStringLiteral("/home/user/写真/picture-%1.bmp").arg(i));
        image->SetPicture(picture);
        image->setGeometry(i % 800, i % 600, 105, 105);
        images.append(image);
    }
    TRecoveryDesign design;
    const double change = MedianMs([&] {
        design = {{9, 10, true, false}, ImageRecordsOf(images)};
        EncodeRecovery(design);
    });
    const TRecoveryBytes bytes = EncodeRecovery(design);
    const double write = MedianMs([&] { WriteRecoveryPair(bytes, folder); });
    const double bare = MedianMs([&] { BareWrite(folder + "bare", bytes.Images); });
    std::printf("recovery pair of %d records (%lld bytes) in %s\n", MaxPlacedImages,
                static_cast<long long>(bytes.Images.size() + bytes.Settings.size()),
                qPrintable(folder));
    std::printf("UI thread per change: %.2f ms, %.3f x a 60 Hz frame\n", change, change / kFrameMs);
    std::printf("worker write: %.2f ms (goal <= 20 ms), %.2f x a bare write and sync "
                "(%.2f ms)\n",
                write, write / bare, bare);
    std::printf("delay from a change to its write: %d ms (goal <= 2000 ms)\n",
                TRecoveryWriter::kDelayMs);
    return 0;
}
