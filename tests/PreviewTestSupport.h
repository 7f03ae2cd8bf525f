#pragma once
// Helpers for tests that go through the modal preview window and the dialogs
// it opens: each acts from a timer once the window or dialog is up.
#include "report/QRStandardPreview.h"

#include <QAction>
#include <QApplication>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
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

// Runs the preview's printer set-up and, in the platform's print dialog,
// chooses portrait (in its properties) and the page range, then OK.
inline void ChoosePortraitInPrinterDialog(TQRStandardPreview& preview) {
    QTimer::singleShot(10, [] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QRadioButton*>("printRange")->click();
        QTimer::singleShot(10, [] {
            QWidget* properties = QApplication::activeModalWidget();
            auto* portrait = properties->findChild<QRadioButton*>("portrait");
            QVERIFY(portrait);
            portrait->click();
            static_cast<QDialog*>(properties)->accept();
        });
        dialog->findChild<QPushButton*>("properties")->click();
        dialog->accept();
    });
    preview.PrintSetup->trigger();
}
