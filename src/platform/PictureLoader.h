#pragma once
// Picture files as the picture control reads them. The file is opened once,
// without blocking, and read only when it is a regular file; the decoder is
// chosen by the file's extension; the size that the header claims is checked
// before anything is decoded, against a pixel limit and against the memory
// the caller can spare; and the decoded picture is made safe to draw.

#include "FileSystem.h"
#include "PictureMemory.h"

#include <QImage>
#include <QString>
#include <optional>

// Pictures larger than this many pixels are read reduced where the format
// allows it and refused otherwise.
constexpr qint64 MaxPicturePixels = 100'000'000;

// The decoder that the extension of path names ("jpeg", "png", "gif",
// "bmp"); raises EError with the toolkit's message for any other.
QByteArray PictureFormatOfName(const QString& path);

// Reads the picture at path. Raises EError with the toolkit's message when
// the file cannot be opened or is not a regular file, has an extension that
// names no picture format, is too large to be held, or would take more than
// room bytes once decoded; a file that is not a valid picture of its
// extension's format is reported with its name and the kind its content is.
QImage LoadPictureFile(const QString& path, qint64 room);

// The same for a picture whose file's bytes have been read already; the
// decoder is chosen by the extension of `name`, the file they came from.
QImage LoadPictureBytes(const QByteArray& bytes, const QString& name, qint64 room);

// The bytes that the picture at path takes once decoded, from its header
// alone; raises as LoadPictureFile does for what a header can tell.
qint64 PictureFileBytes(const QString& path);

// A picture read to be held: the bytes that were read (empty for a bitmap,
// whose pixels are held instead), the picture's own size, and a decode of it
// at no less than the pixels asked for each way where the format's decoder
// reads reduced (JPEG), at its own size otherwise. The bytes held count
// against room together with the decode.
// With TPictureDecode::Later, held bytes come back undecoded (their header
// checked), for a caller that has their pixels at hand; a bitmap is always
// decoded.
// A file's read also tells the identity the file had once read.
struct TPictureRead {
    QByteArray Bytes;
    QSize Size;
    QImage Decoded;
    std::optional<TFileIdentity> Identity;
};
enum class TPictureDecode { Now, Later };
TPictureRead ReadPictureFile(const QString& path, QSize atLeast, qint64 room,
                             TPictureDecode when = TPictureDecode::Now);
TPictureRead ReadPictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast,
                              qint64 room, TPictureDecode when = TPictureDecode::Now);

// Bytes held before, decoded again at no less than atLeast (as above); into
// `into` where it has the size and format decoded and is not shared, which
// spares fresh memory.
QImage DecodePictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast, qint64 room,
                          QImage into = QImage());
// The room that DecodePictureBytes takes for the same arguments, from the
// header alone; raises as it does for what a header can tell.
qint64 DecodedPictureBytes(const QByteArray& bytes, const QString& name, QSize atLeast);
// The size that DecodePictureBytes decodes at for the same arguments, from
// the header alone; raises as it does for what a header can tell.
QSize DecodedPictureSize(const QByteArray& bytes, const QString& name, QSize atLeast);

// Raises the loader's message for a picture of this size that has no room.
[[noreturn]] void RaiseNoRoom(QSize size);

// Raises the loader's message for a picture that does not fit in room bytes.
void CheckPictureRoom(const QImage& picture, qint64 room);

// Palette pictures whose pixel values go past their colour table would be
// drawn with colours read from beyond it: the table is filled up to every
// value the pixels can hold, the missing entries opaque black.
void MakePictureSafe(QImage& picture);
