#include "acquisition/BMP_File.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <QtEndian>
#include <cstring>

namespace vantrel {

static_assert(sizeof(BMP_File::Pixel) == 3, "pixels are stored packed, as RGB888");

namespace {

constexpr int HeaderSize = 54;
constexpr quint32 PixelsPerMetre = 2834; // 72 dots per inch

void put16(char* at, quint16 value) {
    qToLittleEndian(value, at);
}
void put32(char* at, quint32 value) {
    qToLittleEndian(value, at);
}

} // namespace

void BMP_File::setSize(int w, int h) {
    if (w <= 0 || h <= 0)
        w = h = 0;
    m_width = w;
    m_height = h;
    m_pixels.assign(size_t(w) * size_t(h), Pixel{});
}

BMP_File::Pixel& BMP_File::pixel(int x, int y) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        m_spare = {};
        return m_spare;
    }
    return m_pixels[size_t(y) * size_t(m_width) + size_t(x)];
}

const BMP_File::Pixel& BMP_File::pixel(int x, int y) const {
    return const_cast<BMP_File*>(this)->pixel(x, y);
}

void BMP_File::copyFromBgrx(const uchar* data, int stride) {
    Pixel* out = m_pixels.data();
    for (int y = 0; y < m_height; ++y) {
        const uchar* in = data + qsizetype(y) * stride;
        for (int x = 0; x < m_width; ++x, in += 4, ++out)
            *out = {in[2], in[1], in[0]};
    }
}

QImage BMP_File::toImage() const {
    if (isEmpty())
        return {};
    QImage image(m_width, m_height, QImage::Format_RGB888);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(image.scanLine(y), &m_pixels[size_t(y) * size_t(m_width)], size_t(m_width) * 3);
    return image;
}

QByteArray BMP_File::fileBytes() const {
    const quint32 rowBytes = (quint32(m_width) * 3 + 3) & ~3u;
    const quint32 imageBytes = rowBytes * quint32(m_height);
    QByteArray bytes(HeaderSize + qsizetype(imageBytes), '\0');
    char* h = bytes.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, HeaderSize + imageBytes);
    put32(h + 10, HeaderSize);
    put32(h + 14, 40);
    put32(h + 18, quint32(m_width));
    put32(h + 22, quint32(m_height)); // positive: the bottom row comes first
    put16(h + 26, 1);
    put16(h + 28, 24);
    put32(h + 34, imageBytes);
    put32(h + 38, PixelsPerMetre);
    put32(h + 42, PixelsPerMetre);
    for (int y = 0; y < m_height; ++y) {
        char* out = h + HeaderSize + qsizetype(m_height - 1 - y) * rowBytes;
        const Pixel* in = &m_pixels[size_t(y) * size_t(m_width)];
        for (int x = 0; x < m_width; ++x, ++in) {
            *out++ = char(in->blue);
            *out++ = char(in->green);
            *out++ = char(in->red);
        }
    }
    return bytes;
}

bool BMP_File::write(const QString& path) const {
    if (isEmpty() || path.isEmpty() || QFileInfo::exists(path))
        return false;
    // The temporary is removed by its destructor unless the rename succeeded; QFile's rename
    // refuses to replace an existing file, so a file created meanwhile is left alone too.
    QTemporaryFile file(QFileInfo(path).absolutePath() + QStringLiteral("/.capture-XXXXXX.tmp"));
    if (!file.open())
        return false;
    const QByteArray bytes = fileBytes();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return false;
    if (!file.rename(path))
        return false;
    file.setAutoRemove(false);
    return true;
}

} // namespace vantrel
