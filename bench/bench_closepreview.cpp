// Closing the preview during its run: the real program on a private X server
// with 20 placed pictures of 4000 x 3000, its preview closed as soon as the
// window is up (the run is still drawing), and the time until the main
// window answers: until its page is repainted on screen, and until a click
// on a picture has drawn the selection frame. The reference is the same
// close of a preview whose run has long ended, in the same session.
//
//   bench_closepreview
#include "bag/Common.h"
#include "e2e/XSession.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <xcb/xcb.h>

namespace {

constexpr int kPictures = 20;
// Client coordinates of the page's top-left pixel and of the preview button.
constexpr QPoint kPageOrigin(1, 41);
constexpr QPoint kPreviewButton(686 + 42, 20);
// Three pixels of the bag that only the repainted page shows together: the
// grey glue flap, the black flap line and the paper beside it.
constexpr QPoint kFlap(35, 200), kLine(48, 200), kPaper(60, 200);
// The first picture; a click on it selects it and draws its frame.
constexpr QRect kFirstPicture(150, 60, 300, 200);

// A photo-like picture: smooth ramps with noise, so that it costs what a
// photo costs to record.
QString WritePicture(const QTemporaryDir& dir) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            row[x] = qRgb(x * 255 / 4000, y * 255 / 3000, (seed >> 24) & 0xFF);
        }
    }
    const QString path = dir.filePath(QStringLiteral("photo.bmp"));
    image.save(path, "BMP");
    return path;
}

bool WriteList(const QTemporaryDir& dir, const QString& picture) {
    QList<TImageRec> records;
    for (int i = 0; i < kPictures; ++i) {
        TImageRec rec;
        rec.Left = kFirstPicture.left() + 20 * i;
        rec.Top = kFirstPicture.top() + 10 * i;
        rec.Width = kFirstPicture.width();
        rec.Height = kFirstPicture.height();
        rec.FileName = picture.toLocal8Bit();
        rec.Stretch = true;
        records.append(rec);
    }
    QFile file(dir.filePath(ImageFileName));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    WriteImageRecords(file, records);
    return true;
}

// Reads single screen pixels straight from the X server: cheap enough to
// poll every millisecond.
class TScreenReader {
public:
    explicit TScreenReader(const QString& display)
        : conn_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    }
    ~TScreenReader() { xcb_disconnect(conn_); }
    QRgb Pixel(QPoint p) const {
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            conn_, xcb_get_image(conn_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, p.x(), p.y(), 1, 1, ~0u),
            nullptr);
        if (!reply)
            return 0;
        const uint8_t* d = xcb_get_image_data(reply);
        const QRgb rgb = qRgb(d[2], d[1], d[0]);
        free(reply);
        return rgb;
    }

private:
    xcb_connection_t* conn_;
    xcb_window_t root_;
};

struct TAnswer {
    qint64 repaintMs = -1;
    qint64 clickMs = -1;
};

class TBench {
public:
    TBench(XSession& x, const TScreenReader& screen, QRect client)
        : x_(x), screen_(screen), client_(client) {}

    // Opens the preview, waits `runMs` (0: closes it as soon as it is up),
    // closes it and times the main window's answers.
    TAnswer CloseAfter(int runMs) {
        const QPoint picture = OnPage(kFirstPicture.topLeft() + QPoint(1, 1));
        x_.Click(client_.topLeft() + kPreviewButton);
        const QString preview = x_.WaitForWindow(QStringLiteral("^プレビュー$"), 30000);
        if (preview.isEmpty())
            return {};
        QThread::msleep(runMs);
        QElapsedTimer clock;
        clock.start();
        x_.CloseWindow(preview);
        TAnswer answer;
        answer.repaintMs = WaitUntil(clock, [&] { return PageShown(); });
        const QRgb before = screen_.Pixel(picture);
        x_.Run("xdotool", {"mousemove", QString::number(picture.x()), QString::number(picture.y()),
                           "click", "1"});
        answer.clickMs = WaitUntil(clock, [&] { return screen_.Pixel(picture) != before; });
        x_.Key("Escape"); // deselects: the frame goes
        return answer;
    }

private:
    QPoint OnPage(QPoint p) const { return client_.topLeft() + kPageOrigin + p; }
    bool PageShown() const {
        return screen_.Pixel(OnPage(kFlap)) == qRgb(128, 128, 128) &&
               screen_.Pixel(OnPage(kLine)) == qRgb(0, 0, 0) &&
               screen_.Pixel(OnPage(kPaper)) == qRgb(255, 255, 255);
    }
    template <typename F> static qint64 WaitUntil(const QElapsedTimer& clock, F done) {
        while (clock.elapsed() < 30000) {
            if (done())
                return clock.elapsed();
            QThread::usleep(500);
        }
        return -1;
    }

    XSession& x_;
    const TScreenReader& screen_;
    QRect client_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("tesorin"));
    if (!WriteList(dir, WritePicture(dir)) || !QFile::copy(TESORIN_BINARY, program))
        return 1;
    XSession x;
    QString error;
    if (!x.Start(&error)) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    QProcess tesorin;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", x.Display());
    env.remove("QT_QPA_PLATFORM");
    tesorin.setProcessEnvironment(env);
    tesorin.setWorkingDirectory(dir.path());
    tesorin.start(program, {});
    const QString window = x.WaitForWindow(QStringLiteral("Tesorin"), 60000);
    if (window.isEmpty())
        return 1;
    QThread::msleep(1000); // the restored pictures are painted
    const TScreenReader screen(x.Display());
    TBench bench(x, screen, x.Geometry(window));

    const TAnswer during = bench.CloseAfter(0);
    QThread::msleep(15000); // the cancelled run has long stopped
    const TAnswer after = bench.CloseAfter(15000);
    std::printf("%d pictures of 4000 x 3000, preview closed:\n", kPictures);
    std::printf("                      repainted  click answered\n");
    std::printf("  during its run      %6lld ms  %11lld ms\n", during.repaintMs, during.clickMs);
    std::printf("  after its run       %6lld ms  %11lld ms\n", after.repaintMs, after.clickMs);
    if (after.repaintMs > 0 && after.clickMs > 0)
        std::printf("  ratio during/after  %6.2f     %11.2f\n",
                    double(during.repaintMs) / after.repaintMs,
                    double(during.clickMs) / after.clickMs);
    x.CloseWindow(window);
    tesorin.waitForFinished(30000);
    return during.repaintMs >= 0 && during.clickMs >= 0 ? 0 : 1;
}
