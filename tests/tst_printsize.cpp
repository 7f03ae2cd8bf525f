// Printable bounds in native units: loading rules, what a run reads of them
// and where the bag lands in device pixels on paper and in the preview.
#include "PrintTestSupport.h"
#include "bag/QQRBag.h"
#include "report/QuickRep.h"
#include "windows/Unit1.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSemaphore>
#include <QTest>
#include <QThread>

namespace {
// Columns (alongX) or rows through img where a run of pixels of a kind
// starts: black (lines) or grey (the glue flap).
QList<int> RunStarts(const QImage& img, int fixed, bool alongX, bool grey = false) {
    QList<int> starts;
    const int n = alongX ? img.width() : img.height();
    bool inside = false;
    for (int i = 0; i < n; ++i) {
        const int g = qGray(alongX ? img.pixel(i, fixed) : img.pixel(fixed, i));
        const bool hit = grey ? (g > 100 && g < 160) : g < 60;
        if (hit && !inside)
            starts << i;
        inside = hit;
    }
    return starts;
}

struct TRun {
    int start, length;
};

// Runs of dark pixels (the lines are black) down column x, rows from..to-1.
QList<TRun> DarkRunsDown(const QImage& img, int x, int from, int to) {
    QList<TRun> runs;
    for (int y = from; y < to; ++y) {
        if (qGray(img.pixel(x, y)) >= 60)
            continue;
        if (runs.isEmpty() || runs.last().start + runs.last().length != y)
            runs.append({y, 0});
        ++runs.last().length;
    }
    return runs;
}

// The runs follow the pattern from its start at the first run: dashes of
// the pattern's "on" lengths in turn and gaps of its "off" lengths, each
// within a device pixel of its length in millimetres. The last run may be
// cut by the line's end.
void CheckPattern(const QList<TRun>& runs, const QVector<double>& mm, double perMm) {
    QVERIFY2(runs.size() > 8, qPrintable(QString::number(runs.size())));
    const double pixel = 1 / perMm + 1e-9;
    for (int i = 0; i + 1 < runs.size(); ++i) {
        const qsizetype k = (2 * i) % mm.size();
        const double on = runs[i].length / perMm;
        const double off = (runs[i + 1].start - runs[i].start - runs[i].length) / perMm;
        QVERIFY2(qAbs(on - mm[k]) <= pixel, qPrintable(QString("dash %1: %2 mm").arg(i).arg(on)));
        QVERIFY2(qAbs(off - mm[k + 1]) <= pixel,
                 qPrintable(QString("gap %1: %2 mm").arg(i).arg(off)));
    }
}

} // namespace

class TstPrintSize : public QObject {
    Q_OBJECT
private slots:
    void loadingRemembersOnlyNonZeroBoundsAndFillsOnlyZeros() {
        TQuickRep rep;
        TQRPrintable p(&rep);
        const QRect before = p.geometry();
        p.Size()->BeginLoading();
        p.SetBounds(0, 40, 833, 569);   // left 0 is not remembered
        QCOMPARE(p.geometry(), before); // only remembered so far
        // Streamed: height 0, left 105.83 (32 px), top 105.83, width 2754.97 (833 px).
        p.Size()->SetValues({0, 105.833333333333L, 105.833333333333L, 2754.97395833333L});
        p.Size()->EndLoading();
        QCOMPARE(p.geometry(), QRect(32, 32, 833, 569)); // only the zero height was filled
        QCOMPARE(double(p.Size()->Values()[TQRPrintableSize::LeftIdx]), 105.833333333333);
        p.SetLeft(0); // after loading, bounds are written again
        QCOMPARE(p.x(), 0);
    }

    void pixelBoundsRoundHalfToEven() {
        TQuickRep rep; // zoom 80: 3.3072916... native per pixel
        TQRPrintable p(&rep);
        p.Size()->SetUnits(TQRUnit::Native);
        const long double px = 254.0L / 96 / 80 * 100;
        p.Size()->SetValues({px * 2.5L, px * 3.5L, px * 0.5L, px * 1.5L});
        QCOMPARE(p.geometry(), QRect(4, 0, 2, 2));
    }

