#pragma once
// What picture headers tell beyond what the toolkit's decoders report, read
// from the file before it is decoded: whether a bitmap's pixel rows or a
// PNG's chunks fit in the file, the picture that the GIF decoder draws the first frame into, and
// the working memory that the JPEG decoder takes. Each reader leaves the
// device at its start.

#include <QIODevice>
#include <QSize>
#include <optional>

// The fields of a bitmap's file and information headers (the old core
// header's too), read where the device stands; empty when it holds none.
struct TBitmapHeader {
    qint64 offBits = 0; // where the rows start
    quint32 infoSize = 0;
    qint64 width = 0;
    qint64 height = 0; // negative: the rows run top down
    int planes = 0;
    int bits = 0;
    quint32 compression = 0;
    qint32 dotsPerMeterX = 0;
    qint32 dotsPerMeterY = 0;
};
std::optional<TBitmapHeader> ReadBitmapHeader(QIODevice& file);

// Qt's bitmap decoder fills in what a cut-off file lacks; false for an
// uncompressed bitmap whose pixel rows do not all fit in the file.
bool BitmapFitsItsFile(QIODevice& file);

// Each chunk of a PNG lies inside the file: the decoder takes a chunk's
// memory by the length it claims before reading it.
bool PngChunksFitTheFile(QIODevice& file);

// The decoder reports the first frame's size but draws it into the logical
// screen, or where that is empty into the frame's extent: the larger of both
// on each axis (empty for a file too short to hold a screen).
QSize GifCanvasSize(QIODevice& file);

// The picture format that the file's first bytes announce, as the loader
// names formats ("bmp", "png", "jpeg", "gif"); empty when they announce none
// of these.
QByteArray PictureFormatOfContent(QIODevice& file);

// A JPEG coded in more than one scan (progressive, or its first scan naming
// fewer components than the frame) is decoded through coefficient buffers
// for the whole picture, at its full size even when it is read reduced:
// their bytes, 0 for a picture decoded row by row. Markers are found as the
// decoder finds them, past stray bytes and fill bytes.
qint64 JpegWorkingBytes(QIODevice& file);
