#include "QRPrintDialog.h"

#include "../platform/ErrorReport.h"
#include "QRFileTarget.h"
#include "QRPrinter.h"
#include "QRPrinterService.h"
#include "QuickRep.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

TQRPrintDialog::TQRPrintDialog(QWidget* parent, const QStringList& printers,
                               const QString& defaultPrinter, const TPrintSetupChoice& choice,
                               int finishedPages)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("プリンタの設定"));
    auto* layout = new QVBoxLayout(this);
    const QString named =
        printers.contains(choice.PrinterName) ? choice.PrinterName : defaultPrinter;
    const int selected = choice.ToFile || printers.isEmpty()
                             ? int(printers.size())
                             : std::max(0, int(printers.indexOf(named)));
    layout->addWidget(MakePrinterGroup(printers, selected, choice.Copies));
    auto* row = new QHBoxLayout;
    row->addWidget(MakeOrientationGroup(choice.Orientation));
    row->addWidget(MakeRangeGroup(finishedPages));
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox(this);
    // The choices are kept for the next print; nothing prints here.
    OkButton =
        buttons->addButton(QStringLiteral("この設定にする(&O)"), QDialogButtonBox::AcceptRole);
    CancelButton = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    OkButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the printer's index, then the copies
QWidget* TQRPrintDialog::MakePrinterGroup(const QStringList& printers, int selected, int copies) {
    auto* group = new QGroupBox(QStringLiteral("プリンタ"), this);
    auto* form = new QFormLayout(group);
    PrinterBox = new QComboBox(group);
    PrinterBox->addItems(printers);
    PrinterBox->addItem(SheetFileTargetName());
    PrinterBox->setCurrentIndex(selected);
    form->addRow(QStringLiteral("プリンタ名(&N):"), PrinterBox);
    CopiesBox = new QSpinBox(group);
    CopiesBox->setRange(1, 9999);
    CopiesBox->setValue(copies);
    form->addRow(QStringLiteral("部数(&C):"), CopiesBox);
    return group;
}

QWidget* TQRPrintDialog::MakeOrientationGroup(TPrinterOrientation o) {
    auto* group = new QGroupBox(QStringLiteral("印刷の向き"), this);
    auto* column = new QVBoxLayout(group);
    PortraitButton = new QRadioButton(QStringLiteral("縦(&T)"), group);
    LandscapeButton = new QRadioButton(QStringLiteral("横(&Y)"), group);
    (o == TPrinterOrientation::Portrait ? PortraitButton : LandscapeButton)->setChecked(true);
    column->addWidget(PortraitButton);
    column->addWidget(LandscapeButton);
    return group;
}

// Limits 0..9999, or 1..count once a run has finished with that range.
QWidget* TQRPrintDialog::MakeRangeGroup(int finishedPages) {
    auto* group = new QGroupBox(QStringLiteral("印刷範囲"), this);
    auto* grid = new QFormLayout(group);
    AllPagesButton = new QRadioButton(QStringLiteral("すべてのページ(&A)"), group);
    PageRangeButton = new QRadioButton(QStringLiteral("ページ指定(&G)"), group);
    AllPagesButton->setChecked(true);
    grid->addRow(AllPagesButton);
    grid->addRow(PageRangeButton);
    FromPageBox = new QSpinBox(group);
    ToPageBox = new QSpinBox(group);
    for (QSpinBox* box : {FromPageBox, ToPageBox}) {
        box->setRange(finishedPages > 0 ? 1 : 0, finishedPages > 0 ? finishedPages : 9999);
        box->setEnabled(false);
        connect(PageRangeButton, &QRadioButton::toggled, box, &QWidget::setEnabled);
    }
    FromPageBox->setValue(finishedPages > 0 ? 1 : 0);
    ToPageBox->setValue(finishedPages);
    grid->addRow(QStringLiteral("開始ページ(&F):"), FromPageBox);
    grid->addRow(QStringLiteral("終了ページ(&E):"), ToPageBox);
    return group;
}

// A dialog that reports one copy leaves the count to the chosen printer's
// own job settings.
TPrintSetupChoice TQRPrintDialog::Choice() const {
    TPrintSetupChoice choice;
    choice.ToFile = PrinterBox->currentIndex() == PrinterBox->count() - 1;
    if (!choice.ToFile)
        choice.PrinterName = PrinterBox->currentText();
    choice.Copies = CopiesBox->value();
    if (choice.Copies == 1 && !choice.PrinterName.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(choice.PrinterName);
        if (!info.isNull())
            choice.Copies = QPrinter(info).copyCount();
    }
    choice.Orientation = PortraitButton->isChecked() ? TPrinterOrientation::Portrait
                                                     : TPrinterOrientation::Landscape;
    if (PageRangeButton->isChecked()) {
        choice.FirstPage = FromPageBox->value();
        choice.LastPage = ToPageBox->value();
    }
    return choice;
}

bool RunPrintSetupDialog(QWidget* parent, TPrintSetupChoice& choice, int finishedPages) {
    if (CurrentServerSilent(kPrintServerWaitMs)) {
        ShowErrorReport(parent, SilentServerMessage());
        return false;
    }
    const TQRPrinterService& service = TQRPrinterService::Current();
    TQRPrintDialog dialog(parent, service.PrinterNames(), service.DefaultPrinterName(), choice,
                          finishedPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.Choice();
    return true;
}

void RunPagePrintDialog(TQuickRep* page, QWidget* parent) {
    TQuickRepPrinterSettings& settings = page->PrinterSettings();
    TPrintSetupChoice choice{settings.PrinterName,        settings.ToFile,    settings.Copies,
                             page->Page()->Orientation(), settings.FirstPage, settings.LastPage};
    const TQRPrinter* run = page->QRPrinter();
    const int finishedPages =
        run && run->Status() == TQRPrinterStatus::Finished ? run->PageCount() : 0;
    if (!RunPrintSetupDialog(parent, choice, finishedPages))
        return;
    settings.Copies = choice.Copies;
    settings.ToFile = choice.ToFile;
    if (!choice.ToFile)
        settings.PrinterName = choice.PrinterName;
    settings.FirstPage = choice.FirstPage;
    settings.LastPage = choice.LastPage;
    page->Page()->SetOrientation(choice.Orientation);
}
