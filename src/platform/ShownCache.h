#pragma once
// The pixels that stretched pictures showed, kept on disk between runs, so
// that a start shows its photos without decoding their files again. An entry
// is named by a hash of the bytes the picture was read from, their count and
// the size shown, and holds those pixels raw; a print's decodes are kept the
// same way. Beside them, what each picture
// file held when it was last read (the hash of its bytes, their count, the
// picture's size) is kept under the file's identity, so that a start finds
// the pixels of an unchanged file without reading it first. Entries are read
// as untrusted: one whose size, format or length does not match its name is
// a miss. They are written on a worker thread, each atomically, and the
// oldest go once the folder holds more than a few thousand or a few hundred
// megabytes.

#include "FileSystem.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

class QThreadPool;

struct TShownKey {
    quint64 Content = 0;
    qint64 Bytes = 0;
    QSize Shown;
};

// The hash of a picture's bytes that names its entries.
quint64 ContentHash(const QByteArray& bytes);

// The pixels kept for key; null when there are none or they do not match.
QImage FindShown(const TShownKey& key);
// Keeps the pixels shown for key, unless they are kept already.
void KeepShown(const TShownKey& key, const QImage& shown);

// The same for the pixels that a print decoded from the bytes, key.Shown
// being the size decoded at: a print or preview of the sheet at the same
// resolution takes them instead of decoding again. They are read into
// `into` where it has their size and format and is not shared, which leaves
// it empty.
QImage FindDecoded(const TShownKey& key, QImage& into);
void KeepDecoded(const TShownKey& key, const QImage& decoded);
// True when a decode for key would be kept and none is kept yet: not while
// the last entry could not be written.
bool WantsDecoded(const TShownKey& key);

// What a picture file held when it was read: the hash of its bytes, their
// count, and the picture's size and transparency.
struct TFileContent {
    quint64 Content = 0;
    qint64 Bytes = 0;
    QSize Size;
    bool Alpha = false;
};
// What the file of that identity held when read as a picture of `format`
// (the decoder's name); nothing when it is not known.
std::optional<TFileContent> FindFileContent(const TFileIdentity& file, const QByteArray& format);
// Keeps what the file held, unless it is kept already.
void KeepFileContent(const TFileIdentity& file, const QByteArray& format,
                     const TFileContent& content);

// The thread that writes the entries (to wait for them).
QThreadPool& ShownCacheWrites();

// The folder of the entries (the user's cache folder by default); empty
// turns keeping and finding off.
QString ShownCacheFolder();
void SetShownCacheFolder(const QString& folder);
