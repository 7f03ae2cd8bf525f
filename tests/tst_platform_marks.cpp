// The transient marks overlay and the paint hook: inverting marks that a
// second drawing removes, painted over whatever lies beneath.
#include "PaintSupport.h"
#include "platform/Marks.h"
#include "platform/MessageHook.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QWindow>

namespace {
// A coloured layer in a shown window, with the overlay above it.
class Stage : public QWidget {
public:
    Stage() {
        resize(200, 160);
        layer = new QWidget(this);
        layer->setGeometry(10, 10, 180, 140);
        layer->setAutoFillBackground(true);
        QPalette p = layer->palette();
        p.setColor(QPalette::Window, QColor(30, 120, 200));
        layer->setPalette(p);
        marks = new TMarkOverlay(layer);
        show();
    }
    QImage Screen() {
        const QImage shot = ShownImage(*this);
        return shot.copy(layer->geometry()).convertToFormat(QImage::Format_RGB32);
    }
    QWidget* layer;
    TMarkOverlay* marks;
};

const QRgb kLayer = qRgb(30, 120, 200);
const QRgb kInverted = qRgb(225, 135, 55);

QSet<QPoint> InvertedPixels(const QImage& img) {
    QSet<QPoint> out;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == kInverted)
                out.insert(QPoint(x, y));
    return out;
}
} // namespace

class TstPlatformMarks : public QObject {
    Q_OBJECT
private slots:
    void theOutlineInvertsAThreePixelBandInsideItsRectangle_data() {
        QTest::addColumn<TMark>("mark");
        QTest::newRow("plain") << TMark{TMarkKind::Outline, 20, 30, 70, 60};
        QTest::newRow("inverted") << TMark{TMarkKind::Outline, 70, 60, 20, 30};
    }
    void theOutlineInvertsAThreePixelBandInsideItsRectangle() {
        QFETCH(TMark, mark);
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        const QImage before = s.Screen();
        s.marks->Toggle(mark);
        const QSet<QPoint> inv = InvertedPixels(s.Screen());
        QSet<QPoint> band;
        for (int y = 30; y < 60; ++y)
            for (int x = 20; x < 70; ++x)
                if (x < 23 || x >= 67 || y < 33 || y >= 57)
                    band.insert(QPoint(x, y));
        QCOMPARE(inv, band);
        s.marks->Toggle(mark); // drawn a second time: gone
        QCOMPARE(s.Screen(), before);
        QVERIFY(s.marks->Marks().isEmpty());
    }

    void theFrameInvertsEveryOtherOutermostPixel() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.marks->Toggle(TMark{TMarkKind::Frame, 10, 10, 20, 16});
        const QSet<QPoint> inv = InvertedPixels(s.Screen());
        QCOMPARE(inv.size(), 14); // 28 pixels round the edge
        for (const QPoint& p : inv) {
            QVERIFY(p.x() == 10 || p.x() == 19 || p.y() == 10 || p.y() == 15);
            QCOMPARE((p.x() + p.y()) % 2, 0);
        }
    }

    void overlappingMarksInvertTwiceWhereTheyMeet() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.marks->Toggle(TMark{TMarkKind::Outline, 10, 10, 60, 60});
        s.marks->Toggle(TMark{TMarkKind::Outline, 10, 10, 80, 60});
        const QImage shot = s.Screen();
        QCOMPARE(shot.pixel(11, 30), kLayer);    // left bands coincide
        QCOMPARE(shot.pixel(58, 30), kInverted); // right band of the first
        QCOMPARE(shot.pixel(78, 30), kInverted);
        QCOMPARE(shot.pixel(30, 11), kLayer);
    }

    void marksSurviveARepaintBeneathAndAreClearedByKind() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.marks->Toggle(TMark{TMarkKind::Outline, 20, 20, 60, 60});
        s.marks->Toggle(TMark{TMarkKind::Frame, 100, 20, 140, 60});
        const QImage shown = s.Screen();
        s.layer->update();
        QCOMPARE(s.Screen(), shown);
        s.marks->ClearKind(TMarkKind::Frame);
        QCOMPARE(s.marks->Marks(), (QList<TMark>{TMark{TMarkKind::Outline, 20, 20, 60, 60}}));
        QCOMPARE(s.Screen().pixel(100, 20), kLayer);
    }

    void emptyRectanglesDrawNothing() {
        Stage s;
        s.marks->Toggle(TMark{TMarkKind::Outline, 0, 0, 0, 0});
        s.marks->Toggle(TMark{TMarkKind::Frame, 10, 10, 10, 50});
        QVERIFY(s.marks->Marks().isEmpty());
    }

    void theOverlayFollowsTheLayerAndLetsThePointerThrough() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.layer->setGeometry(5, 6, 100, 90);
        QCOMPARE(s.marks->geometry(), QRect(5, 6, 100, 90));
        QCOMPARE(QApplication::widgetAt(s.mapToGlobal(QPoint(50, 50))), s.layer);
        s.layer->hide();
        QVERIFY(!s.marks->isVisible());
    }

    void thePaintHookActsAfterTheControlPainted() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        QStringList order;
        struct Probe : QWidget {
            QStringList* order;
            void paintEvent(QPaintEvent*) override { order->append("paint"); }
        };
        auto* probe = new Probe;
        probe->order = &order;
        probe->setParent(&s);
        probe->setGeometry(0, 0, 10, 10);
        probe->show();
        QRegion seen;
        {
            TPaintHook hook(probe, [&](const QRegion& r) {
                order.append("after");
                seen = r;
            });
            order.clear();
            probe->repaint(QRect(2, 2, 3, 3));
            QCOMPARE(order, (QStringList{"paint", "after"}));
            QCOMPARE(seen, QRegion(2, 2, 3, 3));
        }
        order.clear();
        probe->repaint();
        QCOMPARE(order, QStringList{"paint"}); // removed: the control's own handling is back
    }
};

QTEST_MAIN(TstPlatformMarks)
#include "tst_platform_marks.moc"
