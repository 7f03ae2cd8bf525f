#pragma once
// The report page's printer dialog (プリンタの設定): the printer, the number
// of copies, the orientation and the page range, nothing else. The choices
// take effect with the next print; the page shown in a preview is not redone.

#include "QRPage.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TQuickRep;

// What the dialog edits: the printer choice (a printer, or the sheet file),
// copies, the page orientation and the page range (0 means no limit).
struct TPrintSetupChoice {
    QString PrinterName;
    bool ToFile = false;
    int Copies = 1;
    TPrinterOrientation Orientation = TPrinterOrientation::Landscape;
    int FirstPage = 0;
    int LastPage = 0;
};

class TQRPrintDialog : public QDialog {
    Q_OBJECT
public:
    // printers: the installed ones, the default one first or named by
    // defaultPrinter; the sheet file is listed after them. finishedPages: the page count of a
    // finished preview run, 0 otherwise; it limits the range to 1..count and preselects it.
    TQRPrintDialog(QWidget* parent, const QStringList& printers, const QString& defaultPrinter,
                   const TPrintSetupChoice& choice, int finishedPages);
    // The choices as the dialog shows them.
    TPrintSetupChoice Choice() const;

    QComboBox* PrinterBox;
    QSpinBox* CopiesBox;
    QRadioButton* PortraitButton;
    QRadioButton* LandscapeButton;
    QRadioButton* AllPagesButton;
    QRadioButton* PageRangeButton;
    QSpinBox* FromPageBox;
    QSpinBox* ToPageBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;

private:
    QWidget* MakePrinterGroup(const QStringList& printers, int selected, int copies);
    QWidget* MakeOrientationGroup(TPrinterOrientation o);
    QWidget* MakeRangeGroup(int finishedPages);
};

// Shows the dialog modally; on OK writes the choices and returns true, on
// Cancel changes nothing. Without any printer it offers the sheet file. A
// print server that does not answer (CurrentServerSilent) gets a message
// instead, and nothing changes.
bool RunPrintSetupDialog(QWidget* parent, TPrintSetupChoice& choice, int finishedPages);

// The report page's print dialog routine: its printer choice, copies and
// page range and its orientation, which reshapes the page on screen. A
// finished preview run of the page limits the page range to its pages.
void RunPagePrintDialog(TQuickRep* page, QWidget* parent);
