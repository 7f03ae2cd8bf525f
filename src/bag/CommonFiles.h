#pragma once
// The data files of the shared unit Common on disk: reading and writing
// SETTING.DAT and LIST.DAT in their folder, where that folder is, and the
// backups of files that could not be read.

#include "CommonRecords.h"

#include <QList>
#include <QString>
#include <memory>

class TAtomicSave;
class TImageEx;

// File level, folder given with its trailing separator. Reads take regular
// files only and never block; writes replace the file atomically
// (SaveFileAtomically in platform/FileSystem.h) and raise EError, or
// ERefusedTarget when what is in place is not a regular file.
bool ReadSettingFile(TSettingRec& rec, const QString& folder);
bool WriteSettingFile(const TSettingRec& rec, const QString& folder);
// The first step of the writes: the new file written beside the old one,
// put in place by its Commit.
std::unique_ptr<TAtomicSave> PrepareSettingFile(const TSettingRec& rec, const QString& folder);
std::unique_ptr<TAtomicSave> PrepareImageFile(const QList<TImageEx*>& images,
                                              const QString& folder);
std::unique_ptr<TAtomicSave> PrepareImageFile(const QList<TImageRec>& records,
                                              const QString& folder);
// Appends the records, at most MaxRecords; false when the file holds more.
bool ReadImageFile(QList<TImageRec>& list, const QString& folder);
bool WriteImageFile(const QList<TImageEx*>& images, const QString& folder);

// The record of a placed picture as LIST.DAT stores it, and the records of
// a list of them; a placeholder keeps the name's bytes it was read with.
// Raise EError for a path LIST.DAT cannot hold.
TImageRec ImageRecOf(const TImageEx& image);
QList<TImageRec> ImageRecordsOf(const QList<TImageEx*>& images);

// Where the data files are read at start-up and written at close, each with
// a trailing separator. Written in the executable's folder when it can be
// written and is not an installed program's (see IsInstalledProgramFolder),
// otherwise in the user's configuration folder; read from that same folder,
// except that while the configuration folder holds no data file yet the
// files beside the executable are read.
struct TDataFolders {
    QString Read;
    QString Write;
};
TDataFolders DataFolders();
// The same choice for a given executable's folder.
TDataFolders DataFoldersFor(const QString& exeFolder);
// True when the executable's folder is the program folder of an install,
// under any prefix and also in a staging root: the menu entry that
// installing puts in place lies where the install rules put it, relative to
// the program. A build folder or a copied program folder has none.
bool IsInstalledProgramFolder(const QString& exeFolder);
// Why the data files cannot be written in `folder` ("path: reason"), or
// empty when they can.
QString DataFolderProblem(const QString& folder);
// Makes DataFolders() read and write in `folder` (empty: back to normal). For
// tests.
void SetDataFolderOverride(const QString& folder);
// The folder given there, with its trailing separator; empty when none is.
QString OverriddenDataFolder();
// Keeps a copy of the regular file at `path` as PATH.bak, or PATH.1.bak,
// PATH.2.bak ... when those names hold other contents: an earlier copy is
// never replaced, and a content some copy already holds is not copied again.
// Does nothing when `path` is missing or not a regular file. Raises EError.
void BackupFile(const QString& path);
