#include "imaging/ImageFile.h"

#include "imaging/GifWriter.h"
#include "imaging/PixelMemory.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QMutex>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <gif_lib.h>
#include <optional>
#include <vector>

namespace vantrel {

namespace {

constexpr int JpegQuality = 75;

// `name` is what the user knows the image by: a file's name, or "the clipboard picture".
QString openError(const QString& name, const QString& reason) {
    return QStringLiteral("Cannot open %1: %2").arg(name, reason);
}

QString saveError(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot save %1: %2").arg(QFileInfo(path).fileName(), reason);
}

QString partWarning(const QString& name) {
    return QStringLiteral("Part of %1 could not be read; the image may be incomplete.").arg(name);
}

QByteArray qtFormat(ImageType type) {
    switch (type) {
    case ImageType::Png:
        return "png";
    case ImageType::Jpeg:
        return "jpeg";
    case ImageType::Gif:
        return "gif";
    case ImageType::Webp:
        return "webp";
    case ImageType::Tiff:
        return "tiff";
    case ImageType::Bmp:
        break;
    }
    return "bmp";
}

// The formats the editor reads, by the names Qt's readers give them. Every other format Qt
// could decode is refused before its decoder sees a byte.
bool isSupportedFormat(const QByteArray& format) {
    static const char* const supported[] = {"bmp", "png", "gif", "jpeg", "webp", "tiff"};
    return std::any_of(std::begin(supported), std::end(supported),
                       [&](const char* name) { return format == name; });
}

// A progressive JPEG is decoded scan by scan, each pass over the whole image: a small file
// with thousands of scans would take minutes and gigabytes. Real files have a few dozen.
constexpr int MaxJpegScans = 500;

// The start-of-scan markers of a JPEG stream, counted until more than `stopAfter` are seen.
// Segment payloads (where an embedded thumbnail keeps its own markers) are skipped, and
// within entropy-coded data only a marker that ends it counts.
int jpegScanCount(QIODevice& device, int stopAfter) {
    enum class State { Marker, Code, Length1, Length2, Skip, Entropy, EntropyFF };
    State state = State::Marker;
    int scans = 0;
    qint64 skip = 0;
    bool scanHeader = false; // the segment being skipped is a scan's header
    char chunk[1 << 16];
    qint64 got = 0;
    const auto code = [&](quint8 c) {
        const bool standalone = c == 0xD8 || c == 0xD9 || c == 0x01 || (c >= 0xD0 && c <= 0xD7);
        if (standalone)
            return State::Marker;
        scanHeader = c == 0xDA;
        scans += scanHeader ? 1 : 0;
        return State::Length1;
    };
    while (scans <= stopAfter && (got = device.read(chunk, sizeof chunk)) > 0) {
        for (qint64 i = 0; i < got && scans <= stopAfter; ++i) {
            const auto c = quint8(chunk[i]);
            switch (state) {
            case State::Marker:
                state = c == 0xFF ? State::Code : State::Entropy; // garbage is skipped
                break;
            case State::Code:
                state = c == 0xFF ? State::Code : code(c);
                break;
            case State::Length1:
                skip = qint64(c) << 8;
                state = State::Length2;
                break;
            case State::Length2:
                skip = std::max<qint64>(0, skip + c - 2);
                state = skip > 0 ? State::Skip : (scanHeader ? State::Entropy : State::Marker);
                break;
            case State::Skip: {
                const qint64 n = std::min(skip, got - i);
                skip -= n;
                i += n - 1;
                if (skip == 0)
                    state = scanHeader ? State::Entropy : State::Marker;
                break;
            }
            case State::Entropy: {
                // Entropy-coded data is most of the file; only its 0xFF bytes matter.
                const void* ff = std::memchr(chunk + i, 0xFF, size_t(got - i));
                if (!ff) {
                    i = got - 1;
                    break;
                }
                i = static_cast<const char*>(ff) - chunk;
                state = State::EntropyFF;
                break;
            }
            case State::EntropyFF:
                if (c == 0x00 || (c >= 0xD0 && c <= 0xD7))
                    state = State::Entropy;
                else if (c != 0xFF)
                    state = code(c);
                break;
            }
        }
    }
    return scans;
}

// Whether every PNG chunk before the image data lies within the file. libpng reads an
// ancillary chunk into a buffer of the length it claims before it finds the data missing: a
// file of a few dozen bytes claiming a 2 GB text chunk costs gigabytes and many seconds.
bool pngChunksFit(QIODevice& device) {
    const qint64 size = device.size();
    for (qint64 at = 8; at + 8 <= size;) {
        if (!device.seek(at))
            return false;
        const QByteArray head = device.read(8);
        if (head.size() < 8)
            return false;
        const quint32 length = qFromBigEndian<quint32>(head.constData());
        const QByteArray type = head.mid(4);
        if (type == "IDAT" || type == "IEND")
            return true;
        if (length > 0x7FFFFFFFu || at + 12 + qint64(length) > size)
            return false;
        at += 12 + qint64(length);
    }
    return true;
}

// Where a BMP file keeps its palette and pixels, found as Qt's reader finds them.
struct BmpLayout {
    int width = 0;
    int height = 0; // as stored: negative when the rows run top down
    int bits = 0;
    quint32 compression = 0;
    qint64 colours = 0; // palette entries
    int entrySize = 4;
    qint64 paletteStart = 0;
    qint64 pixelStart = 0;

