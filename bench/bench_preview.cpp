// Preview benchmark: time from the preview command to the page shown in the
// preview window, with 0 and 20 placed 3000 x 2000 pictures, and the peak
// memory of the process. Each count runs in a process of its own so that
// the peak belongs to that count alone; the shown time of 20 pictures is
// given against the empty sheet's, measured in the same run.
//
//   bench_preview            runs both counts and prints a table
//   bench_preview N          one run with N pictures (used by the above)
#include "bag/ImageEx.h"
#include "report/QRStandardPreview.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// A photo-like picture (smooth colour ramps), 24 MB as a 32-bit image.
QString WritePicture(const QTemporaryDir& dir) {
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb(x * 255 / 3000, y * 255 / 2000, (x + y) % 256);
    }
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    image.save(path, "BMP");
    return path;
}

int RunOnce(int pictures) {
    QTemporaryDir dir;
    TForm1 form;
    form.show();
    if (pictures > 0) {
        const QString path = WritePicture(dir);
        // Printed but kept off the layer, so the run is timed without its repaints.
        for (int i = 0; i < pictures; ++i)
            form.AddPlacedImage(path, QRect(10 + 30 * i, 10 + 20 * i, 300, 200), true)->hide();
    }
    const long peakBefore = PeakKiB();
    QElapsedTimer clock;
    qint64 loadedAfter = -1;
    qint64 shownAfter = -1;
    std::function<void()> poll = [&] {
        auto* preview = qobject_cast<TQRStandardPreview*>(QApplication::activeModalWidget());
        if (!preview || !preview->QRPreview->PreviewImage()->HasImage()) {
            QTimer::singleShot(1, poll);
            return;
        }
        loadedAfter = clock.elapsed();
        preview->QRPreview->PreviewImage()->repaint();
        shownAfter = clock.elapsed();
        preview->close();
    };
    QTimer::singleShot(0, poll);
    clock.start();
    form.ButtonEx3->click();
    std::printf("%d %lld %lld %ld %ld\n", pictures, static_cast<long long>(loadedAfter),
                static_cast<long long>(shownAfter), peakBefore, PeakKiB());
    return shownAfter >= 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) {
        QApplication app(argc, argv);
        return RunOnce(QString::fromLocal8Bit(argv[1]).toInt());
    }
    QCoreApplication app(argc, argv);
    // Page in the window: the run has ended and the page image was taken
    // from the store; shown: that image has been painted once.
    std::printf("pictures  page-in-window  page-shown  peak-before-run  peak-after-run\n");
    QList<long> shown;
    for (int pictures : {0, 20}) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.start(QCoreApplication::applicationFilePath(), {QString::number(pictures)});
        run.waitForFinished(-1);
        const QList<QByteArray> f = run.readAllStandardOutput().trimmed().split(' ');
        if (f.size() != 5) {
            std::printf("%8d  run failed\n", pictures);
            return 1;
        }
        shown << f[2].toLong();
        std::printf("%8d  %11s ms  %7s ms  %12.1f MB  %11.1f MB\n", pictures, f[1].constData(),
                    f[2].constData(), f[3].toLong() / 1024.0, f[4].toLong() / 1024.0);
    }
    std::printf("page shown with 20 pictures: %.2f x the empty sheet\n",
                double(shown[1]) / std::max(1L, shown[0]));
    return 0;
}
