#pragma once
// TQRPreviewSource: what the preview window needs of the report printer of a
// preview run: the sheet size at screen resolution, the pages of its page
// store, the state of the run, and the report page's commands that the window
// triggers (print set-up, print, preview closed). The report printer is
// adapted to it; tests give the window a recorded page directly.

#include "QRPage.h"
#include "QRPageImage.h"

#include <QString>

class TQRPreview;

class TQRPreviewSource {
public:
    virtual ~TQRPreviewSource() = default;

    virtual QString Title() const = 0;
    // The run has ended (its document is closed).
    virtual bool Finished() const = 0;
    // Pages begun so far, and pages complete and retrievable.
    virtual int PageCount() const = 0;
    virtual int AvailablePages() const = 0;
    // Sheet extents in native units, as oriented.
    virtual long double SheetWidth() const = 0;
    virtual long double SheetLength() const = 0;
    // Native extents to pixels of the page images.
    virtual int ToDeviceWidth(long double native) const = 0;
    virtual int ToDeviceHeight(long double native) const = 0;
    // A copy of page n (1-based); false while the store does not hold it.
    virtual bool PageImage(int n, TQRPageImage& page) const = 0;

    // The preview control that receives PageAvailable and ProgressUpdate;
    // nullptr unbinds it. Notifications are posted to the control's queue.
    virtual TQRPreview* Client() const = 0;
    virtual void SetClient(TQRPreview* client) = 0;
    virtual bool ShowingPreview() const = 0;
    virtual void SetShowingPreview(bool on) = 0;
    virtual void SetPaperSize(TQRPaperSize code) = 0;

    // The report page's printer dialog, run from the preview's tool bar.
    virtual void PrintSetup() = 0;
    // Asks the report page to print the sheet on the printer.
    virtual void Print() = 0;
    // Tells the report page that the preview window is closing; handled
    // before it returns. The source may be gone afterwards.
    virtual void PreviewClosed() = 0;
};
