// Fitting a picture to its device pixels: which picture pixels travel, where
// they are drawn, and that nothing is copied or kept beyond what shows.
#include "report/QRPictureFit.h"

#include <QTest>

namespace {
// Every pixel names its own column and row.
QImage Indexed(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, (x >> 8) | ((y & 0x0F) << 4), y >> 4));
    return img;
}
int ColumnOf(QRgb c) {
    return qRed(c) | ((qGreen(c) & 0x0F) << 8);
}
int RowOf(QRgb c) {
    return (qGreen(c) >> 4) | (qBlue(c) << 4);
}
// The picture pixel under the centre of device pixel d of a target n long.
int Under(int d, int s, int n) {
    return int((2LL * d + 1) * s / (2LL * n));
}
} // namespace

class TstPictureFit : public QObject {
    Q_OBJECT
private slots:
    void travellingPixelsFollowTheNearestPixelMapping_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QRect>("visible");
        QTest::addColumn<QSize>("travels");
        QTest::addColumn<QRectF>("drawnAt");
        QTest::newRow("reduced about 3:1")
            << QSize(940, 700) << QRect(391, 469, 312, 234) << QRect(0, 0, 5000, 5000)
            << QSize(312, 234) << QRectF(391, 469, 312, 234);
        QTest::newRow("photo into its print rectangle")
            << QSize(3000, 2000) << QRect(0, 0, 1172, 781) << QRect(0, 0, 1172, 781)
            << QSize(1172, 781) << QRectF(0, 0, 1172, 781);
        QTest::newRow("enlarged: own size")
            << QSize(40, 30) << QRect(10, 20, 312, 234) << QRect(0, 0, 400, 400) << QSize(40, 30)
            << QRectF(10, 20, 312, 234);
        // 6.25 device pixels a picture pixel, cut after 938 x 390 of them.
        QTest::newRow("enlarged and clipped")
            << QSize(200, 100) << QRect(781, 3516, 1250, 625) << QRect(781, 3516, 938, 390)
            << QSize(151, 63) << QRectF(781, 3516, 943.75, 393.75);
        QTest::newRow("reduced and clipped on the left")
            << QSize(1000, 10) << QRect(-100, 0, 500, 10) << QRect(0, 0, 1000, 1000)
            << QSize(400, 10) << QRectF(0, 0, 400, 10);
        QTest::newRow("enlarged one way, reduced the other")
            << QSize(50, 2000) << QRect(0, 0, 500, 100) << QRect(0, 0, 500, 100) << QSize(50, 100)
            << QRectF(0, 0, 500, 100);
        // Stored bounds of 16777215 screen pixels at 600 dpi: the sheet
        // shows part of one picture column, which travels at the sheet's
        // pixels rather than 436907 device pixels wide.
        QTest::newRow("huge bounds")
            << QSize(300, 200) << QRect(500, 500, 131071992, 800) << QRect(0, 0, 7016, 4961)
            << QSize(6516, 200) << QRectF(500, 500, 6516, 800);
    }
    void travellingPixelsFollowTheNearestPixelMapping() {
        QFETCH(QSize, picture);
        QFETCH(QRect, target);
        QFETCH(QRect, visible);
        QFETCH(QSize, travels);
        QFETCH(QRectF, drawnAt);
        const QImage source = Indexed(picture.width(), picture.height());
        const TQRFittedPicture fit = FitPicture(source, {target, visible});
        QCOMPARE(fit.Image.size(), travels);
        QCOMPARE(fit.Target, drawnAt);
        QCOMPARE(fit.Clip, target & visible);
        // Mapped per device pixel where reduced, or where one picture pixel
        // is larger than all that shows.
        const QRect shown = target & visible;
        const bool reducedX = target.width() <= picture.width() ||
                              target.width() > qint64(picture.width()) * shown.width();
        const bool reducedY = target.height() <= picture.height() ||
                              target.height() > qint64(picture.height()) * shown.height();
        const int lo = std::max(target.left(), visible.left()) - target.left();
        const int top = std::max(target.top(), visible.top()) - target.top();
        const int firstColumn = Under(lo, picture.width(), target.width());
        const int firstRow = Under(top, picture.height(), target.height());
        for (int y = 0; y < fit.Image.height(); ++y)
            for (int x = 0; x < fit.Image.width(); ++x) {
                const QRgb c = fit.Image.pixel(x, y);
                const int column =
                    reducedX ? Under(lo + x, picture.width(), target.width()) : firstColumn + x;
                const int row =
                    reducedY ? Under(top + y, picture.height(), target.height()) : firstRow + y;
                if (ColumnOf(c) != column || RowOf(c) != row)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3,%4, not %5,%6")
                                         .arg(x)
                                         .arg(y)
                                         .arg(ColumnOf(c))
                                         .arg(RowOf(c))
                                         .arg(column)
                                         .arg(row)));
            }
    }

    void nothingTravelsOfWhatCannotShow_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QRect>("visible");
        QTest::newRow("zero width") << QSize(100, 100) << QRect(0, 0, 0, 50) << QRect(0, 0, 99, 99);
        QTest::newRow("zero height")
            << QSize(100, 100) << QRect(0, 0, 50, 0) << QRect(0, 0, 99, 99);
        QTest::newRow("empty picture")
            << QSize(0, 100) << QRect(0, 0, 50, 50) << QRect(0, 0, 99, 99);
        QTest::newRow("far outside the sheet")
            << QSize(100, 100) << QRect(90000, 90000, 50, 50) << QRect(0, 0, 7016, 4961);
        QTest::newRow("outside its clip")
            << QSize(100, 100) << QRect(0, 0, 50, 50) << QRect(50, 0, 10, 10);
    }
    void nothingTravelsOfWhatCannotShow() {
        QFETCH(QSize, picture);
        QFETCH(QRect, target);
        QFETCH(QRect, visible);
        const QImage source = picture.isEmpty() ? QImage() : Indexed(100, 100);
        QVERIFY(FitPicture(source, {target, visible}).Image.isNull());
    }

    // A picture that fits exactly, or is enlarged whole, is not copied.
    void aWholePictureTravelsShared() {
        const QImage source = Indexed(200, 100);
        QCOMPARE(
            FitPicture(source, {QRect(5, 5, 200, 100), QRect(0, 0, 999, 999)}).Image.cacheKey(),
            source.cacheKey());
        QCOMPARE(
            FitPicture(source, {QRect(5, 5, 400, 300), QRect(0, 0, 999, 999)}).Image.cacheKey(),
            source.cacheKey());
    }

    // Bitmaps of one bit, bytes and palettes keep their format and colours.
    void everyFormatIsPickedInItsOwnFormat_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("mono") << int(QImage::Format_Mono);
        QTest::newRow("mono lsb") << int(QImage::Format_MonoLSB);
        QTest::newRow("indexed") << int(QImage::Format_Indexed8);
        QTest::newRow("24 bit") << int(QImage::Format_RGB888);
        QTest::newRow("argb") << int(QImage::Format_ARGB32);
    }
    void everyFormatIsPickedInItsOwnFormat() {
        QFETCH(int, format);
        QImage rgb(301, 97, QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                rgb.setPixel(x, y, ((x * 7 + y * 3) % 5) < 2 ? 0xFF000000 : 0xFFFFFFFF);
        const QImage source = rgb.convertToFormat(QImage::Format(format));
        const TQRPicturePlacement placement{QRect(3, 4, 113, 40), QRect(0, 0, 90, 999)};
        const QImage fitted = FitPicture(source, placement).Image;
        QCOMPARE(int(fitted.format()), format);
        QCOMPARE(fitted.convertToFormat(QImage::Format_RGB32), FitPicture(rgb, placement).Image);
    }

    void cancellingAbandonsTheWork() {
        const QImage source = Indexed(2000, 2000);
        int asked = 0;
        const auto cancelled = [&] { return ++asked > 2; };
        QVERIFY(FitPicture(source, {QRect(0, 0, 1000, 1000), QRect(0, 0, 1000, 1000)}, cancelled)
                    .Image.isNull());
        QCOMPARE(asked, 3); // asked between bands, not for every row
    }
};

QTEST_MAIN(TstPictureFit)
#include "tst_picturefit.moc"
