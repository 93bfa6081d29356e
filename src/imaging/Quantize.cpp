#include "imaging/Quantize.h"

#include <algorithm>
#include <libimagequant.h>
#include <memory>

namespace vantrel {

namespace {

struct AttrDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
};
struct ImageDeleter {
    void operator()(liq_image* p) const { liq_image_destroy(p); }
};
struct ResultDeleter {
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};

} // namespace

QImage quantize(const QImage& argb, int maxColours) {
    if (argb.isNull())
        return {};
    // The library reads bytes in R, G, B, A order.
    const QImage rgba = argb.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return {};
    std::unique_ptr<liq_attr, AttrDeleter> attr(liq_attr_create());
    if (!attr)
        return {};
    liq_set_max_colors(attr.get(), std::clamp(maxColours, 2, 256));
    std::vector<void*> rows(static_cast<size_t>(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y)
        rows[static_cast<size_t>(y)] = const_cast<uchar*>(rgba.constScanLine(y));
    std::unique_ptr<liq_image, ImageDeleter> image(
        liq_image_create_rgba_rows(attr.get(), rows.data(), rgba.width(), rgba.height(), 0));
    if (!image)
        return {};
    liq_result* raw = nullptr;
    if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
        return {};
    std::unique_ptr<liq_result, ResultDeleter> result(raw);
    liq_set_dithering_level(result.get(), 1.0f);

    QImage indexed(rgba.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return {};
    std::vector<unsigned char*> outRows(static_cast<size_t>(indexed.height()));
    for (int y = 0; y < indexed.height(); ++y)
        outRows[static_cast<size_t>(y)] = indexed.scanLine(y);
    if (liq_write_remapped_image_rows(result.get(), image.get(), outRows.data()) != LIQ_OK)
        return {};
    const liq_palette* palette = liq_get_palette(result.get());
    QList<QRgb> table;
    for (unsigned i = 0; i < palette->count; ++i) {
        const liq_color c = palette->entries[i];
        table.append(qRgba(c.r, c.g, c.b, c.a));
    }
    indexed.setColorTable(table);
    return indexed;
}

} // namespace vantrel
