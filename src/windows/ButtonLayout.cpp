#include "ButtonLayout.h"

namespace {
// Margin and spacing along the layout axis, where L is the room, g the glyph
// and t the caption extent along that axis.
void ResolveMarginSpacing(int L, int g, int t, int& margin, int& spacing) {
    if (margin == -1) {
        if (spacing == -1)
            margin = spacing = (L - (g + t)) / 3;
        else
            margin = (L - (g + spacing + t) + 1) / 2;
    } else if (spacing == -1) {
        spacing = (L - margin - g - t) / 2;
    }
}
} // namespace

TButtonPlacement CalcButtonLayout(QSize client, QSize glyph, QSize text, TButtonLayout layout,
                                  int margin, int spacing, QPoint offset, bool rightToLeft) {
    if (rightToLeft && layout == TButtonLayout::GlyphLeft)
        layout = TButtonLayout::GlyphRight;
    else if (rightToLeft && layout == TButtonLayout::GlyphRight)
        layout = TButtonLayout::GlyphLeft;
    const bool horizontal =
        layout == TButtonLayout::GlyphLeft || layout == TButtonLayout::GlyphRight;
    auto along = [horizontal](QSize s) { return horizontal ? s.width() : s.height(); };
    auto across = [horizontal](QSize s) { return horizontal ? s.height() : s.width(); };

    // Across the layout axis both are centred.
    const int glyphAcross = (across(client) - across(glyph) + 1) / 2;
    const int textAcross = (across(client) - across(text) + 1) / 2;

    // Without a caption or without a glyph there is nothing to space apart.
    if (glyph.width() == 0 || text.width() == 0)
        spacing = 0;
    const int L = along(client);
    const int g = along(glyph);
    const int t = along(text);
    ResolveMarginSpacing(L, g, t, margin, spacing);

    int glyphAlong = margin;
    int textAlong = margin + g + spacing;
    if (layout == TButtonLayout::GlyphRight || layout == TButtonLayout::GlyphBottom) {
        glyphAlong = L - margin - g;
        textAlong = glyphAlong - spacing - t;
    }
    auto point = [horizontal](int a, int c) { return horizontal ? QPoint(a, c) : QPoint(c, a); };
    return {point(glyphAlong, glyphAcross) + offset,
            QRect(point(textAlong, textAcross) + offset, text)};
}
