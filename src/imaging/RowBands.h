#pragma once

// Row helpers shared by the pixel operations and the bitmap's own conversions and turns.

#include <QImage>
#include <thread>
#include <utility>

namespace vantrel {

// Runs f(firstRow, endRow) over all rows, the lower half on a second thread when the image
// is large enough to be worth it.
template <typename F> void forRows(int height, qsizetype pixels, F&& f) {
    if (pixels < (1 << 16) || height < 2) {
        f(0, height);
        return;
    }
    const int middle = height / 2;
    std::thread lower([&] { f(middle, height); });
    f(0, middle);
    lower.join();
}

// forRows over the rows of `image`, whose pixels are first made its own: line() on an image
// that shares them with a copy would copy them, which must not happen on two threads at once.
template <typename F> void forImageRows(QImage& image, F&& f) {
    image.bits();
    forRows(image.height(), qsizetype(image.width()) * image.height(), std::forward<F>(f));
}

inline QRgb* line(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

} // namespace vantrel
