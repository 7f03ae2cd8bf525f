// Start-up benchmark: wall time from starting a process to its first painted
// window, for the main window and for a bare Qt window that opens and
// closes, alternated in the same run. Each child process creates the
// application, shows its window, waits for the first paint and exits.
// Prints both medians and their ratio (target: main <= 1.3 x bare), also
// for a main window that restores 20 placed pictures from LIST.DAT (target
// <= 1.5 x bare). Runs on the platform QT_QPA_PLATFORM names.
#include "BenchStartup.h"
#include "bag/QQRBag.h"
#include "platform/Fonts.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
int RunChild(int argc, char** argv, bool mainWindow) {
    if (mainWindow)
        StartFontSetUp(); // as the program's start does
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
    TPaintProbe probe;
    probe.Watch(probed);
    w->show();
    while (!probe.Painted(probed))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    w->close();
    delete w;
    return 0;
}

double TimeChild(const char* self, const char* mode, const QString& dataFolder = QString()) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QString::fromLatin1(mode)};
    if (!dataFolder.isEmpty())
        args << dataFolder;
    p.start(QString::fromLocal8Bit(self), args);
    p.waitForFinished(-1);
    // A child that could not show its window measured nothing.
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "the %s window did not start; no figures\n", mode);
        std::exit(1);
    }
    return t.nsecsElapsed() / 1e6;
}

// A data folder whose LIST.DAT places `count` pictures of 320 x 240 pixels,
// each from its own bitmap file.
void PrepareDataFolder(const QString& folder, int count) {
    QList<TImageRec> records;
    for (int i = 0; i < count; ++i) {
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 17 % 360, 200, 220));
        const QString path = QStringLiteral("%1/picture%2.bmp").arg(folder).arg(i);
        picture.save(path, "BMP");
        records.append(StretchedRecord(path, QRect(20 * i, 20 * i, 105, 105)));
    }
    WriteListFile(folder, records);
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "bare") == 0)
        return RunChild(argc, argv, false);
    if (argc > 2 && std::strcmp(argv[1], "form") == 0) {
        SetDataFolderOverride(QString::fromLocal8Bit(argv[2]));
        return RunChild(argc, argv, true);
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    QTemporaryDir empty, pictures;
    PrepareDataFolder(pictures.path(), 20);
    std::vector<double> bare, form, form20;
    for (int i = 0; i < runs; ++i) {
        bare.push_back(TimeChild(argv[0], "bare"));
        form.push_back(TimeChild(argv[0], "form", empty.path()));
        form20.push_back(TimeChild(argv[0], "form", pictures.path()));
    }
    const double b = Median(bare), f = Median(form), f20 = Median(form20);
    std::printf("bare Qt window, start to first paint : %.1f ms (median of %d)\n", b, runs);
    std::printf("main window, start to first paint    : %.1f ms (median of %d)\n", f, runs);
    std::printf("ratio                                : %.2f (target <= 1.3)\n", f / b);
    std::printf("main window with 20 pictures         : %.1f ms (median of %d)\n", f20, runs);
    std::printf("ratio                                : %.2f (target <= 1.5)\n", f20 / b);
    return 0;
}
