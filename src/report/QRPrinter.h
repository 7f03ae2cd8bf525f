#pragma once
// TQRPrinter: the report printer object of one print or preview run. It hides
// whether pages go to the printer or into the page store of a preview, applies
// the page's paper settings to the printer, converts native units (0.1 mm)
// into device pixels and offers the canvas of the page being drawn.
//
// Notifications for the window that shows the run (its client) are posted to
// that window's event queue: the client must be a QObject with the invokable
// methods (slots) PageAvailable(int pages) and ProgressUpdate(int percent).

#include "../platform/Canvas.h"
#include "../platform/Errors.h"
#include "QRPage.h"
#include "QRPageImage.h"
#include "QRUnits.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QPrinter;
class TPrintSpool;
class TQRPageList;
class TQuickRep;

enum class TQRPrinterStatus { Ready, Busy, Finished };
// A sheet file's device takes the place of the printer: the whole sheet at
// its own resolution, no unprintable offsets.
enum class TQRDestination { Printer, PageStore, SheetFile };
enum class TQRBin {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last
};

// The report page's printer choices for a run.
struct TQuickRepPrinterSettings {
    int Copies = 1;
    bool Duplex = false;
    int FirstPage = 0;
    int LastPage = 0;
    TQRBin OutputBin = TQRBin::Auto;
    QString PrinterName; // empty: the system's default printer
    bool ToFile = false; // print to a sheet file instead
};

class TQRPrinter : public QObject {
    Q_OBJECT
public:
    // Opens the current printer service's default printer when one exists.
    explicit TQRPrinter(QObject* parent = nullptr);
    // A printer object for a sheet file: the run draws on `sheet` (the
    // caller's, alive for the run) at `dpi` dots per inch, with pictures
    // sent at `pictureDpi` pixels per inch at most. No printer is asked.
    TQRPrinter(QPaintDevice* sheet, int dpi, int pictureDpi);
    ~TQRPrinter() override;

    TQRDestination Destination() const { return destination_; }
    void SetDestination(TQRDestination d) { destination_ = d; }
    TQRPrinterStatus Status() const { return status_; }
    bool PrinterOK() const { return printerOK_; }
    const QString& Title() const { return title_; }
    void SetTitle(const QString& t) { title_ = t; }
    // Screen pixels per inch: the resolution of page-store pages.
    void SetScreenResolution(int r) { screenResolution_ = r > 0 ? r : kScreenPixelsPerInch; }

    int PageCount() const { return pageCount_; }
    int PageNumber() const { return pageNumber_; }
    int AvailablePages() const { return availablePages_; }
    int FirstPage() const { return firstPage_; }
    int LastPage() const { return lastPage_; }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }

    // Printer values; each is accepted only where the printer supports it.
    // Without a printer (none installed, or a sheet file) the page's paper,
    // its custom size and orientation are taken as they are, and nothing
    // else.
    void SetPrinterName(const QString& name);
    TQRPaperSize PaperSize() const { return paperSize_; }
    void SetPaperSize(TQRPaperSize code);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation o);
    // The custom paper as the page is oriented (width across), 0.1 mm.
    void SetCustomSize(int width, int length);
    int Copies() const { return copies_; }
    void SetCopies(int c);
    bool Duplex() const { return duplex_; }
    void SetDuplex(bool d);
    TQRBin OutputBin() const { return bin_; }
    void SetOutputBin(TQRBin b);
    void SetPageRange(int first, int last);
    // All of the above from the page and its printer settings (start of a run).
    void TakeSettings(const TQRPage& page, const TQuickRepPrinterSettings& s);

    long double DevicePerNativeX() const { return devicePerNativeX_; }
    long double DevicePerNativeY() const { return devicePerNativeY_; }
    int PrinterLeftOffset() const { return leftOffset_; }
    int PrinterTopOffset() const { return topOffset_; }
    int ToDeviceX(long double x) const;
    int ToDeviceY(long double y) const;
    int ToDeviceWidth(long double x) const;
    int ToDeviceHeight(long double y) const;
    // The sheet as oriented, in native units.
    long double SheetWidth() const;
    long double SheetLength() const;

    // Sets the device units and the unprintable offsets as the document
    // will have them, applying the page's settings to the printer; raises
    // EError for a job the printer cannot take. BeginDocument does it.
    void MapDevice();
    void BeginDocument();
    void NewPage();
    void EndDocument();
    void AbortDocument();
    // The canvas of the page being drawn; none while no page is open.
    TCanvas* Canvas() { return canvas_.get(); }
    // Puts a picture on the open page, scaled into placement.Target and
    // shown only inside placement.Visible (device pixels) and the sheet. The
    // device gets only the pixels it can show; a page-store page keeps the
    // picture by reference. Lossless keeps its pixels exactly on the printer;
    // otherwise it may travel JPEG-compressed. Cancelling the run abandons
    // the picture.
    void PlacePicture(const QImage& picture, const TQRPicturePlacement& placement, bool lossless);
    // The most pixels a picture scaled into a device rectangle of `target`
    // travels with: the rectangle's own, or a sheet file's picture grid.
    QSize PicturePixels(QSize target) const;

    // A copy of page n (1-based) of the page store; null outside Busy and
    // Finished, outside 1..page count, or while the page is not stored yet.
    TQRPageImage PageImage(int n);
    TQRPageList* PageList() { return pageList_.get(); }
    // The platform printer of the run (none while no printer is installed).
    QPrinter* Device() { return printer_.get(); }

    // Posts ProgressUpdate to the client.
    void ReportProgress(int percent) { Post("ProgressUpdate", percent); }
    // The window that receives PageAvailable and ProgressUpdate, or none.
    void SetClient(QObject* client);
    QObject* Client();
    TQuickRep* Master() const { return master_; }
    void SetMaster(TQuickRep* m) { master_ = m; }
    bool ShowingPreview() const { return showingPreview_; }
    void SetShowingPreview(bool s) { showingPreview_ = s; }
    // The report page's print dialog routine, run by the preview's set-up.
    std::function<void()> PrintSetupHook;
    void PrintSetup();
    // Posts PrintRequest to the master page (the preview's print command).
    void RequestPrint();
    // Sends PreviewClosed to the master page and returns once it is handled.
    // The printer may be gone afterwards: do not use it after this call.
    void ClosePreview();

