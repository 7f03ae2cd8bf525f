#include "ButtonGlyph.h"

#include <algorithm>

namespace {
std::unique_ptr<TGlyphCache> sharedCache;

TGlyphCache& EnsureCache() {
    if (!sharedCache)
        sharedCache = std::make_unique<TGlyphCache>();
    return *sharedCache;
}

QRgb Opaque(TColor c) {
    return ToQColor(c).rgb();
}

TColor PixelColor(const QImage& image, int x, int y) {
    return FromQColor(QColor::fromRgb(image.pixel(x, y)));
}

// Pixels that the engraved look draws: all but the background (the
// transparent colour) and white, which a monochrome mask reads as paper.
bool IsInk(TColor c, TColor transparent) {
    return c != transparent && c != clWhite;
}

// A single image shown disabled: its mask once in the highlight colour one
// pixel right and down, then in the shadow colour in place.
QImage Engrave(const QImage& source, TColor transparent, const TButtonColors& colors) {
    QImage out(source.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    const int w = source.width();
    const int h = source.height();
    for (int y = 0; y + 1 < h; ++y)
        for (int x = 0; x + 1 < w; ++x)
            if (IsInk(PixelColor(source, x, y), transparent))
                out.setPixel(x + 1, y + 1, Opaque(colors.Highlight));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (IsInk(PixelColor(source, x, y), transparent))
                out.setPixel(x, y, Opaque(colors.Shadow));
    return out;
}

// A strip's own disabled image: white and grey take the system's highlight
// and shadow colours, the transparent colour becomes see-through.
QImage Recolour(const QImage& source, TColor transparent, const TButtonColors* colors) {
    QImage out = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const TColor c = PixelColor(source, x, y);
            if (c == transparent)
                out.setPixel(x, y, qRgba(0, 0, 0, 0));
            else if (colors && c == clWhite)
                out.setPixel(x, y, Opaque(colors->Highlight));
            else if (colors && c == clGray)
                out.setPixel(x, y, Opaque(colors->Shadow));
        }
    return out;
}
} // namespace

int TGlyphList::Add(const QImage& image) {
    int slot = 0;
    while (slot < used_.size() && used_.testBit(slot))
        ++slot;
    if (slot == used_.size()) {
        used_.resize(slot + 1);
        images_.resize(slot + 1);
    }
    used_.setBit(slot);
    images_[slot] = image;
    ++count_;
    return slot;
}

void TGlyphList::Delete(int index) {
    if (index < 0 || index >= used_.size() || !used_.testBit(index))
        return;
    used_.clearBit(index);
    images_[index] = QImage();
    --count_;
}

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (const auto& list : lists_)
        if (list->Width() == width && list->Height() == height)
            return list.get();
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return lists_.back().get();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->Count() > 0)
        return;
    std::erase_if(lists_, [list](const auto& l) { return l.get() == list; });
}

TGlyphCache* GlyphCache() {
    return sharedCache.get();
}

TButtonGlyph::TButtonGlyph(std::function<void()> onChange) : onChange_(std::move(onChange)) {}

TButtonGlyph::~TButtonGlyph() {
    Discard();
    if (sharedCache && sharedCache->Empty())
        sharedCache.reset();
}

void TButtonGlyph::SetGlyph(const QImage& image) {
    Discard();
    original_ = image;
    const int w = image.width();
    const int h = image.height();
    // A zero-wide bitmap has no pixel and no images: it changes nothing.
    if (h > 0 && w > 0) {
        transparentColor_ = PixelColor(image, 0, h - 1);
        // A strip of square images tells its count by itself.
        if (w % h == 0)
            numGlyphs_ = w / h < 5 ? w / h : 1;
    }
    Changed();
}

void TButtonGlyph::EditGlyph(const std::function<void(QImage&)>& edit) {
    edit(original_);
    if (original_.width() > 0 && original_.height() > 0)
        transparentColor_ = PixelColor(original_, 0, original_.height() - 1);
    Discard();
    Changed();
}

void TButtonGlyph::SetNumGlyphs(int value) {
    value = std::min(value, 4);
    if (value < 1 || value == numGlyphs_)
        return;
    Discard();
    numGlyphs_ = value;
    Changed();
}

QSize TButtonGlyph::ImageSize() const {
    if (original_.isNull())
        return {0, 0};
    return {original_.width() / numGlyphs_, original_.height()};
}

void TButtonGlyph::Draw(QPainter& painter, QPoint pos, TButtonState state,
                        const TButtonColors& colors) {
    const int index = Prepare(state, colors);
    if (index < 0)
        return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(pos, list_->Image(index));
}

int TButtonGlyph::Prepare(TButtonState state, const TButtonColors& colors) {
    const QSize size = ImageSize();
    if (size.isEmpty())
        return -1;
    int& index = indexes_[int(state)];
    if (index >= 0)
        return index;
    if (!list_)
        list_ = EnsureCache().GetList(size.width(), size.height());
    index = list_->Add(MakeStateImage(state, colors));
    return index;
}

QImage TButtonGlyph::MakeStateImage(TButtonState state, const TButtonColors& colors) const {
    const QSize size = ImageSize();
    // A state without its own image in the strip uses the first one.
    const int position = int(state) < numGlyphs_ ? int(state) : 0;
    const QImage source = original_.copy(position * size.width(), 0, size.width(), size.height())
                              .convertToFormat(QImage::Format_RGB32);
    if (state != TButtonState::Disabled)
        return Recolour(source, transparentColor_, nullptr);
    if (numGlyphs_ < 2)
        return Engrave(source, transparentColor_, colors);
    return Recolour(source, transparentColor_, &colors);
}

void TButtonGlyph::Discard() {
    if (!list_)
        return;
    for (int& index : indexes_) {
        if (index >= 0)
            list_->Delete(index);
        index = -1;
    }
    if (sharedCache)
        sharedCache->ReturnList(list_);
    list_ = nullptr;
}

void TButtonGlyph::Changed() {
    if (onChange_)
        onChange_();
}
