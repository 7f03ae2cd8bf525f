#include "CommonFiles.h"

#include "ImageEx.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Icons.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Encodes the records in memory and hands the whole file to the atomic
// writer; a record that cannot be encoded leaves the file untouched.
template <typename WriteFn>
std::unique_ptr<TAtomicSave> PrepareSave(const QString& path, WriteFn write) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    try {
        write(buffer);
    } catch (const EError& e) {
        throw FileError(path, e.Message());
    }
    return std::make_unique<TAtomicSave>(path, bytes);
}

QString& DataFolderOverride() {
    static QString folder;
    return folder;
}

QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool HoldsDataFile(const QString& folder) {
    return PathExists(folder + SettingFileName) || PathExists(folder + ImageFileName);
}

// PATH.bak, then PATH.1.bak, PATH.2.bak ...
QString BackupName(const QString& path, int number) {
    return number == 0 ? path + QStringLiteral(".bak")
                       : QStringLiteral("%1.%2.bak").arg(path).arg(number);
}

// More backups than any run of failed starts leaves.
constexpr int kMaxBackups = 10000;
} // namespace

bool ReadSettingFile(TSettingRec& rec, const QString& folder) {
    QFile file;
    OpenRegularFile(file, folder + SettingFileName);
    return ReadSettings(file, rec);
}

bool WriteSettingFile(const TSettingRec& rec, const QString& folder) {
    PrepareSettingFile(rec, folder)->Commit();
    return true;
}

std::unique_ptr<TAtomicSave> PrepareSettingFile(const TSettingRec& rec, const QString& folder) {
    return PrepareSave(folder + SettingFileName,
                       [&rec](QIODevice& device) { WriteSettings(device, rec); });
}

bool ReadImageFile(QList<TImageRec>& list, const QString& folder) {
    QFile file;
    OpenRegularFile(file, folder + ImageFileName);
    // One record past the limit tells a file that holds more.
    QList<TImageRec> records = ReadImageRecords(file, MaxRecords + 1);
    const bool whole = records.size() <= MaxRecords;
    records.resize(qMin<qsizetype>(records.size(), MaxRecords));
    list.append(records);
    return whole;
}

bool WriteImageFile(const QList<TImageEx*>& images, const QString& folder) {
    PrepareImageFile(images, folder)->Commit();
    return true;
}

std::unique_ptr<TAtomicSave> PrepareImageFile(const QList<TImageEx*>& images,
                                              const QString& folder) {
    // Every path is encoded before the file is touched: a picture that cannot
    // be stored leaves the old file as it was.
    return PrepareImageFile(ImageRecordsOf(images), folder);
}

std::unique_ptr<TAtomicSave> PrepareImageFile(const QList<TImageRec>& records,
                                              const QString& folder) {
    return PrepareSave(folder + ImageFileName,
                       [&records](QIODevice& device) { WriteImageRecords(device, records); });
}

TImageRec ImageRecOf(const TImageEx& image) {
    TImageRec rec;
    rec.Top = image.y();
    rec.Left = image.x();
    rec.Width = image.width();
    rec.Height = image.height();
    rec.FileName = image.StoredName() ? *image.StoredName() : EncodeImagePath(image.FileName());
    rec.Stretch = image.Stretch();
    return rec;
}

QList<TImageRec> ImageRecordsOf(const QList<TImageEx*>& images) {
    QList<TImageRec> records;
    records.reserve(images.size());
    for (const TImageEx* image : images)
        records.append(ImageRecOf(*image));
    return records;
}

bool IsInstalledProgramFolder(const QString& exeFolder) {
    return QFileInfo::exists(
        QStringLiteral("%1/%2/applications/%3.desktop")
            .arg(exeFolder, QStringLiteral(TESORIN_BIN_TO_DATA), QString::fromLatin1(kDesktopId)));
}

QString DataFolderProblem(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return FileError(folder, SystemMessage(errno)).Message();
    if (!S_ISDIR(st.st_mode))
        return FileError(folder, SystemMessage(ENOTDIR)).Message();
    if (::access(native.constData(), W_OK | X_OK) != 0)
        return FileError(folder, SystemMessage(errno)).Message();
    return QString();
}

TDataFolders DataFoldersFor(const QString& exeFolder) {
    const QString beside = WithSeparator(exeFolder);
    if (QFileInfo(exeFolder).isWritable() && !IsInstalledProgramFolder(exeFolder))
        return {beside, beside};
    const QString config =
        WithSeparator(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    QDir().mkpath(config);
    return {HoldsDataFile(config) ? config : beside, config};
}

TDataFolders DataFolders() {
    const QString folder = OverriddenDataFolder();
    if (!folder.isEmpty())
        return {folder, folder};
    return DataFoldersFor(QCoreApplication::applicationDirPath());
}

QString OverriddenDataFolder() {
    return DataFolderOverride().isEmpty() ? QString() : WithSeparator(DataFolderOverride());
}

void SetDataFolderOverride(const QString& folder) {
    DataFolderOverride() = folder;
}

void BackupFile(const QString& path) {
    if (!IsRegularFile(path))
        return;
    const QByteArray bytes = ReadRegularFile(path);
    for (int number = 0; number < kMaxBackups; ++number) {
        const QString backup = BackupName(path, number);
        if (!PathExists(backup)) {
            SaveFileAtomically(backup, bytes);
            return;
        }
        // A name taken by something else than a copy is passed by, untouched.
        if (IsRegularFile(backup) && ReadRegularFile(backup) == bytes)
            return;
    }
    throw FileError(path, QStringLiteral("バックアップが多すぎます"));
}
