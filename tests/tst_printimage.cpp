// Print pictures on paper: natural size converted from screen pixels and cut
// at the element's rectangle, or stretched into it; each picture goes to the
// page once, with no more pixels than its device rectangle shows, and lands
// as the device's nearest-pixel mapping puts it, never blended.
#include "PrintTestSupport.h"
#include "platform/HeldPicture.h"
#include "platform/Rounding.h"
#include "report/QRImage.h"
#include "report/QuickRep.h"

#include <QFileInfo>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <sys/resource.h>

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

// Device rectangle of a stretched picture with these page-pixel bounds.
QRect DeviceRect(int x, int y, int w, int h) {
    return QRect(QPoint(Device(x), Device(y)), QPoint(Device(x + w) - 1, Device(y + h) - 1));
}

// Part of the page rasterised without anti-aliasing, like RasterisePdf.
QImage RasteriseArea(const QString& pdf, int dpi, const QRect& area) {
    const QTemporaryDir dir;
    const QString base = dir.filePath("area");
    QProcess::execute("pdftoppm",
                      {"-r", QString::number(dpi), "-x", QString::number(area.x()), "-y",
                       QString::number(area.y()), "-W", QString::number(area.width()), "-H",
                       QString::number(area.height()), "-aa", "no", "-aaVector", "no", "-png",
                       "-singlefile", pdf, base});
    return QImage(base + ".png").convertToFormat(QImage::Format_RGB32);
}

// Seven colours in one-pixel stripes both ways: pixel (x, y) has colour
// (x + 3y) mod 7, so a row or column taken from the wrong place shows.
const QRgb kStripes[7] = {qRgb(255, 0, 0),   qRgb(0, 160, 0),   qRgb(0, 0, 255),  qRgb(0, 0, 0),
                          qRgb(255, 200, 0), qRgb(0, 200, 255), qRgb(200, 0, 200)};
QRgb StripeAt(int x, int y) {
    return kStripes[(x + 3 * y) % 7];
}
QImage Stripes(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, StripeAt(x, y));
    return img;
}

// The picture pixel under the centre of device pixel d of a target n long.
int Under(int d, int s, int n) {
    return int((2LL * d + 1) * s / (2LL * n));
}

// Device pixels of `page` (a raster of `area`) inside `target` whose colour
// is not the stripe the mapping puts there, with `slack` pixels of room for
// the device's own placement of the edges between stripes.
int Misplaced(const QImage& page, const QRect& area, const QRect& target, QSize picture,
              int slack) {
    int wrong = 0;
    for (int y = target.top(); y <= target.bottom(); ++y)
        for (int x = target.left(); x <= target.right(); ++x) {
            const QRgb got = page.pixel(x - area.left(), y - area.top()) | 0xFF000000;
            bool found = false;
            for (int dy = -slack; dy <= slack && !found; ++dy)
                for (int dx = -slack; dx <= slack && !found; ++dx) {
                    const int sx =
                        Under(std::clamp(x + dx, target.left(), target.right()) - target.left(),
                              picture.width(), target.width());
                    const int sy =
                        Under(std::clamp(y + dy, target.top(), target.bottom()) - target.top(),
                              picture.height(), target.height());
                    found = got == StripeAt(sx, sy);
                }
            wrong += !found;
        }
    return wrong;
}

// The process's peak resident memory so far.
long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A stretched print picture on the page.
TQRImage* Stretched(TQuickRep& rep, const QRect& bounds, const QImage& picture) {
    auto* img = new TQRImage(&rep);
    img->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    img->SetStretch(true);
    img->SetPicture(picture);
    return img;
}

// `pdfimages -list` fields of one image: width, height, encoding, interpolation.
QStringList ImageFields(const QString& row) {
    const QStringList f = row.simplified().split(' ');
    return {f.value(3), f.value(4), f.value(8), f.value(9)};
}

// Twenty 150 x 100 pictures in four rows, as a sheet of photos is laid out.
QRect PhotoBounds(int i) {
    return QRect(41 + (i % 5) * 160, 41 + (i / 5) * 130, 150, 100);
}
} // namespace

