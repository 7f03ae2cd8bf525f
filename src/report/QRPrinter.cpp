#include "QRPrinter.h"

#include "../platform/Errors.h"
#include "../platform/PrintSpool.h"
#include "../platform/Rounding.h"
#include "QRMedia.h"
#include "QRPageList.h"
#include "QRPrinterService.h"
#include "QuickRep.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kPageStoreMemoryLimit = 100000;

QPrinter::PaperSource PaperSourceOf(TQRBin bin) {
    switch (bin) {
    case TQRBin::First:
    case TQRBin::Upper:
        return QPrinter::Upper;
    case TQRBin::Lower:
        return QPrinter::Lower;
    case TQRBin::Middle:
        return QPrinter::Middle;
    case TQRBin::Manual:
        return QPrinter::Manual;
    case TQRBin::Envelope:
        return QPrinter::Envelope;
    case TQRBin::EnvManual:
        return QPrinter::EnvelopeManual;
    case TQRBin::Tractor:
        return QPrinter::Tractor;
    case TQRBin::SmallFormat:
        return QPrinter::SmallFormat;
    case TQRBin::LargeFormat:
        return QPrinter::LargeFormat;
    case TQRBin::LargeCapacity:
        return QPrinter::LargeCapacity;
    case TQRBin::Cassette:
    case TQRBin::Last:
        return QPrinter::Cassette;
    case TQRBin::Auto:
        break;
    }
    return QPrinter::Auto;
}

int Round(long double v) {
    return int(RoundHalfEven(v));
}
} // namespace

TQRPrinter::TQRPrinter(QObject* parent) : QObject(parent) {
    const TQRPrinterService& service = TQRPrinterService::Current();
    printerOK_ = service.PrinterOK();
    if (printerOK_)
        SetPrinterName(QString());
}

TQRPrinter::TQRPrinter(QPaintDevice* sheet, int dpi, int pictureDpi)
    : destination_(TQRDestination::SheetFile), sheet_(sheet), sheetDpi_(dpi),
      pictureDpi_(std::min(pictureDpi, dpi)) {}

// A job left open is abandoned, never completed by accident: its document
// goes with its spool file.
TQRPrinter::~TQRPrinter() {
    canvas_.reset();
    if (jobPainter_ && jobPainter_->isActive())
        jobPainter_->end();
}

// Choosing a printer re-reads all of its settings. The same choice again
// keeps the open printer, so a preview worker does not open one of its own.
// A chosen printer that is gone keeps the one open so far (a preview still
// shows its sheet); printing on it is refused with a message.
void TQRPrinter::SetPrinterName(const QString& name) {
    if (!printerOK_ || status_ != TQRPrinterStatus::Ready || (printer_ && name == printerName_))
        return;
    std::unique_ptr<QPrinter> opened = TQRPrinterService::Current().Open(name);
    if (!opened) {
        missingPrinter_ = name;
        return;
    }
    missingPrinter_.clear();
    printer_ = std::move(opened);
    printerName_ = name;
    ReadPrinterSettings();
}

void TQRPrinter::ReadPrinterSettings() {
    const QPageLayout layout = printer_->pageLayout();
    const int id = layout.pageSize().windowsId();
    paperSize_ = id >= 1 && id <= 26 ? TQRPaperSize(id) : QRPaper::Custom;
    const QSizeF mm = layout.pageSize().size(QPageSize::Millimeter);
    physicalWidth_ = mm.width() * 10;
    physicalLength_ = mm.height() * 10;
    orientation_ = layout.orientation() == QPageLayout::Landscape ? TPrinterOrientation::Landscape
                                                                  : TPrinterOrientation::Portrait;
    copies_ = 1;
    duplex_ = false;
    bin_ = TQRBin::Auto;
}

QSizeF TQRPrinter::CustomMillimetres() const {
    return QSizeF(customWidth_ / 10.0, customLength_ / 10.0);
}

void TQRPrinter::SetPaperSize(TQRPaperSize code) {
    requestedPaper_ = code;
    if (!printer_) {
        paperSize_ = code;
        return;
    }
    if (code == QRPaper::Default ||
        TQRPrinterService::Current().Media(*printer_, code, CustomMillimetres()).isValid())
        paperSize_ = code;
}

