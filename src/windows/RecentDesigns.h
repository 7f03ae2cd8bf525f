#pragma once
// The designs opened or saved last, newest first, kept in the user's
// configuration (QSettings of the organisation and application "Tesorin").

#include <QStringList>

class TRecentDesigns {
public:
    static constexpr int MaxCount = 10;
    static QStringList List();
    // Puts `path` first; the oldest beyond MaxCount drop out.
    static void Add(const QString& path);
    static void Remove(const QString& path);
};
