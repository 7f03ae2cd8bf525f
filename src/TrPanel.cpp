#include "TrPanel.h"

TTransPanel::TTransPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    if (parent)
        FitToParent();
}

void TTransPanel::FitToParent() {
    const QSize s = parentWidget()->size();
    setGeometry(1, 1, qMax(0, s.width() - 2), qMax(0, s.height() - 2));
}
