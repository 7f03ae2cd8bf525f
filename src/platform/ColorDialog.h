#pragma once
// TColorDialog: the standard colour chooser as the colour commands use it.
// It opens with its colour preselected: the one given with SetColor (the
// commands give the current colour of what they change), else that of its
// last confirmed run; a cancelled run leaves that colour as it was. The chooser
// window itself is built at the first run: building it is the dearest part
// of making the main window, and start-up should not pay for it.

#include "Canvas.h"

#include <QColorDialog>
#include <QObject>
#include <QPointer>

class TColorDialog : public QObject {
    Q_OBJECT
public:
    explicit TColorDialog(QWidget* owner);

    // The colour the next run opens with: the last confirmed or set one,
    // black before the first.
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }

    // Runs the dialog modally; true when the user confirmed a colour.
    bool Execute();

private:
    QWidget* owner_;
    QPointer<QColorDialog> dialog_;
    TColor color_ = clBlack;
};
