// Start-up with phone photos: wall time from starting a process to the main
// window painted with every visible picture it restores from LIST.DAT, and
// the process's peak memory, for no LIST.DAT, 10 and 20 photos of
// 4000 x 3000 JPEG (about 6.5 MB each), made once per run; then 200 records
// over the same 20 photos, hard-linked under 200 names. Each child builds the
// window, shows it, waits for those paints and says so; then it waits until
// every picture holds its file's bytes (reads put off past the first paint
// included), prints its figures and exits. The children keep the pixels they
// show in a cache folder of the run's own: a first round, not measured,
// fills it, as the program's first start with these photos does; the case
// "20, none kept" starts each time with that folder emptied. The cases
// alternate; times are medians, peaks the largest of the runs.
// Goals: 20 photos <= 3 x empty; peak <= empty + 1.2 x the files + 30 MB;
// 200 records all placed, below 1.5 s. Runs on the platform QT_QPA_PLATFORM
// names, offscreen when it names none and there is no display.
#include "BenchSheet.h"
#include "BenchStartup.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/Fonts.h"
#include "platform/HeldPicture.h"
#include "platform/Messages.h"
#include "platform/ShownCache.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThreadPool>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kPhotos = 20;
constexpr int kScaleRecords = 200;
constexpr int kQuality = 92;
constexpr quint32 kGrain = 42;
constexpr double kMB = 1e6;

// The window is painted, and so is every picture that shows at all.
bool AllPainted(const TForm1& form, const TPaintProbe& probe) {
    if (!probe.Painted(form.QRBag1))
        return false;
    return std::ranges::all_of(form.PlacedImages(), [&](const TImageEx* image) {
        return probe.Painted(image) || image->visibleRegion().isEmpty();
    });
}

qint64 PeakBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// Prints: pictures placed, peak bytes, messages the start-up showed.
int RunChild(int argc, char** argv) {
    SetDataFolderOverride(QString::fromLocal8Bit(argv[2]));
    SetShownCacheFolder(QString::fromLocal8Bit(argv[3]));
    StartFontSetUp(); // as the program's start does
    QApplication app(argc, argv);
    int messages = 0;
    SetMessageSink([&](const QString&) { ++messages; });
    // Not closed: a close would store LIST.DAT, and the next run reads it.
    const auto form = std::make_unique<TForm1>();
    TPaintProbe probe;
    probe.Watch(form->QRBag1);
    for (TImageEx* image : form->PlacedImages())
        probe.Watch(image);
    form->show();
    while (!AllPainted(*form, probe))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::printf("painted\n");
    std::fflush(stdout);
    THeldPicture::WaitForPendingReads();
    ShownCacheWrites().waitForDone(); // the pixels kept for the next start
    std::printf("%lld %lld %d\n", static_cast<long long>(form->PlacedImages().size()),
                static_cast<long long>(PeakBytes()), messages);
    std::fflush(stdout);
    return 0;
}

struct TStart {
    double ms = 0;
    qint64 placed = 0;
    qint64 peak = 0;
    int messages = 0;
};

QByteArray ReadLine(QProcess& p) {
    while (!p.canReadLine() && p.waitForReadyRead(-1)) {
    }
    return p.readLine().simplified();
}

// The time runs until the child says it is painted, not until it exits.
TStart StartChild(const char* self, const QString& folder, const QString& cache) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QString::fromLocal8Bit(self), {QStringLiteral("child"), folder, cache});
    const bool painted = ReadLine(p) == "painted";
    const double ms = t.nsecsElapsed() / 1e6;
    const QList<QByteArray> f = ReadLine(p).split(' ');
    p.waitForFinished(-1);
    if (!painted || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || f.size() != 3) {
        std::fprintf(stderr, "the window of %s did not start; no figures\n", qPrintable(folder));
        std::exit(1);
    }
    return {ms, f[0].toLongLong(), f[1].toLongLong(), f[2].toInt()};
}

// A photo as a phone takes it: smooth light with grain of kGrain levels on
// every channel, which makes its JPEG about as large as a phone's; `n`
// varies both.
QImage PhonePhoto(int n) {
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator noise(n);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const quint32 v = noise.generate();
            const auto grain = [v](int shift) { return int((v >> shift & 0xFF) * kGrain / 256); };
            row[x] = qRgb((x / 16 + n * 11 + grain(0)) & 0xFF, (y / 12 + grain(8)) & 0xFF,
                          ((x + y) / 28 + grain(16)) & 0xFF);
        }
    }
    return image;
}

QStringList MakePhotos(const QString& folder) {
    QStringList paths;
    for (int n = 0; n < kPhotos; ++n) {
        paths.append(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(n));
        PhonePhoto(n).save(paths.last(), "JPEG", kQuality);
    }
    return paths;
}

qint64 FileBytes(const QStringList& paths) {
    qint64 bytes = 0;
    for (const QString& path : paths)
        bytes += QFileInfo(path).size();
    return bytes;
}

// The page's grid, five to a row, about 4:3 like the photos; past 25 the
// grid starts again a little lower.
QRect CollageBounds(int i) {
    QRect b = SheetBounds(i % 25).translated(0, i / 25 * 8);
    b.setHeight(110);
    return b;
}

