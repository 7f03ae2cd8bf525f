#pragma once
// TImageEx: one placed picture: a picture control on the image layer plus the
// full path of the file it was loaded from, which is what is stored so that
// the picture can be loaded again at the next start. A placeholder stands
// for a picture that could not be loaded: it has no pixels, shows a hatched
// frame with the file's name, prints nothing, and is edited like a picture.

#include "platform/PictureControl.h"

#include <QByteArray>
#include <QString>
#include <optional>

class TImageEx : public TPictureControl {
    Q_OBJECT
public:
    // Made 105 x 105 at (0, 0) on its parent, as the picture control starts.
    explicit TImageEx(QWidget* parent = nullptr) : TPictureControl(parent) {}

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }

    bool IsPlaceholder() const { return placeholder_; }
    void SetPlaceholder(bool on);
    // The file name's bytes as LIST.DAT held them, for a placeholder made
    // from a record: written back as they were, also when they are no text.
    const std::optional<QByteArray>& StoredName() const { return storedName_; }
    void SetStoredName(const QByteArray& bytes) { storedName_ = bytes; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString fileName_;
    bool placeholder_ = false;
    std::optional<QByteArray> storedName_;
};