    // The run reads the bounds that the laid-out bag has (30, 30, 838 x 575
    // pixels) in native units from its snapshot; a UI-thread read during
    // the run still gets them in the page's millimetres.
    void aRunReadsNativeBoundsWhileTheWidgetsKeepTheirUnits_data() {
        QTest::addColumn<bool>("preview");
        QTest::newRow("print, UI thread") << false;
        QTest::newRow("preview, worker") << true;
    }
    void aRunReadsNativeBoundsWhileTheWidgetsKeepTheirUnits() {
        QFETCH(bool, preview);
        TPdfPrinterScope pdf;
        TForm1 form;
        auto* probe = new TProbe(form.QuickRep1);
        probe->SetBounds(30, 30, 838, 575);
        QSemaphore printing, proceed;
        std::array<long double, 4> seen{};
        int prints = 0;
        probe->OnPrint = [&](const TQRPrintableSnapshot& self, TQRPrinter&) {
            ++prints;
            seen = {self.Left(), self.Top(), self.Width(), self.Height()};
            printing.release();
            if (preview)
                proceed.acquire();
        };
        QList<TQRUnit> unitsDuring;
        long double bagLeftDuring = 0;
        auto readOnTheUiThread = [&] {
            unitsDuring << form.QuickRep1->Units() << probe->Size()->Units()
                        << form.QRBag1->Size()->Units();
            bagLeftDuring = form.QRBag1->Size()->Left();
        };
        if (preview) {
            form.QuickRep1->SetOnPreview([&](TQRPrinter* p) {
                printing.acquire(); // the worker is inside the run
                readOnTheUiThread();
                proceed.release();
                QVERIFY(WaitFinished(p));
            });
            form.QuickRep1->Preview();
        } else {
            probe->OnPrint = [&, print = probe->OnPrint](const TQRPrintableSnapshot& self,
                                                         TQRPrinter& p) {
                print(self, p);
                readOnTheUiThread();
            };
            form.QuickRep1->Print();
        }
        QCOMPARE(prints, 1);
        QCOMPARE(double(seen[0]), 99.21875);
        QCOMPARE(double(seen[1]), 99.21875);
        QVERIFY(qAbs(double(seen[2]) - 2771.5104166) < 1e-6);
        QVERIFY(qAbs(double(seen[3]) - 1901.6927083) < 1e-6);
        QCOMPARE(unitsDuring, QList<TQRUnit>(3, TQRUnit::MM));
        QCOMPARE(double(bagLeftDuring), 9.921875);
    }

    // 600 dpi, no unprintable offset: the bag prints into (232, 232, 6781,
    // 4727), one native unit left of and above its position (234).
    void bagPrintsIntoItsDeviceRectangleAt600Dpi() {
        TPdfPrinterScope pdf(600, 0);
        TForm1 form;
        form.QuickRep1->Print();
        const QImage img = RasterisePdf(pdf.file, 600);
        QVERIFY(qAbs(img.width() - 7016) <= 1 && qAbs(img.height() - 4961) <= 2); // A4 landscape
        // The glue flap covers the left outline: grey from 232 to the flap line.
        QCOMPARE(RunStarts(img, 1000, true, true), QList<int>{232});
        QCOMPARE(RunStarts(img, 1000, true), (QList<int>{363, 845, 1326, 3572, 4054, 4535, 6780}));
        QCOMPARE(RunStarts(img, 2500, false), (QList<int>{232, 3475, 3957, 4726}));
    }

