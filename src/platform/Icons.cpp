#include "Icons.h"

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
} // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    for (int n : kIconSizes)
        icon.addFile(QStringLiteral(":/icons/%1x%1/tesorin.png").arg(n), QSize(n, n));
    return icon;
}

QIcon OwnActionIcon(TActionIcon which) {
    const QString own = QString::fromLatin1(NamesOf(which).own);
    QIcon icon;
    for (int n : {16, 32})
        icon.addFile(QStringLiteral(":/icons/actions-%1-%2.png").arg(own).arg(n), QSize(n, n));
    return icon;
}

QIcon ActionIcon(TActionIcon which) {
    return QIcon::fromTheme(QString::fromLatin1(NamesOf(which).theme), OwnActionIcon(which));
}
