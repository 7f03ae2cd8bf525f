// The report page: page setup, pixel size from paper and zoom, and its paint.
#include "report/QRPrintable.h"
#include "report/QuickRep.h"

#include <QImage>
#include <QTest>

class TstReportPage : public QObject {
    Q_OBJECT
private slots:
    void pageSizeFollowsThePaper_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::newRow("A4") << 9 << QSize(898, 635);
        QTest::newRow("A5") << 11 << QSize(635, 447);
        QTest::newRow("B4") << 12 << QSize(1070, 756);
        QTest::newRow("B5") << 13 << QSize(777, 550);
    }
    void pageSizeFollowsThePaper() {
        QFETCH(int, code);
        QFETCH(QSize, size);
        TQuickRep rep;
        rep.Page()->SetPaperSize(TQRPaperSize(code));
        QCOMPARE(rep.size(), size);
        QCOMPARE(rep.Page()->PaperSize(), TQRPaperSize(code));
        for (int i : {0, 2, 4, 5})
            QCOMPARE(double(rep.Page()->NativeValue(i)), 100.0);
    }

    void b5LandscapeStoresLengthsInNativeUnits() {
        TQuickRep rep;
        rep.Page()->SetPaperSize(QRPaper::B5);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::WidthIdx)), 2570.0);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::LengthIdx)), 1820.0);
        QCOMPARE(double(rep.Page()->Width()), 257.0); // read in mm
    }

    void portraitSwapsTheSheet() {
        TQuickRep rep;
        rep.Page()->SetOrientation(TPrinterOrientation::Portrait);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::WidthIdx)), 2100.0);
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::LengthIdx)), 2970.0);
        QCOMPARE(rep.size(), QSize(635, 898));
    }

    void lengthsOfAStandardPaperAreNotWritable() {
        TQuickRep rep;
        rep.Page()->SetValue(TQRPage::WidthIdx, 100);
        rep.Page()->SetValue(TQRPage::LengthIdx, 100);
        rep.Page()->SetPaperSize(QRPaper::Default);
        rep.Page()->SetPaperSize(200); // not a paper code
        QCOMPARE(rep.size(), QSize(898, 635));
        rep.Page()->SetValue(TQRPage::LeftMarginIdx, 20); // mm
        QCOMPARE(double(rep.Page()->NativeValue(TQRPage::LeftMarginIdx)), 200.0);
        rep.Page()->SetValue(99, 5); // unknown index
    }

    void zoomOutsideTheRangeIsIgnored() {
        TQuickRep rep;
        rep.SetZoom(0);
        rep.SetZoom(301);
        QCOMPARE(rep.Zoom(), 80);
        rep.SetZoom(300);
        QCOMPARE(rep.Zoom(), 300);
        QCOMPARE(rep.size(), QSize(3368, 2381));
    }

    void detailBandLiesAtTheMargins() {
        TQuickRep rep;
        auto* band = new TQRSubDetail(&rep);
        rep.AddBand(band);
        QCOMPARE(band->geometry(), QRect(30, 30, 838, 0));
    }

    void attachingKeepsPixelPositionAndNativeSize() {
        auto* p = new TQRPrintable(nullptr);
        p->SetBounds(40, 50, 100, 60); // at zoom 100
        const long double nativeWidth = p->Size()->Values()[TQRPrintableSize::WidthIdx];
        TQuickRep rep;
        rep.AttachPrintable(p);
        QCOMPARE(p->pos(), QPoint(40, 50));
        QCOMPARE(p->size(), QSize(80, 48));
        QCOMPARE(double(p->Size()->Values()[TQRPrintableSize::WidthIdx]), double(nativeWidth));
        QCOMPARE(rep.Printables(), QList<TQRPrintable*>{p});
    }

    void paintShowsGridNumbersAndMarginGuide() {
        TQuickRep rep;
        QImage img = rep.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(898, 635));
        // 1 cm at zoom 80 is 30.236 px: whole-centimetre line at x = 30,
        // half-centimetre line at x = 15.
        QCOMPARE(img.pixelColor(30, 20), QColor(240, 240, 240));
        QCOMPARE(img.pixelColor(60, 300), QColor(240, 240, 240));
        QCOMPARE(img.pixelColor(15, 300), QColor(249, 249, 249));
        QCOMPARE(img.pixelColor(300, 15), QColor(249, 249, 249));
        QCOMPARE(img.pixelColor(20, 20), QColor(255, 255, 255));
        QCOMPARE(rep.MarginGuideRect(), QRect(QPoint(30, 30), QPoint(867, 604)));
        // The dotted guide: every other pixel along the top edge, in light blue.
        const QColor blue(128, 128, 255);
        QCOMPARE(img.pixelColor(30, 30), blue);
        QCOMPARE(img.pixelColor(32, 30), blue);
        QCOMPARE(img.pixelColor(867, 31), blue);
        QVERIFY(img.pixelColor(868, 31) != blue);
        // Some dark grey text pixels for the number "1" right of x = 30.
        bool text = false;
        for (int y = 2; y < 14 && !text; ++y)
            for (int x = 32; x < 40 && !text; ++x)
                text = img.pixelColor(x, y).red() < 200;
        QVERIFY(text);
    }

    void lowZoomDropsHalfLinesAndNumbers() {
        TQuickRep rep;
        rep.SetZoom(50);
        QImage img = rep.grab().toImage().convertToFormat(QImage::Format_RGB32);
        // At zoom 50 one centimetre is 18.9 px, half of it 9.4 px.
        QCOMPARE(img.pixelColor(9, 300), QColor(255, 255, 255));
        QCOMPARE(img.pixelColor(19, 300), QColor(240, 240, 240));
        for (int y = 2; y < 14; ++y)
            for (int x = 21; x < 28; ++x)
                QCOMPARE(img.pixelColor(x, y), QColor(255, 255, 255));
    }
};

QTEST_MAIN(TstReportPage)
#include "tst_reportpage.moc"
