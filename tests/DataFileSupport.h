#pragma once
// Data files for the window's loading and saving tests: records written
// through the codecs, files read and put byte for byte.

#include "bag/Common.h"

#include "platform/Messages.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A data folder of the test's own, for as long as the object lives, with
// the program's messages collected in `messages` instead of shown.
class TDataFolderScope {
public:
    explicit TDataFolderScope(QStringList& messages) {
        SetDataFolderOverride(dir_.path());
        messages.clear();
        SetMessageSink([&messages](const QString& text) { messages.append(text); });
    }
    ~TDataFolderScope() {
        SetMessageSink({});
        SetDataFolderOverride(QString());
    }
    TDataFolderScope(const TDataFolderScope&) = delete;
    TDataFolderScope& operator=(const TDataFolderScope&) = delete;
    QString Folder() const { return dir_.path() + '/'; }

private:
    QTemporaryDir dir_;
};

inline QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void PutFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A record whose name is the given bytes, text or not.
inline QByteArray RawImageRecordBytes(int top, int left, int width, int height,
                                      const QByteArray& name, bool stretch) {
    TImageRec rec;
    rec.Top = top;
    rec.Left = left;
    rec.Width = width;
    rec.Height = height;
    rec.FileName = name;
    rec.Stretch = stretch;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteImageRecords(buffer, {rec});
    return bytes;
}

inline QByteArray ImageRecordBytes(int top, int left, int width, int height, const QString& path,
                                   bool stretch) {
    return RawImageRecordBytes(top, left, width, height, EncodeImagePath(path), stretch);
}

inline QByteArray SettingBytes(TQRPaperSize paper, int margin, bool lines, bool front) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteSettings(buffer, {paper, margin, lines, front});
    return bytes;
}

// An 8 x 8 bitmap of one colour at `path`; returns the path.
inline QString PutBitmap(const QString& path, QColor colour) {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(colour);
    img.save(path, "BMP");
    return path;
}