class TstPrintImage : public QObject {
    Q_OBJECT
private slots:
    // A 20000 x 20000 picture on a 1200 dpi printer: the run reads it in
    // place and copies only the device pixels of its rectangle. First, so
    // that the peak memory before it is this test's own.
    void aHugePictureIsNotCopiedWhole() {
        TPdfPrinterScope pdf(1200, 0);
        TQuickRep rep;
        QImage huge(20000, 20000, QImage::Format_Mono); // 50 MB
        huge.fill(1);
        Stretched(rep, QRect(100, 100, 105, 105), huge);
        const long before = PeakKiB();
        rep.Print();
        const long grown = PeakKiB() - before;
        qInfo("peak memory grew by %ld KiB while printing", grown);
        QVERIFY(grown < 25 * 1024); // half the picture
        QCOMPARE(ImageFields(PdfImages(pdf.file).value(0)).mid(0, 2),
                 (QStringList{"1641", "1641"}));
    }

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
        // Each picture once, lossless and not interpolated: the roomy one
        // whole, the tight one only as far as 938 x 390 device pixels show
        // it (6.25 of them a picture pixel).
        const QStringList images = PdfImages(pdf.file);
        QCOMPARE(images.size(), 2);
        QCOMPARE(ImageFields(images[0]), (QStringList{"200", "100", "image", "no"}));
        QCOMPARE(ImageFields(images[1]), (QStringList{"151", "63", "image", "no"}));
    }

    // Rasterised at the printer's own resolution, every device pixel of a
    // reduced picture holds the whole colour of the stripe the nearest-pixel
    // mapping takes for it; an enlarged one is repeated whole by the device,
    // its edges within a pixel of where the mapping puts them.
    void stripesLieWhereTheNearestPixelMappingPutsThem_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("slack");
        QTest::newRow("reduced about 3:1") << QSize(940, 700) << 0;
        QTest::newRow("enlarged about 1:8") << QSize(40, 30) << 1;
    }
    void stripesLieWhereTheNearestPixelMappingPutsThem() {
        QFETCH(QSize, picture);
        QFETCH(int, slack);
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        Stretched(rep, QRect(50, 60, 40, 30), Stripes(picture.width(), picture.height()));
        rep.Print();
        const QRect target = DeviceRect(50, 60, 40, 30); // 312 x 234
        const QSize travels = picture.boundedTo(target.size());
        QCOMPARE(ImageFields(PdfImages(pdf.file).value(0)),
                 (QStringList{QString::number(travels.width()), QString::number(travels.height()),
                              "image", "no"}));
        const QRect area = target.adjusted(-3, -3, 3, 3);
        const QImage page = RasteriseArea(pdf.file, 600, area);
        QCOMPARE(page.size(), area.size());
        QCOMPARE(Misplaced(page, area, target, picture, slack), 0);
        QCOMPARE(page.pixel(0, 0), qRgb(255, 255, 255)); // nothing outside
        QCOMPARE(page.pixel(area.width() - 1, area.height() - 1), qRgb(255, 255, 255));
    }

    void encodingFollowsTheSource_data() {
        QTest::addColumn<bool>("jpeg");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("from a JPEG file") << true << "jpeg";
        QTest::newRow("from a bitmap") << false << "image";
    }
    void encodingFollowsTheSource() {
        QFETCH(bool, jpeg);
        QFETCH(QString, encoding);
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        Stretched(rep, QRect(50, 60, 100, 80), Stripes(1000, 700))->SetJpegSource(jpeg);
        rep.Print();
        QCOMPARE(ImageFields(PdfImages(pdf.file).value(0)).value(2), encoding);
    }

    // A photo held as its file's bytes is decoded for the run at its device
    // rectangle's pixels, or at its own where it has fewer, from what was
    // read: its file is gone before the print.
    void aHeldPhotoTravelsAtItsRectangleOrItsOwnPixels_data() {
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<QStringList>("travels");
        QTest::newRow("rectangle wider than the photo")
            << QRect(20, 20, 105, 79) << QStringList{"1600", "1200", "jpeg"};
        QTest::newRow("rectangle narrower than the photo")
            << QRect(20, 20, 50, 38) << QStringList{"782", "594", "jpeg"};
    }
    void aHeldPhotoTravelsAtItsRectangleOrItsOwnPixels() {
        QFETCH(QRect, bounds);
        QFETCH(QStringList, travels);
        const QTemporaryDir dir;
        const QString path = dir.filePath("photo.jpg");
        QVERIFY(Stripes(1600, 1200).save(path, "jpeg", 95));
        const TReadPicture read = THeldPicture::ReadFile(path, QSize(105, 79), 1LL << 30);
        QVERIFY(QFile::remove(path));
        TPdfPrinterScope pdf(1200, 0);
        TQuickRep rep;
        auto* img = Stretched(rep, bounds, QImage());
        img->SetPicture(read.Held);
        img->SetJpegSource(true);
        rep.Print();
        QCOMPARE(ImageFields(PdfImages(pdf.file).value(0)).mid(0, 3), travels);
    }

    // The floor: the same sheet with every picture already reduced to its
    // device rectangle.
    void aSheetOfPhotosIsNoLargerThanItsFloor() {
        QImage photo(3000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x) // ramps with some grain
                photo.setPixel(x, y, qRgb(x * 255 / 3000, y * 255 / 2000, (x * 7 + y * 13) % 64));
        qint64 bytes[2] = {};
        for (int floor = 0; floor < 2; ++floor) {
            TPdfPrinterScope pdf(600, 0);
            TQuickRep rep;
            for (int i = 0; i < 20; ++i) {
                const QRect b = PhotoBounds(i);
                const QRect device = DeviceRect(b.x(), b.y(), b.width(), b.height());
                QImage picture = floor ? photo.scaled(device.size()) : photo;
                picture.setPixel(i, 0, qRgb(i, 0, 0)); // a picture of its own
                Stretched(rep, b, picture);
            }
            rep.Print();
            bytes[floor] = QFileInfo(pdf.file).size();
        }
        qInfo("20 photos: %lld bytes, floor %lld bytes", bytes[0], bytes[1]);
        QVERIFY(bytes[1] > 0);
        QVERIFY(bytes[0] <= bytes[1] * 12 / 10);
    }

    // Bounds far beyond the sheet: only what lies on the sheet travels.
    void onlyWhatLiesOnTheSheetTravels_data() {
        QTest::addColumn<QRect>("bounds");
        QTest::addColumn<QString>("travels"); // width x height, or none
        QTest::newRow("zero width") << QRect(50, 60, 0, 80) << "none";
        QTest::newRow("zero height") << QRect(50, 60, 80, 0) << "none";
        QTest::newRow("far outside the sheet") << QRect(30000, 30000, 200, 100) << "none";
        QTest::newRow("far left and above") << QRect(-30000, -30000, 200, 100) << "none";
        // 16777215 screen pixels wide: the sheet shows part of its first
        // column, sent at the sheet's dots rather than 436907 dots wide.
        QTest::newRow("stored 16777215 wide") << QRect(200, 100, 16777215, 80) << "5454 x 200";
    }
    void onlyWhatLiesOnTheSheetTravels() {
        QFETCH(QRect, bounds);
        QFETCH(QString, travels);
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        Stretched(rep, bounds, Stripes(300, 200));
        rep.Print();
        const QStringList images = PdfImages(pdf.file);
        QCOMPARE(images.isEmpty() ? QStringLiteral("none")
                                  : ImageFields(images[0]).mid(0, 2).join(" x "),
                 travels);
    }

    // A picture whose stored width is the largest a control takes shows in
    // print where the preview shows it: from its left edge to the sheet's.
    void aPictureOfHugeStoredWidthPrintsAsThePreviewShowsIt() {
        TPdfPrinterScope pdf(600, 0);
        TQuickRep rep;
        Stretched(rep, QRect(200, 100, 16777215, 80), Solid(300, 200, Qt::blue));
        QImage preview;
        rep.SetOnPreview([&](TQRPrinter* p) {
            QVERIFY(WaitFinished(p));
            const TQRPageImage page = p->PageImage(1);
            preview = QImage(page.BoundingRect().size(), QImage::Format_RGB32);
            preview.fill(Qt::white);
            QPainter painter(&preview);
            page.Play(painter);
        });
        rep.Preview();
        rep.Print();
        QVERIFY(!preview.isNull());
        // Page pixels at zoom 80 are 1.25 preview pixels and 7.8125 dots: the
        // picture lies on preview rows 125..224 and on 625 dots from dot 781.
        const QImage print =
            RasteriseArea(pdf.file, 600, QRect(0, Device(100), int(preview.width() * 6.25), 625));
        for (const int x : {252, 600, preview.width() - 2}) {
            const QRgb shown = preview.pixel(x, 165) | 0xFF000000;
            QCOMPARE(shown, qRgb(0, 0, 255));
            QCOMPARE(print.pixel(int(x * 6.25) + 3, 250) | 0xFF000000, shown);
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
        Stretched(rep, QRect(50, 60, 300, 200), checker);
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
