// The whole road of a print with photos, by hand (cups_print_bench.sh): ten
// 3000 x 2000 JPEG photos placed 105 x 105 as the open command places them,
// a click on 印刷, and the wait until the print server's PDF queue has
// finished the PDF. Prints the time from the click to the program handing
// the job over and to the finished PDF, the job's size as the server took
// it, and the PDF's size; the median of three runs. The floor is the same
// road with the empty sheet, measured in the same run.
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cups/cups.h>
#include <vector>

namespace {
constexpr int kPhotos = 10;
constexpr int kRuns = 3;

// A photo-like picture: smooth ramps with grain, saved as a JPEG of quality 90.
QString WritePhoto(const QTemporaryDir& dir, int n) {
    QImage image(3000, 2000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb((x / 12 + n * 20) % 256, y * 255 / 2000, ((x * 7) ^ (y * 5)) % 96 + 80);
    }
    const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(n));
    image.save(path, "JPEG", 90);
    return path;
}

// The server's record of the job with this title: its size in bytes once it
// has completed, -1 while it has not.
qint64 CompletedJobBytes(const QByteArray& title) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs(&jobs, "PDF", 0, CUPS_WHICHJOBS_ALL);
    qint64 bytes = -1;
    for (int i = 0; i < count; ++i)
        if (title == jobs[i].title && jobs[i].state == IPP_JSTATE_COMPLETED)
            bytes = qint64(jobs[i].size) * 1024;
    cupsFreeJobs(count, jobs);
    return bytes;
}

QString FinishedPdf(const QString& dir, const QString& title) {
    const QStringList found =
        QDir(dir).entryList({QStringLiteral("*%1*.pdf").arg(title)}, QDir::Files);
    return found.isEmpty() ? QString() : QDir(dir).filePath(found.first());
}

struct TRun {
    qint64 handedOverMs = -1;
    qint64 finishedMs = -1;
    qint64 jobBytes = -1;
    qint64 pdfBytes = -1;
};

TRun PrintOnce(TForm1& form, const QString& outDir) {
    const QString title =
        QStringLiteral("tesorin-bench-%1").arg(QDateTime::currentMSecsSinceEpoch());
    form.QuickRep1->SetReportTitle(title);
    TRun run;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(form.ButtonEx4, Qt::LeftButton);
    run.handedOverMs = clock.elapsed();
    QString pdf;
    while (clock.elapsed() < 300000) {
        run.jobBytes = CompletedJobBytes(title.toUtf8());
        pdf = FinishedPdf(outDir, title);
        if (run.jobBytes >= 0 && !pdf.isEmpty())
            break;
        QThread::msleep(20);
    }
    run.finishedMs = clock.elapsed();
    run.pdfBytes = QFileInfo(pdf).size();
    QFile::remove(pdf);
    return run;
}

qint64 Median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString outDir = qEnvironmentVariable("TESORIN_PDF_DIR");
    if (outDir.isEmpty()) {
        std::fprintf(stderr, "TESORIN_PDF_DIR names the PDF queue's output folder\n");
        return 2;
    }
    QTemporaryDir dir;
    QStringList photos;
    for (int n = 0; n < kPhotos; ++n)
        photos << WritePhoto(dir, n);
    std::printf("photos  handed-over-ms  finished-pdf-ms  job-bytes  pdf-bytes  (medians)\n");
    qint64 floorMs = 0;
    for (const int count : {0, kPhotos}) {
        TForm1 form;
        form.show();
        form.QuickRep1->PrinterSettings().PrinterName = QStringLiteral("PDF");
        for (int n = 0; n < count; ++n)
            form.AddPlacedImage(photos[n], QRect(10 + (n % 5) * 130, 10 + (n / 5) * 130, 105, 105),
                                true);
        std::vector<qint64> handed, finished, job, pdf;
        for (int r = 0; r < kRuns; ++r) {
            const TRun run = PrintOnce(form, outDir);
            handed.push_back(run.handedOverMs);
            finished.push_back(run.finishedMs);
            job.push_back(run.jobBytes);
            pdf.push_back(run.pdfBytes);
        }
        std::printf("%6d  %14lld  %15lld  %9lld  %9lld\n", count,
                    static_cast<long long>(Median(handed)),
                    static_cast<long long>(Median(finished)), static_cast<long long>(Median(job)),
                    static_cast<long long>(Median(pdf)));
        if (count == 0)
            floorMs = Median(finished);
        else
            std::printf("finished PDF with %d photos: %.2f x the empty sheet\n", count,
                        double(Median(finished)) / std::max<qint64>(1, floorMs));
    }
    return 0;
}
