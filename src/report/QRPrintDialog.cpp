#include "QRPrintDialog.h"

#include "QRPrinter.h"
#include "QuickRep.h"

#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

void PreparePrinter(QPrinter& printer, const TPrintSetupChoice& choice) {
    if (!choice.PrinterName.isEmpty())
        printer.setPrinterName(choice.PrinterName);
    printer.setPageOrientation(choice.Orientation == TPrinterOrientation::Portrait
                                   ? QPageLayout::Portrait
                                   : QPageLayout::Landscape);
    printer.setCopyCount(choice.Copies);
}

void PreparePrintDialog(QPrintDialog& dialog, int finishedPages) {
    if (finishedPages > 0) {
        dialog.setMinMax(1, finishedPages);
        dialog.setFromTo(1, finishedPages);
    } else {
        dialog.setMinMax(0, 9999);
    }
    // All pages or a range of page numbers; no selection, no file output.
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
}

// A dialog that reports one copy leaves the count to the chosen printer's
// own job settings.
TPrintSetupChoice ReadPrintDialog(QPrintDialog& dialog) {
    const QPrinter* printer = dialog.printer();
    TPrintSetupChoice choice;
    choice.PrinterName = printer->printerName();
    choice.Copies = printer->copyCount();
    if (choice.Copies == 1 && !choice.PrinterName.isEmpty()) {
        const QPrinter own(QPrinterInfo::printerInfo(choice.PrinterName));
        choice.Copies = own.copyCount();
    }
    choice.Orientation = printer->pageLayout().orientation() == QPageLayout::Portrait
                             ? TPrinterOrientation::Portrait
                             : TPrinterOrientation::Landscape;
    if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
        choice.FirstPage = dialog.fromPage();
        choice.LastPage = dialog.toPage();
    }
    return choice;
}

bool RunPrintSetupDialog(QWidget* parent, TPrintSetupChoice& choice, int finishedPages) {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer, choice);
    QPrintDialog dialog(&printer, parent);
    PreparePrintDialog(dialog, finishedPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = ReadPrintDialog(dialog);
    return true;
}

void RunPagePrintDialog(TQuickRep* page, QWidget* parent) {
    TQuickRepPrinterSettings& settings = page->PrinterSettings();
    TPrintSetupChoice choice{settings.PrinterName, settings.Copies, page->Page()->Orientation(),
                             settings.FirstPage, settings.LastPage};
    const TQRPrinter* run = page->QRPrinter();
    const int finishedPages =
        run && run->Status() == TQRPrinterStatus::Finished ? run->PageCount() : 0;
    if (!RunPrintSetupDialog(parent, choice, finishedPages))
        return;
    settings.Copies = choice.Copies;
    settings.PrinterName = choice.PrinterName;
    settings.FirstPage = choice.FirstPage;
    settings.LastPage = choice.LastPage;
    page->Page()->SetOrientation(choice.Orientation);
}
