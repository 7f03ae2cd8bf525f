// Undo and redo of the design, driven as a user does: drags, keys, menus and
// the settings dialog on the shown main window, checked on the pictures'
// bounds and stacking, on the screen and on the LIST.DAT a close writes.
#include "DataFileSupport.h"
#include "LayerFixture.h"
#include "ModalSupport.h"
#include "bag/QQRBag.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/SpinEdit.h"
#include "windows/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QMenu>
#include <QScrollArea>
#include <QUndoStack>

namespace {
// A window that takes keys: its shortcuts and key preview need it active.
struct TActiveLayer : LayerFixture {
    TActiveLayer() {
        QApplication::setActiveWindow(&form);
        form.ButtonEx1->setFocus();
    }
    // The window is active again once a dialog it opened has closed.
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
        QApplication::setActiveWindow(&form);
        QTest::keyClick(form.windowHandle(), key, mods);
    }
    // A held key: its first press, then the window system's repeats.
    void HoldKey(Qt::Key key, int repeats) {
        QTest::simulateEvent(form.windowHandle(), true, key, {}, QString(), false);
        for (int i = 0; i < repeats; ++i) {
            QTest::simulateEvent(form.windowHandle(), false, key, {}, QString(), true);
            QTest::simulateEvent(form.windowHandle(), true, key, {}, QString(), true);
        }
        QTest::simulateEvent(form.windowHandle(), false, key, {}, QString(), false);
    }
    int Steps() const { return form.UndoStack()->index(); }
};

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* a : menu->actions())
        if (!a->isSeparator())
            captions.append(a->text() + (a->isEnabled() ? "" : " (greyed)"));
    return captions;
}

// Opens the page's or a picture's menu with a right press, notes its items
// and closes it again.
QStringList MenuAt(LayerFixture& f, QPoint at) {
    f.Press(at, Qt::RightButton);
    f.Release(at, Qt::RightButton);
    QMenu* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!shown)
        return {QStringLiteral("<no menu>")};
    QStringList items = Captions(shown);
    items.prepend(shown->objectName());
    shown->close();
    return items;
}
} // namespace

