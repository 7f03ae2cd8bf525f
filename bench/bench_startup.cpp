// Start-up benchmark: wall time from starting a process to its first painted
// window, for the main window and for a bare Qt window that opens and
// closes, alternated in the same run. Each child process creates the
// application, shows its window, waits for the first paint and exits.
// Prints both medians and their ratio (target: main <= 1.5 x bare).
#include "QQRBag.h"
#include "Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
class PaintProbe : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

int RunChild(int argc, char** argv, bool mainWindow) {
    QApplication app(argc, argv);
    QWidget* w = nullptr;
    QWidget* probed = nullptr;
    if (mainWindow) {
        auto* form = new TForm1;
        w = form;
        probed = form->QRBag1;
    } else {
        w = new QWidget;
        probed = w;
    }
    PaintProbe probe;
    probed->installEventFilter(&probe);
    w->show();
    while (!probe.painted)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    w->close();
    delete w;
    return 0;
}

double TimeChild(const char* self, const char* mode) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QString::fromLocal8Bit(self), {QString::fromLatin1(mode)});
    p.waitForFinished(-1);
    return t.nsecsElapsed() / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "bare") == 0)
        return RunChild(argc, argv, false);
    if (argc > 1 && std::strcmp(argv[1], "form") == 0)
        return RunChild(argc, argv, true);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    std::vector<double> bare, form;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(TimeChild(argv[0], "bare"));
        form.push_back(TimeChild(argv[0], "form"));
    }
    const double b = Median(bare), f = Median(form);
    std::printf("bare Qt window, start to first paint : %.1f ms (median of %d)\n", b, runs);
    std::printf("main window, start to first paint    : %.1f ms (median of %d)\n", f, runs);
    std::printf("ratio                                : %.2f (target <= 1.5)\n", f / b);
    return 0;
}