void TQRPrinter::SetOrientation(TPrinterOrientation o) {
    orientation_ = o;
}

void TQRPrinter::SetCustomSize(int width, int length) {
    if (width <= 0 || length <= 0)
        return;
    const bool landscape = orientation_ == TPrinterOrientation::Landscape;
    customWidth_ = landscape ? length : width;
    customLength_ = landscape ? width : length;
}

void TQRPrinter::SetCopies(int c) {
    if (printer_ && c >= 1 && printer_->supportsMultipleCopies())
        copies_ = c;
}

void TQRPrinter::SetDuplex(bool d) {
    if (printer_ && QPrinterInfo(*printer_).supportedDuplexModes().contains(QPrinter::DuplexAuto))
        duplex_ = d;
}

void TQRPrinter::SetOutputBin(TQRBin b) {
    if (printer_)
        bin_ = b;
}

void TQRPrinter::SetPageRange(int first, int last) {
    firstPage_ = first;
    lastPage_ = last;
}

void TQRPrinter::TakeSettings(const TQRPage& page, const TQuickRepPrinterSettings& s) {
    SetPrinterName(s.PrinterName);
    // A custom paper is the page's own size, so the sheet is what the page
    // shows: its size is known before the paper is looked for.
    SetOrientation(page.Orientation());
    if (page.PaperSize() == QRPaper::Custom)
        SetCustomSize(Round(page.NativeValue(TQRPage::WidthIdx)),
                      Round(page.NativeValue(TQRPage::LengthIdx)));
    SetPaperSize(page.PaperSize());
    SetCopies(s.Copies);
    SetDuplex(s.Duplex);
    SetOutputBin(s.OutputBin);
    SetPageRange(s.FirstPage, s.LastPage);
}

// A job that cannot have the page's paper is refused, never printed on
// another paper, scaled or shifted.
void TQRPrinter::CheckPrinterCanTakeJob() const {
    if (!missingPrinter_.isEmpty())
        throw EError(
            QStringLiteral("プリンタ「%1」が見つかりません。プリンタの設定で選び直してください。")
                .arg(missingPrinter_));
    if (requestedPaper_ != paperSize_)
        throw MissingPaper(requestedPaper_);
}

EError TQRPrinter::MissingPaper(TQRPaperSize code) const {
    return EError(QStringLiteral("プリンタ「%1」には用紙 %2 がありません。")
                      .arg(printer_->printerName(), MediaName(code, CustomMillimetres())));
}

// The job's page is exactly the printer's media for the paper code, from
// the printer's own list, with nothing to scale or centre on the way.
void TQRPrinter::ApplyPrinterSettings() {
    CheckPrinterCanTakeJob();
    if (paperSize_ != QRPaper::Default) {
        const QPageSize media =
            TQRPrinterService::Current().Media(*printer_, paperSize_, CustomMillimetres());
        printer_->setPageSize(media);
        if (printer_->pageLayout().pageSize().sizePoints() != media.sizePoints())
            throw MissingPaper(paperSize_);
    }
    if (duplex_) // only when asked for: the printer's own setting stays otherwise
        printer_->setDuplex(QPrinter::DuplexAuto);
    printer_->setCopyCount(copies_);
    printer_->setPaperSource(PaperSourceOf(bin_));
    printer_->setPageOrientation(orientation_ == TPrinterOrientation::Landscape
                                     ? QPageLayout::Landscape
                                     : QPageLayout::Portrait);
    const QSizeF mm = printer_->pageLayout().pageSize().size(QPageSize::Millimeter);
    physicalWidth_ = mm.width() * 10;
    physicalLength_ = mm.height() * 10;
}

int TQRPrinter::ToDeviceX(long double x) const {
    return Round((x - leftOffset_) * devicePerNativeX_);
}

int TQRPrinter::ToDeviceY(long double y) const {
    return Round((y - topOffset_) * devicePerNativeY_);
}

int TQRPrinter::ToDeviceWidth(long double x) const {
    return Round(x * devicePerNativeX_);
}

int TQRPrinter::ToDeviceHeight(long double y) const {
    return Round(y * devicePerNativeY_);
}

