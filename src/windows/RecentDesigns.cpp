#include "RecentDesigns.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kKey = "RecentDesigns";

QSettings Store() {
    return QSettings(QStringLiteral("Tesorin"), QStringLiteral("Tesorin"));
}

void Keep(QStringList list) {
    while (list.size() > TRecentDesigns::MaxCount)
        list.removeLast();
    Store().setValue(kKey, list);
}
} // namespace

QStringList TRecentDesigns::List() {
    return Store().value(kKey).toStringList().mid(0, MaxCount);
}

void TRecentDesigns::Add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = List();
    list.removeAll(absolute);
    list.prepend(absolute);
    Keep(list);
}

void TRecentDesigns::Remove(const QString& path) {
    QStringList list = List();
    list.removeAll(QFileInfo(path).absoluteFilePath());
    Keep(list);
}
