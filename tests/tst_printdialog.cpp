// The preview's printer dialog: what it offers, what comes back out of it,
// and the road through the preview with real mouse input.
#include "ModalSupport.h"
#include "PreviewTestSupport.h"
#include "PrintTestSupport.h"
#include "bag/CommonFiles.h"
#include "platform/Messages.h"
#include "report/QRPrintDialog.h"
#include "report/QuickRep.h"
#include "windows/ButtonEx.h"
#include "windows/Unit1.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {
// Runs fn on the next modal dialog of type T, once it is up.
template <typename T> void WhenModalOf(std::function<void(T*)> fn) {
    QTimer::singleShot(10, [fn] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()))
            fn(w);
        else
            WhenModalOf<T>(fn);
    });
}

bool FileStartsWith(const QString& path, const QByteArray& start) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(start.size()) == start;
}

TPrintSetupChoice Choice(TPrinterOrientation o, int copies, int first = 0, int last = 0) {
    TPrintSetupChoice c;
    c.PrinterName = QStringLiteral("out.pdf");
    c.Orientation = o;
    c.Copies = copies;
    c.FirstPage = first;
    c.LastPage = last;
    return c;
}

// Every text the dialog shows, accelerators removed.
QStringList ShownTexts(const QDialog& dialog) {
    QStringList texts{dialog.windowTitle()};
    for (const QLabel* l : dialog.findChildren<QLabel*>())
        texts << l->text();
    for (const QAbstractButton* b : dialog.findChildren<QAbstractButton*>())
        texts << b->text();
    for (const QGroupBox* g : dialog.findChildren<QGroupBox*>())
        texts << g->title();
    for (QString& t : texts)
        t.remove(QRegularExpression("\\(&.\\)|&"));
    texts.removeAll(QString());
    return texts;
}
} // namespace

