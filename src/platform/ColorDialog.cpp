#include "ColorDialog.h"

TColorDialog::TColorDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

bool TColorDialog::Execute() {
    if (!dialog_) {
        dialog_ = new QColorDialog(owner_);
        dialog_->setObjectName(objectName());
        // Qt's own chooser on every platform, so that it looks and behaves
        // alike everywhere (and can be driven by the tests).
        dialog_->setOption(QColorDialog::DontUseNativeDialog);
    }
    dialog_->setCurrentColor(ToQColor(color_));
    if (dialog_->exec() != QDialog::Accepted)
        return false;
    color_ = FromQColor(dialog_->selectedColor());
    return true;
}
