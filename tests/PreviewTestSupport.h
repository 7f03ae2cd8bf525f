#pragma once
// Helpers for tests that go through the modal preview window and the dialogs
// it opens: each acts from a timer once the window or dialog is up.
#include "report/QRPrintDialog.h"
#include "report/QRStandardPreview.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

// What a test does while the modal preview window is open. The window is
// closed afterwards unless the action did so.
struct TPreviewVisit {
    std::function<void(TQRStandardPreview&)> action;
    bool waitForPage = true;
    int visits = 0;
};

inline void VisitPreviewWhenShown(TPreviewVisit& visit) {
    QTimer::singleShot(10, [&visit] {
        auto* preview = qobject_cast<TQRStandardPreview*>(QApplication::activeModalWidget());
        if (!preview) {
            VisitPreviewWhenShown(visit);
            return;
        }
        ++visit.visits;
        if (visit.waitForPage)
            QVERIFY(QTest::qWaitFor([&] { return preview->Print->isEnabled(); }, 10000));
        visit.action(*preview);
        if (preview->isVisible())
            preview->close();
    });
}

// A press of the left mouse button on a button's indicator (a radio button
// reacts only to presses on its indicator and label).
inline void ClickButton(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Opens the preview's printer dialog with the mouse and, in it, chooses the
// orientation (and the page range when asked) with the mouse, then OK.
inline void ChooseInPrinterDialog(TQRStandardPreview& preview, TPrinterOrientation orientation,
                                  bool pageRange = false) {
    QTimer::singleShot(10, [=, &preview] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<TQRPrintDialog*>(modal);
        if (!dialog && modal != &preview && modal)
            modal->close(); // a message instead of the dialog: fail, do not hang
        QVERIFY(dialog);
        ClickButton(orientation == TPrinterOrientation::Portrait ? dialog->PortraitButton
                                                                 : dialog->LandscapeButton);
        if (pageRange)
            ClickButton(dialog->PageRangeButton);
        QTest::mouseClick(dialog->OkButton, Qt::LeftButton);
        if (dialog->isVisible()) // the press missed: do not leave the test hanging
            dialog->reject();
    });
    QTest::mouseClick(preview.ToolBar1->widgetForAction(preview.PrintSetup), Qt::LeftButton);
}
