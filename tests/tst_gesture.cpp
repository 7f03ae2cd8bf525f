// Moving and resizing placed pictures with the mouse: edge zones and their
// cursors, the press / drag / drop gesture, Esc, the popup and the keys.
#include "LayerFixture.h"
#include "platform/CursorClip.h"
#include "platform/Marks.h"
#include "windows/ButtonEx.h"

#include <QApplication>
#include <QMenu>
#include <QScrollArea>

class TstGesture : public QObject {
    Q_OBJECT
private slots:
    void edgeZoneAndCursorFollowThePointer_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<unsigned>("zone");
        QTest::addColumn<int>("cursor"); // -1: the default cursor
        const QSize big(100, 80);
        QTest::newRow("x=4 left") << big << QPoint(4, 40) << unsigned(ieLeft)
                                  << int(Qt::SizeHorCursor);
        QTest::newRow("x=5 interior") << big << QPoint(5, 40) << 0u << -1;
        QTest::newRow("x=95 interior") << big << QPoint(95, 40) << 0u << -1;
        QTest::newRow("x=96 right")
            << big << QPoint(96, 40) << unsigned(ieRight) << int(Qt::SizeHorCursor);
        QTest::newRow("top") << big << QPoint(50, 4) << unsigned(ieTop) << int(Qt::SizeVerCursor);
        QTest::newRow("bottom") << big << QPoint(50, 76) << unsigned(ieBottom)
                                << int(Qt::SizeVerCursor);
        QTest::newRow("top-left") << big << QPoint(0, 0) << unsigned(ieLeft | ieTop)
                                  << int(Qt::SizeFDiagCursor);
        QTest::newRow("bottom-right")
            << big << QPoint(99, 79) << unsigned(ieRight | ieBottom) << int(Qt::SizeFDiagCursor);
        QTest::newRow("bottom-left")
            << big << QPoint(1, 78) << unsigned(ieLeft | ieBottom) << int(Qt::SizeBDiagCursor);
        QTest::newRow("top-right")
            << big << QPoint(98, 2) << unsigned(ieRight | ieTop) << int(Qt::SizeBDiagCursor);
        // Narrower than 10: both horizontal zones overlap and the right wins.
        QTest::newRow("narrow x=2")
            << QSize(8, 80) << QPoint(2, 40) << unsigned(ieLeft) << int(Qt::SizeHorCursor);
        QTest::newRow("narrow x=4")
            << QSize(8, 80) << QPoint(4, 40) << unsigned(ieRight) << int(Qt::SizeHorCursor);
        // Lower than 10: top and bottom both hold, which means a move.
        QTest::newRow("low y=4") << QSize(100, 8) << QPoint(50, 4) << unsigned(ieTop | ieBottom)
                                 << -1;
        QTest::newRow("low corner")
            << QSize(100, 8) << QPoint(1, 4) << unsigned(ieLeft | ieTop | ieBottom) << -1;
    }
    void edgeZoneAndCursorFollowThePointer() {
        QFETCH(QSize, size);
        QFETCH(QPoint, at);
        QFETCH(unsigned, zone);
        QFETCH(int, cursor);
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(QPoint(40, 30), size));
        f.Hover(QPoint(40, 30) + at);
        QCOMPARE(f.form.Gesture().EdgeZone, zone);
        if (cursor < 0) {
            QVERIFY(!image->testAttribute(Qt::WA_SetCursor));
            QCOMPARE(image->DragCursor().shape(), Qt::DragMoveCursor);
        } else {
            QCOMPARE(int(image->cursor().shape()), cursor);
            QCOMPARE(int(image->DragCursor().shape()), cursor);
        }
    }

    void dragResizesOrMoves_data() {
        QTest::addColumn<QPoint>("grab"); // in the picture
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<QRect>("result");
        // The picture lies at (100, 100), 100 x 100.
        QTest::newRow("bottom-right corner")
            << QPoint(97, 97) << QPoint(20, 10) << QRect(100, 100, 120, 110);
        QTest::newRow("left edge 130 right")
            << QPoint(2, 50) << QPoint(130, 0) << QRect(200, 100, 30, 100);
        QTest::newRow("left edge onto right")
            << QPoint(2, 50) << QPoint(100, 0) << QRect(200, 100, 0, 100);
        QTest::newRow("top edge down")
            << QPoint(50, 1) << QPoint(7, 30) << QRect(100, 130, 100, 70);
        QTest::newRow("top-right corner")
            << QPoint(98, 1) << QPoint(-10, -20) << QRect(100, 80, 90, 120);
        QTest::newRow("move") << QPoint(50, 50) << QPoint(33, -17) << QRect(133, 83, 100, 100);
        QTest::newRow("move off the page")
            << QPoint(50, 50) << QPoint(-140, -130) << QRect(-40, -30, 100, 100);
    }
    void dragResizesOrMoves() {
        QFETCH(QPoint, grab);
        QFETCH(QPoint, by);
        QFETCH(QRect, result);
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        const QPoint from = QPoint(100, 100) + grab;
        f.Drag(from, from + by);
        QCOMPARE(image->geometry().topLeft(), result.topLeft());
        QCOMPARE(image->size(), result.size());
        QCOMPARE(f.form.SelectedImage(), image);
        QCOMPARE(f.form.Gesture().DragOutline, TRectL{});
        QVERIFY(!TCursorClip::Instance().Current());
        QVERIFY(f.form.PlacedImages().contains(image));
    }

    void aPictureOfWidthZeroCannotBePressed() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        f.Drag(QPoint(102, 150), QPoint(202, 150));
        QCOMPARE(image->width(), 0);
        f.form.DeselectImage();
        f.Click(QPoint(200, 150));
        QCOMPARE(f.form.SelectedImage(), nullptr);
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{image});
    }

    void aReleaseBeforeTwoPixelsIsAClick() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        f.Hover(QPoint(150, 150));
        f.Press(QPoint(150, 150));
        f.Hover(QPoint(151, 151));
        QCOMPARE(f.form.ImageDrag()->Phase(), TDragManager::TPhase::Pressed);
        f.Release(QPoint(151, 151));
        QCOMPARE(image->geometry(), QRect(100, 100, 100, 100));
        QCOMPARE(f.form.SelectedImage(), image);
        QCOMPARE(f.form.LayerMarks()->Marks().size(), 1); // the frame alone
        // Two pixels on one axis is a drag.
        f.Drag(QPoint(150, 150), QPoint(152, 150));
        QCOMPARE(image->geometry(), QRect(102, 100, 100, 100));
    }

    void whileDraggingTheOutlineShowsAndThePointerIsConfined() {
        LayerFixture f;
        QVERIFY(f.exposed);
        f.Place(QRect(100, 100, 100, 100));
        f.Hover(QPoint(150, 150));
        f.Press(QPoint(150, 150));
        f.Hover(QPoint(160, 155));
        QCOMPARE(f.form.Gesture().DragOutline, (TRectL{110, 105, 210, 205}));
        const auto marks = f.form.LayerMarks()->Marks();
        QVERIFY(marks.contains(TMark{TMarkKind::Outline, 110, 105, 210, 205}));
        QCOMPARE(marks.size(), 2);
        const auto clip = TCursorClip::Instance().Current();
        QVERIFY(clip);
        const QRect box(f.form.ScrollBox1->mapToGlobal(QPoint(0, 0)), f.form.ScrollBox1->size());
        QCOMPARE(clip->left(), box.left() + 1);
        QVERIFY(clip->right() < box.right() && clip->bottom() < box.bottom()); // scroll bars shown
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
        f.Release(QPoint(160, 155));
        QVERIFY(!QApplication::overrideCursor());
    }

    void escDuringADragCancelsIt() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        f.Hover(QPoint(150, 150));
        f.Press(QPoint(150, 150));
        f.Hover(QPoint(180, 170));
        QVERIFY(TCursorClip::Instance().Current());
        QTest::keyClick(&f.form, Qt::Key_Escape);
        QCOMPARE(f.form.ImageDrag()->Phase(), TDragManager::TPhase::Idle);
        QCOMPARE(f.form.Gesture().DragOutline, TRectL{});
        QVERIFY(!TCursorClip::Instance().Current());
        QCOMPARE(f.form.SelectedImage(), image); // the drag loop took the key
        QCOMPARE(f.form.LayerMarks()->Marks(),
                 (QList<TMark>{TMark{TMarkKind::Frame, 100, 100, 200, 200}}));
        f.Release(QPoint(180, 170));
        QCOMPARE(image->geometry(), QRect(100, 100, 100, 100));
    }

    void aReleaseOverTheCommandBarChangesNothing() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(10, 10, 100, 100));
        f.Hover(QPoint(50, 50));
        f.Press(QPoint(50, 50));
        f.Hover(QPoint(60, 60));
        // The bar above the page: the pointer is held in the page area, so
        // lift the confinement as a window move would have to.
        TCursorClip::Instance().Release();
        const QPoint bar = f.form.Panel1->mapTo(&f.form, QPoint(300, 3));
        QTest::mouseMove(f.form.windowHandle(), bar);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor); // it takes the drag
        QTest::mouseRelease(f.form.windowHandle(), Qt::LeftButton, {}, bar);
        QCOMPARE(image->geometry(), QRect(10, 10, 100, 100));
        QCOMPARE(f.form.Gesture().DragOutline, TRectL{});
        QCOMPARE(f.form.LayerMarks()->Marks().size(), 1);
        QVERIFY(!TCursorClip::Instance().Current());
    }

    void aPressGoesToTheTopmostPicture() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* lower = f.Place(QRect(0, 0, 105, 105));
        TImageEx* upper = f.Place(QRect(50, 50, 105, 105));
        f.Click(QPoint(80, 80));
        QCOMPARE(f.form.SelectedImage(), upper);
        f.Click(QPoint(20, 20));
        QCOMPARE(f.form.SelectedImage(), lower);
    }

    void rightPressSelectsAndOpensThePopup() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* lower = f.Place(QRect(0, 0, 105, 105));
        TImageEx* upper = f.Place(QRect(50, 50, 105, 105));
        f.Press(QPoint(20, 20), Qt::RightButton);
        QCOMPARE(f.form.SelectedImage(), lower);
        QTRY_VERIFY(f.form.PopupMenu1->isVisible());
        const QList<QAction*> items = f.form.PopupMenu1->actions();
        QCOMPARE(items.size(), 6); // then a separator, undo and redo
        QCOMPARE(items[0]->text(), QStringLiteral("手前に移動"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("イメージの削除"));
        f.form.PopupMenu1->close();
        f.form.N1->trigger();
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{upper, lower}));
        f.Click(QPoint(80, 80));
        QCOMPARE(f.form.SelectedImage(), lower); // now on top
        f.form.Delete1->trigger();
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{upper});
        QCOMPARE(f.form.SelectedImage(), nullptr);
    }

    void escAndDeleteKeysActOnTheSelection() {
        LayerFixture f;
        QVERIFY(f.exposed);
        TImageEx* a = f.Place(QRect(0, 0, 60, 60));
        TImageEx* b = f.Place(QRect(100, 0, 60, 60));
        // Nothing selected: both keys do nothing.
        QTest::keyClick(&f.form, Qt::Key_Delete);
        QTest::keyClick(&f.form, Qt::Key_Escape);
        QCOMPARE(f.form.PlacedImages().size(), 2);
        f.form.SelectImage(a);
        QTest::keyClick(static_cast<QWidget*>(f.form.ButtonEx2),
                        Qt::Key_Escape); // seen before the focused button
        QCOMPARE(f.form.SelectedImage(), nullptr);
        QVERIFY(f.form.LayerMarks()->Marks().isEmpty());
        f.form.SelectImage(b);
        QTest::keyClick(&f.form, Qt::Key_Delete);
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{a});
        QTest::keyClick(&f.form, Qt::Key_Delete);
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{a});
    }
};

QTEST_MAIN(TstGesture)
#include "tst_gesture.moc"
