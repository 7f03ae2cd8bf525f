#pragma once
// TQRPreview: the scrolling area of the preview window. It shows one page of
// a preview run as a TQRPreviewImage at a zoom, keeps the zoom mode (fit page,
// fit width or fixed) and re-applies it whenever the area changes size.

#include "QRPageImage.h"

#include <QScrollArea>
#include <optional>

class TQRPreviewSource;

// The page image control: the page scaled to its size, with a one-pixel
// outline and a two-pixel shadow at the right and bottom.
class TQRPreviewImage : public QWidget {
    Q_OBJECT
public:
    explicit TQRPreviewImage(QWidget* parent = nullptr);

    TQRPreviewSource* Source() const { return source_; }
    void SetSource(TQRPreviewSource* source) { source_ = source; }
    int PageNumber() const { return pageNumber_; }
    bool HasImage() const { return image_.has_value(); }
    // Drops the held image and takes a copy of page n (none while the store
    // does not hold it yet).
    void LoadPage(int n);
    void DropImage() { image_.reset(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TQRPreviewSource* source_ = nullptr;
    int pageNumber_ = 1;
    std::optional<TQRPageImage> image_;
};

class TQRPreview : public QScrollArea {
    Q_OBJECT
public:
    enum class TZoomMode { FitPage, FitWidth, Fixed };

    explicit TQRPreview(QWidget* parent = nullptr);
    ~TQRPreview() override;

    TQRPreviewSource* Source() const { return source_; }
    // Binds the run's printer: becomes its client, turns its showing-preview
    // state on and selects page 1. Binding another printer first releases
    // the previous one if this control was its client.
    void SetSource(TQRPreviewSource* source);
    // Forgets the printer without touching it (it may already be gone).
    void ForgetSource();

    TQRPreviewImage* PreviewImage() const { return image_; }
    int PageNumber() const { return pageNumber_; }
    // Selects page n; ignored for n <= 0, beyond the pages begun, without a
    // printer, or when n is already shown.
    void SetPageNumber(int n);

    int Zoom() const { return zoom_; }
    // 2..2000, otherwise refused; the mode becomes Fixed.
    void SetZoom(int z);
    TZoomMode ZoomMode() const { return mode_; }
    void ZoomToFit();
    void ZoomToWidth();
    // Places the page image at the current zoom, centred where it is smaller
    // than the area, and scrolls to the top-left.
    void Relayout();

public slots:
    // Notifications from the printer, posted to this control's queue (by
    // name, hence slots).
    void PageAvailable(int n);
    void ProgressUpdate(int percent);

signals:
    void OnPageAvailable(int n);
    void OnProgressUpdate(int percent);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize SheetPixels() const;
    void ScrollHome();

    TQRPreviewSource* source_ = nullptr;
    QWidget* stage_;
    TQRPreviewImage* image_;
    int pageNumber_ = 1;
    int zoom_ = 100;
    TZoomMode mode_ = TZoomMode::Fixed;
};
