#pragma once
// THeldPicture: a placed picture as it was read. A JPEG, PNG or GIF keeps the
// bytes of its file, compressed as they were read; a plain bitmap keeps its
// pixels, since its file is no smaller. Pixels are decoded from it at the
// size that a screen or a device needs, so what was read is what shows and
// prints even when the file changes or goes later. It never changes once made
// and is shared by the window, the undo steps and the runs' workers; what it
// holds counts against the picture memory budget while it lives.
//
// A stretched picture whose file is unchanged since it was last read, and
// whose shown pixels are kept (ShownCache), is held before its bytes are
// read (TPendingRead): the file stays open and is read on a background
// thread of low priority, or by the first caller that asks for its bytes,
// whichever comes first. So a start shows such photos without reading them.
// Should the file be written in between, the bytes then read are what is
// held, the pixels kept under the old ones are no longer used for it, and
// HeldPictureChanges() tells the window's thread so, for what shows it to be
// decoded again.

#include "PendingRead.h"
#include "PictureLoader.h"
#include "ShownCache.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QObject>
#include <QString>
#include <memory>
#include <mutex>
#include <optional>

// Signals on the window's thread that a held picture read after it was held
// found its file written since it was opened (THeldPicture::FoundChanged).
class THeldPictureChanges : public QObject {
    Q_OBJECT
signals:
    void FileChanged();
};
THeldPictureChanges* HeldPictureChanges();

class THeldPicture;
using THeldPicturePtr = std::shared_ptr<const THeldPicture>;

// A held picture and a decode of it made while reading it.
struct TReadPicture {
    THeldPicturePtr Held;
    QImage Decoded;
};

class THeldPicture {
public:
    // Holds these pixels.
    explicit THeldPicture(const QImage& pixels);
    // Holds what ReadPictureFile or ReadPictureBytes read; `name` is the
    // file whose extension chooses the decoder, content the bytes' hash.
    THeldPicture(const TPictureRead& read, const QString& name, quint64 content);
    // Holds the bytes of `file`, open at `name`, taken to be what `content`
    // tells; they are read when first asked for.
    THeldPicture(std::unique_ptr<QFile> file, const QString& name, const TFileContent& content);
    THeldPicture(const THeldPicture&) = delete;
    THeldPicture& operator=(const THeldPicture&) = delete;

    // Reads the picture at path (LoadPictureFile's checks and messages),
    // decoded at no less than `shown` where its decoder reads reduced.
    static TReadPicture ReadFile(const QString& path, QSize shown, qint64 room);
    static TReadPicture ReadBytes(const QByteArray& bytes, const QString& name, QSize shown,
                                  qint64 room);

    // What the picture is: what it was held as, or, once a read put off
    // found its file written since, what the bytes read then tell.
    QSize Size() const;
    bool HasAlpha() const;
    // The file's bytes as read; empty when pixels are held, or when a read
    // put off failed.
    const QByteArray& Bytes() const { return pending_ ? pending_->Read().Bytes : bytes_; }
    bool HoldsPixels() const { return holdsPixels_; }
    // True when image is the held pixels themselves, which cost nothing more.
    bool Shares(const QImage& image) const {
        return HoldsPixels() && image.cacheKey() == pixels_.cacheKey();
    }

    // What names the pixels shown at that size where they are kept between
    // runs; none for held pixels.
    std::optional<TShownKey> ShownKey(QSize shown) const;
    // True once the bytes, read after the picture was held, were found other
    // than those it was held for.
    bool FoundChanged() const { return pending_ && pending_->FoundChanged(); }

    // The picture at no less than atLeast pixels each way (at most its own
    // size); the held pixels themselves, shared, when pixels are held.
    // Raises EError when the decode does not fit in room bytes.
    QImage Decode(QSize atLeast, qint64 room) const;
    // The room that Decode(atLeast, room) takes, from the picture's header;
    // nothing when pixels are held. Raises as Decode does for what a header
    // can tell.
    qint64 DecodeBytes(QSize atLeast) const;
    // Decode for a print: the pixels of that decode kept between runs are
    // taken where they match, and what is decoded is kept (a print or a
    // preview at the same resolution decodes the same sizes again). A decode
    // is made into `into` where it fits (DecodePictureBytes).
    QImage DecodeKept(QSize atLeast, qint64 room, QImage into = QImage()) const;
    // Makes and keeps, where none is kept yet, the decode that
    // DecodeKept(atLeast, room) would keep: a print then takes it.
    void KeepDecode(QSize atLeast, qint64 room) const;

    // Waits until every read put off so far is done (to measure what the
    // pictures hold).
    static void WaitForPendingReads();

private:
    static std::optional<TReadPicture> ReadKnown(const QString& path, const QByteArray& format,
                                                 QSize shown, qint64 room);
    // The bytes to decode; raises when a read put off failed.
    const QByteArray& BytesToDecode() const;
    // What names a decode of bytes at no less than `at` between runs.
    std::optional<TShownKey> DecodedKey(const QByteArray& bytes, QSize at) const;

    std::shared_ptr<TPendingRead> pending_; // the read put off, if any
    QByteArray bytes_;
    QString name_;
    QImage pixels_;
    bool holdsPixels_ = false;
    QSize size_;
    bool alpha_ = false;
    struct TFound {
        QSize Size;
        bool Alpha = false;
    };
    // The size and transparency of the bytes read, where they are not what
    // the picture was held for, from their header (once, by the first
    // thread that asks).
    const TFound& Found() const;
    mutable std::once_flag foundOnce_;
    mutable TFound found_;
    quint64 content_ = 0; // a hash of the bytes
    qint64 byteCount_ = 0;
    TPictureMemoryUse use_;
};

// Raises the loader's message when what the pictures hold, this one's read
// included, is past their budget (a read made ahead on a worker, counted
// only when its turn to be placed comes).
void CheckWithinBudget(const TReadPicture& read);

// The pixels that a control of `size` shows of a picture of `own` size: its
// size when stretched (in its proportions at most 16 million pixels, drawn
// scaled beyond), else the part of the picture that its bounds cut.
QSize ShownSize(QSize size, QSize own, bool stretch);
// What to decode for such a control before the picture's own size is
// known: its shown size when stretched, else the whole picture (empty).
QSize DecodeSizeFor(QSize size, bool stretch);

// A decode scaled to the pixels that a control of `size` shows: stretched to
// it, or cut at it from the picture's top-left corner; shared, not copied,
// when it already has that size. Rows and columns are picked, not blended,
// as the screen draws a scaled picture.
QImage ShownPicture(const QImage& decoded, QSize size, bool stretch);
