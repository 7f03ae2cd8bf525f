#include "QRPageList.h"

#include "../platform/Errors.h"

#include <QDataStream>
#include <QDir>

TQRStream::TQRStream(qint64 memoryLimit) : memoryLimit_(memoryLimit), device_(&buffer_) {
    buffer_.open(QIODevice::ReadWrite);
}

void TQRStream::MoveToFile() {
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/QRPXXXXXX"));
    if (!file->open() || file->write(buffer_.data()) != buffer_.size())
        throw EError(QStringLiteral("一時ファイルを作成できません"));
    file_ = std::move(file);
    buffer_.close();
    buffer_.setData(QByteArray());
    device_ = file_.get();
}

qint64 TQRStream::Append(const QByteArray& block) {
    QMutexLocker locker(&lock_);
    if (!file_ && device_->size() + qint64(sizeof(qint64)) + block.size() > memoryLimit_)
        MoveToFile();
    const qint64 pos = device_->size();
    device_->seek(pos);
    QDataStream out(device_);
    out << qint64(block.size());
    if (out.status() != QDataStream::Ok || device_->write(block) != block.size())
        throw EError(QStringLiteral("一時ファイルに書き込めません"));
    return pos;
}

QByteArray TQRStream::Read(qint64 pos) {
    QMutexLocker locker(&lock_);
    const qint64 size = device_->size();
    if (pos < 0 || pos + qint64(sizeof(qint64)) > size || !device_->seek(pos))
        return {};
    QDataStream in(device_);
    qint64 length = 0;
    in >> length;
    if (length < 0 || length > size - device_->pos())
        return {};
    return device_->read(length);
}

qint64 TQRStream::Size() {
    QMutexLocker locker(&lock_);
    return device_->size();
}

bool TQRStream::InMemory() {
    QMutexLocker locker(&lock_);
    return !file_;
}

QString TQRStream::FileName() {
    QMutexLocker locker(&lock_);
    return file_ ? file_->fileName() : QString();
}

TQRPageList::TQRPageList(qint64 memoryLimit) : stream_(memoryLimit) {}

namespace {
enum : quint8 { kDrawingPart = 0, kPicturePart = 1 };
}

// A page block: its bounds and parts in order; a drawing as its recorded
// commands, a picture as its index in the picture table and its placement.
QByteArray TQRPageList::Encode(const TQRPageImage& page) {
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out << page.BoundingRect() << quint32(page.Parts().size());
    for (const TQRPageImage::TPart& part : page.Parts()) {
        if (!part.Picture) {
            out << kDrawingPart << QByteArray(part.Drawing.data(), qsizetype(part.Drawing.size()));
            continue;
        }
        QMutexLocker locker(&listLock_);
        out << kPicturePart << qint32(pictures_.size()) << part.Picture->Placement.Target
            << part.Picture->Placement.Visible;
        pictures_.append(part.Picture->Picture);
    }
    return block;
}

TQRPageImage TQRPageList::Decode(const QByteArray& block) {
    QDataStream in(block);
    QRect bounds;
    quint32 parts = 0;
    in >> bounds >> parts;
    TQRPageImage page(bounds);
    for (quint32 i = 0; i < parts && in.status() == QDataStream::Ok; ++i) {
        quint8 kind = 0;
        in >> kind;
        if (kind == kDrawingPart) {
            QByteArray data;
            in >> data;
            QPicture drawing;
            drawing.setData(data.constData(), uint(data.size()));
            page.AddDrawing(drawing);
            continue;
        }
        qint32 index = -1;
        TQRPagePicture picture;
        in >> index >> picture.Placement.Target >> picture.Placement.Visible;
        QMutexLocker locker(&listLock_);
        if (index < 0 || index >= pictures_.size())
            return TQRPageImage();
        picture.Picture = pictures_[index];
        page.AddPicture(picture);
    }
    return in.status() == QDataStream::Ok ? page : TQRPageImage();
}

void TQRPageList::AddPage(const TQRPageImage& page) {
    const qint64 pos = stream_.Append(Encode(page));
    QMutexLocker locker(&listLock_);
    positions_.append(pos);
}

TQRPageImage TQRPageList::GetPage(int n) {
    qint64 pos = -1;
    {
        QMutexLocker locker(&listLock_);
        if (n < 1 || n > positions_.size())
            return TQRPageImage();
        pos = positions_[n - 1];
    }
    const QByteArray data = stream_.Read(pos);
    return data.isEmpty() ? TQRPageImage() : Decode(data);
}

int TQRPageList::PageCount() {
    QMutexLocker locker(&listLock_);
    return int(positions_.size());
}

void TQRPageList::SetComplete() {
    QMutexLocker locker(&listLock_);
    complete_ = true;
}

bool TQRPageList::Complete() {
    QMutexLocker locker(&listLock_);
    return complete_;
}
