// The main window: layout of the bar and the page, LayoutBag, and the net as
// the window paints it.
#include "bag/CommonPaper.h"
#include "bag/QQRBag.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QToolTip>

class TstMainWindow : public QObject {
    Q_OBJECT
private slots:
    void commandBarHasTheEightButtonsInTabOrder() {
        TForm1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Tesorin(仮) Ver 1.0.0"));
        QCOMPARE(form.Panel1->height(), 41);
        struct B {
            TButtonEx* b;
            int left, width;
            const char* caption;
        };
        const QList<B> expected{{form.ButtonEx1, 8, 89, "開く"},
                                {form.ButtonEx2, 104, 89, "用紙の色"},
                                {form.ButtonEx5, 200, 89, "やまおり線の色"},
                                {form.ButtonEx6, 296, 89, "たにおり線の色"},
                                {form.ButtonEx7, 392, 89, "のりしろの色"},
                                {form.ButtonEx4, 598, 84, "印刷"},
                                {form.ButtonEx3, 686, 84, "ﾌﾟﾚﾋﾞｭｰ"},
                                {form.ButtonEx8, 488, 89, "その他の設定"}};
        for (const B& e : expected) {
            QCOMPARE(e.b->geometry(), QRect(e.left, 8, e.width, 25));
            QCOMPARE(e.b->text(), QString::fromUtf8(e.caption));
        }
        for (int i = 0; i + 1 < expected.size(); ++i)
            QCOMPARE(expected[i].b->nextInFocusChain(), expected[i + 1].b);
    }

