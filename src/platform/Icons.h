#pragma once
// The program's own pictures: its application icon at every size it ships,
// and tool-bar icons taken from the desktop's icon theme where it has them,
// with the program's own drawing as the fallback.

#include <QFuture>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

// The id by which the desktop knows the program (desktop entry, metainfo).
inline constexpr const char* kDesktopId = "jp.tesorin.Tesorin";

// The paper bag, at 16, 22, 24, 32, 48, 64, 128 and 256 pixels: its pictures
// are read on a worker thread while the caller goes on making its window.
using TApplicationIconReading = QFuture<QList<QImage>>;
TApplicationIconReading ReadApplicationIcon();
QIcon ApplicationIcon(const TApplicationIconReading& reading);

// The preview's print and printer set-up commands.
enum class TActionIcon { Print, PrinterSettings };
QIcon ActionIcon(TActionIcon which);
// The program's own drawing of an action, whatever the theme offers.
QIcon OwnActionIcon(TActionIcon which);
