#pragma once
// TQRReportRun: one print or preview run of the report page. It owns the
// run's printer and a snapshot of the page and of its printables, taken on
// the UI thread before the run, so the run reads nothing that the UI thread
// owns: it can make its page on a worker and, once cancelled, wind down on
// its own while the page goes on.

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class TQRPrintableSnapshot;
class TQRPrinter;
class TQuickRep;

class TQRReportRun {
public:
    // Hands the page's printer values to the printer and takes the snapshot
    // (UI thread).
    TQRReportRun(const TQuickRep& page, std::unique_ptr<TQRPrinter> printer);
    ~TQRReportRun();

    TQRPrinter* Printer() const { return printer_.get(); }
    // Cancels the run: it stops at its next check, between printables or
    // inside long picture work, and abandons its document.
    void Cancel();
    bool Cancelled() const;
    // True once the run has drawn all it will draw: from then on the page
    // takes the next run. It comes before the run announces its completion.
    bool Drawn() const { return drawn_; }
    int PageCount() const { return pageCount_; }

    // The run itself: one page with every printable of the snapshot, in the
    // order in which they were attached. Errors reach the caller after the
    // document has been closed.
    void GenerateReport();

private:
    void StartPageIfNone();
    void PrintPrintables();

    std::unique_ptr<TQRPrinter> printer_;
    std::vector<std::unique_ptr<TQRPrintableSnapshot>> printables_;
    // The page, native units.
    long double topMargin_;
    long double length_;
    long double bottomMargin_;
    bool printBand_;

    std::atomic<bool> cancelled_{false};
    std::atomic<bool> drawn_{false};
    std::atomic<int> pageCount_{0};
    long double curY_ = -1; // no page yet
};
