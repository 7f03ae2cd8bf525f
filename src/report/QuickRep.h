#pragma once
// TQuickRep: the report page. It owns the page setup, keeps its on-screen size
// in step with the paper at its zoom, paints the ruler grid and margin guide,
// and hosts the printables that a print run prints in attachment order.

#include "QRPage.h"
#include "QRPrinter.h"
#include "QRUnits.h"

#include <QList>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class TQRPrintable;
class TCanvas;
class TQRCreateReportThread;
class TQRReportRun;

// A detail band; this program uses one of height 0 with no content.
class TQRSubDetail : public QWidget {
    Q_OBJECT
public:
    explicit TQRSubDetail(QWidget* parent) : QWidget(parent) {}
    int BandHeight() const { return bandHeight_; }
    void SetBandHeight(int h) { bandHeight_ = h < 0 ? 0 : h; }

private:
    int bandHeight_ = 0;
};

class TQuickRep : public QWidget {
    Q_OBJECT
public:
    explicit TQuickRep(QWidget* parent = nullptr, int resolution = kScreenPixelsPerInch);
    ~TQuickRep() override;

    TQRPage* Page() { return page_.get(); }
    const TQRPage* Page() const { return page_.get(); }

    TQRUnit Units() const { return units_; }
    // Sets the page's unit and that of every printable placed on it.
    void SetUnits(TQRUnit u);
    // Sets the page's own unit only (used while the page setup converts).
    void SetUnitsOnly(TQRUnit u) { units_ = u; }

    int Zoom() const { return zoom_; }
    // 1..300; other values are ignored.
    void SetZoom(int z);
    int Resolution() const { return resolution_; }

    // Printables placed directly on the page, in the order they were attached.
    const QList<TQRPrintable*>& Printables() const { return printables_; }
    void AttachPrintable(TQRPrintable* p);
    void DetachPrintable(TQRPrintable* p);

    void AddBand(TQRSubDetail* band);
    const QList<TQRSubDetail*>& Bands() const { return bands_; }

    // Re-derives the pixel size from the paper at the zoom, then the bands.
    void UpdatePageSize();
    void LayoutBands();

    // The margin guide rectangle in pixels, the right/bottom edge exclusive.
    QRect MarginGuideRect() const;

    // Run settings.
    TQuickRepPrinterSettings& PrinterSettings() { return printerSettings_; }
    const TQuickRepPrinterSettings& PrinterSettings() const { return printerSettings_; }
    bool ShowProgress() const { return showProgress_; }
    void SetShowProgress(bool s) { showProgress_ = s; }
    const QString& ReportTitle() const { return reportTitle_; }
    void SetReportTitle(const QString& t) { reportTitle_ = t; }
    // Called by Preview with the run's printer; it shows the preview window
    // and returns when that window has closed.
    void SetOnPreview(std::function<void(TQRPrinter*)> handler) { onPreview_ = std::move(handler); }
    // The print dialog routine that a preview's printer set-up runs.
    void SetPrintSetupRoutine(std::function<void()> r) { printSetupRoutine_ = std::move(r); }

    // Prints the page on the printer now, on a worker while the window goes
    // on; returns when the printer has the job (or the run was cancelled).
    // Does nothing while a run is in progress or without a printer. Both
    // runs first make sure that the print server answers
    // (CheckPrintServerAnswers).
    void Print();
    // Starts a preview run on a worker and calls OnPreview with its printer;
    // returns when the preview has ended. A run still going then is
    // cancelled and stops on its own: it reads nothing of the page.
    void Preview();
    // Writes the sheet as Print would print it to a file, the format by the
    // file's extension, pictures at up to dpi pixels per inch (QRExport.h).
    // Raises EError naming the file and the reason; nothing is left at the
    // file then.
    void Export(const QString& fileName, int dpi);
    // Has the picture decodes that Print would make made ahead, beside
    // everything else, and kept on disk, so that the print takes them
    // (WarmPictureDecodes). Does nothing while a run is in progress.
    void WarmPrintDecodes();
    // Runs `warm` on the thread of `context` at once when a print would ask
    // no print server, else once the server has answered (or refused)
    // within kPrintServerAnswerMs on the thread of the decodes made ahead;
    // not at all when it has not. Asking it on the window's thread would
    // hold the window for as long as a server that has stopped answering
    // takes to fail (a minute), after each pause in editing
    // (WarmPicturesWhen). The warm-up's own requests, some twenty, then
    // take the window's time: a server farther than a local one's answer
    // (about 1 ms) is not asked them.
    void WhenPrintServerAnswers(QObject* context, std::function<void()> warm);
    static constexpr int kPrintServerAnswerMs = 25;
    // The page's current printer: the printing or previewed one, else none.
    TQRPrinter* QRPrinter() const;
    // True while the page can take a run: none is in progress, or the one
    // in progress has drawn its page.
    bool Available() const;
    // The last run was cancelled (the preview closed while it went on).
    bool Cancelled() const { return cancelled_; }
    // Pages of the last run that was not cancelled.
    int PageCount() const { return pageCount_; }

public slots:
    // From the preview window: print the page directly.
    void PrintRequest();
    // From the preview window as it closes: cancels a run still going,
    // otherwise releases the preview's printer and its page store.
    void PreviewClosed(TQRPrinter* sender);

signals:
    // The on-screen size was re-derived from the paper or the zoom.
    void PageSizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* DialogParent();
    // Print's sheet file: its name asked for, after the offer of one where
    // no printer is installed.
    void PrintToFile(bool offer);
    // Print writes a sheet file: asked to, or there is no printer.
    bool PrintsToFile() const;
    // The printer of a print run.
    std::unique_ptr<TQRPrinter> PrintPrinter() const;
    // Export's work; with `beside`, the sheet is drawn on a worker while the
    // window goes on, as Print runs.
    void ExportSheet(const QString& fileName, int dpi, bool beside);
    // Runs worker's run while the window goes on and the progress window
    // shows it; returns once it has ended, raising its error.
    void RunBesideTheWindow(TQRCreateReportThread& worker);
    void CheckMargins();
    // Raises EError when the print server neither answers nor refuses within
    // kPrintServerWaitMs (CurrentServerSilent).
    static void CheckPrintServerAnswers();
    std::unique_ptr<TQRPrinter> NewPreviewPrinter();
    void ReleasePreview();
    void ReapStopped(TQRCreateReportThread* worker);
    int PixelsOf(long double native) const;
    void PaintRuler(TCanvas& canvas);
    void PaintMarginGuide(TCanvas& canvas);
    bool FewColours() const;

    std::unique_ptr<TQRPage> page_;
    TQRUnit units_ = TQRUnit::MM;
    int zoom_ = 80;
    int resolution_;
    QList<TQRPrintable*> printables_;
    QList<TQRSubDetail*> bands_;

    TQuickRepPrinterSettings printerSettings_;
    bool showProgress_ = true;
    QString reportTitle_;
    // The ruler's font family, looked up at the first paint.
    QString rulerFamily_;
    std::function<void(TQRPrinter*)> onPreview_;
    std::function<void()> printSetupRoutine_;

    // Run state, all on the UI thread. Each run owns its printer: a print
    // run lives in Print; the preview run belongs to the page until its
    // window closes; cancelled preview runs are kept until they have stopped.
    TQRCreateReportThread* printing_ = nullptr;
    std::unique_ptr<TQRCreateReportThread> preview_;
    std::vector<std::unique_ptr<TQRCreateReportThread>> stopping_;
    std::exception_ptr previewError_;
    bool cancelled_ = false;
    int pageCount_ = 0;
};
