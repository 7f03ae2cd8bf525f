#include "CommonPaper.h"

const std::array<TPaperSize, 4> PaperSizes{{{0, "A4", QRPaper::A4},
                                            {1, "A5", QRPaper::A5},
                                            {2, "B4", QRPaper::B4},
                                            {3, "B5", QRPaper::B5}}};

int PaperSizeToIndex(TQRPaperSize code) {
    for (const TPaperSize& row : PaperSizes)
        if (row.PaperSize == code)
            return row.Index;
    return -1;
}