// Width and length of the sheet in portrait, native units: a standard paper
// from the table, else the custom or the printer's physical size.
std::pair<long double, long double> TQRPrinter::PortraitSheet() const {
    const TPaperDimension& dim = PaperDimensions(paperSize_);
    if (dim.Width > 0)
        return {dim.Width * 10.0L, dim.Length * 10.0L};
    if (paperSize_ == QRPaper::Custom && customWidth_ > 0)
        return {customWidth_, customLength_};
    return {physicalWidth_, physicalLength_};
}

long double TQRPrinter::SheetWidth() const {
    const auto [width, length] = PortraitSheet();
    return orientation_ == TPrinterOrientation::Landscape ? length : width;
}

long double TQRPrinter::SheetLength() const {
    const auto [width, length] = PortraitSheet();
    return orientation_ == TPrinterOrientation::Landscape ? width : length;
}

void TQRPrinter::BeginDocument() {
    if (status_ != TQRPrinterStatus::Ready)
        throw EError(QStringLiteral("QRPrinter の準備ができていません"));
    canvas_.reset();
    recorder_.reset();
    cancelled_ = false;
    availablePages_ = 0;
    MapDevice();
    if (destination_ != TQRDestination::SheetFile && !PageDevice())
        pageList_ = std::make_unique<TQRPageList>(kPageStoreMemoryLimit);
    pageNumber_ = 0;
    pageCount_ = 0;
    status_ = TQRPrinterStatus::Busy;
}

void TQRPrinter::MapDevice() {
    leftOffset_ = topOffset_ = 0;
    if (destination_ == TQRDestination::SheetFile) {
        devicePerNativeX_ = devicePerNativeY_ = sheetDpi_ / kNativePerInch;
    } else if (destination_ == TQRDestination::Printer && printer_) {
        ApplyPrinterSettings();
        const QRectF page = printer_->pageRect(QPrinter::DevicePixel);
        const long double dpiX = printer_->logicalDpiX();
        const long double dpiY = printer_->logicalDpiY();
        leftOffset_ = Round(page.left() / dpiX * kNativePerInch);
        topOffset_ = Round(page.top() / dpiY * kNativePerInch);
        devicePerNativeX_ = dpiX / kNativePerInch;
        devicePerNativeY_ = dpiY / kNativePerInch;
    } else {
        devicePerNativeX_ = devicePerNativeY_ = screenResolution_ / kNativePerInch;
    }
}

bool TQRPrinter::PageInRange() const {
    return (firstPage_ <= 0 || pageCount_ >= firstPage_) &&
           (lastPage_ <= 0 || pageCount_ <= lastPage_);
}

bool TQRPrinter::PrintsToDevice() const {
    return PageDevice() && PageInRange();
}

QPaintDevice* TQRPrinter::PageDevice() const {
    switch (destination_) {
    case TQRDestination::SheetFile:
        return sheet_;
    case TQRDestination::Printer:
        return printer_.get();
    case TQRDestination::PageStore:
        break;
    }
    return nullptr;
}

void TQRPrinter::OpenPage() {
    if (!PrintsToDevice()) {
        recorder_ = std::make_unique<TQRPageRecorder>(
            QRect(0, 0, ToDeviceWidth(SheetWidth()), ToDeviceHeight(SheetLength())));
        canvas_ = std::make_unique<TCanvas>(recorder_->Painter());
        return;
    }
    if (!jobPainter_) {
        if (printer_) {
            printer_->setDocName(title_);
            spool_ = std::make_unique<TPrintSpool>(*printer_);
        }
        jobPainter_ = std::make_unique<QPainter>();
        if (!jobPainter_->begin(PageDevice()))
            throw EError(QStringLiteral("印刷を開始できません"));
    } else if (!printer_ || !printer_->newPage()) {
        throw EError(QStringLiteral("印刷を開始できません"));
    }
    canvas_ = std::make_unique<TCanvas>(jobPainter_.get());
}

// Closes the open page: a page-store page goes into the store; a page out of
// the printed range is dropped. A device page stays open for the job.
void TQRPrinter::ClosePage() {
    canvas_.reset();
    if (!recorder_)
        return;
    const TQRPageImage page = recorder_->Finish();
    recorder_.reset();
    if (destination_ == TQRDestination::PageStore)
        pageList_->AddPage(page);
}

