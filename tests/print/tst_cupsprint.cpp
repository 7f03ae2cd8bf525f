// A real print of the default sheet through the print server's PDF queue:
// the net's vertical lines must land on paper where the arithmetic puts them,
// counting the queue's unprintable offset and the landscape rotation. Run by
// cups_print.sh, which provides the server, the queue and the output folder.
#include "../PrintTestSupport.h"
#include "QQRBag.h"
#include "Unit1.h"
#include "report/QuickRep.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTest>
#include <QThread>

namespace {
struct TRecorded {
    int dpi = 0;
    QPoint pageOffsetDots; // the printable area's corner on the sheet
    QSize paperDots;
    QRect bagDevice; // left, top, right, bottom as x, y, width, height
};

// Waits for the queue's PDF whose name carries the title; returns its path
// once its size has stopped changing.
QString WaitForPdf(const QString& dir, const QString& title) {
    QElapsedTimer t;
    t.start();
    qint64 lastSize = -1;
    while (t.elapsed() < 90000) {
        const QStringList found =
            QDir(dir).entryList({QStringLiteral("*%1*.pdf").arg(title)}, QDir::Files);
        if (!found.isEmpty()) {
            const QString path = QDir(dir).filePath(found.first());
            const qint64 size = QFileInfo(path).size();
            if (size > 0 && size == lastSize)
                return path;
            lastSize = size;
        }
        QThread::msleep(500);
    }
    return {};
}

// Starts of the dark runs along row y (or column x when vertical).
QList<int> DarkStarts(const QImage& img, int fixed, bool alongX) {
    QList<int> starts;
    bool inside = false;
    const int n = alongX ? img.width() : img.height();
    for (int i = 0; i < n; ++i) {
        const bool dark = qGray(alongX ? img.pixel(i, fixed) : img.pixel(fixed, i)) < 60;
        if (dark && !inside)
            starts << i;
        inside = dark;
    }
    return starts;
}
} // namespace

class TstCupsPrint : public QObject {
    Q_OBJECT
private slots:
    void sheetLinesLandWhereTheArithmeticSays() {
        if (qEnvironmentVariableIsSet("TESORIN_NO_PRINTER"))
            QSKIP("the print server is out of reach in this run");
        const QString outDir = qEnvironmentVariable("TESORIN_PDF_DIR");
        QVERIFY2(!outDir.isEmpty(), "TESORIN_PDF_DIR names the queue's output folder");
        const QString title =
            QStringLiteral("tesorin-print-%1").arg(QDateTime::currentMSecsSinceEpoch());
        TForm1 form;
        form.QuickRep1->SetReportTitle(title);
        form.QuickRep1->PrinterSettings().PrinterName = QStringLiteral("PDF");
        TRecorded rec;
        auto* probe = new TProbe(form.QuickRep1);
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter& p) {
            QPrinter* device = p.Device();
            rec.dpi = device->resolution();
            rec.pageOffsetDots = device->pageRect(QPrinter::DevicePixel).topLeft().toPoint();
            rec.paperDots = device->paperRect(QPrinter::DevicePixel).size().toSize();
            // The bag's bounds in native units, as the run reads them.
            const auto v = form.QRBag1->Size()->Values();
            const long double left = v[TQRPrintableSize::LeftIdx];
            const long double top = v[TQRPrintableSize::TopIdx];
            rec.bagDevice = QRect(p.ToDeviceX(left - 1), p.ToDeviceY(top - 1),
                                  p.ToDeviceX(left + v[TQRPrintableSize::WidthIdx]),
                                  p.ToDeviceY(top + v[TQRPrintableSize::HeightIdx]));
        };
        form.QuickRep1->Print();
        QVERIFY(rec.dpi > 0);
        const QString pdf = WaitForPdf(outDir, title);
        QVERIFY2(!pdf.isEmpty(), "the queue wrote no PDF for the job");
        const QImage page = RasterisePdf(pdf, 600);
        QVERIFY(!page.isNull());
        QFile::remove(pdf);

        const TBagNet net = ComputeBagNet(rec.bagDevice.x(), rec.bagDevice.y(),
                                          rec.bagDevice.width(), rec.bagDevice.height());
        const double scale = 600.0 / rec.dpi; // raster pixels per device pixel
        // Vertical net lines of the landscape sheet, in raster pixels from the
        // sheet's left edge: the outline's right edge and the six folds.
        QList<double> expected;
        for (int x : {net.x1, net.x2, net.x3, net.x4, net.x5, net.x6, rec.bagDevice.width() - 1})
            expected << (rec.pageOffsetDots.x() + x) * scale;
        const bool rotated = page.height() > page.width(); // landscape turned onto portrait
        qInfo("printer %d dpi, printable area at (%d, %d) dots, raster %dx%d%s", rec.dpi,
              rec.pageOffsetDots.x(), rec.pageOffsetDots.y(), page.width(), page.height(),
              rotated ? ", turned" : "");
        // A line through the middle of the upper bag, across the vertical lines.
        const double midY = (rec.pageOffsetDots.y() + (net.y1 + rec.bagDevice.y()) / 2) * scale;
        QList<int> found;
        if (!rotated) {
            found = DarkStarts(page, int(midY), true);
        } else {
            // Turned a quarter: the sheet's x runs along the raster's y, from
            // the bottom (counter-clockwise) or from the top (clockwise).
            const QList<int> ccw = DarkStarts(page, int(midY), false);
            const QList<int> cw = DarkStarts(page, page.width() - 1 - int(midY), false);
            for (int y : ccw.size() >= cw.size() ? ccw : cw)
                found << (ccw.size() >= cw.size() ? page.height() - 1 - y : y);
            std::sort(found.begin(), found.end());
        }
        qInfo() << "expected" << expected << "found" << found;
        QCOMPARE(found.size(), expected.size());
        double worst = 0;
        for (int i = 0; i < expected.size(); ++i)
            worst = std::max(worst, std::abs(found[i] - expected[i]));
        qInfo("largest position error: %.3f raster px = %.4f mm", worst, worst / 600 * 25.4);
        QVERIFY(worst <= scale); // within one device pixel
        // Print scale: the outline's right edge against the bag's own bounds.
        const TQRPrintableSize& s = *form.QRBag1->Size();
        const double meant = double(s.Left() + s.Width()); // read in mm
        const double got = found.last() / 600.0 * 25.4;
        qInfo("right outline edge meant at %.3f mm, printed at %.3f mm", meant, got);
        QVERIFY(std::abs(got - meant) < 0.1);
    }

    // Run with CUPS_SERVER pointing at no server: no printer is installed.
    void withoutPrinterPrintDoesNothing() {
        if (!qEnvironmentVariableIsSet("TESORIN_NO_PRINTER"))
            QSKIP("only with the print server out of reach");
        QVERIFY(QPrinterInfo::availablePrinterNames().isEmpty());
        TForm1 form;
        auto* probe = new TProbe(form.QuickRep1);
        int prints = 0;
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter&) { ++prints; };
        form.QuickRep1->Print();
        QCOMPARE(prints, 0);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY(!w->isVisible());
        QVERIFY(form.QuickRep1->Available());
        QCOMPARE(form.QuickRep1->QRPrinter(), nullptr);
    }
};

QTEST_MAIN(TstCupsPrint)
#include "tst_cupsprint.moc"
