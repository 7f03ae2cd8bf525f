// Pixel conventions of the canvas, read back from a QImage.
#include "bag/QQRBag.h"
#include "platform/Canvas.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
QImage WhiteImage(int w = 20, int h = 20) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}
bool IsColour(const QImage& img, int x, int y, TColor c) {
    return img.pixelColor(x, y) == ToQColor(c);
}

// One-pixel lines, a rectangle and a fill that meets a line, as the net
// draws them (the flap fill stops right before the fold at x = 30).
void DrawFigures(TCanvas& c) {
    c.SetPenColor(clBlack);
    c.SetBrushColor(clRed);
    c.Rectangle(10, 12, 50, 40);
    c.Line({30, 5}, {30, 60});
    c.Line({5, 50}, {70, 50});
    c.Polyline({{60, 10}, {60, 30}, {75, 30}});
    c.Polyline({{75, 45}, {75, 35}, {62, 35}}); // drawn backwards
    c.SetBrushColor(clGray);
    c.FillRect(10, 12, 30, 40);
}

constexpr QSize kFigureSize(80, 64);
// A PDF is rasterised four times finer than its device pixels, so a line
// that covers half of each of two columns cannot pass for one column.
constexpr int kFine = 4;

QImage OnImage() {
    QImage img(kFigureSize, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    TCanvas c(&p);
    DrawFigures(c);
    return img;
}
} // namespace

class TstCanvas : public QObject {
    Q_OBJECT
private slots:
    void colourValuesAreBgrWithRedInTheLowByte() {
        QCOMPARE(ToQColor(clRed), QColor(255, 0, 0));
        QCOMPARE(FromQColor(QColor(1, 2, 3)), TColor(0x030201));
        QCOMPARE(RGBColor(128, 128, 255), TColor(0xFF8080));
    }

    // The same figures on a recorded page (replayed onto a raster) and on a
    // 600 dpi PDF (rasterised at 2400 dpi) cover exactly the pixels they
    // cover on a QImage: a line at x covers column x on every device.
    void vectorDevicesCoverThePixelsOfTheRaster_data() {
        QTest::addColumn<QString>("rasteriser");
        QTest::newRow("recorded page") << QString();
        QTest::newRow("600 dpi PDF, poppler") << QStringLiteral("pdftoppm");
        QTest::newRow("600 dpi PDF, Ghostscript") << QStringLiteral("gs");
    }
    void vectorDevicesCoverThePixelsOfTheRaster() {
        QFETCH(QString, rasteriser);
        const bool pdf = !rasteriser.isEmpty();
        QImage result;
        if (!pdf) {
            QPicture picture;
            {
                QPainter p(&picture);
                TCanvas c(&p);
                DrawFigures(c);
            }
            result = QImage(kFigureSize, QImage::Format_RGB32);
            result.fill(Qt::white);
            QPainter p(&result);
            picture.play(&p);
        } else {
            QTemporaryDir dir;
            const QString file = dir.filePath("figures.pdf");
            {
                QPdfWriter writer(file);
                writer.setResolution(600);
                // 1 x 1 inch, no margins: device pixel (x, y) is raster pixel (x, y).
                writer.setPageLayout(QPageLayout(QPageSize(QSize(72, 72), "inch"),
                                                 QPageLayout::Portrait, QMarginsF()));
                QPainter p(&writer);
                TCanvas c(&p);
                DrawFigures(c);
            }
            const QString base = dir.filePath("page");
            const QStringList args =
                rasteriser == "gs" ? QStringList{"-q",
                                                 "-dNOPAUSE",
                                                 "-dBATCH",
                                                 "-dSAFER",
                                                 "-sDEVICE=png16m",
                                                 "-r2400",
                                                 "-dGraphicsAlphaBits=1",
                                                 "-sOutputFile=" + base + ".png",
                                                 file}
                                   : QStringList{"-r", "2400",        "-aa",  "no", "-aaVector",
                                                 "no", "-singlefile", "-png", file, base};
            QCOMPARE(QProcess::execute(rasteriser, args), 0);
            result = QImage(base + ".png").copy(QRect(QPoint(0, 0), kFigureSize * kFine));
        }
        const QImage want = OnImage();
        const int fine = pdf ? kFine : 1; // raster pixels per device pixel
        QCOMPARE(result.size(), want.size() * fine);
        QStringList differing; // pixels as "x,y"
        for (int y = 0; y < want.height(); ++y)
            for (int x = 0; x < want.width(); ++x)
                for (int i = 0; i < fine * fine; ++i)
                    if (qGray(want.pixel(x, y)) !=
                        qGray(result.pixel(x * fine + i % fine, y * fine + i / fine))) {
                        differing << QStringLiteral("%1,%2").arg(x).arg(y);
                        break;
                    }
        QCOMPARE(differing, QStringList());
    }

