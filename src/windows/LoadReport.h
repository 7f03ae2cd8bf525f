#pragma once
// What the start could not load, told in one message: its first line is
// always 「ファイル読み込みエラー」, then the pictures that are held by
// placeholders (the first ten, each with its reason, then how many more),
// and how many records past the limit of placed pictures are kept unshown.

#include <QString>
#include <QStringList>

// One line naming a picture and why it could not be shown; the reason
// alone when it names the picture already.
QString PictureFailureLine(const QString& path, const QString& reason);

class TLoadReport {
public:
    // A data file could not be read, or not whole.
    void FileFailed() { fileFailed_ = true; }
    void PictureFailed(const QString& path, const QString& reason);
    void RecordsUnplaced(qsizetype count) { unplaced_ = count; }
    // Nothing to tell.
    bool IsEmpty() const { return !fileFailed_ && failures_.isEmpty() && unplaced_ == 0; }
    QString Message() const;

private:
    bool fileFailed_ = false;
    QStringList failures_;
    qsizetype unplaced_ = 0;
};
