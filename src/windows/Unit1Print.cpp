// TForm1's print and preview commands: every placed picture becomes an
// invisible print picture on the report page for the length of one run, with
// a second bag in front of them when the lines are to be printed on top.
#include "ButtonEx.h"
#include "PrintElements.h"
#include "Unit1.h"
#include "bag/ImageEx.h"
#include "bag/QQRBag.h"
#include "platform/ErrorReport.h"
#include "platform/Errors.h"
#include "report/QRPreviewPrinter.h"
#include "report/QRPrintDialog.h"
#include "report/QRPrinter.h"
#include "report/QRStandardPreview.h"
#include "report/QuickRep.h"

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>
#include <QUndoStack>
#include <algorithm>

void TForm1::ConnectPrintCommands() {
    connect(ButtonEx4, &QPushButton::clicked, this, &TForm1::ButtonPrintClick);
    connect(ButtonEx3, &QPushButton::clicked, this, &TForm1::ButtonPrevierClick);
    QuickRep1->SetOnPreview([this](TQRPrinter* printer) { QuickRep1Preview(printer); });
    QuickRep1->SetPrintSetupRoutine([this] {
        QWidget* modal = QApplication::activeModalWidget();
        RunPagePrintDialog(QuickRep1, modal ? modal : this);
    });
    StartPrintWarmup();
}

// Every change of the design is a step on the undo stack (and so is every
// undo and redo of one): the timer starts again with each.
void TForm1::StartPrintWarmup() {
    printWarmup_ = new QTimer(this);
    printWarmup_->setSingleShot(true);
    printWarmup_->setInterval(kPrintWarmupDelayMs);
    connect(printWarmup_, &QTimer::timeout, this, [this] {
        if (isVisible() && !running_ && HoldsPictureBytes())
            QuickRep1->WhenPrintServerAnswers(this, [this] { WarmPrint(); });
    });
    connect(undoStack_, &QUndoStack::indexChanged, printWarmup_, qOverload<>(&QTimer::start));
    printWarmup_->start();
}

bool TForm1::HoldsPictureBytes() const {
    return std::any_of(placedImages_.cbegin(), placedImages_.cend(), [](const TImageEx* image) {
        return !image->IsPlaceholder() && image->Held() && !image->Held()->HoldsPixels();
    });
}

// Without a picture to decode the printer is not even opened. The print
// pictures stand on the page only while their snapshot is taken; hidden,
// they do not paint.
void TForm1::WarmPrint() {
    if (running_ || !HoldsPictureBytes())
        return;
    TPrintElements elements;
    elements.CreatePrintImages(QuickRep1, placedImages_);
    const auto free = qScopeGuard([&elements] { elements.FreePrintImages(); });
    QuickRep1->WarmPrintDecodes();
}

void TForm1::ButtonPrintClick() {
    RunCommand(ButtonEx4, false);
}

void TForm1::ButtonPrevierClick() {
    RunCommand(ButtonEx3, true);
}

// The button comes back also when the run fails; the failure then goes to
// the application's error report. Disabling the button moved the keyboard
// focus on to the next one; it goes back to the pressed button, so a second
// Space presses the same command again. A command given while a run is under
// way (a key or a click that reaches the window during it) is refused: the
// run's elements stand on the page until it ends.
void TForm1::RunCommand(TButtonEx* button, bool preview) {
    if (running_)
        return;
    running_ = true;
    const auto idle = qScopeGuard([this] { running_ = false; });
    button->setEnabled(false);
    QString failure;
    try {
        RunReport(preview);
    } catch (const EError& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    button->setEnabled(true);
    button->setFocus(Qt::OtherFocusReason);
    if (!failure.isEmpty())
        ShowErrorReport(this, failure);
}

// The page does not redraw while the run's elements stand on it; they are
// removed and the page redraws also when the run fails. A preview returns
// only after its worker has stopped, so nothing is freed under it.
void TForm1::RunReport(bool preview) {
    WithPrintElements([this, preview] {
        if (preview)
            QuickRep1->Preview();
        else
            QuickRep1->Print();
    });
}

void TForm1::WithPrintElements(const std::function<void()>& run) {
    QuickRep1->setUpdatesEnabled(false);
    const auto restore = qScopeGuard([this] {
        printElements_.FreeFrontBag();
        printElements_.FreePrintImages();
        QuickRep1->setUpdatesEnabled(true);
    });
    printElements_.CreatePrintImages(QuickRep1, placedImages_);
    QRBag1->SetPrintLine(printLines_);
    if (linesInFront_ && printLines_)
        printElements_.CreateFrontBag(QuickRep1, QRBag1);
    run();
}

// The run's paper was taken from the page when the run began; handing it
// over again is left out while the worker may still be reading it.
void TForm1::QuickRep1Preview(TQRPrinter* printer) {
    TQRPreviewPrinter source(printer);
    TQRStandardPreview preview(this, &source);
    preview.SaveReport->setVisible(false);
    preview.LoadReport->setVisible(false);
    preview.Separator4->setVisible(false);
    if (source.Finished())
        source.SetPaperSize(QuickRep1->Page()->PaperSize());
    preview.exec();
}

void TForm1::ExportSheet(const QString& fileName, int dpi) {
    WithPrintElements([&] { QuickRep1->Export(fileName, dpi); });
}
