#pragma once
// TImageEx: one placed picture: a picture control on the image layer plus the
// full path of the file it was loaded from, which is what is stored so that
// the picture can be loaded again at the next start.

#include "platform/PictureControl.h"

#include <QString>

class TImageEx : public TPictureControl {
    Q_OBJECT
public:
    // Made 105 x 105 at (0, 0) on its parent, as the picture control starts.
    explicit TImageEx(QWidget* parent = nullptr) : TPictureControl(parent) {}

    const QString& FileName() const { return fileName_; }
    void SetFileName(const QString& name) { fileName_ = name; }

private:
    QString fileName_;
};
