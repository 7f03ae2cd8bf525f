#include "ButtonEx.h"

TButtonEx::TButtonEx(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}
