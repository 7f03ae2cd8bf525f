#pragma once
// Fitting a picture to the device pixels it lands on. A device draws a
// picture scaled into its rectangle by taking, for every device pixel, the
// picture pixel under that pixel's centre: rows and columns are dropped or
// repeated, never blended. Sending the device more pixels than its rectangle
// holds adds nothing to the sheet, so a picture travels reduced to exactly
// the device pixels it covers (picked with that same mapping, so the sheet is
// unchanged), a smaller one at its own size for the device to enlarge, and
// only the part that can show: what lies outside the clip or the page stays
// behind. The source picture is read in place; only what travels is copied.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <functional>

// Where a picture goes on a device, in device pixels.
struct TQRPicturePlacement {
    QRect Target;  // the whole picture is scaled into this rectangle
    QRect Visible; // only this part of the device shows it (clip and page)
};

// What travels: an image drawn into a device rectangle, clipped to Clip. On
// an axis where the picture was reduced, Target is whole device pixels and
// one image pixel covers one device pixel (one grid cell on a coarser grid).
struct TQRFittedPicture {
    QImage Image; // null when nothing of the picture shows
    QRectF Target;
    QRect Clip;
};

// Asked between bands of rows; true abandons the work (nothing travels).
using TQRCancelCheck = std::function<bool()>;

// The picture reduced and cut to what its placement shows on the device.
// A picture that needs neither is returned shared, not copied. With a grid
// below 1 the picture is reduced to that many pixels per device pixel
// (rounded up, so never fewer), as a device of that coarser resolution
// would take them, and drawn over the same device rectangle.
TQRFittedPicture FitPicture(const QImage& picture, const TQRPicturePlacement& placement,
                            const TQRCancelCheck& cancelled = {}, double grid = 1.0);

// Draws a fitted picture in device pixels of the painter's current
// coordinates, in copy mode, never smoothed. Lossless keeps its pixels
// exactly; otherwise a device that compresses (a PDF job) may store it as
// JPEG.
void DrawFittedPicture(QPainter& painter, const TQRFittedPicture& fitted, bool lossless);