class TstUndo : public QObject {
    Q_OBJECT
private slots:
    // The moved picture goes back with Ctrl+Z and forward again with either
    // redo key; the screen follows each time.
    void aDragGoesBackWithCtrlZAndForwardWithEitherRedoKey() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        const QRect moved(250, 180, 100, 100);
        f.Drag(QPoint(150, 150), QPoint(300, 230));
        QCOMPARE(image->geometry(), moved);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(image->geometry(), QRect(100, 100, 100, 100));
        QImage shot = f.Screen();
        QCOMPARE(shot.pixel(120, 120), qRgb(255, 0, 0));
        QVERIFY(shot.pixel(330, 260) != qRgb(255, 0, 0));
        f.Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(image->geometry(), moved);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        f.Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(image->geometry(), moved);
        shot = f.Screen();
        QVERIFY(shot.pixel(120, 120) != qRgb(255, 0, 0));
        QCOMPARE(shot.pixel(330, 260), qRgb(255, 0, 0));
        // The selection frame went with the picture each time: it lies on
        // the picture's outermost pixels, inverting them.
        QCOMPARE(f.form.SelectedImage(), image);
        QCOMPARE(shot.pixel(moved.topLeft()), Inverted(qRgb(255, 0, 0)));
    }

    // A gesture cancelled with Esc, and a plain click, change nothing and
    // are no step.
    void aCancelledDragOrAClickIsNoStep() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 100, 100));
        const int steps = f.Steps();
        f.Hover(QPoint(150, 150));
        f.Press(QPoint(150, 150));
        f.Hover(QPoint(220, 200));
        QVERIFY(f.form.Gesture().DragOutline != TRectL{});
        f.Key(Qt::Key_Escape);
        f.Release(QPoint(220, 200));
        f.Click(QPoint(150, 150));
        QCOMPARE(image->geometry(), QRect(100, 100, 100, 100));
        QCOMPARE(f.Steps(), steps);
        QVERIFY(!f.form.UndoStack()->canRedo());
    }

    // A deleted picture comes back as the same control, with its pixels, at
    // its place in the stacking; the close writes the list as it is then.
    void anUndoneDeleteComesBackAtItsStackingPlace() {
        QStringList messages;
        TDataFolderScope folder(messages);
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* a = f.Place(QRect(100, 100, 100, 100), Qt::red);
        TImageEx* b = f.Place(QRect(150, 150, 100, 100), Qt::green);
        TImageEx* c = f.Place(QRect(200, 200, 100, 100), Qt::blue);
        const qint64 pixels = b->Picture().cacheKey();
        f.Click(QPoint(160, 160));
        QCOMPARE(f.form.SelectedImage(), b);
        f.Key(Qt::Key_Delete);
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{a, c}));
        QVERIFY(!f.form.TransPanel1->findChildren<TImageEx*>().contains(b));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{a, b, c}));
        QCOMPARE(b->Picture().cacheKey(), pixels);
        QCOMPARE(f.form.TransPanel1->findChildren<TImageEx*>(Qt::FindDirectChildrenOnly),
                 f.form.PlacedImages());
        const QImage shot = f.Screen();
        QCOMPARE(shot.pixel(170, 170), qRgb(0, 255, 0)); // b over a
        QCOMPARE(shot.pixel(220, 220), qRgb(0, 0, 255)); // c over b
        QVERIFY(f.form.close());
        QCOMPARE(FileBytes(folder.Folder() + "LIST.DAT"),
                 ImageRecordBytes(100, 100, 100, 100, a->FileName(), true) +
                     ImageRecordBytes(150, 150, 100, 100, b->FileName(), true) +
                     ImageRecordBytes(200, 200, 100, 100, c->FileName(), true));
    }

    // A placeholder (its name's bytes are no text) is pressed, moved by a
    // key, deleted, brought back and to the front like a picture; it draws
    // its frame, and the close stores its bytes with its new bounds.
    void aPlaceholderIsEditedAndUndoneLikeAPicture() {
        QStringList messages;
        TDataFolderScope folder(messages);
        const QByteArray name = EncodeImagePath(folder.Folder()) + "\x81\x20.bmp";
        const QString picture = PutBitmap(folder.Folder() + "red.bmp", Qt::red);
        PutFile(folder.Folder() + "LIST.DAT",
                RawImageRecordBytes(100, 100, 100, 100, name, false) +
                    ImageRecordBytes(150, 150, 100, 100, picture, true));
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* held = f.form.PlacedImages().first();
        TImageEx* red = f.form.PlacedImages().last();
        QVERIFY(held->IsPlaceholder());
        QCOMPARE(f.Screen().pixel(100, 100), QColor(Qt::gray).rgb()); // its frame
        f.Click(QPoint(110, 110));
        QCOMPARE(f.form.SelectedImage(), held);
        f.Key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(held->pos(), QPoint(110, 100));
        f.Key(Qt::Key_Delete);
        QCOMPARE(f.form.PlacedImages(), QList<TImageEx*>{red});
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{held, red}));
        f.Click(QPoint(115, 115));
        f.form.BringSelectedImageToFront();
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{red, held}));
        QCOMPARE(f.form.TransPanel1->childAt(170, 170), held);
        QVERIFY(f.form.close());
        QCOMPARE(FileBytes(folder.Folder() + "LIST.DAT"),
                 ImageRecordBytes(150, 150, 100, 100, picture, true) +
                     RawImageRecordBytes(100, 110, 100, 100, name, false));
    }

    // Brought to front and back again; each step restacks the screen too.
    void bringToFrontIsUndoneToItsPlace() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* a = f.Place(QRect(100, 100, 100, 100), Qt::red);
        TImageEx* b = f.Place(QRect(150, 150, 100, 100), Qt::green);
        f.Press(QPoint(110, 110), Qt::RightButton);
        QMenu* menu = f.form.PopupMenu1;
        QTRY_VERIFY(menu->isVisible());
        f.form.N1->trigger();
        menu->close();
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{b, a}));
        QCOMPARE(f.Screen().pixel(170, 170), qRgb(255, 0, 0));
        f.form.Undo1->trigger();
        QCOMPARE(f.form.PlacedImages(), (QList<TImageEx*>{a, b}));
        QCOMPARE(f.Screen().pixel(170, 170), qRgb(0, 255, 0));
    }

    // Arrow keys move the selected picture by 1 px, with Shift by 10; each
    // press is a step, and a held key's repeats join its first press.
    void arrowKeysMoveAndAHeldKeyIsOneStep() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 50, 50));
        f.Click(QPoint(120, 120));
        const int steps = f.Steps();
        f.Key(Qt::Key_Right);
        f.Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(image->pos(), QPoint(101, 110));
        QCOMPARE(f.Steps(), steps + 2);
        f.HoldKey(Qt::Key_Left, 4);
        QCOMPARE(image->pos(), QPoint(96, 110));
        QCOMPARE(f.Steps(), steps + 3);
        // A repeat that the toolkit did not mark, a release and a press at
        // one moment, joins too; a second press by hand does not.
        QTest::simulateEvent(f.form.windowHandle(), false, Qt::Key_Left, {}, QString(), false);
        QTest::simulateEvent(f.form.windowHandle(), true, Qt::Key_Left, {}, QString(), false);
        QCOMPARE(image->pos(), QPoint(95, 110));
        QCOMPARE(f.Steps(), steps + 3);
        QTest::qWait(30);
        f.Key(Qt::Key_Left);
        QCOMPARE(image->pos(), QPoint(94, 110));
        QCOMPARE(f.Steps(), steps + 4);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), f.form.ButtonEx1); // the keys moved no focus
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(image->pos(), QPoint(101, 110));
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(image->pos(), QPoint(101, 100));
        // Nothing selected: the keys move nothing.
        f.Key(Qt::Key_Escape);
        f.Key(Qt::Key_Right);
        QCOMPARE(image->pos(), QPoint(101, 100));
    }

    // The keys keep a pixel of the picture in the visible page area, as the
    // pointer confinement does for a drag; a press that moves nothing is no
    // step.
    void keyMovesAreConfinedAsADragIs() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        const QWidget* view = f.form.ScrollBox1->viewport();
        const auto onLayer = [&](QPoint p) {
            return f.form.TransPanel1->mapFromGlobal(view->mapToGlobal(p));
        };
        const QPoint last = onLayer(QPoint(view->width() - 1, view->height() - 1));
        TImageEx* image = f.Place(QRect(last.x() - 3, 200, 40, 40));
        f.Click(QPoint(last.x() - 2, 210));
        f.Key(Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(image->x(), last.x());
        const int steps = f.Steps();
        f.Key(Qt::Key_Right);
        QCOMPARE(image->x(), last.x());
        QCOMPARE(f.Steps(), steps);
        // The page's left column is outside the confinement, as for a drag.
        const int first = onLayer(QPoint(1, 0)).x();
        image->move(first + 4 - 40, 200);
        f.Key(Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(image->x(), first - 39);
    }

    // The settings dialog's OK is one step; undo gives back the paper, the
    // margin, the bag's place and the switches; an OK that changes nothing
    // is no step.
    void theSettingsOkIsUndone() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        const TFormSettings before = f.form.Settings();
        const QRect bag = f.form.QRBag1->geometry();
        const QSize page = f.form.QuickRep1->size();
        const auto answer = [](int paper, int margin) {
            WhenModal([paper, margin](QWidget* w) {
                auto* dialog = qobject_cast<TForm2*>(w);
                QVERIFY(dialog);
                dialog->ComboBox1->setCurrentIndex(paper);
                dialog->SpinEdit1->setValue(margin);
                dialog->CheckBox2->setChecked(!dialog->CheckBox2->isChecked());
                dialog->ButtonEx1->click();
            });
        };
        answer(3, 25);
        f.form.ButtonEx8->click();
        QCOMPARE(f.form.Settings().PaperIndex, 3);
        QCOMPARE(f.form.PageMargin(), 25);
        QVERIFY(f.form.QuickRep1->size() != page);
        QCOMPARE(f.Steps(), 1);
        f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.form.Settings().PaperIndex, before.PaperIndex);
        QCOMPARE(f.form.PageMargin(), before.PageMargin);
        QCOMPARE(f.form.LinesInFront(), before.LinesInFront);
        QCOMPARE(f.form.QuickRep1->size(), page);
        QCOMPARE(f.form.QRBag1->geometry(), bag);
        WhenModal([](QWidget* w) { qobject_cast<TForm2*>(w)->ButtonEx1->click(); });
        f.form.ButtonEx8->click();
        QCOMPARE(f.Steps(), 0);
        QVERIFY(f.form.UndoStack()->canRedo());
    }

    // Each colour command is a step of its own; undo gives each button's
    // colour back, newest first.
    void colourCommandsAreUndoneOneByOne() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        const TQRBag* bag = f.form.QRBag1;
        const auto colours = [bag] {
            return QList<TColor>{bag->Color(), bag->YamaoriColor(), bag->TanioriColor(),
                                 bag->NorishiroColor()};
        };
        const QList<TButtonEx*> buttons{f.form.ButtonEx2, f.form.ButtonEx5, f.form.ButtonEx6,
                                        f.form.ButtonEx7};
        const QList<TColor> before = colours();
        QList<TColor> chosen;
        for (int i = 0; i < 4; ++i) {
            const QColor c(40 * i + 10, 200 - 30 * i, 7 * i);
            chosen.append(TColor(c.red() | c.green() << 8 | c.blue() << 16));
            WhenModal([c](QWidget* w) {
                auto* dialog = qobject_cast<QColorDialog*>(w);
                QVERIFY(dialog);
                dialog->setCurrentColor(c);
                dialog->accept();
            });
            buttons[i]->click();
        }
        QCOMPARE(colours(), chosen);
        for (int i = 3; i >= 0; --i) {
            f.Key(Qt::Key_Z, Qt::ControlModifier);
            chosen[i] = before[i];
            QCOMPARE(colours(), chosen);
        }
    }

    // Both menus offer undo and redo, greyed when there is nothing; the
    // page's menu comes up only where no picture is.
    void bothMenusOfferUndoAndRedo() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        const QString undo = QStringLiteral("元に戻す");
        const QString redo = QStringLiteral("やり直す");
        // The page's menu starts with undo and redo; the design commands follow.
        QCOMPARE(MenuAt(f, QPoint(400, 300)).mid(0, 3),
                 (QStringList{"PopupMenu2", undo + " (greyed)", redo + " (greyed)"}));
        f.Place(QRect(100, 100, 100, 100));
        QCOMPARE(MenuAt(f, QPoint(150, 150)),
                 (QStringList{"PopupMenu1", QStringLiteral("手前に移動"),
                              QStringLiteral("イメージの削除"), undo, redo + " (greyed)"}));
        f.form.Undo1->trigger();
        QVERIFY(f.form.PlacedImages().isEmpty());
        QCOMPARE(MenuAt(f, QPoint(150, 150)).mid(0, 3),
                 (QStringList{"PopupMenu2", undo + " (greyed)", redo}));
    }

    // At least 100 steps are kept.
    void aHundredStepsAreKept() {
        TActiveLayer f;
        QVERIFY(f.exposed);
        TImageEx* image = f.Place(QRect(100, 100, 50, 50));
        f.Click(QPoint(120, 120));
        for (int i = 0; i < 120; ++i)
            f.Key(i % 2 ? Qt::Key_Down : Qt::Key_Right);
        QCOMPARE(image->pos(), QPoint(160, 160));
        for (int i = 0; i < 100; ++i)
            f.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(image->pos(), QPoint(110, 110));
    }
};

QTEST_MAIN(TstUndo)
#include "tst_undo.moc"