    // With the fold styles a valley fold is dashed and a mountain fold
    // dash-dot, with the same millimetres on screen and on a 600 dpi print.
    void foldStylesKeepTheirMillimetresOnScreenAndOnPaper() {
        TPdfPrinterScope pdf(600, 0);
        TForm1 form;
        form.QRBag1->SetFoldStyles(true);
        const QVector<double> valley = FoldDashPattern(TNetRole::Valley);
        const QVector<double> mountain = FoldDashPattern(TNetRole::Mountain);

        const QImage screen = form.QRBag1->grab().toImage();
        const double screenPerMm = form.QRBag1->ScreenScale().Y;
        const TBagNet onScreen = ComputeBagNet(0, 0, screen.width(), screen.height());
        CheckPattern(DarkRunsDown(screen, onScreen.x2, 0, onScreen.y1), valley, screenPerMm);
        CheckPattern(DarkRunsDown(screen, onScreen.x3, 0, onScreen.y1), mountain, screenPerMm);

        form.QuickRep1->Print();
        const QImage paper = RasterisePdf(pdf.file, 600);
        const TBagNet printed = ComputeBagNet(232, 232, 6781, 4727);
        CheckPattern(DarkRunsDown(paper, printed.x2, 232, printed.y1), valley, 600 / 25.4);
        CheckPattern(DarkRunsDown(paper, printed.x5, 232, printed.y1), valley, 600 / 25.4);
        CheckPattern(DarkRunsDown(paper, printed.x3, 232, printed.y1), mountain, 600 / 25.4);
        // The outline stays solid.
        QCOMPARE(DarkRunsDown(paper, 6780, 232, 4727).size(), 1);
    }

    void previewPageHasTheSheetSizeAndTheBagAt96Dpi() {
        TPdfPrinterScope pdf; // a printer that takes every paper
        TForm1 form;
        QImage page;
        form.QuickRep1->SetOnPreview([&](TQRPrinter* p) {
            QVERIFY(WaitFinished(p));
            const TQRPageImage pic = p->PageImage(1);
            QCOMPARE(pic.BoundingRect(), QRect(0, 0, 1123, 794));
            page = QImage(1123, 794, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            pic.Play(painter);
        });
        form.QuickRep1->Preview();
        QVERIFY(!page.isNull());
        // W 1048: A 21, P 514, so the flap line x1 is at 57.
        QCOMPARE(RunStarts(page, 200, true, true), QList<int>{37});
        QCOMPARE(RunStarts(page, 200, true).first(), 57);
        QCOMPARE(RunStarts(page, 200, true).last(), 1084);
        QCOMPARE(RunStarts(page, 300, false).first(), 37);
        QCOMPARE(RunStarts(page, 300, false).last(), 755);
    }

    // The base printable draws the frame sides that are on, at its own
    // rectangle; no side is on for the bags of the sheet.
    void frameSidesPrintAtThePrintablesRectangle() {
        TPdfPrinterScope pdf;
        TQuickRep rep;
        auto* framed = new TProbe(&rep);
        framed->SetBounds(100, 50, 200, 100);
        framed->Frame().DrawLeft = true;
        framed->Frame().DrawBottom = true;
        QImage page;
        rep.SetOnPreview([&](TQRPrinter* p) {
            QVERIFY(WaitFinished(p));
            page = QImage(1123, 794, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            p->PageImage(1).Play(painter);
        });
        rep.Preview();
        // Page pixels at zoom 80 are 1.25 preview pixels: 125, 62.5 -> 62, 375, 187.5 -> 188.
        QCOMPARE(RunStarts(page, 100, true), QList<int>{125});
        QCOMPARE(RunStarts(page, 200, false), QList<int>{188});
        QCOMPARE(RunStarts(page, 125, false), QList<int>{62}); // the left side, down to 188
        QCOMPARE(page.pixelColor(200, 188), QColor(Qt::black));
        QCOMPARE(page.pixelColor(200, 62), QColor(Qt::white));  // no top side
        QCOMPARE(page.pixelColor(375, 120), QColor(Qt::white)); // no right side
    }
};

QTEST_MAIN(TstPrintSize)
#include "tst_printsize.moc"
