#pragma once

#include "imaging/Bitmap.h"

#include <QSize>
#include <QString>
#include <memory>

class QMimeData;

namespace vantrel {

// A picture read from the clipboard: the bitmap, or why there is none (an empty error when
// the clipboard simply holds no picture).
struct ClipboardPicture {
    std::unique_ptr<Bitmap> bitmap;
    QString error;
};

// Whether `data` offers a picture: an image (this program's own, or PNG, BMP or JPEG from
// another program) or a URI list naming one readable local image file.
bool hasClipboardPicture(const QMimeData* data);

// Decodes the picture `data` offers. Encoded pictures are checked against the file loader's
// limit before anything is allocated; a named file is read by the file loader itself.
ClipboardPicture readClipboardPicture(const QMimeData* data);

// The system clipboard's picture, as readClipboardPicture() reads it.
ClipboardPicture readClipboardPicture();
bool clipboardHasPicture();
// The size of the picture paste would make, read from its header where it has one; empty
// when there is none.
QSize clipboardPictureSize();

// Puts `picture` on the system clipboard with its alpha channel (Qt offers PNG among its
// formats), replacing what it held.
void writeClipboardPicture(const Bitmap& picture);

} // namespace vantrel
