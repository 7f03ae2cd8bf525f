// The printer dialog: how the page's choices go in and come back out.
#include "report/QRPrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTest>

class TstPrintDialog : public QObject {
    Q_OBJECT
private slots:
    void limitsFollowAFinishedRun() {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        PreparePrintDialog(dialog, 0);
        QCOMPARE(dialog.minPage(), 0);
        QCOMPARE(dialog.maxPage(), 9999);
        QCOMPARE(dialog.printRange(), QAbstractPrintDialog::AllPages);
        PreparePrintDialog(dialog, 1);
        QCOMPARE(dialog.minPage(), 1);
        QCOMPARE(dialog.maxPage(), 1);
        QCOMPARE(dialog.fromPage(), 1);
        QCOMPARE(dialog.toPage(), 1);
        QVERIFY(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
        QVERIFY(!dialog.testOption(QAbstractPrintDialog::PrintSelection));
        QVERIFY(!dialog.testOption(QAbstractPrintDialog::PrintToFile));
    }

    void choicesComeBackThroughTheAcceptedDialog_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("copies");
        QTest::newRow("portrait, 3 copies") << int(TPrinterOrientation::Portrait) << 3;
        QTest::newRow("landscape, 2 copies") << int(TPrinterOrientation::Landscape) << 2;
    }
    void choicesComeBackThroughTheAcceptedDialog() {
        QFETCH(int, orientation);
        QFETCH(int, copies);
        TPrintSetupChoice in;
        in.Orientation = TPrinterOrientation(orientation);
        in.Copies = copies;
        QPrinter printer;
        PreparePrinter(printer, in);
        QPrintDialog dialog(&printer);
        PreparePrintDialog(dialog, 1);
        dialog.open();
        dialog.accept();
        const TPrintSetupChoice out = ReadPrintDialog(dialog);
        QCOMPARE(int(out.Orientation), orientation);
        QCOMPARE(out.Copies, copies);
        QCOMPARE(out.FirstPage, 0); // all pages
        QCOMPARE(out.LastPage, 0);
    }

    void aPageRangeBecomesFirstAndLastPage() {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        PreparePrintDialog(dialog, 0);
        dialog.setPrintRange(QAbstractPrintDialog::PageRange);
        dialog.setFromTo(2, 5);
        const TPrintSetupChoice out = ReadPrintDialog(dialog);
        QCOMPARE(out.FirstPage, 2);
        QCOMPARE(out.LastPage, 5);
    }
};

QTEST_MAIN(TstPrintDialog)
#include "tst_printdialog.moc"
