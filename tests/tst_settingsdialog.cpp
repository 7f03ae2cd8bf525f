// The settings dialog: its controls, the margin field's typing rules, the
// exchange of values, and the settings command of the main window.
#include "bag/Common.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/SpinEdit.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"
#include "windows/Unit2.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs the settings command; `act` handles the modal dialog and must close it.
void RunSettingsCommand(TForm1& form, const std::function<void(TForm2&)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TForm2*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        act(*dialog);
    });
    form.ButtonEx8->click();
    QVERIFY(seen);
}

// Types `keys` into the emptied margin field and leaves it with Tab.
QString TypeMargin(TForm2& dialog, const QString& keys) {
    QLineEdit* edit = dialog.SpinEdit1->findChild<QLineEdit*>();
    edit->clear();
    QTest::keyClicks(dialog.SpinEdit1, keys);
    const QString typed = edit->text();
    dialog.SpinEdit1->interpretText();
    return typed;
}
} // namespace

class TstSettingsDialog : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() { SetDataFolderOverride(dir_.path()); }

    void isAFixedDialogWithOkAsDefault() {
        TForm2 dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("その他の設定"));
        QCOMPARE(dialog.size(), QSize(448, 201));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!dialog.ComboBox1->isEditable());
        QVERIFY(dialog.ButtonEx1->isDefault());
        QCOMPARE(dialog.ButtonEx1->Kind(), TBitBtnKind::OK);
        QCOMPARE(dialog.ButtonEx2->text(), QStringLiteral("キャンセル"));
        QVERIFY(dialog.ButtonEx2->Cancel());
    }

    void tabOrderFollowsTheControls() {
        TForm2 dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.ComboBox1->setFocus();
        const QList<QWidget*> order{dialog.SpinEdit1, dialog.CheckBox1, dialog.CheckBox2,
                                    dialog.CheckBox3, dialog.ButtonEx1, dialog.ButtonEx2,
                                    dialog.ComboBox1};
        for (QWidget* expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus == expected || focus->parentWidget() == expected);
        }
        dialog.reject();
    }

    void showPutsTheFieldsIntoTheControls_data() {
        QTest::addColumn<int>("paperIndex");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QString>("paperShown");
        QTest::addColumn<int>("marginShown");
        QTest::newRow("B5, 20") << 3 << 20 << "B5" << 20;
        QTest::newRow("no row, 70") << -1 << 70 << "" << 50;
        QTest::newRow("A4, 0") << 0 << 0 << "A4" << 1;
    }
    void showPutsTheFieldsIntoTheControls() {
        QFETCH(int, paperIndex);
        QFETCH(int, margin);
        QFETCH(QString, paperShown);
        QFETCH(int, marginShown);
        TForm2 dialog(nullptr);
        dialog.PaperIndex = paperIndex;
        dialog.PageMargin = margin;
        dialog.PrintLines = false;
        dialog.LinesInFront = true;
        dialog.show();
        QCOMPARE(dialog.ComboBox1->count(), 4);
        QCOMPARE(dialog.ComboBox1->currentText(), paperShown);
        QCOMPARE(dialog.SpinEdit1->value(), marginShown);
        QVERIFY(!dialog.CheckBox1->isChecked());
        QVERIFY(dialog.CheckBox2->isChecked());
        dialog.reject();
    }

    void onlyOkCopiesTheControlsBack() {
        for (const char* way : {"ok", "enter", "cancel", "escape", "close box"}) {
            TForm2 dialog(nullptr);
            dialog.PaperIndex = 0;
            dialog.PageMargin = 10;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            dialog.ComboBox1->setCurrentIndex(2);
            dialog.CheckBox1->setChecked(false);
            dialog.SpinEdit1->setFocus();
            TypeMargin(dialog, "33");
            const QByteArray w(way);
            if (w == "ok")
                dialog.ButtonEx1->click();
            else if (w == "enter")
                QTest::keyClick(dialog.SpinEdit1, Qt::Key_Return);
            else if (w == "cancel")
                dialog.ButtonEx2->click();
            else if (w == "escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.close();
            const bool ok = w == "ok" || w == "enter";
            QVERIFY2(!dialog.isVisible(), way);
            QCOMPARE(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
            QCOMPARE(dialog.PaperIndex, ok ? 2 : 0);
            QCOMPARE(dialog.PageMargin, ok ? 33 : 10);
            QCOMPARE(dialog.PrintLines, !ok);
        }
    }

    void marginFieldTyping_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::newRow("in range") << "25"
                                  << "25" << 25;
        QTest::newRow("too big") << "70"
                                 << "70" << 50;
        QTest::newRow("empty") << ""
                               << "" << 1;
        QTest::newRow("decimal") << "2.5"
                                 << "2.5" << 1;
        QTest::newRow("plus sign") << "+7"
                                   << "+7" << 7;
        QTest::newRow("negative") << "-3"
                                  << "-3" << 1;
        QTest::newRow("letters refused") << "1a2x"
                                         << "12" << 12;
        QTest::newRow("huge") << "99999999999999999999"
                              << "99999999999999999999" << 50;
    }
    void marginFieldTyping() {
        QFETCH(QString, keys);
        QFETCH(QString, typed);
        QFETCH(int, value);
        TForm2 dialog(nullptr);
        dialog.show();
        QCOMPARE(TypeMargin(dialog, keys), typed);
        QCOMPARE(dialog.SpinEdit1->value(), value);
        QCOMPARE(dialog.SpinEdit1->text(), QString::number(value));
        dialog.reject();
    }

    void leavingTheMarginFieldBringsItsTextIntoRange() {
        TForm2 dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.SpinEdit1->setFocus();
        dialog.SpinEdit1->findChild<QLineEdit*>()->clear();
        QTest::keyClicks(dialog.SpinEdit1, "70");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!dialog.SpinEdit1->hasFocus());
        QCOMPARE(dialog.SpinEdit1->text(), QStringLiteral("50"));
        dialog.reject();
    }

    void settingsCommandAppliesPaperAndMargin() {
        TForm1 form;
        QTemporaryDir pictures;
        QImage picture(50, 50, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(pictures.filePath("p.bmp")));
        TImageEx* image = form.AddPlacedImage(pictures.filePath("p.bmp"), {300, 200, 50, 50}, true);
        RunSettingsCommand(form, [](TForm2& d) {
            QCOMPARE(d.ComboBox1->currentText(), QStringLiteral("A4"));
            d.ComboBox1->setCurrentIndex(3);
            d.CheckBox1->setChecked(false);
            d.CheckBox2->setChecked(true);
            d.ButtonEx1->click();
        });
        QCOMPARE(form.QuickRep1->size(), QSize(777, 550));
        QCOMPARE(form.QRBag1->geometry(), QRect(30, 30, 717, 490));
        QCOMPARE(form.TransPanel1->geometry(), QRect(1, 1, 775, 548));
        QCOMPARE(image->geometry(), QRect(300, 200, 50, 50));
        QVERIFY(!form.PrintLines());
        QVERIFY(!form.QRBag1->PrintLine());
        QVERIFY(form.LinesInFront());

        RunSettingsCommand(form, [](TForm2& d) {
            d.SpinEdit1->setValue(25);
            d.ButtonEx1->click();
        });
        QCOMPARE(form.PageMargin(), 25);
        QCOMPARE(form.QRBag1->geometry(), QRect(76, 76, 777 - 152, 550 - 152));
        for (int index : {0, 2, 4, 5})
            QCOMPARE(double(form.QuickRep1->Page()->NativeValue(index)), 250.0);
        QCOMPARE(double(form.QuickRep1->Page()->NativeValue(6)), 0.0);

        RunSettingsCommand(form, [](TForm2& d) {
            d.ComboBox1->setCurrentIndex(0);
            d.SpinEdit1->setValue(5);
            d.ButtonEx2->click();
        });
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), QRPaper::B5);
        QCOMPARE(form.QRBag1->geometry().topLeft(), QPoint(76, 76));
    }

    // Every text of the dialog is shown whole in the window's font, with
    // either Japanese gothic the package can bring: no control is narrower
    // than its text needs, and none reaches past the dialog or into another.
    void everyTextIsShownWhole_data() {
        QTest::addColumn<QString>("family");
        QTest::newRow("IPA") << "IPAPGothic";
        QTest::newRow("Noto") << "Noto Sans CJK JP";
    }
    void everyTextIsShownWhole() {
        QFETCH(QString, family);
        TForm1 form;
        QFont font(family);
        font.setPixelSize(12);
        QCOMPARE(QFontInfo(font).family(), family);
        form.setFont(font);
        TForm2 dialog(&form);
        dialog.show();
        const QList<QWidget*> texts{dialog.Label1,    dialog.Label2,    dialog.Label3,
                                    dialog.CheckBox1, dialog.CheckBox2, dialog.CheckBox3};
        for (int i = 0; i < texts.size(); ++i) {
            QWidget* w = texts[i];
            QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(w->objectName()));
            QVERIFY2(dialog.rect().contains(w->geometry()), qPrintable(w->objectName()));
            for (int j = i + 1; j < texts.size(); ++j)
                QVERIFY(!w->geometry().intersects(texts[j]->geometry()));
        }
        dialog.reject();
    }

    // The fold styles: off at first, carried by the dialog, kept in the
    // user's configuration for the next window, and SETTING.DAT keeps its
    // twelve bytes.
    void foldStylesAreKeptInTheConfigurationAndNotInSettingDat() {
        {
            TForm1 form;
            QVERIFY(!form.FoldStyles());
            RunSettingsCommand(form, [](TForm2& d) {
                QCOMPARE(d.CheckBox3->text(), QStringLiteral("折り線を線種で区別する"));
                QVERIFY(!d.CheckBox3->isChecked());
                d.CheckBox3->setChecked(true);
                d.ButtonEx1->click();
            });
            QVERIFY(form.QRBag1->FoldStyles());
            QVERIFY(form.close());
        }
        QCOMPARE(QFileInfo(dir_.filePath("SETTING.DAT")).size(), 12);
        {
            TForm1 form;
            QVERIFY(form.QRBag1->FoldStyles());
            RunSettingsCommand(form, [](TForm2& d) {
                QVERIFY(d.CheckBox3->isChecked());
                d.CheckBox3->setChecked(false);
                d.ButtonEx1->click();
            });
        }
        TForm1 form;
        QVERIFY(!form.FoldStyles());
    }

    void paperOutsideTheTableIsKeptWithoutAChoice() {
        TForm1 form;
        form.QuickRep1->Page()->SetPaperSize(8); // A3, from a foreign SETTING.DAT
        const QSize page = form.QuickRep1->size();
        RunSettingsCommand(form, [](TForm2& d) {
            QCOMPARE(d.ComboBox1->currentIndex(), -1);
            d.SpinEdit1->setValue(20);
            d.ButtonEx1->click();
        });
        QCOMPARE(form.QuickRep1->Page()->PaperSize(), TQRPaperSize(8));
        QCOMPARE(form.QuickRep1->size(), page);
        QCOMPARE(form.QRBag1->geometry().topLeft(), QPoint(60, 60));
    }
};

QTEST_MAIN(TstSettingsDialog)
#include "tst_settingsdialog.moc"