    int rows() const { return height < 0 ? -height : height; }
    qint64 paletteEnd() const { return paletteStart + colours * entrySize; }
    qint64 rowBytes() const { return (qint64(width) * bits + 31) / 32 * 4; }
    qint64 pixelEnd() const { return pixelStart + rowBytes() * rows(); }
    bool rle() const { return compression == 1 || compression == 2; }
};

// Qt's BMP reader refuses a header claiming more than 16384 x 16384 pixels without saying
// why and gives no size for it, leaves the rows past the end of a cut file unset, and the
// pixels an RLE stream skips: the loader reads the layout from the header itself.
std::optional<BmpLayout> bmpLayout(QIODevice& device) {
    const QByteArray h = device.peek(54);
    if (h.size() < 26 || !h.startsWith("BM"))
        return std::nullopt;
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(h.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(h.constData() + at); };
    BmpLayout bmp;
    const quint32 infoSize = u32(14);
    quint32 paletteSize = 0;
    if (infoSize == 12) { // BITMAPCOREHEADER: 16-bit width and height, 3-byte palette entries
        bmp.width = u16(18);
        bmp.height = u16(20);
        bmp.bits = u16(24);
        bmp.entrySize = 3;
    } else if (infoSize >= 40) {
        bmp.width = qFromLittleEndian<qint32>(h.constData() + 18);
        bmp.height = qFromLittleEndian<qint32>(h.constData() + 22);
        if (h.size() == 54) {
            bmp.bits = u16(28);
            bmp.compression = u32(30);
            paletteSize = u32(46);
        }
    } else {
        return std::nullopt;
    }
    if (bmp.width <= 0 || bmp.height == 0 || bmp.height == INT_MIN)
        return std::nullopt;
    // Only the depths a BMP can have; any other is Qt's to refuse.
    static constexpr int depths[] = {1, 4, 8, 16, 24, 32};
    if (h.size() == 54 || infoSize == 12)
        if (std::find(std::begin(depths), std::end(depths), bmp.bits) == std::end(depths))
            return std::nullopt;
    // Colour masks follow a short header when the pixels are bit fields.
    qint64 masks = 0;
    if (infoSize < 108 && (bmp.compression == 3 || bmp.compression == 6) &&
        (bmp.bits == 16 || bmp.bits == 32))
        masks = bmp.compression == 6 ? 16 : 12;
    if (bmp.bits >= 1 && bmp.bits <= 8)
        bmp.colours = paletteSize != 0 ? qint64(paletteSize) : qint64(1) << bmp.bits;
    bmp.paletteStart = 14 + qint64(infoSize) + masks;
    bmp.pixelStart = qMax<qint64>(u32(10), bmp.paletteEnd());
    return bmp;
}

// Decodes an RLE8 or RLE4 stream into `image` (rows as stored, bottom up unless `topDown`).
// Pixels it skips keep their value. Returns false when the data ends before the end-of-bitmap
// mark while pixels remain.
bool decodeRle(const QByteArray& data, int bits, QImage& image, bool topDown) {
    const int width = image.width();
    const int height = image.height();
    int x = 0;
    int y = 0; // in stored order
    // x never passes the width, so no run of codes can make it overflow.
    const auto put = [&](int index) {
        if (x >= width)
            return;
        if (y < height)
            image.scanLine(topDown ? y : height - 1 - y)[x] = uchar(index);
        ++x;
    };
    const auto byte = [&](qsizetype at) { return quint8(data[at]); };
    const auto nibble = [](quint8 b, int n) { return n % 2 == 0 ? b >> 4 : b & 0x0F; };
    qsizetype i = 0;
    while (y < height) {
        if (i + 2 > data.size())
            return y == height - 1 && x >= width;
        const int count = byte(i);
        const int code = byte(i + 1);
        i += 2;
        if (count > 0) { // a run of one index (RLE4: two alternating)
            for (int n = 0; n < count && x < width; ++n)
                put(bits == 8 ? code : nibble(quint8(code), n));
            continue;
        }
        if (code == 0) { // end of line
            x = 0;
            ++y;
        } else if (code == 1) { // end of bitmap
            return true;
        } else if (code == 2) { // jump right and up
            if (i + 2 > data.size())
                return false;
            x = std::min(width, x + byte(i));
            y += byte(i + 1);
            i += 2;
        } else { // `code` literal indices, padded to an even number of bytes
            const qsizetype bytes = bits == 8 ? code : (code + 1) / 2;
            for (int n = 0; n < code; ++n) {
                const qsizetype at = i + (bits == 8 ? n : n / 2);
                if (at >= data.size())
                    return false;
                put(bits == 8 ? byte(at) : nibble(byte(at), n));
            }
            i += bytes + (bytes & 1);
        }
    }
    return true;
}

// An RLE BMP, decoded here: Qt's reader leaves the pixels a stream skips unset and refuses a
// stream cut in a literal run. Skipped and missing pixels take palette entry 0. Nothing when
// the header or palette is unusable, for Qt's reader to say why.
std::optional<QImage> readRleBmp(QIODevice& device, const BmpLayout& bmp, bool& partial) {
    if (!(bmp.bits == 8 && bmp.compression == 1) && !(bmp.bits == 4 && bmp.compression == 2))
        return std::nullopt;
    if (bmp.colours > 256 || !device.seek(bmp.paletteStart))
        return std::nullopt;
    const QByteArray palette = device.read(bmp.colours * bmp.entrySize);
    if (palette.size() != bmp.colours * bmp.entrySize)
        return std::nullopt;
    QImage image(bmp.width, bmp.rows(), QImage::Format_Indexed8);
    if (image.isNull())
        return QImage();
    QList<QRgb> table;
    for (qsizetype i = 0; i < bmp.colours; ++i) {
        const char* entry = palette.constData() + i * bmp.entrySize;
        table.append(qRgb(quint8(entry[2]), quint8(entry[1]), quint8(entry[0])));
    }
    image.setColorTable(table);
    image.fill(0);
    const QByteArray data = device.seek(bmp.pixelStart) ? device.readAll() : QByteArray();
    partial = !decodeRle(data, bmp.bits, image, bmp.height < 0);
    return image;
}

// The file with the pixel bytes it lacks added as zeros, so that Qt's reader fills every row,
// or nothing when the header or palette is cut too (Qt's reader refuses those).
std::optional<QByteArray> paddedBmp(QIODevice& device, const BmpLayout& bmp) {
    if (!device.seek(0))
        return std::nullopt;
    QByteArray bytes = device.readAll();
    if (bytes.size() < bmp.paletteEnd())
        return std::nullopt;
    qint64 end = bmp.pixelEnd();
    if (bmp.pixelStart > bytes.size()) { // the pixels would start past the end
        qToLittleEndian<quint32>(quint32(bytes.size()), bytes.data() + 10);
        end = bytes.size() + bmp.rowBytes() * bmp.rows();
    }
    // Never more padding than the pixels the loader would accept.
    if (end - bytes.size() > MaxDecodedBytes)
        return std::nullopt;
    bytes.append(end - bytes.size(), '\0');
    return bytes;
}

int readFromDevice(GifFileType* gif, GifByteType* data, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return int(qMax<qint64>(0, device->read(reinterpret_cast<char*>(data), length)));
}

// The logical screen grown to hold the first frame, which Qt's GIF reader may make: the
// header's screen alone would let a small file claim a large frame. Invalid when the file ends
// before the first frame's descriptor.
QSize gifCanvas(QIODevice& device) {
    if (!device.seek(0))
        return {};
    const auto byte = [&device]() -> int {
        char c = 0;
        return device.getChar(&c) ? int(quint8(c)) : -1;
    };
    const auto word = [&byte]() {
        const int low = byte(), high = byte();
        return low < 0 || high < 0 ? -1 : low | (high << 8);
    };
    const auto skip = [&device](qint64 n) { return device.skip(n) == n; };
    if (!skip(6))
        return {};
    const int width = word(), height = word(), flags = byte();
    if (width < 0 || height < 0 || flags < 0 || !skip(2) ||
        ((flags & 0x80) && !skip(3 * (qint64(2) << (flags & 7)))))
        return {};
    for (;;) {
        const int introducer = byte();
        if (introducer == 0x21) { // an extension: its label, then sub-blocks up to an empty one
            if (byte() < 0)
                return {};
            for (int size = byte(); size > 0; size = byte())
                if (!skip(size))
                    return {};
            continue;
        }
        if (introducer != 0x2C)
            return {};
        const int left = word(), top = word(), frameWidth = word(), frameHeight = word();
        if (frameHeight < 0)
            return {};
        return QSize(std::max(width, left + frameWidth), std::max(height, top + frameHeight));
    }
}

// Qt's GIF reader shows what it decoded of a cut or damaged first frame without a word: giflib
// reads that frame through to tell whether all of it is there.
bool gifFirstFrameComplete(QIODevice& device) {
    if (!device.seek(0))
        return false;
    int error = 0;
    GifFileType* gif = DGifOpen(&device, readFromDevice, &error);
    if (!gif)
        return false;
    bool complete = false;
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    while (DGifGetRecordType(gif, &record) == GIF_OK) {
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            bool ok = DGifGetExtension(gif, &code, &extension) == GIF_OK;
            while (ok && extension)
                ok = DGifGetExtensionNext(gif, &extension) == GIF_OK;
            if (!ok)
                break;
        } else {
            if (record == IMAGE_DESC_RECORD_TYPE && DGifGetImageDesc(gif) == GIF_OK) {
                const int width = gif->Image.Width;
                std::vector<GifPixelType> line(size_t(qMax(width, 1)));
                complete = true;
                for (int y = 0; complete && y < gif->Image.Height; ++y)
                    complete = DGifGetLine(gif, line.data(), width) == GIF_OK;
            }
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return complete;
}

// Qt's JPEG reader shows what it decoded of a cut or damaged file and tells of the damage only
// in libjpeg's warnings, which it logs under this category. While an object of this class
// lives, the category's messages from the calling thread are collected instead of printed
// (even where logging rules would silence them); everything else goes where it went before.
class JpegMessages {
public:
    JpegMessages() : m_lock(&s_mutex) {
        t_collector = this;
        s_previousHandler = qInstallMessageHandler(handle);
        // Installing runs the filter over every category at once; until the previous filter
        // is known, it only enables this category and leaves the others as they are.
        s_previousFilter = nullptr;
        s_previousFilter = QLoggingCategory::installFilter(enable);
    }
    ~JpegMessages() {
        QLoggingCategory::installFilter(s_previousFilter.load());
        qInstallMessageHandler(s_previousHandler.load());
        t_collector = nullptr;
    }
    JpegMessages(const JpegMessages&) = delete;
    JpegMessages& operator=(const JpegMessages&) = delete;

    // libjpeg's warnings that pixels were lost: the data ended early or could not be decoded.
    bool pixelsLost() const {
        static const char* const lost[] = {"premature end", "bad Huffman code",
                                           "bad arithmetic code", "instead of RST"};
        for (const QString& message : m_messages)
            for (const char* words : lost)
                if (message.contains(QLatin1String(words), Qt::CaseInsensitive))
                    return true;
        return false;
    }

private:
    static constexpr char Category[] = "qt.gui.imageio.jpeg";

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (t_collector && context.category && qstrcmp(context.category, Category) == 0) {
            t_collector->m_messages.append(text);
            return;
        }
        if (const QtMessageHandler previous = s_previousHandler.load())
            previous(type, context, text);
    }
    static void enable(QLoggingCategory* category) {
        if (const QLoggingCategory::CategoryFilter previous = s_previousFilter.load())
            previous(category);
        if (qstrcmp(category->categoryName(), Category) == 0)
            category->setEnabled(QtWarningMsg, true);
    }

    static inline QMutex s_mutex;
    static inline std::atomic<QtMessageHandler> s_previousHandler = nullptr;
    static inline std::atomic<QLoggingCategory::CategoryFilter> s_previousFilter = nullptr;
    static inline thread_local JpegMessages* t_collector = nullptr;

    QMutexLocker<QMutex> m_lock;
    QStringList m_messages;
};

// The device the encoders write to. Qt's file device reports a write the disk takes only in
// part as a bare failure ("Unknown error"), and QSaveFile commits a file whose last buffered
// bytes never reached the disk. This one buffers itself and writes to an unbuffered file,
// repeating a short write for the rest so that the system says why it failed. After a failure
// it drops what follows instead of refusing it: the encoders finish normally (Qt's PNG and
// JPEG writers leak and log noise when a write fails) and finish() reports the reason.
class WriteThrough : public QIODevice {
public:
    explicit WriteThrough(QFileDevice& file) : m_file(file) {
        m_buffer.reserve(2 * ChunkSize);
        open(QIODevice::WriteOnly);
    }

