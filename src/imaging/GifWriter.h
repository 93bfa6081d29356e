#pragma once

#include <QImage>
#include <QString>

class QIODevice;

namespace vantrel {

// Writes one GIF89a image to `device`. Indexed images keep their palette; other images get a
// dithered palette of up to 256 colours. Pixels less than half opaque become the one
// transparent palette index. Returns an empty string or the reason for failing.
QString writeGif(const QImage& image, QIODevice& device);

} // namespace vantrel
