// The print and preview runs of the report page: one page, printed on the
// printer (UI thread) or recorded into a page store (worker thread).
#include "../platform/ErrorReport.h"
#include "../platform/Errors.h"
#include "../platform/Messages.h"
#include "QRPrintable.h"
#include "QRPrinterService.h"
#include "QRProgress.h"
#include "QuickRep.h"

#include <QApplication>

#include <exception>

bool TQuickRep::ClaimRun() {
    bool expected = true;
    if (!available_.compare_exchange_strong(expected, false))
        return false;
    cancelled_ = false;
    pageCount_ = 0;
    return true;
}

// Margins that leave no room are dropped before a run; the change stays.
// Runs on the UI thread because the page re-derives its size on screen.
void TQuickRep::CheckMargins() {
    const TQRUnit saved = units_;
    units_ = TQRUnit::Native;
    if (page_->Width() - page_->LeftMargin() - page_->RightMargin() < 0) {
        page_->SetValue(TQRPage::LeftMarginIdx, 0);
        page_->SetValue(TQRPage::RightMarginIdx, 0);
    }
    if (page_->Length() - page_->TopMargin() - page_->BottomMargin() < 0) {
        page_->SetValue(TQRPage::TopMarginIdx, 0);
        page_->SetValue(TQRPage::BottomMarginIdx, 0);
    }
    units_ = saved;
}

void TQuickRep::Print() {
    if (!available_)
        return;
    auto printer = std::make_unique<TQRPrinter>();
    if (!printer->PrinterOK()) { // said, and nothing else happens
        ShowMessage(DialogParent(), NoPrinterMessage());
        return;
    }
    CheckMargins();
    printer->SetDestination(TQRDestination::Printer);
    printer->SetScreenResolution(resolution_);
    std::unique_ptr<TQRProgressForm> progress;
    if (showProgress_) {
        progress = std::make_unique<TQRProgressForm>(printer.get());
        progress->show();
        printer->SetClient(progress.get());
    }
    // The page's previous printer (an open preview's) comes back afterwards,
    // also when the run fails.
    struct Restore {
        std::unique_ptr<TQRPrinter>& slot;
        std::unique_ptr<TQRPrinter> previous;
        ~Restore() { slot = std::move(previous); }
    } restore{printer_, std::move(printer_)};
    printer_ = std::move(printer);
    if (ClaimRun())
        GenerateReport(printer_.get());
}

void TQuickRep::Preview() {
    if (!available_ || (printer_ && printer_->ShowingPreview()))
        return;
    CheckMargins();
    auto printer = std::make_unique<TQRPrinter>();
    if (printer_)
        printer->SetClient(printer_->Client());
    printer->SetDestination(TQRDestination::PageStore);
    printer->SetMaster(this);
    printer->PrintSetupHook = printSetupRoutine_;
    printer->SetTitle(reportTitle_);
    printer->SetScreenResolution(resolution_);
    printer_ = std::move(printer);
    if (!ClaimRun())
        return;
    worker_ = std::make_unique<TQRCreateReportThread>(this, printer_.get());
    worker_->start();
    {
        // The worker reads the printables: it must have stopped before the
        // caller may remove them, also when the preview handler fails.
        struct Join {
            TQuickRep* rep;
            ~Join() { rep->EndPreviewRun(); }
        } join{this};
        if (onPreview_)
            onPreview_(printer_.get());
    }
    const QString error = worker_->Error();
    worker_.reset();
    if (!error.isEmpty())
        throw EError(error);
}

// Waits for the worker; a printer no window shows any more (the preview was
// closed while the run went on, or never opened) is released then.
void TQuickRep::EndPreviewRun() {
    if (!worker_)
        return;
    worker_->wait();
    if (printer_ && !printer_->ShowingPreview()) {
        printer_->SetClient(nullptr);
        printer_.reset();
    }
}

// Messages go over the window the user is looking at (an open preview).
QWidget* TQuickRep::DialogParent() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : window();
}

// A failure of the preview's print is told here: nothing above this queued
// call could report it.
void TQuickRep::PrintRequest() {
    try {
        Print();
    } catch (const EError& e) {
        ShowErrorReport(DialogParent(), e.Message());
    }
}

void TQuickRep::PreviewClosed(TQRPrinter* sender) {
    if (!printer_ || sender != printer_.get())
        return;
    printer_->SetShowingPreview(false);
    printer_->SetClient(nullptr);
    if (!available_) {
        cancelled_ = true;
        printer_->Cancel();
        return;
    }
    printer_.reset();
}

// Without a data source the detail band prints once (PrintIfEmpty); a band
// printed while no page exists starts page 1. The run makes exactly one page,
// so a page without bands is started before the printables print.
void TQuickRep::StartPageIfNone(TQRPrinter* printer) {
    if (curY_ >= 0)
        return;
    pageCount_ = 1;
    printer->NewPage();
    curY_ = page_->TopMargin();
}

// Every printable placed directly on the page, visible or not, in the order
// in which it was attached.
void TQuickRep::PrintPrintables() {
    for (TQRPrintable* p : printables_)
        p->PrintAt(0, 0);
}

void TQuickRep::GenerateReport(TQRPrinter* printer) {
    const TQRUnit savedUnits = units_;
    std::exception_ptr error;
    try {
        SetUnits(TQRUnit::Native);
        printer->TakeSettings(*page_, printerSettings_);
        printer->SetTitle(reportTitle_);
        printer->BeginDocument();
        curY_ = -1;
        curColumn_ = page_->Columns();
        for (TQRPrintable* p : printables_)
            p->BeginPrinting(printer);
        curX_ = page_->LeftMargin();
        if (printIfEmpty_ && !bands_.isEmpty())
            StartPageIfNone(printer);
        curX_ = page_->LeftMargin();
        if (!cancelled_ && !printer->Cancelled()) {
            StartPageIfNone(printer);
            curY_ = page_->Length() - page_->BottomMargin();
            PrintPrintables();
        }
    } catch (...) {
        error = std::current_exception();
    }
    SetUnits(savedUnits);
    for (TQRPrintable* p : printables_)
        p->EndPrinting();
    try {
        if (cancelled_ || printer->Cancelled())
            printer->AbortDocument();
        else
            printer->EndDocument();
    } catch (...) {
        if (!error)
            error = std::current_exception();
    }
    // The page accepts the next run also after an error.
    available_ = true;
    if (error)
        std::rethrow_exception(error);
}
