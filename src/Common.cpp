#include "Common.h"

#include "ImageEx.h"
#include "platform/Errors.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

const std::array<TPaperSize, 4> PaperSizes{{{0, "A4", QRPaper::A4},
                                            {1, "A5", QRPaper::A5},
                                            {2, "B4", QRPaper::B4},
                                            {3, "B5", QRPaper::B5}}};

int PaperSizeToIndex(TQRPaperSize code) {
    for (const TPaperSize& row : PaperSizes)
        if (row.PaperSize == code)
            return row.Index;
    return -1;
}

void FillPaperSizeCombo(QComboBox* combo, int index) {
    for (const TPaperSize& row : PaperSizes)
        combo->addItem(QString::fromLatin1(row.Name));
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

namespace {
EError FileError(const QString& path, const QString& reason) {
    return EError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason));
}

void OpenForReading(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(file.fileName(), file.errorString());
}

// Writes into a temporary file beside `path` and renames it over `path` only
// when everything was written, so a crash never leaves a half-written file.
template <typename WriteFn> void SaveAtomically(const QString& path, WriteFn write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(path, file.errorString());
    try {
        write(file);
    } catch (const EError& e) {
        throw FileError(path, e.Message());
    }
    if (!file.commit())
        throw FileError(path, file.errorString());
}

QString& DataFolderOverride() {
    static QString folder;
    return folder;
}

QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

bool ReadSettingFile(TSettingRec& rec, const QString& folder) {
    QFile file(folder + SettingFileName);
    OpenForReading(file);
    return ReadSettings(file, rec);
}

bool WriteSettingFile(const TSettingRec& rec, const QString& folder) {
    SaveAtomically(folder + SettingFileName,
                   [&rec](QIODevice& device) { WriteSettings(device, rec); });
    return true;
}

bool ReadImageFile(QList<TImageRec>& list, const QString& folder) {
    QFile file(folder + ImageFileName);
    OpenForReading(file);
    list.append(ReadImageRecords(file));
    return true;
}

bool WriteImageFile(const QList<TImageEx*>& images, const QString& folder) {
    // Every path is encoded before the file is touched: a picture that cannot
    // be stored leaves the old file as it was.
    QList<TImageRec> records;
    for (const TImageEx* image : images)
        records.append(ImageRecOf(*image));
    SaveAtomically(folder + ImageFileName,
                   [&records](QIODevice& device) { WriteImageRecords(device, records); });
    return true;
}

TImageRec ImageRecOf(const TImageEx& image) {
    TImageRec rec;
    rec.Top = image.y();
    rec.Left = image.x();
    rec.Width = image.width();
    rec.Height = image.height();
    rec.FileName = EncodeImagePath(image.FileName());
    rec.Stretch = image.Stretch();
    return rec;
}

QString DataFolderFor(const QString& exeFolder) {
    if (QFileInfo(exeFolder).isWritable())
        return WithSeparator(exeFolder);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return WithSeparator(config);
}

QString DataFolder() {
    if (!DataFolderOverride().isEmpty())
        return WithSeparator(DataFolderOverride());
    return DataFolderFor(QCoreApplication::applicationDirPath());
}

void SetDataFolderOverride(const QString& folder) {
    DataFolderOverride() = folder;
}

void BackupFile(const QString& path) {
    if (!QFileInfo::exists(path))
        return;
    const QString backup = path + QStringLiteral(".bak");
    QFile old(backup);
    if (old.exists() && !old.remove())
        throw FileError(backup, old.errorString());
    QFile file(path);
    if (!file.copy(backup))
        throw FileError(backup, file.errorString());
}
