// Printing from the preview window through the print server's PDF queue: the
// preview's print button sends the sheet to the queue, and portrait chosen in
// the printer dialog reshapes the main window's page and turns the next print.
// Run by cups_preview.sh, which provides the server, the queue and the folder.
#include "../PreviewTestSupport.h"
#include "../PrintTestSupport.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTest>

namespace {

// The queue's PDF for the job with this title, once the queue has written
// it; events go on meanwhile (the print request is posted).
QString QueuedPdf(const QString& dir, const QString& title) {
    QString path;
    qint64 lastSize = -1;
    const bool done = QTest::qWaitFor(
        [&] {
            const QStringList found =
                QDir(dir).entryList({QStringLiteral("*%1*.pdf").arg(title)}, QDir::Files);
            if (found.isEmpty())
                return false;
            path = QDir(dir).filePath(found.first());
            const qint64 size = QFileInfo(path).size();
            const bool stable = size > 0 && size == lastSize;
            lastSize = size;
            return stable;
        },
        90000);
    return done ? path : QString();
}

// Where the grey glue flap lies on the rasterised sheet. The queue's paper
// is portrait: a landscape job arrives turned a quarter, so its flap (a tall
// strip at the net's left) lies across the paper; a portrait job's stands.
QRect FlapOnPaper(const QImage& paper) {
    QRect flap;
    for (int y = 0; y < paper.height(); ++y)
        for (int x = 0; x < paper.width(); ++x) {
            const QRgb p = paper.pixel(x, y);
            if (qAbs(qRed(p) - 128) < 8 && qAbs(qGreen(p) - 128) < 8 && qAbs(qBlue(p) - 128) < 8)
                flap |= QRect(x, y, 1, 1);
        }
    return flap;
}

} // namespace

class TstCupsPreview : public QObject {
    Q_OBJECT
private slots:
    void previewPrintsThroughTheQueueAndPortraitTurnsTheNextPrint() {
        const QString outDir = qEnvironmentVariable("TESORIN_PDF_DIR");
        QVERIFY2(!outDir.isEmpty(), "TESORIN_PDF_DIR names the queue's output folder");
        const QString stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
        const QString first = QStringLiteral("tesorin-preview-%1-a").arg(stamp);
        const QString second = QStringLiteral("tesorin-preview-%1-b").arg(stamp);
        TForm1 form;
        form.QuickRep1->PrinterSettings().PrinterName = QStringLiteral("PDF");
        form.QuickRep1->SetReportTitle(first);
        QString firstPdf, secondPdf;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            preview.Print->trigger();
            firstPdf = QueuedPdf(outDir, first);
            ChooseInPrinterDialog(preview, TPrinterOrientation::Portrait);
            QCOMPARE(form.QuickRep1->size(), QSize(635, 898));
            form.QuickRep1->SetReportTitle(second);
            preview.Print->trigger();
            secondPdf = QueuedPdf(outDir, second);
        };
        VisitPreviewWhenShown(visit);
        form.ButtonEx3->click();
        QCOMPARE(visit.visits, 1);
        QVERIFY2(!firstPdf.isEmpty(), "the queue wrote no PDF for the preview's print");
        QVERIFY2(!secondPdf.isEmpty(), "the queue wrote no PDF after the printer dialog");
        const QRect landscapeFlap = FlapOnPaper(RasterisePdf(firstPdf, 20));
        const QRect portraitFlap = FlapOnPaper(RasterisePdf(secondPdf, 20));
        QFile::remove(firstPdf);
        QFile::remove(secondPdf);
        QVERIFY(landscapeFlap.width() > 3 * landscapeFlap.height());
        QVERIFY(portraitFlap.height() > 3 * portraitFlap.width());
        QCOMPARE(form.QuickRep1->Page()->Orientation(), TPrinterOrientation::Portrait);
    }
};

QTEST_MAIN(TstCupsPreview)
#include "tst_cupspreview.moc"
