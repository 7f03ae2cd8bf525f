#pragma once
// The paper a print job asks of the printer for a paper code (its media),
// kept apart from the layout sheet, which always follows PaperDimensions
// (B4 250 x 354 mm). The media is the paper that printer drivers mean by the
// code: 9 A4, 11 A5, 12 JIS B4 (257 x 364 mm), 13 JIS B5 (182 x 257 mm), and
// for the other standard codes the paper of the table. The drawing lands at
// its millimetre positions from the media's top-left corner.

#include "QRPage.h"

#include <QList>
#include <QPageSize>
#include <QSizeF>
#include <QString>

// Portrait width and length of the media in mm; for Custom the page's own
// size (portrait), for Default and codes outside 1..27 an empty size.
QSizeF MediaMillimetres(TQRPaperSize code, QSizeF custom);
// The code's name, e.g. "B4"; "ユーザー定義" for Custom.
QString PaperName(TQRPaperSize code);
// The paper as the user reads it in a message, e.g. "B4 (257 × 364 mm)".
QString MediaName(TQRPaperSize code, QSizeF custom);
// The size among a printer's listed ones that is the paper of `mm`
// (portrait, each side within 1 mm), the closest one; invalid when none is.
QPageSize FindMedia(const QList<QPageSize>& listed, QSizeF mm);
