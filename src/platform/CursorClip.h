#pragma once
// TCursorClip: confinement of the mouse cursor to a screen rectangle. Qt has
// no system-wide clip, so while a confinement is in force an application-wide
// event filter moves the pointer back inside whenever it leaves, and code that
// follows the pointer reads its position through Clamp().

#include <QObject>
#include <QPoint>
#include <QRect>
#include <optional>

class TCursorClip : public QObject {
    Q_OBJECT
public:
    // The pointer is one for the whole program, so is its confinement.
    static TCursorClip& Instance();

    // Confines the pointer to r (screen coordinates, right and bottom edges
    // inclusive) and moves it inside at once when it lies outside.
    void Confine(const QRect& r);
    // Lifts any confinement.
    void Release();
    // The confinement in force; empty when the pointer is free.
    std::optional<QRect> Current() const { return clip_; }
    // Puts back a confinement read with Current().
    void Restore(const std::optional<QRect>& clip);
    // The point nearest to p inside the confinement (p itself when free).
    QPoint Clamp(QPoint p) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TCursorClip() = default;
    void PullPointerInside();

    std::optional<QRect> clip_;
};
