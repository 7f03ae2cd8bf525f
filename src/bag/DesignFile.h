#pragma once
// Design files (.tesorin): one named design in one SQLite database, read and
// written through Qt SQL. A design holds what SETTING.DAT holds, the four
// colours of the net and every placed picture back to front with its bounds,
// stretch flag, original path and the bytes of its file, so that it is whole
// without the picture files. The schema and its compatibility rule are in
// docs/DESIGNFILE.md.

#include "CommonRecords.h"
#include "platform/Canvas.h"

#include <QByteArray>
#include <QList>
#include <QString>

// "TSRN": what PRAGMA application_id holds in every design file.
constexpr std::int32_t DesignApplicationId = 0x5453524E;
// The schema this program writes and the newest it reads.
constexpr int DesignVersion = 1;
inline const QString DesignSuffix = QStringLiteral("tesorin");

struct TDesignPicture {
    // Bounds on the image layer as stored; width and height are not negative.
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool Stretch = true;
    QString Path;     // the file the picture was opened from
    QByteArray Bytes; // that file's content
    bool operator==(const TDesignPicture&) const = default;
};

struct TDesign {
    TSettingRec Settings;
    TColor Color = clWhite;
    TColor YamaoriColor = clBlack;
    TColor TanioriColor = clBlack;
    TColor NorishiroColor = clGray;
    QList<TDesignPicture> Pictures; // back to front
};

// Writes the design to `path`: the database is made in a new file beside it,
// synced and renamed over it (TAtomicSave), so a failure at any step leaves
// the old file whole. Raises EError (ERefusedTarget when the
// file in place is not a regular file).
void WriteDesignFile(const TDesign& design, const QString& path);

// Reads the design at `path`, opened read-only with an untrusted schema.
// Raises EError with a message for the user when the file is no regular
// file, no SQLite database, damaged, another program's, from a newer
// version, holds more than MaxPlacedImages pictures or more picture bytes
// than `room`. Nothing is returned half read.
TDesign ReadDesignFile(const QString& path, qint64 room);
