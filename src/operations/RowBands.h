#pragma once

// Row helpers shared by the pixel operations.

#include <QImage>
#include <thread>

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

inline QRgb* line(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

} // namespace vantrel
