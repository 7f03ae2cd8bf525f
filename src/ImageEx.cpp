#include "ImageEx.h"

#include "platform/Errors.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

TImageEx::TImageEx(QWidget* parent) : QWidget(parent) {
    setGeometry(0, 0, 105, 105);
}

void TImageEx::SetStretch(bool s) {
    stretch_ = s;
    update();
}

void TImageEx::LoadFromFile(const QString& path) {
    const QString ext = QFileInfo(path).suffix();
    QImageReader reader(path, ext.toLatin1().toLower());
    if (!QFileInfo::exists(path))
        throw EError(QStringLiteral("ファイル %1 は開けません").arg(path));
    QImage img = reader.read();
    if (img.isNull())
        throw EError(QStringLiteral("ビットマップイメージが不正です"));
    picture_ = img;
    update();
}

void TImageEx::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter p(this);
    if (stretch_)
        p.drawImage(rect(), picture_);
    else
        p.drawImage(QPoint(0, 0), picture_);
}
