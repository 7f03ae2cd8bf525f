#pragma once
// Placement of a push button's glyph and caption inside its client area:
// glyph left, right, above or below the caption, with a margin to the edge
// and a spacing between the two, either given or worked out from the room.

#include <QPoint>
#include <QRect>
#include <QSize>

enum class TButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

struct TButtonPlacement {
    QPoint GlyphPos;
    QRect TextBounds;
};

// client: the client size; glyph: one image of the strip, (0, 0) without a
// glyph; text: the caption's single-line extent, (0, 0) without a caption.
// margin and spacing of -1 mean "automatic". Every division truncates
// towards zero; offset moves both results (one pixel while pressed).
TButtonPlacement CalcButtonLayout(QSize client, QSize glyph, QSize text, TButtonLayout layout,
                                  int margin, int spacing, QPoint offset, bool rightToLeft);
