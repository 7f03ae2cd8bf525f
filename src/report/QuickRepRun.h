#pragma once
// TQRReportRun: one print or preview run of the report page. It owns the
// run's printer and a snapshot of the page and of its printables, taken on
// the UI thread before the run, so the run reads nothing that the UI thread
// owns: it can make its page on a worker and, once cancelled, wind down on
// its own while the page goes on.

#include "QRPictureDecodes.h"

#include <QString>
#include <atomic>
#include <functional>
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
    // True once the run is to stop: its printer was cancelled or the run's
    // own stop check says so. It is asked between printables and inside
    // long picture work; a stopped run abandons its document.
    bool Cancelled() const;
    // True once the run has drawn all it will draw: from then on the page
    // takes the next run. It comes before the run announces its completion.
    bool Drawn() const { return drawn_; }
    int PageCount() const { return pageCount_; }

    // The run itself: one page with every printable of the snapshot, in the
    // order in which they were attached, with its progress posted to the
    // printer's client as they print. Errors reach the caller after the
    // document has been closed. `stopAsked` is asked along with the
    // printer's cancelled flag (a worker's cancellation).
    void GenerateReport(std::function<bool()> stopAsked = {});
    // The decodes that the run's pictures take, in printing order, once its
    // printer's device is mapped.
    std::vector<TQRPictureAsk> PictureAsks() const;

private:
    void StartPageIfNone();
    void StartPictureDecodes();
    void PrintPrintables();

    std::unique_ptr<TQRPrinter> printer_;
    std::vector<std::unique_ptr<TQRPrintableSnapshot>> printables_;
    TQRPictureDecodes decodes_; // for the length of GenerateReport
    // The page, native units.
    long double topMargin_;
    long double length_;
    long double bottomMargin_;
    bool printBand_;

    std::function<bool()> stopAsked_; // for the length of GenerateReport
    std::atomic<bool> drawn_{false};
    std::atomic<int> pageCount_{0};
    long double curY_ = -1; // no page yet
};
