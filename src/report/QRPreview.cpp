#include "QRPreview.h"

#include "../platform/Canvas.h"
#include "../platform/Rounding.h"
#include "QRPreviewSource.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

TQRPreviewImage::TQRPreviewImage(QWidget* parent) : QWidget(parent) {}

void TQRPreviewImage::LoadPage(int n) {
    image_.reset();
    pageNumber_ = n;
    TQRPageImage page;
    if (source_ && source_->PageImage(n, page))
        image_ = std::move(page);
    update();
}

void TQRPreviewImage::paintEvent(QPaintEvent*) {
    if (!image_ || !source_)
        return;
    const int w = width();
    const int h = height();
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.SetPenColor(clWhite);
    canvas.SetBrushColor(clWhite);
    canvas.Rectangle(1, 1, w - 3, h - 3);

    // The page image is recorded at sheet size and stretched over the whole
    // control, outline and shadow included, as it is drawn into a rectangle;
    // its pictures are fitted to the screen pixels of this zoom.
    const int pw = source_->ToDeviceWidth(source_->SheetWidth());
    const int ph = source_->ToDeviceHeight(source_->SheetLength());
    if (pw > 0 && ph > 0) {
        painter.save();
        painter.scale(double(w) / pw, double(h) / ph);
        image_->Play(painter);
        painter.restore();
    }

    canvas.SetPenColor(clBlack);
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(TPenStyle::Solid);
    canvas.Polyline({{0, 0}, {0, h - 3}, {w - 3, h - 3}, {w - 3, 0}, {0, 0}});
    canvas.SetBrushColor(clBlack);
    canvas.FillRect(w - 2, 2, w, h);
    canvas.FillRect(2, h - 2, w, h);
}

TQRPreview::TQRPreview(QWidget* parent)
    : QScrollArea(parent), stage_(new QWidget), image_(new TQRPreviewImage(stage_)) {
    setObjectName("QRPreview");
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
    stage_->setAutoFillBackground(false);
    setWidget(stage_);
    image_->hide();
}

TQRPreview::~TQRPreview() {
    if (source_ && source_->Client() == this)
        source_->SetClient(nullptr);
}

void TQRPreview::SetSource(TQRPreviewSource* source) {
    if (source_ && source_ != source && source_->Client() == this) {
        source_->SetShowingPreview(false);
        source_->SetClient(nullptr);
    }
    source_ = source;
    image_->SetSource(source);
    image_->DropImage();
    if (source_) {
        source_->SetClient(this);
        source_->SetShowingPreview(true);
    }
    SetPageNumber(1);
    Relayout();
}

void TQRPreview::ForgetSource() {
    source_ = nullptr;
    image_->SetSource(nullptr);
    image_->DropImage();
    image_->update();
}

void TQRPreview::SetPageNumber(int n) {
    if (n == pageNumber_ && image_->HasImage())
        return;
    if (n <= 0 || !source_ || n > source_->PageCount())
        return;
    image_->LoadPage(n);
    pageNumber_ = n;
    ScrollHome();
}

QSize TQRPreview::SheetPixels() const {
    if (!source_)
        return {};
    return {source_->ToDeviceWidth(source_->SheetWidth()),
            source_->ToDeviceHeight(source_->SheetLength())};
}

void TQRPreview::SetZoom(int z) {
    if (z < 2 || z > 2000)
        return;
    mode_ = TZoomMode::Fixed;
    zoom_ = z;
    Relayout();
}

// The mode is set after the zoom on purpose: it changes even when the
// computed zoom is refused.
void TQRPreview::ZoomToFit() {
    const QSize sheet = SheetPixels();
    if (sheet.isEmpty())
        return;
    const long long a = RoundHalfEven(width() * 95.0L / sheet.width());
    const long long b = RoundHalfEven(height() * 95.0L / sheet.height());
    SetZoom(int(std::min(a, b)));
    mode_ = TZoomMode::FitPage;
}

void TQRPreview::ZoomToWidth() {
    const QSize sheet = SheetPixels();
    if (sheet.isEmpty())
        return;
    SetZoom(int(RoundHalfEven(width() * 90.0L / sheet.width())));
    Relayout();
    mode_ = TZoomMode::FitWidth;
}

// Until the run has opened its document the sheet is not known yet and
// there is nothing to place.
void TQRPreview::Relayout() {
    if (SheetPixels().isEmpty()) {
        image_->hide();
        return;
    }
    const int w = source_->ToDeviceWidth(source_->SheetWidth() / 100 * zoom_) + 4;
    const int h = source_->ToDeviceHeight(source_->SheetLength() / 100 * zoom_) + 4;
    const int left = w < width() ? (width() - w) / 2 : 0;
    const int top = h < height() ? (height() - h) / 2 : 0;
    image_->setGeometry(left, top, w, h);
    image_->show();
    stage_->resize(left + w, top + h);
    ScrollHome();
}

void TQRPreview::ScrollHome() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TQRPreview::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (mode_ == TZoomMode::FitPage)
        ZoomToFit();
    else if (mode_ == TZoomMode::FitWidth)
        ZoomToWidth();
    Relayout();
}

void TQRPreview::PageAvailable(int n) {
    if (source_ && n == pageNumber_ && !image_->HasImage() &&
        source_->AvailablePages() >= image_->PageNumber()) {
        ZoomToWidth();
        image_->LoadPage(image_->PageNumber());
    }
    emit OnPageAvailable(n);
}

void TQRPreview::ProgressUpdate(int percent) {
    emit OnProgressUpdate(percent);
}
