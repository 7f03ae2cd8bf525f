#pragma once
// TTransPanel: the transparent image layer over the report page. It paints
// nothing of its own, so the page and the net show through; the placed
// pictures are its children.

#include <QWidget>

class TTransPanel : public QWidget {
    Q_OBJECT
public:
    explicit TTransPanel(QWidget* parent);

    // Covers the parent's client area, inside its one-pixel edge.
    void FitToParent();
};
