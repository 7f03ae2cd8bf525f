#include "ColorDialog.h"

TColorDialog::TColorDialog(QWidget* owner) : QColorDialog(owner) {
    // Qt's own chooser on every platform, so that it looks and behaves alike
    // everywhere (and can be driven by the tests).
    setOption(QColorDialog::DontUseNativeDialog);
}

bool TColorDialog::Execute() {
    setCurrentColor(ToQColor(color_));
    if (exec() != QDialog::Accepted)
        return false;
    color_ = FromQColor(selectedColor());
    return true;
}
