// The print and preview runs of the report page: one page, printed on the
// printer or recorded into a page store, each on a worker.
#include "QuickRepRun.h"

#include "../platform/ErrorReport.h"
#include "../platform/Errors.h"
#include "QRExport.h"
#include "QRPrintable.h"
#include "QRPrinterService.h"
#include "QRProgress.h"
#include "QuickRep.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QScopeGuard>

#include <exception>
#include <utility>

TQRReportRun::TQRReportRun(const TQuickRep& page, std::unique_ptr<TQRPrinter> printer)
    : printer_(std::move(printer)) {
    const TQRPage& setup = *page.Page();
    printer_->TakeSettings(setup, page.PrinterSettings());
    printer_->SetTitle(page.ReportTitle());
    topMargin_ = setup.NativeValue(TQRPage::TopMarginIdx);
    length_ = setup.NativeValue(TQRPage::LengthIdx);
    bottomMargin_ = setup.NativeValue(TQRPage::BottomMarginIdx);
    printBand_ = !page.Bands().isEmpty();
    for (const TQRPrintable* p : page.Printables())
        printables_.push_back(p->TakeSnapshot());
}

TQRReportRun::~TQRReportRun() = default;

bool TQRReportRun::Cancelled() const {
    return printer_->Cancelled() || (stopAsked_ && stopAsked_());
}

// Without a data source the detail band prints once; a band
// printed while no page exists starts page 1. The run makes exactly one page,
// so a page without bands is started before the printables print.
void TQRReportRun::StartPageIfNone() {
    if (curY_ >= 0)
        return;
    pageCount_ = 1;
    printer_->NewPage();
    curY_ = topMargin_;
}

std::vector<TQRPictureAsk> TQRReportRun::PictureAsks() const {
    std::vector<TQRPictureAsk> asks;
    for (const auto& p : printables_)
        if (std::optional<TQRPictureAsk> ask = p->PictureAsk(*printer_))
            asks.push_back(std::move(*ask));
    return asks;
}

// With the page open each picture's device rectangle, and so its decode
// size, is known: the decodes start here, in printing order.
void TQRReportRun::StartPictureDecodes() {
    decodes_.Start(PictureAsks(), [this] { return Cancelled(); });
}

// Every printable placed directly on the page, visible or not, in the order
// in which it was attached; a cancelled run prints no further one. The
// progress is the share of printables printed, in the steps of five that the
// progress window shows; the run is complete only once its document is.
void TQRReportRun::PrintPrintables() {
    const int count = int(printables_.size());
    int shown = 0;
    for (int i = 0; i < count; ++i) {
        if (Cancelled())
            return;
        printables_[i]->PrintAt(0, 0);
        const int percent = std::min(95, (i + 1) * 100 / count / 5 * 5);
        if (percent > shown)
            printer_->ReportProgress(shown = percent);
    }
}

void TQRReportRun::GenerateReport(std::function<bool()> stopAsked) {
    stopAsked_ = std::move(stopAsked);
    const auto forget = qScopeGuard([this] {
        decodes_.Discard();
        stopAsked_ = nullptr;
    });
    std::exception_ptr error;
    try {
        printer_->BeginDocument();
        curY_ = -1;
        for (const auto& p : printables_)
            p->BeginPrinting(
                printer_.get(), [this] { return Cancelled(); }, &decodes_);
        if (printBand_)
            StartPageIfNone();
        if (!Cancelled()) {
            StartPageIfNone();
            curY_ = length_ - bottomMargin_;
            StartPictureDecodes();
            PrintPrintables();
        }
    } catch (...) {
        error = std::current_exception();
    }
    // Closing the document announces the run's end: the page takes the next
    // run before that, so a print asked for on that news is not lost.
    drawn_ = true;
    try {
        if (Cancelled())
            printer_->AbortDocument();
        else
            printer_->EndDocument();
    } catch (...) {
        if (!error)
            error = std::current_exception();
    }
    if (error)
        std::rethrow_exception(error);
    printer_->ReportProgress(100);
}

// Margins that leave no room are dropped before a run; the change stays.
// Runs on the UI thread because the page re-derives its size on screen.
void TQuickRep::CheckMargins() {
    const auto restore = qScopeGuard([this, saved = units_] { units_ = saved; });
    units_ = TQRUnit::Native;
    if (page_->Width() - page_->LeftMargin() - page_->RightMargin() < 0) {
        page_->SetValue(TQRPage::LeftMarginIdx, 0);
        page_->SetValue(TQRPage::RightMarginIdx, 0);
    }
    if (page_->Length() - page_->TopMargin() - page_->BottomMargin() < 0) {
        page_->SetValue(TQRPage::TopMarginIdx, 0);
        page_->SetValue(TQRPage::BottomMarginIdx, 0);
    }
}

void TQuickRep::CheckPrintServerAnswers() {
    if (CurrentServerSilent(kPrintServerWaitMs))
        throw EError(SilentServerMessage());
}

bool TQuickRep::Available() const {
    return (!printing_ || printing_->Run().Drawn()) && (!preview_ || preview_->Run().Drawn());
}

TQRPrinter* TQuickRep::QRPrinter() const {
    if (printing_)
        return printing_->Run().Printer();
    return preview_ ? preview_->Run().Printer() : nullptr;
}

