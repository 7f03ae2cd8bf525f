#pragma once
// Shared types and helpers: the paper size table, and the two data files that
// survive between runs: SETTING.DAT (one settings record) and LIST.DAT (one
// record per placed picture). Records are headerless, fixed-size, encoded
// byte by byte little-endian; paths are stored in code page 932.

#include "report/QRPage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

class QComboBox;
class QIODevice;
class TAtomicSave;
class TImageEx;

// One row of the paper size table shown by the settings dialog.
struct TPaperSize {
    int Index;
    const char* Name;
    TQRPaperSize PaperSize;
};

extern const std::array<TPaperSize, 4> PaperSizes;

// Index of the first table row with this paper code; -1 when none has it.
int PaperSizeToIndex(TQRPaperSize code);
// Appends the table's names to the list, then selects row `index` (-1: none).
void FillPaperSizeCombo(QComboBox* combo, int index);

// The settings record, 12 bytes on disk:
// 0 PaperSize, 1..3 padding, 4..7 PageMargin, 8 PrintLines, 9 LinesInFront, 10..11 padding.
struct TSettingRec {
    TQRPaperSize PaperSize = 0;
    std::int32_t PageMargin = 0;
    bool PrintLines = false;
    bool LinesInFront = false;
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

// File level, folder given with its trailing separator. Reads take regular
// files only and never block; writes replace the file atomically
// (SaveFileAtomically in platform/FileSystem.h) and raise EError, or
// ERefusedTarget when what is in place is not a regular file.
bool ReadSettingFile(TSettingRec& rec, const QString& folder);
bool WriteSettingFile(const TSettingRec& rec, const QString& folder);
// The first step of the writes: the new file written beside the old one,
// put in place by its Commit.
std::unique_ptr<TAtomicSave> PrepareSettingFile(const TSettingRec& rec, const QString& folder);
std::unique_ptr<TAtomicSave> PrepareImageFile(const QList<TImageEx*>& images,
                                              const QString& folder);
// Appends the first MaxPlacedImages records; false when the file holds more.
bool ReadImageFile(QList<TImageRec>& list, const QString& folder);
bool WriteImageFile(const QList<TImageEx*>& images, const QString& folder);

// Paths in LIST.DAT. EncodeImagePath raises EError with a message for the
// user when the path has characters outside code page 932 or is longer than
// FileNameSize bytes once encoded. CheckImagePathStorable is the same test
// for the open command, run before a picture is placed; its message adds
// that the file cannot be opened. DecodeImagePath raises EError for bytes
// that are not valid code page 932, which no stored text could give back.
QByteArray EncodeImagePath(const QString& path);
void CheckImagePathStorable(const QString& path);
QString DecodeImagePath(const QByteArray& bytes);

// The record of a placed picture as LIST.DAT stores it.
TImageRec ImageRecOf(const TImageEx& image);

// Where the data files are read at start-up and written at close, each with
// a trailing separator. Written in the executable's folder when it can be
// written, otherwise in the user's configuration folder; read from that
// same folder, except that while the configuration folder holds no data file
// yet the files beside the executable are read.
struct TDataFolders {
    QString Read;
    QString Write;
};
TDataFolders DataFolders();
// The same choice for a given executable's folder.
TDataFolders DataFoldersFor(const QString& exeFolder);
// Makes DataFolders() read and write in `folder` (empty: back to normal). For
// tests.
void SetDataFolderOverride(const QString& folder);
// Keeps a copy of the regular file at `path` as PATH.bak, or PATH.1.bak,
// PATH.2.bak ... when those names hold other contents: an earlier copy is
// never replaced, and a content some copy already holds is not copied again.
// Does nothing when `path` is missing or not a regular file. Raises EError.
void BackupFile(const QString& path);
