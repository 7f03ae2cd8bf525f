#pragma once
// What the print server says of a printer beyond Qt's view of it, and
// whether it answers at all.
//
// The server's own size of a printer's paper, to the point. Qt lists a
// printer's papers by their standard sizes (JIS B4 as 729 x 1032 pt), while
// the printer's description may define them slightly differently (727 x 1029
// pt); a job whose page differs from the media by a point is centred on it.

#include <QSize>
#include <QSizeF>
#include <QString>

// The size in whole points of the printer's paper closest to `mm`
// (portrait, each side within 1.5 mm); invalid when the server does not say.
QSize ServerMediaPoints(const QString& printer, QSizeF mm);

// The resolution in dots per inch that the printer's queue prints at by
// default: the user's own choice for the queue first, then the printer's
// default; 0 when the server does not say. Qt opens every CUPS printer at its
// own PDF resolution, whatever the printer prints at.
int ServerResolution(const QString& printer);

// True when the print server that Qt's printers are asked through neither
// answers nor refuses a request within `ms` milliseconds: it has stopped
// answering, or cannot be reached. Qt's own requests wait up to a minute
// for such a server; this one, on a connection of its own (any thread may
// ask), gives up after `ms` to connect and `ms` more for the answer, the
// lookup of the server's name and an encrypted connection's handshake
// included. A server that is not there at all refuses at once: Qt then
// finds no printers, as quickly.
bool PrintServerSilent(int ms);
