#pragma once
// TPictureControl: a child control that shows one picture, loaded from a file
// by the file's extension, either scaled to its bounds or at natural size from
// its top-left corner, clipped. It starts 105 x 105 at (0, 0), carries a
// cursor and a drag cursor, and reports presses and pointer movement. A scaled
// copy of the picture is kept for the current size, so moving or repainting
// the control never rescales.

#include "PictureLoader.h"

#include <QCursor>
#include <QImage>
#include <QWidget>
#include <functional>

class TPictureControl;
using TPictureMouseEvent = std::function<void(TPictureControl* sender, Qt::MouseButton button,
                                              Qt::KeyboardModifiers shift, int x, int y)>;

class TPictureControl : public QWidget {
    Q_OBJECT
public:
    explicit TPictureControl(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);
    const QCursor& DragCursor() const { return dragCursor_; }
    void SetDragCursor(const QCursor& c) { dragCursor_ = c; }

    // Loads the picture; the decoder is chosen by the file's extension (bmp,
    // png, jpg, jpeg, gif). Raises EError with the toolkit's message when the
    // file cannot be opened or is not a regular file, is not a valid picture,
    // has an extension that names no picture format, is too large to be held,
    // or would take more than room bytes (LoadPictureFile).
    void LoadFromFile(const QString& path, qint64 room = PictureMemoryBudget());

    TPictureMouseEvent OnMouseDown;
    TPictureMouseEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    const QImage& ScaledCopy();
    void UpdateOpacity();

    QImage picture_;
    QImage scaled_;
    bool stretch_ = false;
    QCursor dragCursor_{Qt::DragMoveCursor};
};
