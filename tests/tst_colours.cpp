// The colour commands of the main window, driven through the real colour
// dialog: the colour it opens on, cancelling, the four targets, and the net
// as it is painted with a placed picture over it.
#include "bag/QQRBag.h"
#include "platform/ColorDialog.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
struct TDialogAnswer {
    bool accept = true;
    QColor choose;      // invalid: keep the preselected colour
    QColor preselected; // what the dialog showed when it came up
    bool seen = false;
};

// Waits for the colour dialog to be up in its modal loop, notes the colour
// it opened with, picks the answer's colour and confirms or cancels.
void AnswerWhenOpen(TDialogAnswer* answer, int triesLeft = 500) {
    QTimer::singleShot(10, [answer, triesLeft] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (triesLeft > 0)
                AnswerWhenOpen(answer, triesLeft - 1);
            return;
        }
        answer->seen = true;
        answer->preselected = dialog->currentColor();
        if (answer->choose.isValid())
            dialog->setCurrentColor(answer->choose);
        if (answer->accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

// Presses the button; the dialog is answered as given.
TDialogAnswer Press(TButtonEx* button, bool accept, const QColor& choose = QColor()) {
    TDialogAnswer answer{accept, choose, QColor(), false};
    AnswerWhenOpen(&answer);
    button->click();
    return answer;
}

struct TBagColours {
    TColor paper, yamaori, taniori, norishiro;
    bool operator==(const TBagColours&) const = default;
};
TBagColours ColoursOf(const TForm1& form) {
    const TQRBag* bag = form.QRBag1;
    return {bag->Color(), bag->YamaoriColor(), bag->TanioriColor(), bag->NorishiroColor()};
}
char* toString(const TBagColours& c) {
    return qstrdup(QString::asprintf("paper %06x yamaori %06x taniori %06x norishiro %06x", c.paper,
                                     c.yamaori, c.taniori, c.norishiro)
                       .toLatin1());
}

// Counts resizes of a widget and the colours the bag had at each of its
// paints.
class TWatcher : public QObject {
public:
    int resizes = 0;
    QList<TColor> paintedPaper;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            ++resizes;
        if (event->type() == QEvent::Paint)
            if (auto* bag = qobject_cast<TQRBag*>(watched))
                paintedPaper.append(bag->Color());
        return false;
    }
};
} // namespace

class TstColours : public QObject {
    Q_OBJECT
private slots:
    // Each dialog opens on the colour it changes, so OK on 用紙の色 without a
    // choice leaves the paper white instead of turning it black; a cancel
    // after picking another colour changes nothing.
    void eachDialogOpensOnTheColourItChanges() {
        TForm1 form;
        const TBagColours start = ColoursOf(form);
        QCOMPARE(start, (TBagColours{clWhite, clBlack, clBlack, clGray}));

        TDialogAnswer a = Press(form.ButtonEx2, true);
        QVERIFY(a.seen);
        QCOMPARE(a.preselected, QColor(Qt::white));
        QCOMPARE(ColoursOf(form), start);

        a = Press(form.ButtonEx7, true);
        QCOMPARE(a.preselected, QColor(128, 128, 128));
        QCOMPARE(ColoursOf(form), start);

        a = Press(form.ButtonEx2, true, Qt::red);
        QCOMPARE(form.QRBag1->Color(), clRed);
        a = Press(form.ButtonEx5, false, Qt::blue);
        QCOMPARE(a.preselected, QColor(Qt::black));
        QCOMPARE(ColoursOf(form), (TBagColours{clRed, clBlack, clBlack, clGray}));
        a = Press(form.ButtonEx2, false);
        QCOMPARE(a.preselected, QColor(Qt::red));
    }