    bool isSequential() const override { return true; }
    // Writes out what is buffered; false, with the reason, when anything failed to reach the
    // file.
    bool finish() { return drain(); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        if (!m_failed) {
            m_buffer.append(data, length);
            if (m_buffer.size() >= ChunkSize)
                drain();
        }
        return length;
    }

private:
    static constexpr qsizetype ChunkSize = 1 << 16;

    bool drain() {
        qsizetype done = 0;
        while (!m_failed && done < m_buffer.size()) {
            const qint64 written =
                m_file.write(m_buffer.constData() + done, m_buffer.size() - done);
            if (written > 0) {
                done += written;
            } else {
                m_failed = true;
                setErrorString(m_file.errorString());
            }
        }
        // Emptied, not released: the next chunk reuses the memory (allocating and freeing it
        // per chunk moves the heap's end each time, which is slow on some machines).
        m_buffer.resize(0);
        return !m_failed;
    }

    QFileDevice& m_file;
    QByteArray m_buffer;
    bool m_failed = false;
};

// A 24-bit image as a bottom-up 24-bit BMP, the bytes Qt's writer gives for it. Qt's writer
// first converts the whole image to 32 bits; this writes row by row from the image itself.
bool writeBmp24(const QImage& rgb, QIODevice& out) {
    const int w = rgb.width(), h = rgb.height();
    const quint32 rowBytes = (quint32(w) * 3 + 3) & ~3u;
    const quint32 pixelBytes = rowBytes * quint32(h);
    QByteArray header(54, '\0');
    const auto put = [&header](int at, quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header[at + i] = char((value >> (8 * i)) & 0xFF);
    };
    header[0] = 'B';
    header[1] = 'M';
    put(2, 54 + pixelBytes, 4); // file size
    put(10, 54, 4);             // pixel offset
    put(14, 40, 4);             // info header size
    put(18, quint32(w), 4);
    put(22, quint32(h), 4); // positive: bottom-up
    put(26, 1, 2);          // planes
    put(28, 24, 2);         // bits per pixel
    put(34, pixelBytes, 4);
    put(38, quint32(rgb.dotsPerMeterX()), 4);
    put(42, quint32(rgb.dotsPerMeterY()), 4);
    if (out.write(header) != header.size())
        return false;
    QByteArray row(qsizetype(rowBytes), '\0');
    auto* bgr = reinterpret_cast<uchar*>(row.data());
    for (int y = h - 1; y >= 0; --y) {
        const uchar* in = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            bgr[3 * x] = in[3 * x + 2];
            bgr[3 * x + 1] = in[3 * x + 1];
            bgr[3 * x + 2] = in[3 * x];
        }
        if (out.write(row) != row.size())
            return false;
    }
    return true;
}

} // namespace

