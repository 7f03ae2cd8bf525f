// Drag and drop between controls, confinement of the pointer, and the key
// preview, on plain widgets in a shown window.
#include "platform/CursorClip.h"
#include "platform/DragManager.h"
#include "platform/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

namespace {
struct Call {
    QString what;
    QWidget* target;
    QPoint pos;
    bool operator==(const Call&) const = default;
};

// A source on the left, an accepting target with a drop in the middle, one
// that accepts without a drop and one that refuses on the right.
class Stage : public QWidget {
public:
    Stage() {
        resize(400, 100);
        source = Child(0);
        target = Child(100);
        noDrop = Child(200);
        refuser = Child(300);
        drag.SetDragOver(target, Over("over"));
        drag.SetDragDrop(target, [this](QWidget* t, QWidget*, QPoint p) {
            calls.append({"drop", t, p});
        });
        drag.SetDragOver(noDrop, Over("over"));
        drag.SetDragOver(refuser, [this](QWidget* t, QWidget*, QPoint p, TDragState) {
            calls.append({"refuse", t, p});
            return false;
        });
        drag.SetEndDrag([this](QWidget*, QWidget* t, bool dropped) {
            calls.append({dropped ? "end dropped" : "end", t, {}});
        });
        show();
    }
    QWidget* Child(int left) {
        auto* w = new QWidget(this);
        w->setGeometry(left, 0, 100, 100);
        return w;
    }
    TDragOverEvent Over(const QString& name) {
        return [this, name](QWidget* t, QWidget*, QPoint p, TDragState st) {
            static const char* states[] = {" enter", " leave", ""};
            calls.append({name + states[int(st)] + (drag.EscapeDown() ? " esc" : ""), t, p});
            return true;
        };
    }
    void Press(QPoint at) {
        QTest::mousePress(windowHandle(), Qt::LeftButton, {}, at);
        drag.BeginDrag(source, mapToGlobal(at), QCursor(Qt::SizeAllCursor));
    }
    void Move(QPoint at) { QTest::mouseMove(windowHandle(), at); }
    void Release(QPoint at) { QTest::mouseRelease(windowHandle(), Qt::LeftButton, {}, at); }

    TDragManager drag;
    QWidget *source, *target, *noDrop, *refuser;
    QList<Call> calls;
};
} // namespace

