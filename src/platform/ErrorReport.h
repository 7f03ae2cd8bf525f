#pragma once
// The application's default error report: a message box with the error's own
// text and an OK button.

#include <QString>

class QWidget;

void ShowErrorReport(QWidget* parent, const QString& message);