ImageType imageTypeForPath(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    if (ext == QLatin1String("png"))
        return ImageType::Png;
    if (ext == QLatin1String("gif"))
        return ImageType::Gif;
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg") ||
        ext == QLatin1String("jpe") || ext == QLatin1String("jfif"))
        return ImageType::Jpeg;
    if (ext == QLatin1String("webp"))
        return ImageType::Webp;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return ImageType::Tiff;
    return ImageType::Bmp;
}

std::optional<TiffCompression> tiffCompressionNamed(const QString& name) {
    for (const TiffCompression c : {TiffCompression::None, TiffCompression::Lzw})
        if (name.compare(tiffCompressionName(c), Qt::CaseInsensitive) == 0)
            return c;
    return std::nullopt;
}

QString tiffCompressionName(TiffCompression compression) {
    return compression == TiffCompression::None ? QStringLiteral("none") : QStringLiteral("lzw");
}

LoadedImage loadImageFile(const QString& path, LoadWidth width) {
    LoadedImage result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = openError(info.fileName(), QStringLiteral("the file does not exist"));
        return result;
    }
    if (info.isDir()) {
        result.error = openError(info.fileName(), QStringLiteral("it is a folder"));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = openError(info.fileName(), file.errorString());
        return result;
    }
    return loadImage(file, info.fileName(), width);
}

