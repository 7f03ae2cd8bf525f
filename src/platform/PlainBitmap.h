#pragma once
// Uncompressed 24-bit bitmaps, the kind that scanners and paint programs
// save photos in, decoded straight into the picture's rows. The toolkit's
// decoder takes each pixel through general colour masks and scale factors,
// about ten times the work, which start-up pays for every restored picture.

#include <QIODevice>
#include <QImage>
#include <optional>

// The picture of a 24-bit bitmap without compression whose rows all lie in
// the file, as the toolkit's decoder gives it (32 bits a pixel, opaque).
// Empty for every other file, which the caller gives to the toolkit's
// decoder; empty too when the picture cannot be held.
std::optional<QImage> ReadPlainBitmap(QIODevice& file);
