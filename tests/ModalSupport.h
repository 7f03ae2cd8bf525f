#pragma once
// Answering modal dialogs and message boxes from inside a test: the answer
// runs from the event loop once the dialog is up.

#include <QApplication>
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