LoadedImage loadImage(QIODevice& file, const QString& name, LoadWidth width) {
    LoadedImage result;
    const std::optional<BmpLayout> bmp = bmpLayout(file);
    if (file.peek(8) == QByteArray("\x89PNG\r\n\x1a\n", 8)) {
        const bool fits = pngChunksFit(file);
        if (!file.seek(0)) {
            result.error = openError(name, file.errorString());
            return result;
        }
        if (!fits) {
            result.error = openError(
                name, QStringLiteral("the file is damaged (a part of it claims more bytes than "
                                     "the file holds)"));
            return result;
        }
    }
    // The kind of image is told by the content alone, never by the name.
    QByteArray format;
    // The header's claim is checked before a pixel is allocated, at the bytes per pixel the
    // decoder will produce (16-bit PNGs decode to eight); Qt's own limit (128 MB by default)
    // is raised to ours so that every image within it opens.
    QSize claimed;
    qint64 bytesPerPixel = 4;
    {
        QImageReader probe(&file);
        probe.setDecideFormatFromContent(true);
        probe.setAutoTransform(false);
        format = probe.format();
        claimed = probe.size();
        // A reader that could not read the header may leave the pixel format undefined.
        const QImage::Format decodedFormat = probe.imageFormat();
        if (claimed.isValid() && decodedFormat > QImage::Format_Invalid &&
            decodedFormat < QImage::NImageFormats)
            bytesPerPixel =
                std::max<qint64>(4, QImage::toPixelFormat(decodedFormat).bitsPerPixel() / 8);
    }
    if (format == "gif") {
        const QSize canvas = gifCanvas(file);
        if (canvas.isValid())
            claimed = claimed.isValid() ? claimed.expandedTo(canvas) : canvas;
    }
    if (bmp)
        format = "bmp";
    if (!isSupportedFormat(format)) {
        result.error = openError(name, QStringLiteral("Unsupported image format"));
        return result;
    }
    if (!claimed.isValid() && bmp)
        claimed = QSize(bmp->width, bmp->rows());
    if (claimed.isValid() &&
        qint64(claimed.width()) * claimed.height() > MaxDecodedBytes / bytesPerPixel) {
        result.error = openError(name, QStringLiteral("the image is too large (%1 x %2 pixels; "
                                                      "at most 1 GiB of pixels can be opened)")
                                           .arg(claimed.width())
                                           .arg(claimed.height()));
        return result;
    }
    if (format == "jpeg") {
        const int scans = file.seek(0) ? jpegScanCount(file, MaxJpegScans) : 0;
        if (scans > MaxJpegScans) {
            result.error =
                openError(name, QStringLiteral("the JPEG image has too many scans (more than %1)")
                                    .arg(MaxJpegScans));
            return result;
        }
        if (!file.seek(0)) {
            result.error = openError(name, file.errorString());
            return result;
        }
    }
    QImageReader::setAllocationLimit(int(MaxDecodedBytes >> 20));

    QImage decoded;
    bool partial = false;
    std::optional<QImage> rle;
    if (bmp && bmp->rle())
        rle = readRleBmp(file, *bmp, partial);
    if (rle) {
        decoded = *rle;
    } else {
        QByteArray padded;
        QBuffer paddedDevice(&padded);
        QIODevice* source = &file;
        if (bmp && file.size() < bmp->pixelEnd()) {
            if (std::optional<QByteArray> bytes = paddedBmp(file, *bmp)) {
                padded = *bytes;
                paddedDevice.open(QIODevice::ReadOnly);
                source = &paddedDevice;
                partial = true;
            }
        }
        if (!file.seek(0)) {
            result.error = openError(name, file.errorString());
            return result;
        }
        QImageReader reader(source, format);
        reader.setAutoTransform(false);
        std::optional<JpegMessages> jpegMessages;
        if (format == "jpeg")
            jpegMessages.emplace();
        // Decoding into memory made here lets a large image use large pages; the reader
        // makes its own when the format or size it reports turns out different.
        const QSize size = reader.size();
        const QImage::Format decodedFormat =
            size.isValid() ? reader.imageFormat() : QImage::Format_Invalid;
        if (decodedFormat > QImage::Format_Invalid && decodedFormat < QImage::NImageFormats)
            decoded = allocateImage(size.width(), size.height(), decodedFormat);
        if (!reader.read(&decoded)) {
            // A failed read may have written part of the image or nothing: decode again as
            // Qt alone would, so that a damaged file gives what it always gave.
            if (!source->seek(0)) {
                result.error = openError(name, source->errorString());
                return result;
            }
            QImageReader again(source, format);
            again.setAutoTransform(false);
            decoded = again.read();
            if (decoded.isNull()) {
                result.error = openError(name, again.errorString());
                return result;
            }
        }
        if (jpegMessages)
            partial = jpegMessages->pixelsLost();
        else if (format == "gif")
            partial = !gifFirstFrameComplete(file);
    }
    if (decoded.isNull()) {
        result.error = openError(name, QStringLiteral("not enough memory"));
        return result;
    }
    // A resolution that is not positive is none: the encoders that write one would refuse it.
    if (decoded.dotsPerMeterX() <= 0 || decoded.dotsPerMeterY() <= 0) {
        const QImage fresh(1, 1, decoded.format());
        decoded.setDotsPerMeterX(fresh.dotsPerMeterX());
        decoded.setDotsPerMeterY(fresh.dotsPerMeterY());
    }
    if (width == LoadWidth::Wide && decoded.format() == QImage::Format_RGB32) {
        // Opaque 32-bit pixels are valid straight ARGB as they stand.
        decoded.reinterpretAsFormat(QImage::Format_ARGB32);
        result.bitmap = std::make_unique<Bitmap>(std::move(decoded), PixelFormat::ARGB32);
        result.wideRgb24 = true;
    } else {
        result.bitmap = Bitmap::fromImage(std::move(decoded));
    }
    if (!result.bitmap)
        result.error = openError(name, QStringLiteral("not enough memory"));
    else if (partial)
        result.warning = partWarning(name);
    return result;
}

