#pragma once
// The record codecs of the shared unit Common: the two data files that survive
// between runs, SETTING.DAT (one settings record) and LIST.DAT (one record per
// placed picture). Records are headerless, fixed-size, encoded byte by byte
// little-endian; paths are stored in code page 932. Needs only QtCore.

#include "report/QRPage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

class QIODevice;

// The settings record, 12 bytes on disk:
// 0 PaperSize, 1..3 padding, 4..7 PageMargin, 8 PrintLines, 9 LinesInFront, 10..11 padding.
struct TSettingRec {
    TQRPaperSize PaperSize = 0;
    std::int32_t PageMargin = 0;
    bool PrintLines = false;
    bool LinesInFront = false;
    bool operator==(const TSettingRec&) const = default;
};
constexpr int SettingRecSize = 12;

// One placed picture, 276 bytes on disk: Top, Left, Width, Height (4 bytes
// each), FileName (258 bytes, zero-terminated unless full), Stretch, padding.
struct TImageRec {
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    QByteArray FileName; // code page 932, at most 258 bytes, no zero byte
    bool Stretch = false;
};
constexpr int ImageRecSize = 276;
constexpr int FileNameSize = 258;
// More settings records than any file holds; a longer stream is refused.
constexpr int MaxRecords = 100000;
// The most pictures start-up places. The window paints its pictures as
// sibling widgets, and painting tens of thousands of them overflows the
// stack; this many are shown to paint safely.
constexpr int MaxPlacedImages = 2000;

inline const QString SettingFileName = QStringLiteral("SETTING.DAT");
inline const QString ImageFileName = QStringLiteral("LIST.DAT");

// Device level: the last whole record wins; false (rec unchanged) when the
// device holds less than one record. Raises EError when reading fails.
bool ReadSettings(QIODevice& device, TSettingRec& rec);
void WriteSettings(QIODevice& device, const TSettingRec& rec);
// Every whole record in order, at most `limit`; trailing bytes are ignored.
QList<TImageRec> ReadImageRecords(QIODevice& device, qsizetype limit = MaxPlacedImages);
void WriteImageRecords(QIODevice& device, const QList<TImageRec>& records);

// Paths in LIST.DAT. EncodeImagePath raises EError with a message for the
// user when the path has characters outside code page 932 or is longer than
// FileNameSize bytes once encoded. CheckImagePathStorable is the same test
// for the open command, run before a picture is placed; its message adds
// that the file cannot be opened. DecodeImagePath raises EError for bytes
// that are not valid code page 932, which no stored text could give back.
// DecodeImagePathForDisplay takes any bytes, with substitutes where they are
// not code page 932, for naming a path to the user.
QByteArray EncodeImagePath(const QString& path);
void CheckImagePathStorable(const QString& path);
QString DecodeImagePath(const QByteArray& bytes);
QString DecodeImagePathForDisplay(const QByteArray& bytes);
