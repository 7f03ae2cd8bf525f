// The selection frame and the drag outline on a scaled screen, read back as
// device pixels from the X server. Run at the scale factor the environment
// sets (QT_SCALE_FACTOR): 1, 1.5 and 2. Marks are one logical pixel wide, lie
// on the picture's outermost logical pixels, and leave nothing behind when
// removed.
#include "LayerFixture.h"
#include "platform/Marks.h"

#include <cmath>

namespace {
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kCyan = qRgb(0, 255, 255); // red inverted

class TDeviceShot {
public:
    explicit TDeviceShot(LayerFixture& f) {
        image = ShownImage(f.form).convertToFormat(QImage::Format_RGB32);
        scale = f.form.devicePixelRatioF();
    }
    // The device pixels a picture of the given layer bounds covers, as the
    // window's own drawing of it shows (red, or cyan where a mark inverts it).
    QRect Covered() const {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == kRed || image.pixel(x, y) == kCyan)
                    box |= QRect(x, y, 1, 1);
        return box;
    }
    QList<QPoint> Inverted() const {
        QList<QPoint> out;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) == kCyan)
                    out.append(QPoint(x, y));
        return out;
    }
    QImage image;
    double scale = 1;
};
} // namespace

class TstHiDpiMarks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qInfo("scale factor %s", qgetenv("QT_SCALE_FACTOR").constData()); }

    // Every inverted pixel of the frame lies in the picture's outermost
    // logical pixel band (as wide as one logical pixel on this screen), the
    // band is covered on all four sides, and nothing outside the picture is
    // touched.
    void theFrameLiesOnThePicturesOutermostLogicalPixels() {
        LayerFixture f;
        QVERIFY(f.exposed);
        f.Place(QRect(11, 7, 41, 31));
        f.Click(QPoint(30, 20));
        const TDeviceShot shot(f);
        const QRect box = shot.Covered();
        QVERIFY(!box.isEmpty());
        const double s = shot.scale;
        QVERIFY(std::abs(box.width() - 41 * s) <= 1 && std::abs(box.height() - 31 * s) <= 1);
        const int band = int(std::ceil(s));
        const QRect inner = box.adjusted(band, band, -band, -band);
        const QList<QPoint> inverted = shot.Inverted();
        bool left = false, right = false, top = false, bottom = false;
        for (const QPoint& p : inverted) {
            QVERIFY2(box.contains(p) && !inner.contains(p),
                     qPrintable(QStringLiteral("inverted pixel %1,%2 off the edge of %3,%4 %5x%6")
                                    .arg(p.x())
                                    .arg(p.y())
                                    .arg(box.x())
                                    .arg(box.y())
                                    .arg(box.width())
                                    .arg(box.height())));
            left |= p.x() == box.left();
            right |= p.x() == box.right();
            top |= p.y() == box.top();
            bottom |= p.y() == box.bottom();
        }
        QVERIFY(left && right && top && bottom);
        // One logical pixel wide: each dot covers exactly the device pixels
        // of its logical pixel, as the picture's own drawing maps them.
        const auto device = [s](int v) { return int(std::floor(v * s + 0.5)); };
        const QPoint o = f.At(QPoint(11, 7));
        QCOMPARE(box, QRect(QPoint(device(o.x()), device(o.y())),
                            QPoint(device(o.x() + 41) - 1, device(o.y() + 31) - 1)));
        QSet<QPoint> expected;
        for (const QRect& dot : f.form.LayerMarks()->Marks().value(0).Inverted()) {
            const QPoint at = f.At(dot.topLeft());
            for (int y = device(at.y()); y < device(at.y() + 1); ++y)
                for (int x = device(at.x()); x < device(at.x() + 1); ++x)
                    expected.insert(QPoint(x, y));
        }
        QCOMPARE(QSet<QPoint>(inverted.begin(), inverted.end()), expected);
    }

    // The outline dragged from the framed picture, over its frame and the
    // other picture, and then cancelled leaves the screen exactly as it was.
    void theDragOutlineLeavesNoStrayPixels() {
        LayerFixture f;
        QVERIFY(f.exposed);
        f.Place(QRect(11, 7, 41, 31));
        f.Place(QRect(120, 60, 60, 50), Qt::blue);
        f.Click(QPoint(150, 85)); // framed; the outline starts on its frame
        const QImage before = TDeviceShot(f).image;
        f.Hover(QPoint(150, 85));
        f.Press(QPoint(150, 85));
        for (const QPoint& p : {QPoint(140, 80), QPoint(100, 60), QPoint(73, 41), QPoint(61, 33),
                                QPoint(52, 29), QPoint(47, 23), QPoint(160, 90)})
            f.Hover(p);
        const QImage dragging = TDeviceShot(f).image;
        QVERIFY(dragging != before); // the outline shows
        QTest::keyClick(f.form.windowHandle(), Qt::Key_Escape);
        f.Release(QPoint(160, 90));
        QCOMPARE(TDeviceShot(f).image, before);
        QCOMPARE(f.form.LayerMarks()->Marks().size(), 1); // the frame alone
    }
};

QTEST_MAIN(TstHiDpiMarks)
#include "tst_hidpi_marks.moc"
