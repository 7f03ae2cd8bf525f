#pragma once
// TPictureControl: a child control that shows one picture, loaded from a file
// by the file's extension, either scaled to its bounds or at natural size from
// its top-left corner, clipped. It starts 105 x 105 at (0, 0), carries a
// cursor and a drag cursor, and reports presses and pointer movement. The
// picture is held as it was read (THeldPicture); the control keeps only the
// pixels it shows, decoded for its current size, so moving or repainting it
// never decodes or rescales, and a resize decodes again at the new size.

#include "HeldPicture.h"

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

    // The picture as held; null when the control has none.
    const THeldPicturePtr& Held() const { return held_; }
    // The picture at its own size, decoded now from what is held.
    QImage Picture() const;
    // Holds these pixels.
    void SetPicture(const QImage& picture);
    // Shows a held picture; `decoded`, when given, is a decode of it at no
    // less than the control's size, made while reading it.
    void SetPicture(const THeldPicturePtr& held, const QImage& decoded = QImage());
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s);
    const QCursor& DragCursor() const { return dragCursor_; }
    void SetDragCursor(const QCursor& c) { dragCursor_ = c; }

    // Loads the picture at the control's size; the decoder is chosen by the
    // file's extension (bmp, png, jpg, jpeg, gif). Raises EError with the
    // toolkit's message when the file cannot be opened or is not a regular
    // file, is not a valid picture, has an extension that names no picture
    // format, is too large to be held, or would take more than room bytes
    // (THeldPicture::ReadFile).
    void LoadFromFile(const QString& path, qint64 room = PictureRoom());

    TPictureMouseEvent OnMouseDown;
    TPictureMouseEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QSize ShownSize() const;
    const QImage& Shown();
    void SetShown(const QImage& shown);
    void UpdateOpacity();

    THeldPicturePtr held_;
    QImage shown_;                   // ShownSize() pixels of the picture, or null until painted
    bool shownBeforeChange_ = false; // shown_ made before a change to the file was found
    TPictureMemoryUse shownUse_;
    bool stretch_ = false;
    QCursor dragCursor_{Qt::DragMoveCursor};
};
