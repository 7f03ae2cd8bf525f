#include "Icons.h"

#include "Worker.h"

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

// Read as the PNG it is. Left to find out the format itself, the toolkit
// asks every picture format plugin whether it knows the file, and loading
// them all costs the program's start a few milliseconds.
QImage ReadPng(const QString& resource) {
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon IconOf(const QList<QImage>& sizes) {
    QIcon icon;
    for (const QImage& image : sizes)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
} // namespace

TApplicationIconReading ReadApplicationIcon() {
    return RunOnWorker([] {
        QList<QImage> sizes;
        for (int n : kIconSizes)
            sizes.append(ReadPng(QStringLiteral(":/icons/%1x%1/tesorin.png").arg(n)));
        return sizes;
    });
}

QIcon ApplicationIcon(const TApplicationIconReading& reading) {
    return IconOf(reading.result());
}

QIcon OwnActionIcon(TActionIcon which) {
    const QString own = QString::fromLatin1(NamesOf(which).own);
    QList<QImage> sizes;
    for (int n : {16, 32})
        sizes.append(ReadPng(QStringLiteral(":/icons/actions-%1-%2.png").arg(own).arg(n)));
    return IconOf(sizes);
}

QIcon ActionIcon(TActionIcon which) {
    return QIcon::fromTheme(QString::fromLatin1(NamesOf(which).theme), OwnActionIcon(which));
}