class TstPrintDialog : public QObject {
    Q_OBJECT
private slots:
    void offersPrinterCopiesOrientationAndRangeInJapaneseOnly() {
        const TQRPrintDialog dialog(nullptr, {"out.pdf", "other"}, "other",
                                    Choice(TPrinterOrientation::Landscape, 1), 0);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("プリンタの設定"));
        QCOMPARE(dialog.PrinterBox->currentText(), QStringLiteral("out.pdf"));
        QCOMPARE(dialog.PrinterBox->count(), 3);
        QCOMPARE(dialog.PrinterBox->itemText(2), QStringLiteral("PDFファイル"));
        // The printer, copies and the two page limits are the only fields.
        QCOMPARE(dialog.findChildren<QSpinBox*>().size(), 3);
        QCOMPARE(dialog.findChildren<QComboBox*>().size(), 1);
        QCOMPARE(dialog.findChildren<QRadioButton*>().size(), 4);
        const QStringList texts = ShownTexts(dialog);
        QVERIFY(texts.size() >= 12);
        for (const QString& t : texts)
            QVERIFY2(!t.contains(QRegularExpression("[A-Za-z]")), qPrintable(t));
        QVERIFY(dialog.OkButton->text().contains(QStringLiteral("設定")));
        QVERIFY(dialog.OkButton->isDefault());
    }

    void choicesComeBackOutOfTheDialog_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("copies");
        QTest::addColumn<int>("finished");
        QTest::addColumn<bool>("range");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("portrait, 3 copies, all") << 0 << 3 << 0 << false << 0 << 0;
        QTest::newRow("landscape, range 2..5") << 1 << 2 << 0 << true << 2 << 5;
        // A finished run limits the range to its pages: 0..9 becomes 1..1.
        QTest::newRow("finished run of 1 page") << 1 << 1 << 1 << true << 1 << 1;
    }
    void choicesComeBackOutOfTheDialog() {
        QFETCH(int, orientation);
        QFETCH(int, copies);
        QFETCH(int, finished);
        QFETCH(bool, range);
        QFETCH(int, first);
        QFETCH(int, last);
        TQRPrintDialog dialog(nullptr, {"out.pdf"}, "out.pdf",
                              Choice(TPrinterOrientation(orientation), copies), finished);
        QVERIFY(dialog.AllPagesButton->isChecked());
        QVERIFY(!dialog.FromPageBox->isEnabled());
        if (range) {
            dialog.PageRangeButton->setChecked(true);
            QVERIFY(dialog.FromPageBox->isEnabled());
            if (finished == 0) {
                dialog.FromPageBox->setValue(first);
                dialog.ToPageBox->setValue(last);
            } else {
                dialog.FromPageBox->setValue(0);
                dialog.ToPageBox->setValue(9);
            }
        }
        const TPrintSetupChoice out = dialog.Choice();
        QCOMPARE(int(out.Orientation), orientation);
        QCOMPARE(out.Copies, copies);
        QCOMPARE(out.FirstPage, first);
        QCOMPARE(out.LastPage, last);
    }

    // No print server: 印刷 offers the file with the missing-printer text,
    // the save dialog proposes a name from the paper, and the PDF is written.
    void withoutPrinterPrintOffersTheFile() {
        TQRPrinterService::Install(std::make_unique<TNoPrinterService>());
        QTemporaryDir folder;
        SetDataFolderOverride(folder.path());
        TForm1 form;
        form.ApplySettings({3, 10, true, false}); // B5
        QString offer;
        QString proposed;
        const QString target = folder.filePath("offer.pdf");
        WhenModalOf<QMessageBox>([&](QMessageBox* box) {
            offer = box->text();
            WhenModalOf<QFileDialog>([&](QFileDialog* save) {
                proposed = QFileInfo(save->selectedFiles().value(0)).fileName();
                ChooseInFileDialog(save, target);
            });
            box->buttons().value(0)->click(); // ファイルに保存
        });
        QTest::mouseClick(form.ButtonEx4, Qt::LeftButton);
        SetDataFolderOverride(QString());
        TQRPrinterService::Install(nullptr);
        QCOMPARE(offer, QStringLiteral("プリンタがインストールされていません。"));
        QCOMPARE(proposed, QStringLiteral("ふくろ-B5.pdf"));
        QVERIFY(FileStartsWith(target, "%PDF"));
        QVERIFY(form.ButtonEx4->isEnabled());
    }

    // The printer dialog lists the file after the printers (also with none);
    // chosen there, 印刷 writes the sheet file instead of printing.
    void dialogsPdfTargetMakesPrintWriteTheFile() {
        TPdfPrinterScope pdf;
        QTemporaryDir folder;
        SetDataFolderOverride(folder.path());
        TForm1 form;
        WhenModalOf<TQRPrintDialog>([](TQRPrintDialog* dialog) {
            QCOMPARE(dialog->PrinterBox->itemText(dialog->PrinterBox->count() - 1),
                     QStringLiteral("PDFファイル"));
            dialog->PrinterBox->setCurrentIndex(dialog->PrinterBox->count() - 1);
            dialog->OkButton->click();
        });
        RunPagePrintDialog(form.QuickRep1, &form);
        QVERIFY(form.QuickRep1->PrinterSettings().ToFile);
        const QString target = folder.filePath("sheet.svg");
        WhenModalOf<QFileDialog>([&](QFileDialog* save) {
            QCOMPARE(save->nameFilters().size(), 4);
            ChooseInFileDialog(save, target);
        });
        QTest::mouseClick(form.ButtonEx4, Qt::LeftButton);
        SetDataFolderOverride(QString());
        QVERIFY(FileStartsWith(target, "<?xml"));
        QVERIFY(!QFileInfo::exists(pdf.file)); // nothing went to the printer

        TQRPrinterService::Install(std::make_unique<TNoPrinterService>());
        TPrintSetupChoice choice;
        WhenModalOf<TQRPrintDialog>([](TQRPrintDialog* dialog) {
            QCOMPARE(dialog->PrinterBox->count(), 1);
            dialog->OkButton->click();
        });
        QVERIFY(RunPrintSetupDialog(nullptr, choice, 0));
        QVERIFY(choice.ToFile);
    }

    // With the mouse in the preview: portrait reshapes the main page and
    // makes the next print portrait; landscape gives both back.
    void portraitAndBackThroughThePreviewWithTheMouse_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("page");
        QTest::newRow("portrait") << int(TPrinterOrientation::Portrait) << QSize(635, 898);
        QTest::newRow("landscape again") << int(TPrinterOrientation::Landscape) << QSize(898, 635);
    }
    void portraitAndBackThroughThePreviewWithTheMouse() {
        QFETCH(int, orientation);
        QFETCH(QSize, page);
        static TForm1* form = nullptr; // one window for both rows: the choice must come back
        if (!form)
            form = new TForm1;
        TPdfPrinterScope pdf;
        TPreviewVisit visit;
        visit.action = [&](TQRStandardPreview& preview) {
            ChooseInPrinterDialog(preview, TPrinterOrientation(orientation));
            QVERIFY(preview.isVisible());
        };
        VisitPreviewWhenShown(visit);
        QTest::mouseClick(form->ButtonEx3, Qt::LeftButton);
        QCOMPARE(visit.visits, 1);
        QCOMPARE(form->QuickRep1->size(), page);

        auto* probe = new TProbe(form->QuickRep1);
        QPageLayout::Orientation printed = QPageLayout::Orientation(-1);
        QSizeF paper;
        probe->OnPrint = [&](const TQRPrintableSnapshot&, TQRPrinter& p) {
            printed = p.Device()->pageLayout().orientation();
            paper = p.Device()->pageLayout().fullRect(QPageLayout::Millimeter).size();
        };
        QTest::mouseClick(form->ButtonEx4, Qt::LeftButton);
        delete probe;
        const bool portrait = orientation == int(TPrinterOrientation::Portrait);
        QCOMPARE(printed, portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
        QCOMPARE(paper.width() < paper.height(), portrait);
        if (!portrait) {
            delete form;
            form = nullptr;
        }
    }
};

QTEST_MAIN(TstPrintDialog)
#include "tst_printdialog.moc"
