#pragma once
// The page store of a preview run: recorded page images kept in page order in
// one stream. A page's drawing commands go into the stream; the pictures
// placed on it are held by reference in a table beside it (they live as long
// as the run's pictures anyway), so storing a page never encodes a picture. The stream stays in
// memory up to a limit and then moves to a temporary file ("QRP…" in the system's temporary folder)
// that is removed with the store. The worker appends while the preview window reads, so every
// access to the stream goes through its one lock.

#include "QRPageImage.h"

#include <QBuffer>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QTemporaryFile>
#include <memory>

class TQRStream {
public:
    explicit TQRStream(qint64 memoryLimit);
    // The temporary file, if one was made, is removed with the stream.
    ~TQRStream() = default;
    TQRStream(const TQRStream&) = delete;
    TQRStream& operator=(const TQRStream&) = delete;

    // Appends a block; returns its position. Raises EError when the
    // temporary file cannot be made or written.
    qint64 Append(const QByteArray& block);
    // Reads a block written by Append at the given position.
    QByteArray Read(qint64 pos);
    qint64 Size();
    bool InMemory();
    // The temporary file's path, empty while the stream is in memory.
    QString FileName();

private:
    void MoveToFile();

    QMutex lock_;
    qint64 memoryLimit_;
    QBuffer buffer_;
    std::unique_ptr<QTemporaryFile> file_;
    QIODevice* device_;
};

class TQRPageList {
public:
    explicit TQRPageList(qint64 memoryLimit = 100000);

    void AddPage(const TQRPageImage& page);
    // A new copy of page n (1-based); a null page when the store does not
    // hold that page.
    TQRPageImage GetPage(int n);
    int PageCount();
    // Set once the run has ended and no more pages come.
    void SetComplete();
    bool Complete();
    TQRStream& Stream() { return stream_; }

private:
    QByteArray Encode(const TQRPageImage& page);
    TQRPageImage Decode(const QByteArray& block);

    TQRStream stream_;
    QMutex listLock_;
    QList<qint64> positions_;
    QList<QImage> pictures_;
    bool complete_ = false;
};
