// The transparent panel: its defaults, what each drawing property draws when
// the panel is opaque, the cursor confinement properties and mouse leave.
#include "platform/CursorClip.h"
#include "windows/TrPanel.h"

#include <QTest>

namespace {
QImage Render(TTransPanel& p) {
    QImage img(p.size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    p.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

TTransPanel* Opaque(QWidget* parent, QSize size) {
    auto* p = new TTransPanel(parent);
    p->resize(size);
    p->SetBevelOuter(bvNone);
    p->SetColor(RGBColor(0, 128, 0));
    return p;
}

const QRgb kPanel = qRgb(0, 128, 0);
} // namespace

class TstTransPanel : public QObject {
    Q_OBJECT
private slots:
    void defaultsAreThoseOfThePanelClass() {
        TTransPanel p;
        QCOMPARE(p.size(), QSize(185, 41));
        QCOMPARE(p.Alignment(), taCenter);
        QCOMPARE(p.BevelInner(), bvNone);
        QCOMPARE(p.BevelOuter(), bvRaised);
        QCOMPARE(p.BevelWidth(), 1);
        QCOMPARE(p.BorderWidth(), 0);
        QCOMPARE(p.BorderStyle(), bsNone);
        QVERIFY(!p.MouseClip() && !p.MouseClipBack());
        QCOMPARE(p.Shape(), stNone);
        QCOMPARE(p.ShapeBrush().Color, clWhite);
        QCOMPARE(p.ShapePen().Width, 1);
        QVERIFY(!p.Transparent() && !p.ShapeTransparent());
        QCOMPARE(p.ShapeRoundSize(), 4);
        QCOMPARE(p.FukidasiPosition(), 0);
        QCOMPARE(p.FukidasiType(), ftLeft);
        QVERIFY(p.CaptionLines().isEmpty() && p.Caption().isEmpty());
        QCOMPARE(p.Color(), FromQColor(p.palette().color(QPalette::Button)));
    }

    void aTransparentPanelDrawsNothingOfItsOwn() {
        QWidget host;
        TTransPanel* p = Opaque(&host, QSize(40, 30));
        p->SetTransparent(true);
        p->SetShapeTransparent(true);
        const QImage img = Render(*p);
        QImage untouched(img.size(), QImage::Format_RGB32);
        untouched.fill(Qt::magenta);
        QCOMPARE(img, untouched);
        QVERIFY(!p->testAttribute(Qt::WA_OpaquePaintEvent));
    }

    void bevelsAndBorderFrameTheFill() {
        QWidget host;
        TTransPanel* p = Opaque(&host, QSize(30, 20));
        p->SetBevelOuter(bvRaised);
        p->SetBorderWidth(2);
        p->SetBevelInner(bvLowered);
        p->SetColor(RGBColor(0, 128, 0));
        const QImage img = Render(*p);
        const QRgb light = p->palette().color(QPalette::Light).rgb();
        const QRgb dark = p->palette().color(QPalette::Dark).rgb();
        QCOMPARE(img.pixel(0, 0), light);
        QCOMPARE(img.pixel(0, 10), light);
        QCOMPARE(img.pixel(29, 0), dark); // the far corners go to the lower edge
        QCOMPARE(img.pixel(29, 19), dark);
        QCOMPARE(img.pixel(1, 1), kPanel); // border band
        QCOMPARE(img.pixel(3, 3), dark);   // inner, lowered
        QCOMPARE(img.pixel(26, 16), light);
        QCOMPARE(img.pixel(15, 10), kPanel);
    }

    void theBalloonHasItsTailOnTheChosenSide_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QPoint>("tip");
        QTest::addColumn<QPoint>("besideTail");
        QTest::newRow("left") << int(ftLeft) << QPoint(0, 14) << QPoint(2, 3);
        QTest::newRow("right") << int(ftRight) << QPoint(59, 14) << QPoint(57, 3);
        QTest::newRow("top") << int(ftTop) << QPoint(14, 0) << QPoint(3, 2);
        QTest::newRow("bottom") << int(ftBottom) << QPoint(14, 39) << QPoint(3, 37);
    }
    void theBalloonHasItsTailOnTheChosenSide() {
        QFETCH(int, type);
        QFETCH(QPoint, tip);
        QFETCH(QPoint, besideTail);
        QWidget host;
        TTransPanel* p = Opaque(&host, QSize(60, 40));
        p->SetShape(stFukidasi);
        p->SetFukidasiType(TFukidasiType(type));
        p->SetFukidasiPosition(10);
        const QVector<QPoint> poly = p->BalloonPolygon();
        QCOMPARE(poly.size(), 7);
        QVERIFY(poly.contains(tip));
        const QImage img = Render(*p);
        QCOMPARE(img.pixel(tip), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(besideTail), kPanel); // outside the body
        QCOMPARE(img.pixel(30, 20), qRgb(255, 255, 255));
    }

    void squareShapesAreCentredInTheirBox() {
        QWidget host;
        TTransPanel* p = Opaque(&host, QSize(60, 20));
        p->SetShape(stSquare);
        const QImage img = Render(*p);
        QCOMPARE(img.pixel(20, 10), qRgb(0, 0, 0)); // left side of the 20 x 20 square
        QCOMPARE(img.pixel(19, 10), kPanel);
        QCOMPARE(img.pixel(30, 10), qRgb(255, 255, 255));
    }

    void balloonPositionAndCaptionLinesAreNormalised() {
        TTransPanel p;
        p.resize(50, 40);
        p.SetFukidasiPosition(-3);
        QCOMPARE(p.FukidasiPosition(), 0);
        p.SetFukidasiType(ftTop);
        p.SetFukidasiPosition(70);
        QCOMPARE(p.FukidasiPosition(), 41);
        p.SetFukidasiType(ftLeft);
        p.SetFukidasiPosition(70);
        QCOMPARE(p.FukidasiPosition(), 70);
        p.SetCaptionLines({QString()});
        QVERIFY(p.CaptionLines().isEmpty());
        p.SetCaptionLines({"a", ""});
        QCOMPARE(p.CaptionLines().size(), 2);
    }

    void captionLinesAreDrawnAndCentred() {
        QWidget host;
        TTransPanel* p = Opaque(&host, QSize(120, 80));
        p->SetCaptionLines({"WW", "WW"});
        const QImage img = Render(*p);
        int top = -1, bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != kPanel) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                }
        QVERIFY(top > 0);
        QVERIFY(qAbs((top + bottom) / 2 - 40) <= 6);
    }

    void mouseClipConfinesAndPutsBackWhatWasThere() {
        QWidget host;
        host.resize(300, 200);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        TCursorClip& clip = TCursorClip::Instance();
        const QRect before(host.mapToGlobal(QPoint(0, 0)), QSize(300, 200));
        clip.Confine(before);
        auto* p = new TTransPanel(&host); // made: any confinement is released
        QCOMPARE(clip.Current(), std::nullopt);
        p->setGeometry(10, 20, 50, 40);
        clip.Confine(before);
        p->SetMouseClipBack(true);
        p->SetMouseClip(true);
        QCOMPARE(clip.Current(),
                 std::optional<QRect>(QRect(p->mapToGlobal(QPoint(0, 0)), p->size())));
        p->SetMouseClip(false);
        QCOMPARE(clip.Current(), std::optional<QRect>(before));
        p->SetMouseClipBack(false);
        p->SetMouseClip(true);
        delete p; // without MouseClipBack: released
        QCOMPARE(clip.Current(), std::nullopt);
    }

    void leavingRaisesOnMouseLeaveWithThePosition() {
        QWidget host;
        host.resize(300, 200);
        auto* p = new TTransPanel(&host);
        p->setGeometry(10, 10, 100, 100);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QList<QPoint> left;
        p->OnMouseLeave = [&](QObject* sender, Qt::KeyboardModifiers, Qt::MouseButtons, int x,
                              int y) {
            QCOMPARE(sender, p);
            left.append(QPoint(x, y));
        };
        QTest::mouseMove(p, QPoint(50, 50));
        QTest::mouseMove(&host, QPoint(200, 60));
        QTRY_COMPARE(left, QList<QPoint>{QPoint(190, 50)});
    }
};

QTEST_MAIN(TstTransPanel)
#include "tst_transpanel.moc"
