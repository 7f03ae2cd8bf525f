#include "QRMedia.h"

#include <cmath>
#include <utility>

namespace {
constexpr double kToleranceMm = 1.0;

const char* const kPaperNames[27] = {
    "",          "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal", "Statement",
    "Executive", "A3",     "A4",          "A4Small", "A5",     "B4",    "B5",
    "Folio",     "Quarto", "10X14",       "11X17",   "Note",   "Env9",  "Env10",
    "Env11",     "Env12",  "Env14",       "CSheet",  "DSheet", "ESheet"};

QSizeF Portrait(QSizeF s) {
    return s.width() <= s.height() ? s : s.transposed();
}
} // namespace

QSizeF MediaMillimetres(TQRPaperSize code, QSizeF custom) {
    if (code == QRPaper::Custom)
        return custom.isEmpty() ? QSizeF() : Portrait(custom);
    if (code == QRPaper::B4) // the drivers' B4 is the JIS size
        return {257, 364};
    const TPaperDimension& dim = PaperDimensions(code);
    if (dim.Width <= 0)
        return {};
    return Portrait(QSizeF(dim.Width, dim.Length));
}

QString PaperName(TQRPaperSize code) {
    return code == QRPaper::Custom ? QStringLiteral("ユーザー定義")
                                   : QString::fromLatin1(code < 27 ? kPaperNames[code] : "");
}

QString MediaName(TQRPaperSize code, QSizeF custom) {
    const QSizeF mm = MediaMillimetres(code, custom);
    return QStringLiteral("%1 (%2 × %3 mm)")
        .arg(PaperName(code), QString::number(mm.width()), QString::number(mm.height()));
}

QPageSize FindMedia(const QList<QPageSize>& listed, QSizeF mm) {
    QPageSize best;
    double bestError = kToleranceMm * 2;
    for (const QPageSize& size : listed) {
        const QSizeF s = Portrait(size.size(QPageSize::Millimeter));
        const double dw = std::abs(s.width() - mm.width());
        const double dl = std::abs(s.height() - mm.height());
        if (dw <= kToleranceMm && dl <= kToleranceMm && dw + dl < bestError) {
            best = size;
            bestError = dw + dl;
        }
    }
    return best;
}