class TstPlatformDrag : public QObject {
    Q_OBJECT
private slots:
    void aDragStartsAtTwoPixelsAndDropsOnAnAcceptingTarget() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.Press(QPoint(50, 50));
        s.Move(QPoint(51, 49));
        QCOMPARE(s.drag.Phase(), TDragManager::TPhase::Pressed);
        s.Move(QPoint(50, 52));
        QCOMPARE(s.drag.Phase(), TDragManager::TPhase::Dragging);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor); // over the source
        s.Move(QPoint(150, 52));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::SizeAllCursor);
        s.Move(QPoint(160, 40));
        s.Release(QPoint(160, 40)); // the release is one more drag-over, then the drop
        QCOMPARE(s.calls, (QList<Call>{{"over enter", s.target, {50, 52}},
                                       {"over", s.target, {60, 40}},
                                       {"over", s.target, {60, 40}},
                                       {"drop", s.target, {60, 40}},
                                       {"end dropped", s.target, {}}}));
        QCOMPARE(s.drag.Phase(), TDragManager::TPhase::Idle);
        QVERIFY(!QApplication::overrideCursor());
    }

    void aReleaseBeforeTheThresholdIsAClick() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.Press(QPoint(50, 50));
        s.Move(QPoint(51, 51));
        s.Release(QPoint(51, 51));
        QVERIFY(s.calls.isEmpty());
        QCOMPARE(s.drag.Phase(), TDragManager::TPhase::Idle);
    }

    void targetsAreToldWhenThePointerLeavesAndRefusalsGetNoDrop() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.Press(QPoint(90, 50));
        s.Move(QPoint(150, 50));
        s.Move(QPoint(250, 50));
        s.Move(QPoint(350, 50));
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::ForbiddenCursor);
        s.Release(QPoint(350, 50));
        QCOMPARE(s.calls, (QList<Call>{{"over enter", s.target, {50, 50}},
                                       {"over leave", s.target, {150, 50}},
                                       {"over enter", s.noDrop, {50, 50}},
                                       {"over leave", s.noDrop, {150, 50}},
                                       {"refuse", s.refuser, {50, 50}},
                                       {"refuse", s.refuser, {50, 50}},
                                       {"end", s.refuser, {}}}));
    }

    void acceptingWithoutADropHandlerDropsNothing() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        s.Press(QPoint(190, 50));
        s.Move(QPoint(250, 50));
        s.Release(QPoint(250, 50));
        QCOMPARE(s.calls.last(), (Call{"end", s.noDrop, {}}));
        QCOMPARE(s.calls.size(), 3);
    }

    void escCancelsWithALeaveWhileEscIsDownAndTakesTheKey() {
        Stage s;
        QVERIFY(QTest::qWaitForWindowExposed(&s));
        auto* edit = new QLineEdit(&s);
        edit->setGeometry(0, 0, 10, 10);
        edit->show();
        edit->setFocus();
        s.Press(QPoint(50, 50));
        s.Move(QPoint(150, 50));
        QTest::keyClick(edit, Qt::Key_A); // the drag takes the keyboard
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(edit->text(), QString());
        QCOMPARE(s.calls, (QList<Call>{{"over enter", s.target, {50, 50}},
                                       {"over leave esc", s.target, {50, 50}},
                                       {"end", s.target, {}}}));
        QVERIFY(!s.drag.EscapeDown());
        s.Release(QPoint(150, 50));
        QCOMPARE(s.calls.size(), 3);
        QTest::keyClick(edit, Qt::Key_B); // and gives it back
        QCOMPARE(edit->text(), QStringLiteral("b"));
    }

    void theConfinementClampsThePointer() {
        QWidget w;
        w.resize(200, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TCursorClip& clip = TCursorClip::Instance();
        const QRect r(w.mapToGlobal(QPoint(20, 30)), QSize(50, 40));
        QCursor::setPos(w.mapToGlobal(QPoint(150, 150)));
        clip.Confine(r);
        QTRY_COMPARE(QCursor::pos(), r.bottomRight());
        QCOMPARE(clip.Clamp(r.topLeft() - QPoint(5, 5)), r.topLeft());
        QCOMPARE(clip.Current(), std::optional<QRect>(r));
        QTest::mouseMove(&w, QPoint(5, 5));
        QTRY_COMPARE(QCursor::pos(), r.topLeft());
        clip.Release();
        QCOMPARE(clip.Current(), std::nullopt);
        QCOMPARE(clip.Clamp(QPoint(-7, 9)), QPoint(-7, 9));
    }

    void theKeyPreviewSeesEachPressOnceBeforeTheFocusedControl() {
        QWidget w;
        auto* edit = new QLineEdit(&w);
        QStringList seen;
        TKeyPreview preview(&w, [&](QKeyEvent* k) {
            seen.append(k->text() + "|" + edit->text());
            return false;
        });
        w.show();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_X);
        QTest::keyClick(edit, Qt::Key_Escape); // the edit leaves it to its parent
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(seen, (QStringList{"x|", QString("\x1b|x"), QString("\x1b|x")}));
        QCOMPARE(edit->text(), QStringLiteral("x")); // not consumed
    }

    // A control that keeps every key (the modifier's press too) sees the
    // modifier and then the key, possibly as events at the same address.
    void theKeyPreviewSeesAKeyAfterItsModifier() {
        struct TKeepsAllKeys : QWidget {
            using QWidget::QWidget;
            void keyPressEvent(QKeyEvent* e) override { e->accept(); }
        };
        QWidget w;
        auto* keeper = new TKeepsAllKeys(&w);
        QList<int> seen;
        TKeyPreview preview(&w, [&](QKeyEvent* k) {
            seen.append(k->key());
            return false;
        });
        w.show();
        QTest::keyClick(keeper, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(seen, (QList<int>{Qt::Key_Control, Qt::Key_Home}));
    }
};

QTEST_MAIN(TstPlatformDrag)
#include "tst_platform_drag.moc"
