// Print pictures on paper: natural size converted from screen pixels and cut
// at the element's rectangle, or stretched into it; each picture goes to the
// page once at its own resolution and is scaled without blending.
#include "PrintTestSupport.h"
#include "report/QRImage.h"
#include "report/QuickRep.h"

#include <QTest>

namespace {
// Bounds of the pixels of colour c in img (empty when there are none).
QRect BoundsOf(const QImage& img, QColor c) {
    QRect r;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if (QColor(line[x]) == c)
                r |= QRect(x, y, 1, 1);
    }
    return r;
}

QImage Solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// The rasteriser may colour the one pixel row and column that an image edge
// only touches: left and top must match, right and bottom within one pixel.
bool Near(const QRect& a, const QRect& b) {
    const bool ok = a.topLeft() == b.topLeft() && qAbs(a.right() - b.right()) <= 1 &&
                    qAbs(a.bottom() - b.bottom()) <= 1;
    if (!ok)
        qWarning() << a << "is not" << b;
    return ok;
}

// Device pixel of a page pixel at zoom 80 and 600 dpi without offset.
int Device(int px) {
    return int(RoundHalfEven(px * 254.0L / 96 / 0.8L * 600 / 254));
}
} // namespace

class TstPrintImage : public QObject {
    Q_OBJECT
private slots:
    void naturalSizeIsConvertedAndCutAtTheRectangle() {
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        auto* roomy = new TQRImage(&rep);
        roomy->SetBounds(100, 100, 400, 300);
        roomy->SetPicture(Solid(200, 100, Qt::red));
        auto* tight = new TQRImage(&rep);
        tight->SetBounds(100, 450, 120, 50);
        tight->SetPicture(Solid(200, 100, Qt::blue));
        tight->setVisible(false); // printed all the same
        rep.Print();
        const QImage page = RasterisePdf(pdf.file, 600);
        // 200 x 100 screen pixels at 96 dpi are 1250 x 625 dots at 600 dpi.
        QVERIFY(Near(BoundsOf(page, Qt::red), QRect(Device(100), Device(100), 1250, 625)));
        QVERIFY(Near(BoundsOf(page, Qt::blue), QRect(QPoint(Device(100), Device(450)),
                                                     QPoint(Device(220) - 1, Device(500) - 1))));
        const QStringList images = PdfImages(pdf.file);
        QCOMPARE(images.size(), 2); // each picture once
        for (const QString& row : images) {
            const QStringList f = row.simplified().split(' ');
            QCOMPARE(f.mid(3, 2), (QStringList{"200", "100"})); // at its own resolution
            QCOMPARE(f.value(8), QStringLiteral("image"));      // lossless, not JPEG
            QCOMPARE(f.value(9), QStringLiteral("no"));         // no interpolation
        }
    }

    void stretchFillsTheRectangleWithoutBlending() {
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        QImage checker(2, 2, QImage::Format_RGB32);
        checker.setPixelColor(0, 0, Qt::black);
        checker.setPixelColor(1, 1, Qt::black);
        checker.setPixelColor(1, 0, Qt::red);
        checker.setPixelColor(0, 1, Qt::red);
        auto* img = new TQRImage(&rep);
        img->SetBounds(50, 60, 300, 200);
        img->SetStretch(true);
        img->SetPicture(checker);
        rep.Print();
        const QImage page = RasterisePdf(pdf.file, 600);
        const QRect target(QPoint(Device(50), Device(60)),
                           QPoint(Device(350) - 1, Device(260) - 1));
        QVERIFY(Near(BoundsOf(page, Qt::black) | BoundsOf(page, Qt::red), target));
        int blended = 0;
        for (int y = target.top(); y <= target.bottom(); y += 7)
            for (int x = target.left(); x <= target.right(); x += 7) {
                const QColor c = page.pixelColor(x, y);
                blended += c != QColor(Qt::black) && c != QColor(Qt::red);
            }
        QCOMPARE(blended, 0);
        QCOMPARE(page.pixelColor(target.left() + 5, target.top() + 5), QColor(Qt::black));
        QCOMPARE(page.pixelColor(target.right() - 5, target.top() + 5), QColor(Qt::red));
    }

    void autoSizeTakesThePicturesPixelSize() {
        TQuickRep rep;
        TQRImage img(&rep);
        QCOMPARE(img.size(), QSize(105, 105));
        img.SetPicture(Solid(64, 32, Qt::green));
        QCOMPARE(img.size(), QSize(105, 105));
        img.SetAutoSize(true);
        QCOMPARE(img.size(), QSize(64, 32));
    }
};

QTEST_MAIN(TstPrintImage)
#include "tst_printimage.moc"
