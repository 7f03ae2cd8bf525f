// The main window's recovery pair: read at start after a run that did not
// end with a close, kept in step with the design while the window runs,
// removed once a close has stored the design.
#include "LoadReport.h"
#include "RecoveryWriter.h"
#include "Unit1.h"
#include "bag/CommonFiles.h"
#include "bag/ImageEx.h"
#include "platform/Errors.h"
#include "platform/Messages.h"

#include <QUndoStack>

namespace {
const QString kRestoredMessage =
    QStringLiteral("前回は閉じる前に終了したため、自動保存された作業を復元しました。");
} // namespace

void TForm1::ReadRecoveryPair() {
    if (folderUse_ != TDataFolderUse::Owned)
        return;
    RemoveLeftoverTemporaries(dataFolder_);
    if (!HasRecoveryPair(dataFolder_))
        return;
    try {
        recovered_ = ::ReadRecoveryPair(dataFolder_);
    } catch (const EError&) {
        recoveryUnreadable_ = true;
    }
}

// The data files stay as they are until the close stores the restored
// design in them. A picture of the pair that cannot be placed is held by a
// placeholder; a loading that stops keeps the pair's file as a backup, as
// LIST.DAT is kept.
void TForm1::LoadRecoveredDesign() {
    ApplySettingRecord(recovered_->Settings);
    TLoadReport report;
    try {
        LoadImages(report);
    } catch (const std::exception&) {
        report.FileFailed();
        try {
            BackupFile(dataFolder_ + ImageRecoveryName);
        } catch (const EError&) {
        }
    }
    if (!report.IsEmpty())
        ShowMessage(this, report.Message());
    restored_.reset();
    recovered_.reset();
    ShowMessage(this, kRestoredMessage);
}

void TForm1::StartRecovery() {
    if (folderUse_ != TDataFolderUse::Owned || !DataFolderProblem(dataFolder_).isEmpty())
        return;
    recovery_ = new TRecoveryWriter(
        dataFolder_, [this] { return RecoveryDesign(); }, this);
    // Every change of the design is a step on the undo stack, and so is
    // every undo and redo of one.
    connect(undoStack_, &QUndoStack::indexChanged, this, &TForm1::DesignChanged);
}

void TForm1::DesignChanged() {
    if (recovery_)
        recovery_->Changed();
}

// Data files that did not load are kept before the pair can stand for
// them: a restored design replaces them at its close.
TRecoveryDesign TForm1::RecoveryDesign() {
    BackupIfNotLoaded(SettingFileName);
    BackupIfNotLoaded(ImageFileName);
    return {SettingRecord(), StoredImageRecords()};
}

void TForm1::EndRecovery() {
    if (!recovery_)
        return;
    try {
        recovery_->Discard();
    } catch (const EError&) {
        // A pair left behind restores the design just stored: nothing lost.
    }
}

void TForm1::KeepRecoveryForExit() {
    if (!recovery_)
        return;
    try {
        recovery_->WriteNow();
    } catch (const EError&) {
        // The pair written last stands.
    }
}
