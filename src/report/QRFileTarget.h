#pragma once
// The sheet file as the window's print target: the save dialog that asks
// for its name, and the offer of a file when no printer is installed.

#include "QRPage.h"

#include <QString>

class QWidget;

// The printer dialog's entry for the sheet file, listed after the printers.
QString SheetFileTargetName();

// The name the save dialog proposes for a paper, e.g. "ふくろ-B5.pdf".
QString SheetFileDefaultName(TQRPaperSize paper);

// Asks for the sheet file's name in a save dialog offering PDF, SVG, PNG
// and JPEG, the name proposed from the paper; the extension follows the
// type chosen, and the dialog asks before it replaces a file. Empty when
// cancelled.
QString AskSheetFileName(QWidget* parent, TQRPaperSize paper);

// Offers the sheet file where no printer is installed; the text says that
// there is none. True when the user takes the offer.
bool OfferSheetFile(QWidget* parent);