// A data folder whose LIST.DAT lays the pictures out as a collage; none
// when there are no pictures.
QString DataFolder(const QString& root, const QString& name, const QStringList& pictures) {
    const QString folder = root + '/' + name;
    QDir().mkpath(folder);
    QList<TImageRec> records;
    for (int i = 0; i < pictures.size(); ++i)
        records.append(StretchedRecord(pictures[i], CollageBounds(i)));
    if (!pictures.isEmpty())
        WriteListFile(folder, records);
    return folder;
}

// kScaleRecords names in folder, each a hard link to one of the photos.
QStringList LinkedNames(const QString& folder, const QStringList& photos) {
    QDir().mkpath(folder);
    QStringList names;
    for (int i = 0; i < kScaleRecords; ++i) {
        names.append(QStringLiteral("%1/shot%2.jpg").arg(folder).arg(i));
        if (::link(QFile::encodeName(photos[i % photos.size()]).constData(),
                   QFile::encodeName(names.last()).constData()) != 0) {
            std::fprintf(stderr, "cannot link %s; no figures\n", qPrintable(names.last()));
            std::exit(1);
        }
    }
    return names;
}

struct TCase {
    TCase(const char* name, const QString& folder, const QString& cache, bool emptied = false)
        : name(name), folder(folder), cache(cache), emptied(emptied) {}
    const char* name;
    QString folder;
    QString cache;
    bool emptied; // the cache folder is emptied before each start
    std::vector<double> ms;
    qint64 placed = -1;
    qint64 peak = 0;
    int messages = 0;
    void Run(const char* self) {
        if (emptied)
            QDir(cache).removeRecursively();
        const TStart s = StartChild(self, folder, cache);
        ms.push_back(s.ms);
        placed = placed < 0 ? s.placed : std::min(placed, s.placed);
        peak = std::max(peak, s.peak);
        messages = std::max(messages, s.messages);
    }
};

const char* Verdict(bool pass) {
    return pass ? "pass" : "fail";
}

void PrintTimes(const std::vector<TCase>& cases, int runs) {
    const double empty = Median(cases[0].ms);
    std::printf("start-up to the painted window, median of %d runs\n", runs);
    std::printf("window      start_ms  x_empty  placed  peak_MB\n");
    for (const TCase& c : cases)
        std::printf("%-11s  %7.1f  %7.2f  %6lld  %7.1f\n", c.name, Median(c.ms),
                    Median(c.ms) / empty, static_cast<long long>(c.placed), c.peak / kMB);
    const double ratio = Median(cases[2].ms) / empty;
    std::printf("goal: 20 photos <= 3 x empty: %.2f x, %s (none kept: %.2f x)\n", ratio,
                Verdict(ratio <= 3), Median(cases[3].ms) / empty);
}

void PrintPeak(const TCase& empty, const TCase& photos, qint64 fileBytes) {
    const double bound = empty.peak + 1.2 * fileBytes + 30 * kMB;
    std::printf("peak: empty %.1f MB, 20 photos %.1f MB, files %.1f MB\n", empty.peak / kMB,
                photos.peak / kMB, fileBytes / kMB);
    std::printf("goal: peak <= empty + 1.2 x files + 30 MB = %.1f MB: %s\n", bound / kMB,
                Verdict(photos.peak <= bound));
}

void PrintScale(const TCase& scale) {
    const double ms = Median(scale.ms);
    std::printf("%d records over the 20 photos (hard links, one name each): %lld placed, "
                "%.1f ms, %d start-up message(s)\n",
                kScaleRecords, static_cast<long long>(scale.placed), ms, scale.messages);
    std::printf("goal: all %d placed, below 1500 ms: %s\n", kScaleRecords,
                Verdict(scale.placed == kScaleRecords && ms < 1500));
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "child") == 0)
        return RunChild(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // for the children
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QTemporaryDir root;
    const QStringList photos = MakePhotos(root.path());
    const qint64 fileBytes = FileBytes(photos);
    std::printf("%d photos of 4000 x 3000, JPEG quality %d: average %.2f MB (MB = 10^6 bytes)\n",
                kPhotos, kQuality, fileBytes / kMB / kPhotos);
    const QString kept = root.path() + "/kept";
    const QString twenty = DataFolder(root.path(), "twenty", photos);
    std::vector<TCase> cases = {
        {"empty", DataFolder(root.path(), "empty", {}), kept},
        {"10 photos", DataFolder(root.path(), "ten", photos.mid(0, 10)), kept},
        {"20 photos", twenty, kept},
        {"20, none kept", twenty, root.path() + "/none", true},
        {"200 records",
         DataFolder(root.path(), "scale", LinkedNames(root.path() + "/names", photos)), kept},
    };
    for (TCase& c : cases)
        c.Run(argv[0]);
    for (TCase& c : cases)
        c.ms.clear();
    for (int r = 0; r < runs; ++r)
        for (TCase& c : cases)
            c.Run(argv[0]);
    PrintTimes(cases, runs);
    PrintPeak(cases[0], cases[2], fileBytes);
    PrintScale(cases[4]);
    return 0;
}
