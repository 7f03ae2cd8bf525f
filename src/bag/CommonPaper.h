#pragma once
// The paper size table of the shared unit Common: the papers the settings
// dialog offers, with their report paper codes.

#include "report/QRPage.h"

#include <array>

// One row of the paper size table shown by the settings dialog.
struct TPaperSize {
    int Index;
    const char* Name;
    TQRPaperSize PaperSize;
};

extern const std::array<TPaperSize, 4> PaperSizes;

// Index of the first table row with this paper code; -1 when none has it.
int PaperSizeToIndex(TQRPaperSize code);
