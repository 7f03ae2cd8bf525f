#pragma once
// TColorDialog: the standard colour chooser as the colour commands use it.
// It remembers the colour of its last confirmed run and opens with it
// preselected; a cancelled run leaves that colour as it was.

#include "Canvas.h"

#include <QColorDialog>

class TColorDialog : public QColorDialog {
    Q_OBJECT
public:
    explicit TColorDialog(QWidget* owner);

    // The colour of the last confirmed run; black before the first.
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }

    // Runs the dialog modally; true when the user confirmed a colour.
    bool Execute();

private:
    TColor color_ = clBlack;
};
