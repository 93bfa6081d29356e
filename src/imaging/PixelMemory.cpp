#include "imaging/PixelMemory.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace vantrel {

namespace {

constexpr std::uintptr_t LargePage = std::uintptr_t(2) << 20;
// Below this an image fits in a few pages and the advice would split mappings for nothing.
constexpr qsizetype AdviceThreshold = qsizetype(4) << 20;

} // namespace

void adviseLargePages(QImage& image) {
    if (image.isNull() || image.sizeInBytes() < AdviceThreshold)
        return;
    // Only whole large pages inside the buffer can be advised.
    const auto begin = reinterpret_cast<std::uintptr_t>(image.bits());
    const std::uintptr_t first = (begin + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t end = (begin + std::uintptr_t(image.sizeInBytes())) & ~(LargePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

QImage allocateImage(int width, int height, QImage::Format format) {
    if (width <= 0 || height <= 0)
        return {};
    QImage image(width, height, format);
    if (image.isNull())
        return {};
    adviseLargePages(image);
    return image;
}

QImage copyImage(const QImage& image) {
    if (image.isNull())
        return {};
    QImage copy = allocateImage(image.width(), image.height(), image.format());
    if (copy.isNull())
        return {};
    std::memcpy(copy.bits(), image.constBits(), size_t(image.sizeInBytes()));
    copy.setColorTable(image.colorTable());
    copyDescription(image, copy);
    return copy;
}

void copyDescription(const QImage& from, QImage& to) {
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
    to.setOffset(from.offset());
    for (const QString& key : from.textKeys())
        to.setText(key, from.text(key));
}

} // namespace vantrel