QString saveImageFile(const Bitmap& bitmap, const QString& path, const SaveOptions& options) {
    if (bitmap.isNull())
        return saveError(path, QStringLiteral("there is no image"));
    const QFileInfo target(path);
    if (target.isDir())
        return saveError(path, QStringLiteral("it is a folder"));
    // The temporary file is renamed over the target, which the folder's permissions allow
    // even for a read-only file: honour the file's own permission first. WriteUser comes from
    // access(), which lets root write anything, so a file without any write bit counts too.
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (target.exists() &&
        (!(target.permissions() & QFileDevice::WriteUser) || !(target.permissions() & anyWrite)))
        return saveError(path, QStringLiteral("the file is read-only"));
    // The WebP format cannot hold a side longer than this; its encoder says only "unknown".
    constexpr int MaxWebpSide = 16383;
    if (imageTypeForPath(path) == ImageType::Webp &&
        (bitmap.width() > MaxWebpSide || bitmap.height() > MaxWebpSide))
        return saveError(
            path, QStringLiteral("a WebP image can be at most %1 x %1 pixels").arg(MaxWebpSide));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return saveError(path, file.errorString());
    WriteThrough out(file);
    const ImageType type = imageTypeForPath(path);
    QString reason;
    if (type == ImageType::Gif) {
        reason = writeGif(bitmap.image(), out);
    } else if (type == ImageType::Bmp && bitmap.image().format() == QImage::Format_RGB888) {
        if (!writeBmp24(bitmap.image(), out))
            reason = out.errorString();
    } else {
        // The TIFF encoder seeks back to write its directory: it writes to memory first.
        QByteArray encoded;
        QBuffer memory(&encoded);
        if (type == ImageType::Tiff)
            memory.open(QIODevice::WriteOnly);
        QImageWriter writer(type == ImageType::Tiff ? static_cast<QIODevice*>(&memory) : &out,
                            qtFormat(type));
        if (type == ImageType::Jpeg)
            writer.setQuality(JpegQuality);
        else if (type == ImageType::Webp)
            writer.setQuality(std::clamp(options.webpQuality, 1, 100)); // 100: lossless
        else if (type == ImageType::Tiff)
            writer.setCompression(options.tiffCompression == TiffCompression::Lzw ? 1 : 0);
        if (!writer.write(bitmap.image()))
            reason = writer.errorString();
        else if (type == ImageType::Tiff)
            out.write(encoded);
    }
    if (!out.finish())
        reason = out.errorString();
    if (!reason.isEmpty()) {
        file.cancelWriting();
        return saveError(path, reason);
    }
    if (!file.commit())
        return saveError(path, file.errorString());
    return {};
}

} // namespace vantrel
