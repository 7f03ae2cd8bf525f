#pragma once
// The recovery pair: the working design written to the data folder shortly
// after every change, so that a crash, a kill or a power cut loses at most
// the last moments of work. Its two files have the formats of SETTING.DAT
// and LIST.DAT, so the pair put in their place by hand is the design a close
// would have stored. The pictures' file carries a copy of the settings
// record in its tail, which readers of LIST.DAT ignore: it is written first,
// so a pair torn by a kill between its two renames still reads as one state.

#include "CommonRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

inline const QString SettingRecoveryName = QStringLiteral("SETTING.DAT.recovery");
inline const QString ImageRecoveryName = QStringLiteral("LIST.DAT.recovery");

struct TRecoveryDesign {
    TSettingRec Settings;
    QList<TImageRec> Images;
};

// The two files' bytes. Encoding is cheap and done where the design lives;
// the bytes can then be written on any thread.
struct TRecoveryBytes {
    QByteArray Settings;
    QByteArray Images;
};
TRecoveryBytes EncodeRecovery(const TRecoveryDesign& design);

// Folders with their trailing separator. The write replaces each file
// atomically (TAtomicSave), both written before the pictures' file and then
// the settings' are put in place, and raises EError: a pair that fails to be
// written is left as it was, or (the settings' rename failing) one state
// further, which its tail holds.
void WriteRecoveryPair(const TRecoveryBytes& bytes, const QString& folder);
// True when the folder holds the pictures' file of a pair.
bool HasRecoveryPair(const QString& folder);
// Raises EError naming the file when the pictures' file cannot be read or
// was not written as a recovery file.
TRecoveryDesign ReadRecoveryPair(const QString& folder);
// Removes both files, the settings first, so that a pair never stands with
// the settings alone. Raises EError when a file stays.
void RemoveRecoveryPair(const QString& folder);
// Removes what killed saves of the data files or of the pair left in the
// folder (their temporary files); only for the folder's one owner.
void RemoveLeftoverTemporaries(const QString& folder);
// Keeps a copy of each file of the pair that is there (BackupFile), then
// removes the pair.
void SetRecoveryPairAside(const QString& folder);
