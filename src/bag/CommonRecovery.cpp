#include "CommonRecovery.h"

#include "CommonFiles.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <unistd.h>

namespace {
// The tail of the pictures' file: the settings record, then this mark.
const QByteArray kTailMark = QByteArrayLiteral("TRCV");
constexpr qint64 kTailSize = SettingRecSize + 4;

QString DamagedMessage() {
    return QStringLiteral("復元用のファイルではありません");
}

void RemoveFile(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        throw FileError(path, SystemMessage(errno));
}
} // namespace

TRecoveryBytes EncodeRecovery(const TRecoveryDesign& design) {
    TRecoveryBytes bytes;
    QBuffer settings(&bytes.Settings);
    settings.open(QIODevice::WriteOnly);
    WriteSettings(settings, design.Settings);
    QBuffer images(&bytes.Images);
    images.open(QIODevice::WriteOnly);
    WriteImageRecords(images, design.Images);
    bytes.Images += bytes.Settings + kTailMark;
    return bytes;
}

// Both files are written before either is put in place; the one folder
// sync after the second rename makes both renames last.
void WriteRecoveryPair(const TRecoveryBytes& bytes, const QString& folder) {
    TAtomicSave images(folder + ImageRecoveryName, bytes.Images);
    TAtomicSave settings(folder + SettingRecoveryName, bytes.Settings);
    images.Commit(TAtomicSave::kLeaveFolderSync);
    settings.Commit();
}

bool HasRecoveryPair(const QString& folder) {
    return PathExists(folder + ImageRecoveryName);
}

TRecoveryDesign ReadRecoveryPair(const QString& folder) {
    const QString path = folder + ImageRecoveryName;
    QFile file;
    OpenRegularFile(file, path);
    const qint64 size = file.size();
    if (size % ImageRecSize != kTailSize || size > qint64(MaxRecords) * ImageRecSize + kTailSize)
        throw FileError(path, DamagedMessage());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(path, file.errorString());
    if (bytes.size() != size || !bytes.endsWith(kTailMark))
        throw FileError(path, DamagedMessage());
    TRecoveryDesign design;
    QByteArray tail = bytes.mid(size - kTailSize, SettingRecSize);
    QBuffer settings(&tail);
    settings.open(QIODevice::ReadOnly);
    ReadSettings(settings, design.Settings);
    bytes.truncate(size - kTailSize);
    QBuffer images(&bytes);
    images.open(QIODevice::ReadOnly);
    design.Images = ReadImageRecords(images, MaxRecords);
    return design;
}

void RemoveRecoveryPair(const QString& folder) {
    RemoveFile(folder + SettingRecoveryName);
    RemoveFile(folder + ImageRecoveryName);
}

void RemoveLeftoverTemporaries(const QString& folder) {
    QStringList patterns;
    for (const QString& name :
         {SettingFileName, ImageFileName, SettingRecoveryName, ImageRecoveryName})
        patterns << name + QStringLiteral(".tmp*") << name + QStringLiteral(".old*");
    const QDir dir(folder);
    for (const QString& name : dir.entryList(patterns, QDir::Files | QDir::Hidden | QDir::System))
        ::unlink(QFile::encodeName(dir.filePath(name)).constData());
}

void SetRecoveryPairAside(const QString& folder) {
    for (const QString& name : {SettingRecoveryName, ImageRecoveryName})
        BackupFile(folder + name);
    RemoveRecoveryPair(folder);
}