    void eachButtonSetsItsOwnColour_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("which");
        QTest::newRow("paper") << "ButtonEx2" << 0;
        QTest::newRow("yamaori") << "ButtonEx5" << 1;
        QTest::newRow("taniori") << "ButtonEx6" << 2;
        QTest::newRow("norishiro") << "ButtonEx7" << 3;
    }
    void eachButtonSetsItsOwnColour() {
        QFETCH(QString, button);
        QFETCH(int, which);
        TForm1 form;
        const TColor pick = RGBColor(12, 34, 56);
        TBagColours expected = ColoursOf(form);
        TColor* targets[] = {&expected.paper, &expected.yamaori, &expected.taniori,
                             &expected.norishiro};
        *targets[which] = pick;
        TDialogAnswer a = Press(form.findChild<TButtonEx*>(button), true, ToQColor(pick));
        QVERIFY(a.seen);
        QCOMPARE(ColoursOf(form), expected);
    }

    void aNewWindowStartsWithTheDefaultColours() {
        {
            TForm1 first;
            Press(first.ButtonEx2, true, Qt::red);
            Press(first.ButtonEx6, true, Qt::green);
            QCOMPARE(first.QRBag1->TanioriColor(), RGBColor(0, 255, 0));
        }
        TForm1 second;
        QCOMPARE(ColoursOf(second), (TBagColours{clWhite, clBlack, clBlack, clGray}));
        QCOMPARE(second.ColorDialog1->Color(), clBlack);
        const TDialogAnswer a = Press(second.ButtonEx5, false);
        QCOMPARE(a.preselected, QColor(Qt::black));
    }

    void confirmedColourRepaintsTheNetAtOnceAndRefreshesTheLayer() {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TWatcher watcher;
        form.QRBag1->installEventFilter(&watcher);
        form.TransPanel1->installEventFilter(&watcher);
        const int width = form.TransPanel1->width();

        Press(form.ButtonEx2, false, Qt::red);
        QCOMPARE(watcher.resizes, 0);
        Press(form.ButtonEx2, true, Qt::red);
        // No event processing between the dialog's end and here: the paint
        // with the new colour happened inside the command.
        QVERIFY(watcher.paintedPaper.contains(clRed));
        QCOMPARE(watcher.resizes, 2);
        QCOMPARE(form.TransPanel1->width(), width);
    }

    // The page as painted, the layer and its picture included, after each
    // command: the new colour where it belongs and the picture still on top.
    void netTakesEachColourUnderThePlacedPicture() {
        QTemporaryDir dir;
        QImage blue(105, 105, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        const QString file = dir.filePath("blue.bmp");
        QVERIFY(blue.save(file));
        TForm1 form;
        // At page pixels 101..205, over two fold lines.
        form.AddPlacedImage(file, QRect(100, 100, 105, 105), false);

        const QPoint bag = form.QRBag1->geometry().topLeft();
        const TBagNet net = ComputeBagNet(0, 0, form.QRBag1->width(), form.QRBag1->height());
        const QPoint paper = bag + QPoint((net.x3 + net.x4) / 2, 300);
        const QPoint valley = bag + QPoint(net.x2, 300);
        const QPoint mountain = bag + QPoint(net.x3, 300);
        const QPoint flap = bag + QPoint(net.x1 / 2, 300);
        const QPoint underPicture[] = {bag + QPoint(net.x2, 110), bag + QPoint(net.x3, 110)};
        QVERIFY(QRect(101, 101, 105, 105).contains(underPicture[0]));
        QVERIFY(QRect(101, 101, 105, 105).contains(underPicture[1]));

        const QColor pink(255, 128, 192), teal(0, 128, 128), olive(128, 128, 0), plum(128, 0, 128);
        Press(form.ButtonEx2, true, pink);
        Press(form.ButtonEx5, true, teal);
        Press(form.ButtonEx6, true, olive);
        Press(form.ButtonEx7, true, plum);
        const QImage page = form.QuickRep1->grab().toImage();
        QCOMPARE(page.pixelColor(paper), pink);
        QCOMPARE(page.pixelColor(mountain), teal);
        QCOMPARE(page.pixelColor(valley), olive);
        QCOMPARE(page.pixelColor(flap), plum);
        for (const QPoint p : underPicture)
            QCOMPARE(page.pixelColor(p), QColor(Qt::blue));
    }
};

QTEST_MAIN(TstColours)
#include "tst_colours.moc"