private:
    void ReadPrinterSettings();
    QSizeF CustomMillimetres() const;
    void CheckPrinterCanTakeJob() const;
    EError MissingPaper(TQRPaperSize code) const;
    std::pair<long double, long double> PortraitSheet() const;
    void ApplyPrinterSettings();
    void OpenPage();
    void ClosePage();
    void Post(const char* method, int value);
    bool PageInRange() const;
    bool PrintsToDevice() const;
    // What a page drawn on the device goes to: the printer or the sheet.
    QPaintDevice* PageDevice() const;
    QRect SheetPixels() const;

    TQRDestination destination_ = TQRDestination::Printer;
    std::atomic<TQRPrinterStatus> status_{TQRPrinterStatus::Ready};
    bool printerOK_ = false;
    QString title_;
    int screenResolution_ = kScreenPixelsPerInch;
    std::atomic<int> pageCount_{0};
    int pageNumber_ = 0;
    std::atomic<int> availablePages_{0};
    int firstPage_ = 0;
    int lastPage_ = 0;
    std::atomic<bool> cancelled_{false};

    TQRPaperSize paperSize_ = QRPaper::A4;
    TQRPaperSize requestedPaper_ = QRPaper::A4; // the page's, accepted or not
    QString missingPrinter_;                    // a chosen printer that is gone
    TPrinterOrientation orientation_ = TPrinterOrientation::Portrait;
    int customWidth_ = 0;               // 0.1 mm, portrait
    int customLength_ = 0;              // 0.1 mm, portrait
    long double physicalWidth_ = 2100;  // 0.1 mm, portrait
    long double physicalLength_ = 2970; // 0.1 mm, portrait
    int copies_ = 1;
    bool duplex_ = false;
    TQRBin bin_ = TQRBin::Auto;

    long double devicePerNativeX_ = kScreenPixelsPerInch / kNativePerInch;
    long double devicePerNativeY_ = kScreenPixelsPerInch / kNativePerInch;
    int leftOffset_ = 0;
    int topOffset_ = 0;

    QPaintDevice* sheet_ = nullptr; // a sheet file's device, the caller's
    int sheetDpi_ = 0;
    int pictureDpi_ = 0;

    double PictureGrid() const;

    // Destroyed in reverse order: canvases and painters before their devices.
    std::unique_ptr<QPrinter> printer_;
    QString printerName_;                       // the choice printer_ was opened for
    std::unique_ptr<TPrintSpool> spool_;        // the job's document until it is complete
    std::unique_ptr<QPainter> jobPainter_;      // open from the job's first page to its end
    std::unique_ptr<TQRPageRecorder> recorder_; // page store pages and pages out of range
    std::unique_ptr<TCanvas> canvas_;
    std::unique_ptr<TQRPageList> pageList_;

    QMutex clientLock_;
    QObject* client_ = nullptr;
    TQuickRep* master_ = nullptr;
    bool showingPreview_ = false;
};
