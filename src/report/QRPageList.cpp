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

void TQRPageList::AddPage(const QPicture& page) {
    const qint64 pos = stream_.Append(QByteArray(page.data(), page.size()));
    QMutexLocker locker(&listLock_);
    positions_.append(pos);
}

QPicture TQRPageList::GetPage(int n) {
    qint64 pos = -1;
    {
        QMutexLocker locker(&listLock_);
        if (n < 1 || n > positions_.size())
            return QPicture();
        pos = positions_[n - 1];
    }
    const QByteArray data = stream_.Read(pos);
    QPicture page;
    if (!data.isEmpty())
        page.setData(data.constData(), uint(data.size()));
    return page;
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