    // Each command button says in Japanese what it does, and the toolkit
    // shows that text when the pointer rests on the button.
    void everyCommandButtonHasItsOwnTooltip() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QList<TButtonEx*> buttons = form.Panel1->findChildren<TButtonEx*>();
        QCOMPARE(buttons.size(), 8);
        QSet<QString> tips;
        for (TButtonEx* b : buttons) {
            const QString tip = b->toolTip();
            QVERIFY2(tip.contains(QRegularExpression("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]")),
                     qPrintable(b->objectName()));
            tips.insert(tip);
            QHelpEvent hover(QEvent::ToolTip, QPoint(10, 10), b->mapToGlobal(QPoint(10, 10)));
            QApplication::sendEvent(b, &hover);
            QTRY_COMPARE(QToolTip::text(), tip);
            QToolTip::hideText();
        }
        QCOMPARE(tips.size(), 8);
    }

    void pageChildrenComeInTheStatedOrder() {
        TForm1 form;
        QCOMPARE(form.QuickRep1->size(), QSize(898, 635));
        QCOMPARE(form.TransPanel1->geometry(), QRect(1, 1, 896, 633));
        const QObjectList kids = form.QuickRep1->children();
        const int band = kids.indexOf(form.QRSubDetail1);
        const int bag = kids.indexOf(form.QRBag1);
        const int layer = kids.indexOf(form.TransPanel1);
        QVERIFY(band >= 0 && band < bag && bag < layer);
    }

    void layoutBagInsetsByTheMargin_data() {
        QTest::addColumn<int>("margin");
        QTest::addColumn<int>("inset");
        QTest::newRow("1") << 1 << 3;
        QTest::newRow("5") << 5 << 15;
        QTest::newRow("10") << 10 << 30;
        QTest::newRow("25") << 25 << 76;
        QTest::newRow("50") << 50 << 151;
    }
    void layoutBagInsetsByTheMargin() {
        QFETCH(int, margin);
        QFETCH(int, inset);
        TForm1 form;
        TFormSettings settings = form.Settings();
        settings.PageMargin = margin;
        form.ApplySettings(settings);
        QCOMPARE(form.QRBag1->geometry(), QRect(inset, inset, 898 - 2 * inset, 635 - 2 * inset));
    }

    void defaultBagAndItsNativeBounds() {
        TForm1 form;
        QCOMPARE(form.QRBag1->geometry(), QRect(30, 30, 838, 575));
        const auto v = form.QRBag1->Size()->Values();
        QCOMPARE(double(v[TQRPrintableSize::LeftIdx]), 99.21875);
        QCOMPARE(double(v[TQRPrintableSize::TopIdx]), 99.21875);
        QVERIFY(qAbs(double(v[TQRPrintableSize::WidthIdx]) - 2771.5104166) < 1e-6);
        QVERIFY(qAbs(double(v[TQRPrintableSize::HeightIdx]) - 1901.6927083) < 1e-6);
    }

    void layoutBagFollowsThePaperAndSurvivesAHugeMargin() {
        TForm1 form;
        TFormSettings settings = form.Settings();
        settings.PaperIndex = PaperSizeToIndex(QRPaper::B5);
        form.ApplySettings(settings);
        QCOMPARE(form.QRBag1->geometry(), QRect(30, 30, 717, 490));
        QCOMPARE(form.TransPanel1->geometry(), QRect(1, 1, 775, 548));
        settings.PageMargin = 1000; // inverted: clamped to an empty bag, no crash
        form.ApplySettings(settings);
        QCOMPARE(form.QRBag1->size(), QSize(0, 0));
        form.QRBag1->grab();
    }

    void bagPaintsTheNetInItsColours() {
        TForm1 form;
        form.QRBag1->SetYamaoriColor(clRed);
        form.QRBag1->SetTanioriColor(0xFF0000); // blue
        const QImage img = form.QRBag1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(img.size(), QSize(838, 575));
        const QColor red(255, 0, 0), blue(0, 0, 255), grey(128, 128, 128), white(Qt::white);
        for (int x : {18, 140, 427, 550})
            QCOMPARE(img.pixelColor(x, 200), red);
        for (int x : {79, 489})
            QCOMPARE(img.pixelColor(x, 200), blue);
        QCOMPARE(img.pixelColor(300, 415), blue);
        QCOMPARE(img.pixelColor(300, 477), red);
        for (int x = 0; x < 18; ++x)
            for (int y : {0, 100, 415, 477, 574})
                QCOMPARE(img.pixelColor(x, y), grey);
        // Black outline on the top and right edges, paper inside.
        QCOMPARE(img.pixelColor(300, 0), QColor(Qt::black));
        QCOMPARE(img.pixelColor(837, 100), QColor(Qt::black));
        QCOMPARE(img.pixelColor(300, 100), white);
        // Diagonals (140, 477) -> (238, 575) and (740, 575) -> (838, 477).
        QCOMPARE(img.pixelColor(189, 526), red);
        QCOMPARE(img.pixelColor(789, 526), red);
        // Inverted V of gusset 1: apex at (79, 415).
        QCOMPARE(img.pixelColor(79, 415), blue);
        int leg = 0;
        for (int y = 440; y < 453; ++y)
            leg += img.pixelColor(49, y) == blue;
        QCOMPARE(leg, 1);
    }

    void colourSettersRepaintWithoutBeingShown() {
        TQRBag bag;
        bag.SetColor(clRed);
        bag.SetNorishiroColor(clBlack);
        QCOMPARE(bag.Color(), clRed);
        QCOMPARE(bag.NorishiroColor(), clBlack);
    }

    void assignTakesPlacementOnly() {
        TForm1 form;
        TQRBag front(form.QuickRep1);
        front.SetYamaoriColor(0x00FF00);
        form.QRBag1->SetYamaoriColor(clRed);
        front.Assign(form.QRBag1);
        QCOMPARE(front.geometry(), form.QRBag1->geometry());
        QCOMPARE(front.parentWidget(), form.QuickRep1);
        QCOMPARE(front.YamaoriColor(), TColor(0x00FF00));
        front.Assign(form.QuickRep1); // not a bag: ignored
        QCOMPARE(front.geometry(), form.QRBag1->geometry());
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