    void rectangleCoversLeftTopButNotRightBottom() {
        QImage img = WhiteImage();
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetPenColor(clBlack);
            c.SetBrushColor(clRed);
            c.Rectangle(2, 3, 8, 10);
        }
        QVERIFY(IsColour(img, 2, 3, clBlack));
        QVERIFY(IsColour(img, 7, 9, clBlack));
        QVERIFY(IsColour(img, 7, 5, clBlack));
        QVERIFY(IsColour(img, 8, 5, clWhite));
        QVERIFY(IsColour(img, 5, 10, clWhite));
        QVERIFY(IsColour(img, 3, 4, clRed));
        QVERIFY(IsColour(img, 6, 8, clRed));
        QVERIFY(IsColour(img, 1, 3, clWhite));
    }

    void rectangleWithClearPenIsFilledToTheEdge() {
        QImage img = WhiteImage();
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetPenStyle(TPenStyle::Clear);
            c.SetBrushColor(clRed);
            c.Rectangle(2, 2, 6, 6);
        }
        QVERIFY(IsColour(img, 2, 2, clRed));
        QVERIFY(IsColour(img, 5, 5, clRed));
        QVERIFY(IsColour(img, 6, 5, clWhite));
    }

    void polylineLeavesItsLastPointUnset() {
        QImage img = WhiteImage();
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.Polyline({{2, 2}, {2, 10}, {10, 10}});
            c.Polyline({{12, 2}, {17, 7}});
            c.Polyline({{18, 18}, {18, 12}, {12, 12}}); // upwards, then to the left
        }
        QVERIFY(IsColour(img, 2, 2, clBlack));
        QVERIFY(IsColour(img, 2, 9, clBlack));
        QVERIFY(IsColour(img, 2, 10, clBlack)); // a corner, set by the second segment
        QVERIFY(IsColour(img, 9, 10, clBlack));
        QVERIFY(IsColour(img, 10, 10, clWhite));
        QVERIFY(IsColour(img, 16, 6, clBlack));
        QVERIFY(IsColour(img, 17, 7, clWhite));
        QVERIFY(IsColour(img, 2, 1, clWhite));
        QVERIFY(IsColour(img, 18, 18, clBlack));
        QVERIFY(IsColour(img, 18, 12, clBlack));
        QVERIFY(IsColour(img, 13, 12, clBlack));
        QVERIFY(IsColour(img, 12, 12, clWhite));
    }

    void clearBrushBecomesSolidWhenGivenAColour() {
        QImage img = WhiteImage();
        QPainter p(&img);
        TCanvas c(&p);
        c.SetBrushStyle(TBrushStyle::Clear);
        c.FillRect(0, 0, 5, 5);
        QCOMPARE(c.BrushStyle(), TBrushStyle::Clear);
        c.SetBrushColor(clRed);
        QCOMPARE(c.BrushStyle(), TBrushStyle::Solid);
        c.FillRect(0, 0, 5, 5);
        p.end();
        QVERIFY(IsColour(img, 4, 4, clRed));
        QVERIFY(IsColour(img, 5, 4, clWhite));
    }

    void notXorMarkDrawnTwiceRestoresThePixels() {
        QImage img = WhiteImage(30, 30);
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetBrushColor(clRed);
            c.FillRect(0, 0, 15, 30);
        }
        const QImage before = img.copy();
        auto drawOutline = [&img] {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetPenMode(TPenMode::NotXor);
            c.SetPenStyle(TPenStyle::InsideFrame);
            c.SetPenWidth(3);
            c.SetBrushStyle(TBrushStyle::Clear);
            c.Rectangle(5, 5, 25, 25);
        };
        drawOutline();
        // NOT(white XOR black) is black, NOT(red XOR black) is red's complement.
        QVERIFY(IsColour(img, 20, 5, clBlack));
        QVERIFY(IsColour(img, 7, 7, 0xFFFF00));
        QVERIFY(IsColour(img, 8, 8, clRed)); // inside the 3-pixel band
        QVERIFY(IsColour(img, 22, 22, clBlack));
        QVERIFY(IsColour(img, 25, 25, clWhite));
        drawOutline();
        QCOMPARE(img, before);
    }

    void dottedOutlineSetsEveryOtherPerimeterPixel() {
        QImage img = WhiteImage();
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetPenStyle(TPenStyle::Dot);
            c.SetBrushStyle(TBrushStyle::Clear);
            c.Rectangle(2, 2, 12, 9);
        }
        QVERIFY(IsColour(img, 2, 2, clBlack));
        QVERIFY(IsColour(img, 3, 2, clWhite));
        QVERIFY(IsColour(img, 4, 2, clBlack));
        QVERIFY(IsColour(img, 11, 3, clBlack));
        QVERIFY(IsColour(img, 12, 3, clWhite));
        QVERIFY(IsColour(img, 6, 5, clWhite));
    }

    // Corner 6: only the very corner pixel is cut, the same at all four
    // corners; the outline and the fill never share a pixel.
    void roundRectCornersAreMirrorImages() {
        QImage img = WhiteImage(20, 14);
        {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetBrushColor(clRed);
            c.RoundRect(2, 1, 18, 13, 6, 6);
        }
        for (const QPoint corner : {QPoint(2, 1), QPoint(17, 1), QPoint(2, 12), QPoint(17, 12)})
            QVERIFY(IsColour(img, corner.x(), corner.y(), clWhite));
        for (const QPoint edge : {QPoint(3, 1), QPoint(16, 1), QPoint(2, 2), QPoint(17, 11),
                                  QPoint(3, 12), QPoint(10, 12)})
            QVERIFY2(IsColour(img, edge.x(), edge.y(), clBlack),
                     qPrintable(QString("%1,%2").arg(edge.x()).arg(edge.y())));
        QVERIFY(IsColour(img, 3, 2, clRed)); // a thin outline cuts the corner diagonally
        QVERIFY(IsColour(img, 16, 11, clRed));
        QVERIFY(IsColour(img, 18, 5, clWhite)); // right edge excluded
        QVERIFY(IsColour(img, 10, 13, clWhite));

        const QImage figure = img.copy(2, 1, 16, 12);
        QCOMPARE(figure.mirrored(true, false), figure);
        QCOMPARE(figure.mirrored(false, true), figure);
    }

    void roundRectInNotXorRestoresThePixelsWhenDrawnTwice() {
        QImage img = WhiteImage(20, 14);
        const QImage before = img.copy();
        auto draw = [&img] {
            QPainter p(&img);
            TCanvas c(&p);
            c.SetPenMode(TPenMode::NotXor);
            c.SetBrushColor(clBlack);
            c.RoundRect(1, 1, 19, 13, 6, 6);
        };
        draw();
        QVERIFY(IsColour(img, 5, 5, clBlack)); // NOT(white XOR black)
        QVERIFY(IsColour(img, 1, 1, clWhite)); // the cut corner is not touched
        draw();
        QCOMPARE(img, before);
    }

    // The net of an inverted or empty rectangle draws without failing.
    void bagNetDrawsInvertedAndEmptyRectangles() {
        QImage img(20, 20, QImage::Format_RGB32);
        QPainter p(&img);
        TCanvas c(&p);
        TQRBag bag;
        bag.SetFoldStyles(true);
        bag.DrawNet(c, 100, 100, 0, 0, true, {3, 3});
        bag.DrawNet(c, 0, 0, 0, 0, true, {3, 3});
    }
};

QTEST_MAIN(TstCanvas)
#include "tst_canvas.moc"
