#pragma once
// TButtonEx: the command bar's push button.

#include <QPushButton>

class TButtonEx : public QPushButton {
    Q_OBJECT
public:
    explicit TButtonEx(const QString& caption, QWidget* parent);
};
