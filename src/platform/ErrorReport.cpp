#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

void ShowErrorReport(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message,
                    QMessageBox::Ok, parent);
    box.setObjectName("ErrorReport");
    box.exec();
}
