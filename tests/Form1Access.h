#pragma once
// The main window's one door for tests and benchmarks, for what no user
// command reaches on its own: the open dialog made before "開く" shows it,
// so that a test can point it at a folder first, and the single steps of a
// picture drag, which the drag manager otherwise runs from the pointer's
// events, and a design's save without its dialog, so that a benchmark can
// time them alone.

#include "bag/ImageEx.h"
#include "windows/TrPanel.h"
#include "windows/Unit1.h"

#include <QFileDialog>

struct TForm1Access {
    static QFileDialog* OpenDialog(TForm1& form) {
        form.CreateOpenDialog();
        return form.OpenDialog1;
    }
    // The pointer over `image` at `at` (its own pixels), no button held.
    static void Hover(TForm1& form, TImageEx* image, QPoint at) {
        form.ImagePanelMouseMove(image, Qt::NoButton, {}, at.x(), at.y());
    }
    // A drag of `image` over the layer at `at` (layer pixels).
    static void DragOver(TForm1& form, TImageEx* image, QPoint at) {
        form.ImagePanelDragOver(form.TransPanel1, image, at, TDragState::Move);
    }
    static void ReleaseCursor(TForm1& form) { form.ReleaseCursor(); }
    // Saves the design as 名前を付けて保存… does, without its dialog.
    static bool SaveDesign(TForm1& form, const QString& path) { return form.SaveDesignTo(path); }
};
