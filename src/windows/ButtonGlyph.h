#pragma once
// Glyphs of the styled push button. A glyph is a strip of one to four state
// images side by side (up, disabled, down, exclusive). Each state's image is
// prepared once, with its transparency worked in, and kept in an image list
// shared by every button: one TGlyphList per image size, all held by the one
// TGlyphCache.

#include "platform/Canvas.h"

#include <QBitArray>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QVector>
#include <array>
#include <functional>
#include <memory>
#include <vector>

enum class TButtonState { Up = 0, Disabled = 1, Down = 2, Exclusive = 3 };

// The system colours that the prepared images are built with.
struct TButtonColors {
    TColor Face = RGBColor(192, 192, 192);
    TColor Highlight = clWhite;
    TColor Shadow = clGray;
};

// Equally sized images in slots; a freed slot is used again by the next Add.
class TGlyphList {
public:
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): width before height, as in QSize
    TGlyphList(int width, int height) : width_(width), height_(height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return count_; }
    int Add(const QImage& image);
    void Delete(int index);
    const QImage& Image(int index) const { return images_[index]; }

private:
    int width_;
    int height_;
    QVector<QImage> images_;
    QBitArray used_;
    int count_ = 0;
};

class TGlyphCache {
public:
    // The list for this image size, made when there is none yet.
    TGlyphList* GetList(int width, int height);
    // Gives a list back; it goes when nothing is left in it.
    void ReturnList(TGlyphList* list);
    bool Empty() const { return lists_.empty(); }
    int ListCount() const { return int(lists_.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The shared cache, or null while no glyph object has needed one since it
// was last released.
TGlyphCache* GlyphCache();

class TButtonGlyph {
public:
    // onChange runs whenever what the glyph draws may have changed.
    explicit TButtonGlyph(std::function<void()> onChange);
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const QImage& Glyph() const { return original_; }
    // Copies the bitmap; its bottom-left pixel becomes the transparent colour.
    void SetGlyph(const QImage& image);
    // Changes the bitmap in place, as an edit of the bitmap itself.
    void EditGlyph(const std::function<void(QImage&)>& edit);
    int NumGlyphs() const { return numGlyphs_; }
    // Above 4 becomes 4; 0 (and anything below 1) is ignored.
    void SetNumGlyphs(int value);
    TColor TransparentColor() const { return transparentColor_; }
    // One image of the strip; (0, 0) without a glyph.
    QSize ImageSize() const;

    // Draws the state's image transparently with its top-left at pos.
    void Draw(QPainter& painter, QPoint pos, TButtonState state, const TButtonColors& colors);
    // Slot of the state's prepared image in List(), -1 while not prepared.
    int PreparedIndex(TButtonState state) const { return indexes_[int(state)]; }
    const TGlyphList* List() const { return list_; }

private:
    int Prepare(TButtonState state, const TButtonColors& colors);
    QImage MakeStateImage(TButtonState state, const TButtonColors& colors) const;
    void Discard();
    void Changed();

    QImage original_;
    TColor transparentColor_ = RGBColor(128, 128, 0);
    int numGlyphs_ = 1;
    std::array<int, 4> indexes_{-1, -1, -1, -1};
    TGlyphList* list_ = nullptr;
    std::function<void()> onChange_;
};
