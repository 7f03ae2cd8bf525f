#pragma once
// Answering modal dialogs and message boxes from inside a test: the answer
// runs from the event loop once the dialog is up.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

template <typename Fn> void WhenModal(Fn fn) {
    QTimer::singleShot(0, [fn] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return WhenModal(fn);
        fn(w);
    });
}

// Types path into the file dialog's name field and accepts, as a user would.
// QFileDialog::selectFile leaves the field as it is once it has the focus,
// which it gets at some point after the dialog shows.
inline void ChooseInFileDialog(QWidget* dialog, const QString& path) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    Q_ASSERT(name);
    name->setText(path);
    static_cast<QDialog*>(dialog)->accept();
}
