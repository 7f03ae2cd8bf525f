// Keyboard focus in the main window: the command bar keeps it; pictures and
// the page area take none.
#include "LayerFixture.h"
#include "windows/ButtonEx.h"

#include <QScrollArea>
#include <QScrollBar>

class TstFocus : public QObject {
    Q_OBJECT
private slots:
    // A press on a picture selects it but leaves the focus on the button, so
    // the arrow keys do not scroll the page.
    void aPressOnAPictureLeavesTheFocusOnTheCommandBar() {
        LayerFixture f;
        QVERIFY(f.exposed);
        QApplication::setActiveWindow(&f.form);
        f.Place(QRect(20, 20, 100, 100));
        f.form.ButtonEx3->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), f.form.ButtonEx3);
        f.Click(QPoint(60, 60));
        QCOMPARE(f.form.SelectedImage(), f.form.PlacedImages()[0]);
        QCOMPARE(QApplication::focusWidget(), f.form.ButtonEx3);
        QScrollBar* bar = f.form.ScrollBox1->verticalScrollBar();
        QVERIFY(bar->maximum() > 0); // the page is taller than the area
        QTest::keyClick(f.form.windowHandle(), Qt::Key_Down);
        QCOMPARE(bar->value(), 0);
    }

    // Tab goes round the eight buttons in their tab order, and nothing else.
    void tabGoesRoundTheEightButtonsOnly() {
        LayerFixture f;
        QVERIFY(f.exposed);
        QApplication::setActiveWindow(&f.form);
        f.Place(QRect(20, 20, 100, 100));
        f.form.ButtonEx1->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), f.form.ButtonEx1);
        QList<QWidget*> visited;
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(f.form.windowHandle(), Qt::Key_Tab);
            visited.append(QApplication::focusWidget());
        }
        const QList<QWidget*> order{f.form.ButtonEx2, f.form.ButtonEx5, f.form.ButtonEx6,
                                    f.form.ButtonEx7, f.form.ButtonEx4, f.form.ButtonEx3,
                                    f.form.ButtonEx8, f.form.ButtonEx1};
        QCOMPARE(visited, order);
    }
};

QTEST_MAIN(TstFocus)
#include "tst_focus.moc"
