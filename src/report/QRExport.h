#pragma once
// Writing the report page's sheet to a file instead of a printer: PDF and
// SVG drawn on a device of kSheetFileDpi dots per inch over the whole
// sheet, with no unprintable offsets, so every line lands where a printer of
// that resolution puts it; PNG and JPEG as the sheet's pixels at the asked
// resolution. The page is the paper the code names on a printer (its
// media), as the page is oriented.

#include "QRPage.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <optional>

class TQuickRep;

constexpr int kSheetFileDpi = 1200;
// Pixels per inch of pictures in a sheet file, and of a PNG or JPEG sheet,
// unless asked otherwise.
constexpr int kDefaultPictureDpi = 300;

enum class TQRSheetFormat { Pdf, Svg, Png, Jpeg };

// The format a file name's extension names (.pdf, .svg, .png, .jpg or
// .jpeg, any case); none for another one.
std::optional<TQRSheetFormat> SheetFormatOf(const QString& fileName);

// The sheet of a paper code in millimetres, as oriented.
QSizeF SheetFileMillimetres(TQRPaperSize code, QSizeF custom, TPrinterOrientation orientation);

// The one-line message of an export that failed: the file and the reason.
QString ExportFailure(const QString& fileName, const QString& reason);

// The sheet's file, as the page's print run draws it, pictures at up to
// dpi pixels per inch. Raises EError with the reason.
QByteArray RenderSheetFile(const TQuickRep& page, TQRSheetFormat format, int dpi);
