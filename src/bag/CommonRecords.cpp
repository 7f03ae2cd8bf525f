// Byte-by-byte codecs of the two record kinds and of the stored paths; the
// readers take any byte sequence without trusting it.
#include "CommonRecords.h"

#include "platform/Errors.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstring>

namespace {
// The system's multibyte code page: Windows code page 932 (through ICU).
constexpr const char* kCodePage = "windows-31j";

std::int32_t GetInt32(const char* p) {
    const auto b = [p](int i) { return std::uint32_t(static_cast<unsigned char>(p[i])); };
    return std::int32_t(b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24);
}

void PutInt32(char* p, std::int32_t value) {
    const auto u = std::uint32_t(value);
    for (int i = 0; i < 4; ++i)
        p[i] = char((u >> (8 * i)) & 0xFF);
}

// Reads up to `size` bytes; true when the whole record arrived, false at the
// end of the data. A failing device raises its own message.
bool ReadRecord(QIODevice& device, char* buffer, qint64 size) {
    qint64 got = 0;
    while (got < size) {
        const qint64 n = device.read(buffer + got, size - got);
        if (n < 0)
            throw EError(device.errorString());
        if (n == 0)
            break;
        got += n;
    }
    return got == size;
}

void WriteRecord(QIODevice& device, const char* buffer, qint64 size) {
    if (device.write(buffer, size) != size)
        throw EError(device.errorString());
}

TSettingRec DecodeSettingRec(const char* p) {
    TSettingRec rec;
    rec.PaperSize = TQRPaperSize(static_cast<unsigned char>(p[0]));
    rec.PageMargin = GetInt32(p + 4);
    rec.PrintLines = p[8] != 0;
    rec.LinesInFront = p[9] != 0;
    return rec;
}

TImageRec DecodeImageRec(const char* p) {
    TImageRec rec;
    rec.Top = GetInt32(p);
    rec.Left = GetInt32(p + 4);
    rec.Width = GetInt32(p + 8);
    rec.Height = GetInt32(p + 12);
    const char* name = p + 16;
    rec.FileName = QByteArray(name, qsizetype(qstrnlen(name, FileNameSize)));
    rec.Stretch = p[274] != 0;
    return rec;
}

} // namespace

bool ReadSettings(QIODevice& device, TSettingRec& rec) {
    char buffer[SettingRecSize];
    // Only the last whole record counts; a file can jump straight to it.
    if (!device.isSequential()) {
        const qint64 whole = (device.size() - device.pos()) / SettingRecSize;
        if (whole == 0)
            return false;
        if (!device.seek(device.pos() + (whole - 1) * SettingRecSize))
            throw EError(device.errorString());
    }
    // A stream without an end (a device, a pipe) must not keep the reader
    // busy for ever: it is read up to as many records as LIST.DAT may hold.
    bool found = false;
    for (int n = 0; ReadRecord(device, buffer, SettingRecSize); ++n) {
        if (n == MaxRecords)
            throw EError(QStringLiteral("%1 は大きすぎます").arg(SettingFileName));
        rec = DecodeSettingRec(buffer);
        found = true;
    }
    return found;
}

void WriteSettings(QIODevice& device, const TSettingRec& rec) {
    char buffer[SettingRecSize] = {};
    buffer[0] = char(rec.PaperSize);
    PutInt32(buffer + 4, rec.PageMargin);
    buffer[8] = rec.PrintLines ? 1 : 0;
    buffer[9] = rec.LinesInFront ? 1 : 0;
    WriteRecord(device, buffer, SettingRecSize);
}

QList<TImageRec> ReadImageRecords(QIODevice& device, qsizetype limit) {
    QList<TImageRec> records;
    char buffer[ImageRecSize];
    while (records.size() < limit && ReadRecord(device, buffer, ImageRecSize))
        records.append(DecodeImageRec(buffer));
    return records;
}

void WriteImageRecords(QIODevice& device, const QList<TImageRec>& records) {
    for (const TImageRec& rec : records) {
        char buffer[ImageRecSize] = {};
        PutInt32(buffer, rec.Top);
        PutInt32(buffer + 4, rec.Left);
        PutInt32(buffer + 8, rec.Width);
        PutInt32(buffer + 12, rec.Height);
        std::memcpy(buffer + 16, rec.FileName.constData(),
                    size_t(qMin<qsizetype>(rec.FileName.size(), FileNameSize)));
        buffer[274] = rec.Stretch ? 1 : 0;
        WriteRecord(device, buffer, ImageRecSize);
    }
}

QByteArray EncodeImagePath(const QString& path) {
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        throw EError(QStringLiteral("文字コード %1 を使用できません").arg(kCodePage));
    QByteArray bytes = encoder.encode(path);
    if (encoder.hasError() || bytes.contains('\0'))
        throw EError(
            QStringLiteral("ファイル名 %1 には、シフトJISで表せない文字が含まれているため、"
                           "%2 に保存できません。")
                .arg(path, ImageFileName));
    if (bytes.size() > FileNameSize)
        throw EError(QStringLiteral("ファイル名 %1 は長すぎるため（%2 バイト、%3 バイトまで）、"
                                    "%4 に保存できません。")
                         .arg(path)
                         .arg(bytes.size())
                         .arg(FileNameSize)
                         .arg(ImageFileName));
    return bytes;
}

void CheckImagePathStorable(const QString& path) {
    try {
        EncodeImagePath(path);
    } catch (const EError& e) {
        throw EError(e.Message() + QStringLiteral("\nこのファイルは開けません。"));
    }
}

namespace {
QStringDecoder PathDecoder() {
    QStringDecoder decoder(kCodePage, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw EError(QStringLiteral("文字コード %1 を使用できません").arg(kCodePage));
    return decoder;
}
} // namespace

QString DecodeImagePathForDisplay(const QByteArray& bytes) {
    return PathDecoder().decode(bytes);
}

QString DecodeImagePath(const QByteArray& bytes) {
    QStringDecoder decoder = PathDecoder();
    QString path = decoder.decode(bytes);
    // A replacement character would name another file, and could never be
    // stored again.
    if (decoder.hasError())
        throw EError(QStringLiteral("%1 に、シフトJISとして正しくないファイル名があります。")
                         .arg(ImageFileName));
    return path;
}
