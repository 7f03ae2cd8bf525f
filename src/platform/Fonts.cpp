#include "Fonts.h"

#include <QFontDatabase>

QString InstalledFamily(const QStringList& families) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : families)
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    return families.value(0);
}
