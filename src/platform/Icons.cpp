#include "Icons.h"

#include <QImageReader>
#include <QPixmap>

namespace {
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct TActionIconNames {
    const char* theme; // the name desktop icon themes use for it
    const char* own;
};

TActionIconNames NamesOf(TActionIcon which) {
    switch (which) {
    case TActionIcon::Print:
        return {"document-print", "print"};
    case TActionIcon::PrinterSettings:
        break;
    }
    return {"printer", "printer-settings"};
}

// Each size read as the PNG it is. Left to find out the format itself, the
// toolkit asks every picture format plugin whether it knows the file, and
// loading them all costs the program's start a few milliseconds.
void AddPng(QIcon& icon, const QString& resource) {
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    icon.addPixmap(QPixmap::fromImage(reader.read()));
}
} // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int n : kIconSizes)
        AddPng(icon, QStringLiteral(":/icons/%1x%1/tesorin.png").arg(n));
    return icon;
}

QIcon OwnActionIcon(TActionIcon which) {
    const QString own = QString::fromLatin1(NamesOf(which).own);
    QIcon icon;
    for (int n : {16, 32})
        AddPng(icon, QStringLiteral(":/icons/actions-%1-%2.png").arg(own).arg(n));
    return icon;
}

QIcon ActionIcon(TActionIcon which) {
    return QIcon::fromTheme(QString::fromLatin1(NamesOf(which).theme), OwnActionIcon(which));
}
