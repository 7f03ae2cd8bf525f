// How the window answers while 印刷 prints 40 photos at 1200 dpi: a thread
// beside the window posts an event to it every 20 ms and the window notes
// how long each waited in its queue. The same is measured on the idle window
// in the same run; the print's worst wait is given against the idle one.
// The job goes to a PDF file through the same run and printer object as a
// real print.
#include "BenchSheet.h"
#include "report/QRImage.h"
#include "report/QRPrinterService.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {
constexpr int kDpi = 1200;
constexpr int kPhotos = 40;
constexpr int kProbeMs = 20;
constexpr int kIdleMs = 2000;

// An event that carries the moment it was posted.
class TProbeEvent : public QEvent {
public:
    static QEvent::Type Kind() {
        static const auto kind = QEvent::Type(QEvent::registerEventType());
        return kind;
    }
    explicit TProbeEvent(qint64 postedNs) : QEvent(Kind()), PostedNs(postedNs) {}
    qint64 PostedNs;
};

// Notes the wait of every probe that reaches the window.
class TAnswers : public QObject {
public:
    explicit TAnswers(const QElapsedTimer& clock) : clock_(clock) {}
    std::vector<double> waitsMs;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != TProbeEvent::Kind())
            return QObject::eventFilter(watched, e);
        waitsMs.push_back((clock_.nsecsElapsed() - static_cast<TProbeEvent*>(e)->PostedNs) / 1e6);
        return true;
    }

private:
    const QElapsedTimer& clock_;
};

struct TStats {
    double median = 0;
    double p95 = 0;
    double worst = 0;
    size_t count = 0;
};

TStats Stats(std::vector<double> v) {
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 95 / 100], v.back(), v.size()};
}

// Probes posted to `window` from the thread pool while `measure` runs.
TStats Answers(QWidget* window, const QElapsedTimer& clock, const std::function<void()>& measure) {
    TAnswers answers(clock);
    window->installEventFilter(&answers);
    std::atomic<bool> stop{false};
    // A pool of its own: a probe must not take a thread that the window's
    // painting may wait for.
    QThreadPool probes;
    QFuture<void> poster = QtConcurrent::run(&probes, [&] {
        while (!stop) {
            QCoreApplication::postEvent(window, new TProbeEvent(clock.nsecsElapsed()));
            QThread::msleep(kProbeMs);
        }
    });
    measure();
    stop = true;
    poster.waitForFinished();
    QCoreApplication::sendPostedEvents(window, TProbeEvent::Kind());
    window->removeEventFilter(&answers);
    return Stats(answers.waitsMs);
}

void Print(const char* what, const TStats& s) {
    std::printf("%-6s  %6zu  %9.2f  %6.2f  %8.2f\n", what, s.count, s.median, s.p95, s.worst);
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath("bench.pdf");
    TQRPrinterService::Install(std::make_unique<TQRPdfFileService>(file, kDpi, 0));
    TForm1 form;
    form.show();
    const QImage base = GrainPhoto(0);
    for (int i = 0; i < kPhotos; ++i) {
        auto* image = new TQRImage(form.QuickRep1);
        image->hide();
        const QRect b = SheetBounds(i % 25).translated(0, i / 25 * 8);
        image->SetBounds(b.x(), b.y(), b.width(), b.height());
        image->SetStretch(true);
        QImage photo = base;
        photo.setPixel(i, 0, qRgb(i, 0, 0)); // a photo of its own
        image->SetPicture(photo);
    }
    QElapsedTimer clock;
    clock.start();
    const TStats idle = Answers(&form, clock, [] {
        QEventLoop loop;
        QTimer::singleShot(kIdleMs, &loop, &QEventLoop::quit);
        loop.exec();
    });
    qint64 printMs = 0;
    const TStats printing = Answers(&form, clock, [&] {
        QElapsedTimer t;
        t.start();
        form.ButtonEx4->click();
        printMs = t.elapsed();
    });
    std::printf("%d photos of 3000 x 2000 at %d dpi: print %lld ms, PDF %lld bytes\n", kPhotos,
                kDpi, static_cast<long long>(printMs),
                static_cast<long long>(QFileInfo(file).size()));
    std::printf("window  probes  median_ms  p95_ms  worst_ms\n");
    Print("idle", idle);
    Print("print", printing);
    std::printf("worst wait while printing: %.2f ms over idle (goal: at most 100), %.1fx idle\n",
                printing.worst - idle.worst, idle.worst > 0 ? printing.worst / idle.worst : 0.0);
    return 0;
}
