#pragma once
// TQRImage: a print picture. It prints its picture into its rectangle on the
// run's page, scaled to fill it (Stretch) or at its natural size converted
// from screen pixels and cut at the rectangle. The printer object sends the
// device only the picture pixels that its rectangle can show, scaled without
// blending.

#include "../platform/HeldPicture.h"
#include "QRPictureFit.h"
#include "QRPrintable.h"

#include <QImage>

class TQRPrinter;

class TQRImage : public TQRPrintable {
    Q_OBJECT
public:
    // 105 x 105 pixels after construction; attached when owner is a page.
    explicit TQRImage(QWidget* owner = nullptr, int resolution = kScreenPixelsPerInch);

    // The picture as held, and at its own size, decoded now.
    const THeldPicturePtr& Held() const { return picture_; }
    QImage Picture() const;
    // Holds the image's pixels, shared until either side changes them.
    void SetPicture(const QImage& image);
    // Shares a held picture; a run decodes it for its device.
    void SetPicture(const THeldPicturePtr& picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);
    bool Center() const { return center_; }
    void SetCenter(bool c);
    bool AutoSize() const { return autoSize_; }
    // With AutoSize, the pixel bounds take the picture's pixel size.
    void SetAutoSize(bool a);
    // The picture was read from a JPEG file: it may travel JPEG-compressed.
    // Other pictures travel lossless.
    bool JpegSource() const { return jpegSource_; }
    void SetJpegSource(bool j) { jpegSource_ = j; }

    std::unique_ptr<TQRPrintableSnapshot> TakeSnapshot() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FitToPicture();

    THeldPicturePtr picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
    bool jpegSource_ = false;
};

// A print picture as the run prints it: the held picture (shared, so taking
// it costs no copy) and its switches. Printing decodes it at the pixels that
// its device rectangle takes and lets them go once placed.
class TQRImageSnapshot : public TQRPrintableSnapshot {
public:
    explicit TQRImageSnapshot(const TQRImage& image);
    void PrintAt(long double offsetX, long double offsetY) override;
    std::optional<TQRPictureAsk> PictureAsk(const TQRPrinter& printer) const override;

private:
    // The picture's screen-pixel size in device pixels of the printer.
    QSize NaturalSize(const TQRPrinter& printer) const;
    // Where the picture goes on the printer's page at an offset in native
    // units, and the decode that takes.
    TQRPicturePlacement Placement(const TQRPrinter& printer, long double offsetX,
                                  long double offsetY) const;
    TQRPictureAsk Ask(const TQRPrinter& printer, const TQRPicturePlacement& placement) const;

    THeldPicturePtr picture_;
    bool stretch_;
    bool center_;
    bool jpegSource_;
};
