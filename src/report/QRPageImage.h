#pragma once
// TQRPageImage: a recorded page of a preview run. The drawing commands are
// recorded as vectors; the pictures placed on the page are kept by reference
// (shared, never copied or encoded) between the drawings that lie beneath and
// above them. Played into a painter, each picture is fitted to the screen
// pixels it covers at that moment, so the preview shows every picture pixel
// the zoom can show and no more work is done than the screen needs.
//
// TQRPageRecorder: the painter that records such a page.

#include "QRPictureFit.h"

#include <QList>
#include <QPainter>
#include <QPicture>
#include <optional>

// A picture placed on a recorded page, in page pixels.
struct TQRPagePicture {
    QImage Picture;
    TQRPicturePlacement Placement;
};

class TQRPageImage {
public:
    struct TPart {
        QPicture Drawing;                      // when no picture
        std::optional<TQRPagePicture> Picture; // a placed picture
    };

    TQRPageImage() = default; // null: no page
    explicit TQRPageImage(const QRect& bounds) : bounds_(bounds), null_(false) {}
    // A page of one recorded drawing, bounded by the drawing's bounding rect.
    explicit TQRPageImage(const QPicture& drawing);

    bool IsNull() const { return null_; }
    QRect BoundingRect() const { return bounds_; }
    const QList<TPart>& Parts() const { return parts_; }
    void AddDrawing(const QPicture& drawing);
    void AddPicture(const TQRPagePicture& picture);

    // Draws the page in the painter's current coordinates (page pixels).
    void Play(QPainter& painter) const;

private:
    // Fitted copies for the device pixels of the last play, per part.
    struct TFitCache {
        QRect Target;
        QRect Visible;
        TQRFittedPicture Fitted;
    };
    void PlayPicture(QPainter& painter, int part) const;

    QRect bounds_;
    bool null_ = true;
    QList<TPart> parts_;
    mutable QList<TFitCache> fits_;
};

class TQRPageRecorder {
public:
    explicit TQRPageRecorder(const QRect& bounds);
    ~TQRPageRecorder();
    TQRPageRecorder(const TQRPageRecorder&) = delete;
    TQRPageRecorder& operator=(const TQRPageRecorder&) = delete;

    // The painter stays the same object for the whole page.
    QPainter* Painter() { return &painter_; }
    // Places a picture above everything drawn so far; later drawing lies
    // above it.
    void PlacePicture(const TQRPagePicture& picture);
    // Ends the recording and hands the page over.
    TQRPageImage Finish();

private:
    void BeginDrawing();
    void EndDrawing();

    QPainter painter_;
    QPicture drawing_;
    TQRPageImage page_;
};
