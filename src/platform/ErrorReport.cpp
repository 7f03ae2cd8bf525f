#include "ErrorReport.h"

#include "Messages.h"

#include <QApplication>
#include <QMessageBox>

void ShowErrorReport(QWidget* parent, const QString& message) {
    if (DeliverToMessageSink(message))
        return;
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message,
                    QMessageBox::Ok, parent);
    box.setObjectName("ErrorReport");
    box.exec();
}
