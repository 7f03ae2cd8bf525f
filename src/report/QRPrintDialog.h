#pragma once
// The report page's printer dialog: the platform's print dialog set up from
// the page's printer choices and read back into them. The choices take
// effect with the next print; the page shown in a preview is not redone.

#include "QRPage.h"

#include <QString>

class QPrintDialog;
class QPrinter;
class QWidget;
class TQuickRep;

// What the dialog edits: the printer choice, copies, the page orientation
// and the page range (0 means no limit).
struct TPrintSetupChoice {
    QString PrinterName;
    int Copies = 1;
    TPrinterOrientation Orientation = TPrinterOrientation::Landscape;
    int FirstPage = 0;
    int LastPage = 0;
};

// Puts the choices into the printer object; the dialog reads them when it
// is made, so this comes first.
void PreparePrinter(QPrinter& printer, const TPrintSetupChoice& choice);
// finishedPages: the page count of a finished preview run, 0 otherwise; it
// limits the range to 1..count and preselects that range.
void PreparePrintDialog(QPrintDialog& dialog, int finishedPages);
// The choices as the accepted dialog left them.
TPrintSetupChoice ReadPrintDialog(QPrintDialog& dialog);
// Shows the dialog modally; on OK writes the choices and returns true,
// on Cancel changes nothing.
bool RunPrintSetupDialog(QWidget* parent, TPrintSetupChoice& choice, int finishedPages);

// The report page's print dialog routine: its printer choice, copies and
// page range and its orientation, which reshapes the page on screen. A
// finished preview run of the page limits the page range to its pages.
void RunPagePrintDialog(TQuickRep* page, QWidget* parent);
