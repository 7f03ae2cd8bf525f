#pragma once
// What picture headers tell beyond what the toolkit's decoders report, read
// from the file before it is decoded: whether a bitmap's pixel rows or a
// PNG's chunks fit in the file, the picture that the GIF decoder draws the first frame into, and
// the working memory that the JPEG decoder takes. Each reader leaves the
// device at its start.

#include <QIODevice>
#include <QSize>

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

// A progressive JPEG is decoded through coefficient buffers for the whole
// picture, at its full size even when it is read reduced: their bytes, 0
// for a picture decoded row by row.
qint64 JpegWorkingBytes(QIODevice& file);
