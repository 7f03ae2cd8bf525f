#pragma once
// The undo steps of the design. Each step holds the two states of what one
// change touched and a function that puts a state in place; a picture is held
// as the placed control itself, never as a copy of its pixels.

#include <QRect>
#include <QUndoCommand>
#include <functional>
#include <utility>

class TImageEx;

// A change of one value (a colour, the settings, a picture's bounds or its
// place in the stacking): redo puts the new value in place, undo the old.
template <typename T> class TValueStep : public QUndoCommand {
public:
    using TApply = std::function<void(const T&)>;
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the value before the step, then after
    TValueStep(T before, T after, TApply apply)
        : before_(std::move(before)), after_(std::move(after)), apply_(std::move(apply)) {}
    void undo() override { apply_(before_); }
    void redo() override { apply_(after_); }

protected:
    T before_;
    T after_;
    TApply apply_;
};

// A picture moved by an arrow key. The repeats of a held key (one run) join
// the step of its first press, so one undo takes the whole run back.
class TKeyMoveStep : public TValueStep<QRect> {
public:
    TKeyMoveStep(const TImageEx* image, int run, QRect before, QRect after, TApply apply);
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    const TImageEx* image_;
    int run_;
};

// A picture taken into the design (added) or out of it (deleted), at its
// place in the stacking order. While the picture is out, the step owns it,
// so an undone delete brings back the same control with the same pixels.
class TPresenceStep : public QUndoCommand {
public:
    // Puts image in at index of the placed pictures (in) or takes it out.
    using TPut = std::function<void(TImageEx* image, int index, bool in)>;
    // The picture is in the design now unless the step adds it.
    TPresenceStep(TImageEx* image, int index, bool adds, TPut put);
    ~TPresenceStep() override;
    TPresenceStep(const TPresenceStep&) = delete;
    TPresenceStep& operator=(const TPresenceStep&) = delete;

    void undo() override { Put(!adds_); }
    void redo() override { Put(adds_); }

private:
    void Put(bool in);

    TImageEx* image_;
    int index_;
    bool adds_;
    bool in_;
    TPut put_;
};