// The sheet in device pixels of the page being drawn.
QRect TQRPrinter::SheetPixels() const {
    return QRect(QPoint(ToDeviceX(0), ToDeviceY(0)),
                 QPoint(ToDeviceX(SheetWidth()) - 1, ToDeviceY(SheetLength()) - 1));
}

void TQRPrinter::PlacePicture(const QImage& picture, const TQRPicturePlacement& placement,
                              bool lossless) {
    if (!canvas_)
        return;
    const TQRPicturePlacement onSheet{placement.Target, placement.Visible & SheetPixels()};
    if (recorder_) {
        recorder_->PlacePicture({picture, onSheet});
        return;
    }
    const TQRFittedPicture fitted = FitPicture(
        picture, onSheet, [this] { return Cancelled(); }, PictureGrid());
    canvas_->SetGroups(QString(), QStringLiteral("pictures"));
    DrawFittedPicture(*canvas_->Painter(), fitted, lossless);
}

// A sheet file's pictures are held to their own resolution; a printer gets
// the pixels of its own dots.
double TQRPrinter::PictureGrid() const {
    return pictureDpi_ > 0 ? double(pictureDpi_) / sheetDpi_ : 1.0;
}

QSize TQRPrinter::PicturePixels(QSize target) const {
    const double grid = recorder_ ? 1.0 : PictureGrid();
    const auto cells = [grid](int n) { return std::max(1, int(std::ceil(n * grid - 1e-9))); };
    return QSize(cells(target.width()), cells(target.height()));
}

void TQRPrinter::NewPage() {
    if (status_ != TQRPrinterStatus::Busy)
        throw EError(QStringLiteral("間違った NewPage の呼び出し"));
    if (pageNumber_ > 0) {
        ClosePage();
        Post("PageAvailable", ++availablePages_);
    }
    ++pageCount_;
    ++pageNumber_;
    OpenPage();
}

void TQRPrinter::EndDocument() {
    if (status_ != TQRPrinterStatus::Busy)
        return;
    ClosePage();
    if (jobPainter_) {
        const bool ok =
            jobPainter_->end() && (!printer_ || printer_->printerState() != QPrinter::Error);
        jobPainter_.reset();
        const std::unique_ptr<TPrintSpool> spool = std::move(spool_);
        status_ = TQRPrinterStatus::Finished;
        if (!ok)
            throw EError(QStringLiteral("印刷できませんでした"));
        if (spool)
            TQRPrinterService::Current().Submit(*printer_, *spool);
    }
    status_ = TQRPrinterStatus::Finished;
    Post("PageAvailable", ++availablePages_);
    if (pageList_)
        pageList_->SetComplete();
}

// The job's document is closed into its spool and dropped with it: nothing
// reaches the queue (QPrinter::abort does not hold a CUPS job back).
void TQRPrinter::AbortDocument() {
    ClosePage();
    if (jobPainter_) {
        jobPainter_->end();
        jobPainter_.reset();
    }
    spool_.reset();
    status_ = TQRPrinterStatus::Finished;
}

TQRPageImage TQRPrinter::PageImage(int n) {
    const TQRPrinterStatus s = status_;
    if (s == TQRPrinterStatus::Ready || !pageList_ || n < 1 || n > pageCount_)
        return TQRPageImage();
    return pageList_->GetPage(n);
}

void TQRPrinter::SetClient(QObject* client) {
    QMutexLocker locker(&clientLock_);
    client_ = client;
}

QObject* TQRPrinter::Client() {
    QMutexLocker locker(&clientLock_);
    return client_;
}

// Posted under the client lock, so a client that unbinds itself (on the UI
// thread) is never posted to once SetClient(nullptr) has returned.
void TQRPrinter::Post(const char* method, int value) {
    QMutexLocker locker(&clientLock_);
    if (client_)
        QMetaObject::invokeMethod(client_, method, Qt::QueuedConnection, Q_ARG(int, value));
}

void TQRPrinter::PrintSetup() {
    if (PrintSetupHook)
        PrintSetupHook();
}

void TQRPrinter::RequestPrint() {
    if (TQuickRep* master = master_)
        QMetaObject::invokeMethod(master, &TQuickRep::PrintRequest, Qt::QueuedConnection);
}

void TQRPrinter::ClosePreview() {
    if (TQuickRep* master = master_)
        master->PreviewClosed(this);
}