// The run draws on a worker while the UI thread goes on: the window paints
// and answers, the progress window (modal, so nothing else takes input)
// shows the run and can cancel it. The commands refuse a run while this one
// is under way. Print returns once the run has ended.
void TQuickRep::Print() {
    if (!Available())
        return;
    CheckPrintServerAnswers();
    if (PrintsToFile()) {
        // Not asked for a file, it has no printer: the printers are listed
        // once either way.
        PrintToFile(!printerSettings_.ToFile || !TQRPrinterService::Current().PrinterOK());
        return;
    }
    CheckMargins();
    std::unique_ptr<TQRPrinter> printer = PrintPrinter();
    // On the heap: the worker thread reads it, and a stack slot's earlier
    // uses would look unordered to ThreadSanitizer.
    const auto worker = std::make_unique<TQRCreateReportThread>(
        std::make_unique<TQRReportRun>(*this, std::move(printer)));
    RunBesideTheWindow(*worker);
}

bool TQuickRep::PrintsToFile() const {
    return printerSettings_.ToFile || !TQRPrinterService::Current().PrinterOK();
}

std::unique_ptr<TQRPrinter> TQuickRep::PrintPrinter() const {
    auto printer = std::make_unique<TQRPrinter>();
    printer->SetDestination(TQRDestination::Printer);
    printer->SetScreenResolution(resolution_);
    return printer;
}

// What Print would decode: on the printer it would print on, or on the
// sheet file it would write (its pictures at the resolution it proposes).
// A job the printer refuses warms nothing: the print stops on it.
void TQuickRep::WarmPrintDecodes() {
    if (!Available())
        return;
    try {
        TQRReportRun run(*this, PrintsToFile() ? std::make_unique<TQRPrinter>(
                                                     nullptr, kSheetFileDpi, kDefaultPictureDpi)
                                               : PrintPrinter());
        run.Printer()->MapDevice();
        WarmPictureDecodes(run.PictureAsks());
    } catch (const EError&) {
    }
}

void TQuickRep::WhenPrintServerAnswers(QObject* context, std::function<void()> warm) {
    std::shared_ptr<const TQRPrinterService> service = TQRPrinterService::Shared();
    if (printerSettings_.ToFile || !service->AsksAServer()) {
        warm();
        return;
    }
    WarmPicturesWhen([service] { return !service->ServerSilent(kPrintServerAnswerMs); }, context,
                     std::move(warm));
}

void TQuickRep::RunBesideTheWindow(TQRCreateReportThread& worker) {
    std::unique_ptr<TQRProgressForm> progress;
    if (showProgress_) {
        progress = std::make_unique<TQRProgressForm>(worker.Run().Printer());
        progress->setWindowModality(Qt::ApplicationModal);
        worker.Run().Printer()->SetClient(progress.get());
    }
    // A print asked for by an open preview runs inside that preview; the
    // preview's run stays the page's, and this one is gone afterwards, also
    // when it fails.
    const auto restore = qScopeGuard([this, outer = std::exchange(printing_, &worker), &worker] {
        worker.Run().Printer()->SetClient(nullptr);
        printing_ = outer;
        pageCount_ = worker.Run().PageCount();
    });
    cancelled_ = false;
    QEventLoop ended;
    connect(&worker, &TQRCreateReportThread::Ended, &ended, &QEventLoop::quit);
    if (progress)
        progress->show();
    worker.Start();
    ended.exec();
    worker.Wait();
    if (const std::exception_ptr error = worker.Error())
        std::rethrow_exception(error);
}

std::unique_ptr<TQRPrinter> TQuickRep::NewPreviewPrinter() {
    auto printer = std::make_unique<TQRPrinter>();
    printer->SetDestination(TQRDestination::PageStore);
    printer->SetMaster(this);
    printer->PrintSetupHook = printSetupRoutine_;
    printer->SetTitle(reportTitle_);
    printer->SetScreenResolution(resolution_);
    return printer;
}

void TQuickRep::Preview() {
    if (!Available() || preview_)
        return;
    CheckPrintServerAnswers();
    CheckMargins();
    cancelled_ = false;
    preview_ = std::make_unique<TQRCreateReportThread>(
        std::make_unique<TQRReportRun>(*this, NewPreviewPrinter()));
    TQRPrinter* printer = preview_->Run().Printer();
    connect(
        preview_.get(), &TQRCreateReportThread::Ended, this,
        [this, worker = QPointer<TQRCreateReportThread>(preview_.get())] { ReapStopped(worker); },
        Qt::QueuedConnection);
    preview_->Start();
    {
        // The preview has ended when the handler returns, also when it fails;
        // a window that closed has ended it already.
        const auto end = qScopeGuard([this, printer] { PreviewClosed(printer); });
        if (onPreview_)
            onPreview_(printer);
    }
    if (const std::exception_ptr error = std::exchange(previewError_, nullptr))
        std::rethrow_exception(error);
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
    if (preview_ && sender == preview_->Run().Printer())
        ReleasePreview();
}

// The preview's run ends with its window. A run that has drawn its page is
// released with its printer and page store (after the few moments it may
// still need to close its document); a run still drawing is cancelled and
// left to stop on its own, so the window is given back now. Either is freed
// once control is back in the event loop: the printer that reported the
// close is still in that call.
void TQuickRep::ReleasePreview() {
    std::unique_ptr<TQRCreateReportThread> worker = std::move(preview_);
    TQRReportRun& run = worker->Run();
    run.Printer()->SetShowingPreview(false);
    run.Printer()->SetClient(nullptr);
    if (run.Drawn()) {
        worker->Wait();
        previewError_ = worker->Error();
        pageCount_ = run.PageCount();
        worker.release()->deleteLater();
        return;
    }
    cancelled_ = true;
    worker->Cancel();
    stopping_.push_back(std::move(worker));
}

// A cancelled run that has stopped goes, with its printer and page store.
void TQuickRep::ReapStopped(TQRCreateReportThread* worker) {
    std::erase_if(stopping_, [worker](const auto& w) { return w.get() == worker; });
}
