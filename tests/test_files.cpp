// Image files: what the loader makes of each format (and of damaged or oversized files), the
// encoder each name selects, the saver's failure paths (a full disk included), and the
// document's Open, Save and Save As.

#include "ScriptedHost.h"
#include "document/CVantrelDoc.h"
#include "imaging/ImageFile.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <array>
#include <cerrno>
#include <malloc.h>
#include <optional>
#include <sys/mount.h>

using vantrel::Bitmap;
using vantrel::CVantrelDoc;
using vantrel::ImageType;
using vantrel::PixelFormat;
using vantrel::SaveOptions;
using vantrel::TiffCompression;
using UserAnswer = vantrel::UserPrompt::Answer;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList listing(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// An image of distinct colours (every pixel differs from its neighbours) in `format`.
QImage pattern(int width, int height, QImage::Format format = QImage::Format_RGB888) {
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, qRgb(x * 37 % 256, y * 59 % 256, (x * 13 + y * 101) % 256));
    return img.convertToFormat(format);
}

// Random opaque pixels: every encoder's output stays about as large as the pixels.
QImage noise(int width, int height) {
    QImage img(width, height, QImage::Format_RGB888);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.setPixel(x, y, random.generate() | 0xFF000000u);
    return img;
}

// The first pixel where `bitmap` differs from `expected`, or an empty string. Where the
// expected alpha is 0 only the alpha is compared.
QString firstDifference(const Bitmap& bitmap, const QImage& expected) {
    if (bitmap.size() != expected.size())
        return QStringLiteral("size %1x%2").arg(bitmap.width()).arg(bitmap.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb want = expected.pixel(x, y);
            const QRgb got = bitmap.pixel(x, y);
            if (qAlpha(want) == 0 ? qAlpha(got) != 0 : got != want)
                return QStringLiteral("pixel (%1,%2): %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(got, 8, 16, QLatin1Char('0'))
                    .arg(want, 8, 16, QLatin1Char('0'));
        }
    return {};
}

quint32 crc32(const QByteArray& data) {
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (const char byte : data)
        c = table[(c ^ quint8(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

QByteArray be32(quint32 v) {
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type) + data;
    return be32(quint32(data.size())) + body + be32(crc32(body));
}

// A 24-bit PNG whose header claims `width` x `height` pixels, with a tiny image data chunk.
QByteArray pngClaiming(quint32 width, quint32 height, char bitDepth = 8) {
    const QByteArray ihdr =
        be32(width) + be32(height) + bitDepth + QByteArray("\x02\x00\x00\x00", 4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) +
           pngChunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4)) + pngChunk("IEND", {});
}

// A one-strip, 8-bit RGB TIFF of `rgb` compressed with Deflate, which Qt cannot write.
QByteArray deflateTiff(const QImage& rgb) {
    QByteArray pixels;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            pixels += char(qRed(c)), pixels += char(qGreen(c)), pixels += char(qBlue(c));
        }
    const QByteArray strip = qCompress(pixels).mid(4); // a zlib stream
    QByteArray b("II*\0", 4);
    const auto u16 = [&b](quint16 v) { b += char(v & 0xFF), b += char(v >> 8); };
    const auto u32 = [&](quint32 v) { u16(quint16(v & 0xFFFF)), u16(quint16(v >> 16)); };
    constexpr quint16 Tags = 9;
    const quint32 bitsAt = 8 + 2 + Tags * 12 + 4, stripAt = bitsAt + 6;
    u32(8);
    u16(Tags);
    const auto tag = [&](quint16 id, quint16 type, quint32 count, quint32 value) {
        u16(id), u16(type), u32(count), u32(value);
    };
    tag(256, 4, 1, quint32(rgb.width()));
    tag(257, 4, 1, quint32(rgb.height()));
    tag(258, 3, 3, bitsAt);
    tag(259, 3, 1, 8); // Deflate
    tag(262, 3, 1, 2); // RGB
    tag(273, 4, 1, stripAt);
    tag(277, 3, 1, 3);
    tag(278, 4, 1, quint32(rgb.height()));
    tag(279, 4, 1, quint32(strip.size()));
    u32(0);
    u16(8), u16(8), u16(8);
    return b + strip;
}

// A progressive JPEG whose last scan is repeated until it has more than `scans` scans.
QByteArray jpegWithScans(int scans) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(pattern(16, 16)))
        return {};
    const qsizetype lastScan = bytes.lastIndexOf("\xFF\xDA");
    const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan); // without EOI
    const int present = int(bytes.count("\xFF\xDA"));
    return bytes.left(bytes.size() - 2) + scan.repeated(std::max(0, scans + 1 - present)) +
           QByteArray("\xFF\xD9", 2);
}

// A 24-bit BMP of 3 x 2 pixels whose header claims `width` x `height` pixels.
QByteArray bmpClaiming(qint32 width, qint32 height) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pattern(3, 2).save(&buffer, "bmp");
    qToLittleEndian(width, bytes.data() + 18);
    qToLittleEndian(height, bytes.data() + 22);
    return bytes;
}

// A BMP with a 40-byte header, `palette` and the RLE8 (`bits` 8) or RLE4 (`bits` 4) `data`.
QByteArray rleBmp(int width, int height, int bits, const QList<QRgb>& palette,
                  const QByteArray& data) {
    const int offset = 14 + 40 + 4 * int(palette.size());
    QByteArray b(offset, '\0');
    b[0] = 'B';
    b[1] = 'M';
    qToLittleEndian<quint32>(quint32(offset + data.size()), b.data() + 2);
    qToLittleEndian<quint32>(quint32(offset), b.data() + 10);
    qToLittleEndian<quint32>(40, b.data() + 14);
    qToLittleEndian<qint32>(width, b.data() + 18);
    qToLittleEndian<qint32>(height, b.data() + 22);
    qToLittleEndian<quint16>(1, b.data() + 26);
    qToLittleEndian<quint16>(quint16(bits), b.data() + 28);
    qToLittleEndian<quint32>(bits == 8 ? 1 : 2, b.data() + 30);
    qToLittleEndian<quint32>(quint32(data.size()), b.data() + 34);
    qToLittleEndian<quint32>(quint32(palette.size()), b.data() + 46);
    for (int i = 0; i < palette.size(); ++i)
        qToLittleEndian<quint32>(palette[i] & 0xFFFFFFu, b.data() + 54 + 4 * i);
    return b + data;
}

// An image from rows of palette indices ("0120" per row, top row first).
QImage fromIndices(const QList<QRgb>& palette, const QStringList& rows) {
    QImage img(int(rows.first().size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, palette[rows[y][x].digitValue()]);
    return img;
}

// A tmpfs of 256 KiB mounted on `path` while the object lives, for filling a disk. Mounting
// needs privileges; `error` says why it could not be done.
struct SmallDisk {
    QString path;
    QString error;
    explicit SmallDisk(const QString& where) : path(where) {
        if (!QDir().mkpath(path))
            error = QStringLiteral("cannot make %1").arg(path);
        else if (::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs",
                         MS_NOSUID | MS_NODEV, "size=256k") != 0)
            error = QStringLiteral("cannot mount a tmpfs (%1)").arg(qt_error_string(errno));
    }
    ~SmallDisk() {
        if (error.isEmpty())
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
    // Fills the disk up to the last `freeBytes` (a multiple of the page size).
    bool fill(qint64 freeBytes) const {
        QFile filler(path + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray page(4096, 'x');
        while (filler.write(page) == page.size()) {
        }
        return filler.resize(filler.size() - freeBytes);
    }
};

QByteArray saveToBytes(const Bitmap& bitmap, const QString& path) {
    const QString error = vantrel::saveImageFile(bitmap, path);
    return error.isEmpty() ? readBytes(path) : QByteArray();
}

// A document holding a white 6 x 5 image, as made by the New step.
struct Doc {
    ScriptedHost host;
    CVantrelDoc doc{host};
    Doc() {
        host.user.sizes.push_back(QSize(6, 5));
        doc.onNewDocument();
    }
};

// What becomes of a damaged file: it is refused, it opens whole, or it opens with a warning.
enum Damage { Fails, Whole, Partial };

QString partWarning(const QString& name) {
    return QStringLiteral("Part of %1 could not be read; the image may be incomplete.").arg(name);
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir.emplace(); // a fresh folder for every test function and row
        QVERIFY(dir->isValid());
    }

    void bmp24LoadsWithoutShear() {
        const QImage source = pattern(3, 2);
        const QString path = dir->filePath(QStringLiteral("three.bmp"));
        QVERIFY(source.save(path, "bmp"));
        const QByteArray bytes = readBytes(path);
        QCOMPARE(quint8(bytes.at(28)), quint8(24)); // 24 bits per pixel
        QCOMPARE(bytes.size(), 54 + 2 * 12);        // rows padded from 9 to 12 bytes
        const auto loaded = vantrel::loadImageFile(path);
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        QCOMPARE(loaded.bitmap->format(), PixelFormat::RGB24);
        const QString diff = firstDifference(*loaded.bitmap, source);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void loadAndRoundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QImage>("source");
        QTest::addColumn<bool>("projectWriter"); // written by saveImageFile, else by Qt
        QTest::addColumn<int>("format");

        QImage alpha = pattern(4, 3, QImage::Format_ARGB32);
        alpha.setPixel(0, 0, qRgba(10, 20, 30, 0x80));
        alpha.setPixel(1, 0, qRgba(200, 100, 50, 0x01));
        alpha.setPixel(2, 0, qRgba(0, 0, 0, 0));
        alpha.setPixel(3, 2, qRgba(255, 255, 255, 0xFE));
        QTest::newRow("png with alpha")
            << "alpha.png" << alpha << false << int(PixelFormat::ARGB32);

        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 255), qRgb(20, 200, 20)};
        QImage few(5, 4, QImage::Format_ARGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                few.setPixel(x, y, colours[(x + y) % 3]);
        QTest::newRow("gif opaque") << "opaque.gif" << few << true << int(PixelFormat::RGB24);
        few.setPixel(2, 1, qRgba(0, 0, 0, 0));
        QTest::newRow("gif transparent") << "clear.gif" << few << true << int(PixelFormat::ARGB32);

        QImage indexed(5, 4, QImage::Format_Indexed8);
        indexed.setColorTable({colours[0], colours[1], colours[2]});
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                indexed.setPixel(x, y, uint((x * 2 + y) % 3));
        QTest::newRow("palette png")
            << "palette.png" << indexed << false << int(PixelFormat::RGB24);
        const QImage opaqueIndexed = indexed;
        indexed.setColorTable({colours[0], colours[1], colours[2], qRgba(0, 0, 0, 0)});
        indexed.setPixel(4, 3, 3);
        QTest::newRow("palette png, transparent entry")
            << "palette-alpha.png" << indexed << false << int(PixelFormat::ARGB32);

        QTest::newRow("webp lossless with alpha")
            << "alpha.webp" << alpha << true << int(PixelFormat::ARGB32);
        QTest::newRow("tiff opaque")
            << "opaque.tif" << pattern(6, 5) << false << int(PixelFormat::RGB24);
        // TIFFs keep premultiplied colour: alpha 0 and 255 come back exactly.
        QImage clear = pattern(4, 3, QImage::Format_ARGB32);
        clear.setPixel(1, 1, 0);
        QTest::newRow("tiff with alpha")
            << "clear.tiff" << clear << true << int(PixelFormat::ARGB32);
        QTest::newRow("tiff palette")
            << "palette.tif" << opaqueIndexed << false << int(PixelFormat::RGB24);
        QImage deep(5, 3, QImage::Format_RGBX64);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                deep.setPixelColor(
                    x, y,
                    QColor::fromRgba64(quint16(x * 13000 + 255), quint16(y * 30000 + 128), 40000));
        QTest::newRow("tiff 16 bits a channel")
            << "deep.tif" << deep << false << int(PixelFormat::RGB24);
    }

    // Deflate TIFFs, which other programs write, open.
    void deflateTiffOpens() {
        const QImage rgb = pattern(7, 4).convertToFormat(QImage::Format_RGB32);
        const QString path = dir->filePath(QStringLiteral("deflate.tif"));
        QVERIFY(writeBytes(path, deflateTiff(rgb)));
        const auto loaded = vantrel::loadImageFile(path);
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        const QString diff =
            firstDifference(*loaded.bitmap, rgb.convertToFormat(QImage::Format_ARGB32));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void loadAndRoundTrip() {
        QFETCH(QString, name);
        QFETCH(QImage, source);
        QFETCH(bool, projectWriter);
        QFETCH(int, format);
        const QString path = dir->filePath(name);
        const QImage expected = source.convertToFormat(QImage::Format_ARGB32);
        if (projectWriter)
            QCOMPARE(vantrel::saveImageFile(*Bitmap::fromImage(expected), path), QString());
        else
            QVERIFY(source.save(path));

        // Loading writes nothing to the current folder.
        QTemporaryDir cwd;
        const QString oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(cwd.path()));
        const auto loaded = vantrel::loadImageFile(path);
        QVERIFY(QDir::setCurrent(oldCwd));
        QCOMPARE(listing(cwd.path()), QStringList());

        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        QCOMPARE(loaded.warning, QString());
        QCOMPARE(int(loaded.bitmap->format()), format);
        QString diff = firstDifference(*loaded.bitmap, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));

        // Saved again in the same format and loaded, nothing changes.
        const QString again = dir->filePath(QStringLiteral("again-") + name);
        QCOMPARE(vantrel::saveImageFile(*loaded.bitmap, again), QString());
        const auto reloaded = vantrel::loadImageFile(again);
        QVERIFY2(reloaded.bitmap, qPrintable(reloaded.error));
        QCOMPARE(int(reloaded.bitmap->format()), format);
        diff = firstDifference(*reloaded.bitmap, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void encoderFollowsExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("magic");
        const QByteArray png("\x89PNG\r\n\x1a\n", 8), gif("GIF89a"), jpeg("\xFF\xD8\xFF"),
            bmp("BM");
        QTest::newRow(".png") << "a.png" << int(ImageType::Png) << png;
        QTest::newRow(".PNG") << "b.PNG" << int(ImageType::Png) << png;
        QTest::newRow(".gif") << "c.gif" << int(ImageType::Gif) << gif;
        QTest::newRow(".jpg") << "d.jpg" << int(ImageType::Jpeg) << jpeg;
        QTest::newRow(".JPG") << "e.JPG" << int(ImageType::Jpeg) << jpeg;
        QTest::newRow(".jpeg") << "f.jpeg" << int(ImageType::Jpeg) << jpeg;
        QTest::newRow(".jpe") << "g.jpe" << int(ImageType::Jpeg) << jpeg;
        QTest::newRow(".jfif") << "h.jfif" << int(ImageType::Jpeg) << jpeg;
        QTest::newRow(".bmp") << "i.bmp" << int(ImageType::Bmp) << bmp;
        QTest::newRow(".webp") << "j.webp" << int(ImageType::Webp) << QByteArray("RIFF");
        QTest::newRow(".TIF") << "k.TIF" << int(ImageType::Tiff) << QByteArray("II*\0", 4);
        QTest::newRow(".tiff") << "l.tiff" << int(ImageType::Tiff) << QByteArray("II*\0", 4);
        QTest::newRow("no extension") << "plain" << int(ImageType::Bmp) << bmp;
        QTest::newRow("archive.png.bak") << "archive.png.bak" << int(ImageType::Bmp) << bmp;
    }

    void encoderFollowsExtension() {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QByteArray, magic);
        const QString path = dir->filePath(name);
        QCOMPARE(int(vantrel::imageTypeForPath(path)), type);
        const QByteArray bytes = saveToBytes(*Bitmap::fromImage(pattern(7, 5)), path);
        QCOMPARE(bytes.left(magic.size()), magic);
    }

    // 24-bit BMPs are written row by row by the editor itself: the bytes are those of Qt's
    // writer, for every row padding and a resolution of the image's own.
    void bmp24BytesMatchQt() {
        for (int width = 1; width <= 5; ++width) {
            QImage image = pattern(width, 3).convertToFormat(QImage::Format_RGB888);
            image.setDotsPerMeterX(3780 + width);
            image.setDotsPerMeterY(2835);
            QByteArray expected;
            QBuffer buffer(&expected);
            buffer.open(QIODevice::WriteOnly);
            QVERIFY(QImageWriter(&buffer, "bmp").write(image));
            const Bitmap bitmap(image, PixelFormat::RGB24);
            QCOMPARE(saveToBytes(bitmap, dir->filePath(QStringLiteral("w.bmp"))), expected);
        }
    }

    // A picture wider than WebP allows is refused by name, and no file is left.
    void webpSideLimit() {
        const Bitmap wide(16384, 1, PixelFormat::RGB24);
        const QString path = dir->filePath(QStringLiteral("wide.webp"));
        QCOMPARE(vantrel::saveImageFile(wide, path),
                 QStringLiteral("Cannot save wide.webp: a WebP image can be at most 16383 x 16383 "
                                "pixels"));
        QVERIFY(!QFileInfo::exists(path));
    }

    void jpegQuality75() {
        const auto bitmap = Bitmap::fromImage(pattern(40, 30));
        const QByteArray saved = saveToBytes(*bitmap, dir->filePath(QStringLiteral("q.jpg")));
        const auto encode = [&](int quality) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(quality);
            return writer.write(bitmap->image()) ? bytes : QByteArray();
        };
        QVERIFY(!saved.isEmpty());
        QCOMPARE(saved, encode(75));
        QVERIFY(saved != encode(90)); // the comparison tells qualities apart
    }

    void indexedStaysIndexed() {
        const QList<QRgb> palette = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(1, 2, 3),
                                     qRgb(250, 240, 10)};
        QImage image(6, 4, QImage::Format_Indexed8);
        image.setColorTable(palette);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                image.setPixel(x, y, uint((x + 3 * y) % 4));
        const Bitmap bitmap(image, PixelFormat::Indexed8);

        const QString png = dir->filePath(QStringLiteral("indexed.png"));
        QCOMPARE(vantrel::saveImageFile(bitmap, png), QString());
        QImageReader pngReader(png);
        const QImage pngBack = pngReader.read();
        QCOMPARE(pngBack.format(), QImage::Format_Indexed8);
        QCOMPARE(pngBack.convertToFormat(QImage::Format_ARGB32),
                 image.convertToFormat(QImage::Format_ARGB32));

        const QString gif = dir->filePath(QStringLiteral("indexed.gif"));
        const QByteArray bytes = saveToBytes(bitmap, gif);
        // The global colour table follows the 13-byte header: the palette itself, in order.
        QVERIFY(bytes.size() > 13 + 12);
        for (int i = 0; i < palette.size(); ++i) {
            const QRgb c = qRgb(quint8(bytes[13 + 3 * i]), quint8(bytes[14 + 3 * i]),
                                quint8(bytes[15 + 3 * i]));
            QCOMPARE(c, palette[i]);
        }
        QCOMPARE(QImage(gif).convertToFormat(QImage::Format_ARGB32),
                 image.convertToFormat(QImage::Format_ARGB32));
    }

    void saveFailures_data() {
        QTest::addColumn<QString>("path"); // "%1" is the temporary folder
        QTest::addColumn<bool>("oldFile"); // an existing file at the path must survive
        QTest::newRow("unwritable folder") << "/proc/vantrel-test.png" << false;
        QTest::newRow("missing folder") << "%1/missing/x.png" << false;
        QTest::newRow("read-only file") << "%1/readonly.png" << true;
        QTest::newRow("target is a folder") << "%1/folder.png" << false;
    }

    void saveFailures() {
        QFETCH(QString, path);
        QFETCH(bool, oldFile);
        path.replace(QLatin1String("%1"), dir->path());
        const QFileInfo target(path);
        const QByteArray oldBytes("old contents");
        if (oldFile) {
            QVERIFY(writeBytes(path, oldBytes));
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                    QFileDevice::ReadOther));
        } else if (target.fileName() == QLatin1String("folder.png")) {
            QVERIFY(QDir().mkpath(path));
        }
        // The folder, or for /proc whatever starts with the name (a temporary file would).
        const bool proc = target.path() == QLatin1String("/proc");
        const auto folder = [&] {
            return proc ? QDir(target.path()).entryList({target.fileName() + QLatin1Char('*')})
                        : listing(target.path());
        };
        const QStringList before = folder();

        Doc d;
        d.doc.setModifiedFlag(true);
        QVERIFY(!d.doc.onSaveDocument(path));
        QVERIFY(d.doc.isModified());
        QCOMPARE(d.host.user.messages.size(), 1);
        const QString prefix = QStringLiteral("Cannot save %1: ").arg(target.fileName());
        QVERIFY2(d.host.user.messages.first().startsWith(prefix),
                 qPrintable(d.host.user.messages.first()));
        QCOMPARE(folder(), before);
        if (oldFile)
            QCOMPARE(readBytes(path), oldBytes);
        if (QFileInfo(path).isDir())
            QCOMPARE(listing(path), QStringList());

        // A successful save clears the flag and says nothing.
        const QString good = dir->filePath(QStringLiteral("good.png"));
        QVERIFY(d.doc.onSaveDocument(good));
        QVERIFY(!d.doc.isModified());
        QCOMPARE(d.host.user.messages.size(), 1);
        QVERIFY(vantrel::loadImageFile(good).bitmap);
    }

    void fullDisk_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("side");      // of a square of noise
        QTest::addColumn<int>("freeBytes"); // left on the disk when saving starts
        for (const char* ext : {"bmp", "png", "gif", "jpg"}) {
            const QString name = QStringLiteral("out.") + QLatin1String(ext);
            // A file smaller than the write buffers, and one larger than the space left.
            QTest::addRow("%s, small file, disk full", ext) << name << 32 << 0;
            QTest::addRow("%s, disk fills while writing", ext) << name << 256 << 16384;
        }
    }

    void fullDisk() {
        QFETCH(QString, name);
        QFETCH(int, side);
        QFETCH(int, freeBytes);
        const SmallDisk disk(dir->filePath(QStringLiteral("disk")));
        if (!disk.error.isEmpty())
            QSKIP(qPrintable(disk.error));
        const QString path = disk.path + QLatin1Char('/') + name;
        QVERIFY(writeBytes(path, "old contents"));
        QVERIFY(disk.fill(freeBytes));
        const QStringList before = listing(disk.path);
        const auto bitmap = Bitmap::fromImage(noise(side, side));
        QCOMPARE(vantrel::saveImageFile(*bitmap, path),
                 QStringLiteral("Cannot save %1: No space left on device").arg(name));
        QCOMPARE(readBytes(path), QByteArray("old contents"));
        QCOMPARE(listing(disk.path), before);
    }

    void floatingSelectionIsComposed() {
        Doc d;
        auto selection = std::make_unique<Bitmap>(3, 3, PixelFormat::ARGB32);
        selection->image().fill(qRgb(200, 0, 0));
        selection->setPixel(0, 1, qRgb(0, 0, 250)); // lands on (4, 0)
        selection->setPixel(1, 2, qRgb(0, 90, 0));  // lands on (5, 1)
        d.doc.setFloatingSelection(std::move(selection));
        const QRect at(4, -1, 3, 3); // sticks out right and above
        d.doc.setFloatingRect(vantrel::FloatingRect::fromRect(at));
        d.doc.setSelectionFlag(true);

        const QString path = dir->filePath(QStringLiteral("floating.png"));
        QVERIFY(d.doc.onSaveDocument(path));
        QVERIFY(d.doc.floatingSelection());
        QCOMPARE(d.doc.floatingRect().toRect(), at);
        QCOMPARE(d.doc.floatingSelection()->pixel(1, 2), qRgb(0, 90, 0));

        QImage expected(6, 5, QImage::Format_ARGB32);
        expected.fill(0xFFFFFFFFu);
        const QString docDiff = firstDifference(*d.doc.bitmap(), expected);
        QVERIFY2(docDiff.isEmpty(), qPrintable(docDiff));
        for (int y = 0; y < 2; ++y)
            for (int x = 4; x < 6; ++x)
                expected.setPixel(x, y, qRgb(200, 0, 0));
        expected.setPixel(4, 0, qRgb(0, 0, 250));
        expected.setPixel(5, 1, qRgb(0, 90, 0));
        const auto file = vantrel::loadImageFile(path);
        QVERIFY2(file.bitmap, qPrintable(file.error));
        const QString fileDiff = firstDifference(*file.bitmap, expected);
        QVERIFY2(fileDiff.isEmpty(), qPrintable(fileDiff));
    }

    void saveAs_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("no extension, JPG")
            << "Shot" << 2 << "Shot.jpg" << QByteArray("\xFF\xD8\xFF");
        QTest::newRow("upper-case .JPG kept")
            << "Shot.JPG" << 2 << "Shot.JPG" << QByteArray("\xFF\xD8\xFF");
        QTest::newRow("mixed-case .Png kept")
            << "MyShot.Png" << 1 << "MyShot.Png" << QByteArray("\x89PNG");
        QTest::newRow("other type appended")
            << "Shot.png" << 3 << "Shot.png.gif" << QByteArray("GIF89a");
        QTest::newRow("BMP") << "Shot" << 4 << "Shot.bmp" << QByteArray("BM");
        QTest::newRow("WebP") << "Shot" << 5 << "Shot.webp" << QByteArray("RIFF");
        QTest::newRow("TIFF") << "Shot" << 6 << "Shot.tif" << QByteArray("II*");
        QTest::newRow("TIFF, .tiff kept") << "Shot.TIFF" << 6 << "Shot.TIFF" << QByteArray("II*");
    }

    void saveAs() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, written);
        QFETCH(QByteArray, magic);
        Doc d;
        d.doc.setTitle(QStringLiteral("Bitmap1"));
        d.host.user.savePaths.push_back(dir->filePath(typed));
        d.host.user.saveFilterChoices.push_back(filter);
        QVERIFY(d.doc.doSave(true));
        QCOMPARE(d.host.user.lastSaveStart, QStringLiteral("Bitmap1"));
        QCOMPARE(d.host.user.lastSaveFilter, CVantrelDoc::saveAsFilter());
        QCOMPARE(d.host.user.lastSaveFilterShown, 1);
        const QString path = dir->filePath(written);
        QCOMPARE(readBytes(path).left(magic.size()), magic);
        QCOMPARE(d.doc.pathName(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(d.doc.title(), written);
        QCOMPARE(d.host.user.questions, QStringList());

        // The next Save As opens on the chosen type and the file; cancelling it changes nothing.
        QVERIFY(!d.doc.doSave(true));
        QCOMPARE(d.host.user.lastSaveFilterShown, filter);
        QCOMPARE(d.host.user.lastSaveStart, QFileInfo(path).absoluteFilePath());
        QCOMPARE(d.doc.pathName(), QFileInfo(path).absoluteFilePath());
    }

    // WebP and TIFF ask for their encoder settings once, in Save As; a plain Save reuses them.
    void saveAsAsksEncoderSettings() {
        Doc d;
        d.doc.bitmap()->setPixel(1, 1, qRgb(10, 20, 30));
        const QString webp = dir->filePath(QStringLiteral("a.webp"));
        d.host.user.savePaths = {webp, webp};
        d.host.user.saveFilterChoices = {5};
        d.host.user.saveOptions = {std::nullopt, SaveOptions{100, TiffCompression::Lzw}};
        QVERIFY(!d.doc.doSave(true));
        QVERIFY(!QFileInfo::exists(webp));
        QVERIFY(d.doc.doSave(true));
        const auto lossless = vantrel::loadImageFile(webp);
        QVERIFY2(lossless.bitmap, qPrintable(lossless.error));
        QCOMPARE(lossless.bitmap->toArgb32().pixel(1, 1), qRgb(10, 20, 30));

        const QString tiff = dir->filePath(QStringLiteral("b.tif"));
        d.host.user.savePaths = {tiff};
        d.host.user.saveFilterChoices = {6};
        d.host.user.saveOptions = {SaveOptions{100, TiffCompression::None}};
        QVERIFY(d.doc.doSave(true));
        QCOMPARE(d.host.user.saveOptionsAsked,
                 (QList<ImageType>{ImageType::Webp, ImageType::Webp, ImageType::Tiff}));
        QVERIFY(QFileInfo(tiff).size() >= 6 * 5 * 3); // uncompressed
        d.doc.setModifiedFlag(true);
        QVERIFY(QFile::remove(tiff));
        QVERIFY(d.doc.doSave(false));
        QCOMPARE(d.host.user.saveOptionsAsked.size(), 3);
        QVERIFY(QFileInfo(tiff).size() >= 6 * 5 * 3);
    }

    void saveAsOverExistingFile() {
        const QString path = dir->filePath(QStringLiteral("taken.png"));
        QVERIFY(writeBytes(path, "old"));
        Doc d;
        d.doc.setModifiedFlag(true);
        d.host.user.savePaths = {path, path};
        d.host.user.answers = {UserAnswer::No, UserAnswer::Yes};
        QVERIFY(!d.doc.doSave(true));
        QCOMPARE(d.host.user.questions.size(), 1);
        QVERIFY(d.host.user.questions.first().contains(QLatin1String("already exists")));
        QCOMPARE(readBytes(path), QByteArray("old"));
        QVERIFY(d.doc.isModified());
        QVERIFY(d.doc.pathName().isEmpty());

        QVERIFY(d.doc.doSave(true));
        QCOMPARE(d.host.user.questions.size(), 2);
        QCOMPARE(readBytes(path).left(4), QByteArray("\x89PNG"));
        QCOMPARE(d.doc.pathName(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(d.doc.title(), QStringLiteral("taken.png"));
        QVERIFY(!d.doc.isModified());
    }

    void saveWithoutPathOffersDocumentType() {
        Doc d;
        d.doc.setTitle(QStringLiteral("Bitmap2"));
        d.host.user.savePaths.push_back(dir->filePath(QStringLiteral("picture")));
        QVERIFY(d.doc.doSave(false));
        QCOMPARE(d.host.user.lastSaveFilter, CVantrelDoc::documentTypeFilter());
        QCOMPARE(d.host.user.lastSaveStart, QStringLiteral("Bitmap2"));
        QCOMPARE(d.host.user.lastDefaultSuffix, QStringLiteral("bmp"));
        const QString path = dir->filePath(QStringLiteral("picture.bmp"));
        QCOMPARE(readBytes(path).left(2), QByteArray("BM"));
        QCOMPARE(d.doc.pathName(), QFileInfo(path).absoluteFilePath());
        QCOMPARE(d.doc.title(), QStringLiteral("picture.bmp"));

        // With a path, Save asks nothing.
        d.host.user.lastSaveFilter.clear();
        d.doc.setModifiedFlag(true);
        QVERIFY(d.doc.doSave(false));
        QVERIFY(d.host.user.lastSaveFilter.isEmpty());
        QVERIFY(!d.doc.isModified());
    }

    void damagedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("outcome");

        // Noise, so that every format has plenty of pixel data after its header.
        const auto bitmap = Bitmap::fromImage(noise(64, 48));
        QRandomGenerator random(7);
        const QTemporaryDir scratch; // data functions run before init()
        const struct {
            const char* ext;
            Damage cut, garbage;
        } formats[] = {{"png", Fails, Fails},
                       {"bmp", Partial, Whole},
                       {"gif", Partial, Fails},
                       {"jpg", Partial, Whole}};
        for (const auto& f : formats) {
            const QString name = QStringLiteral("damaged.") + QLatin1String(f.ext);
            const QByteArray valid = saveToBytes(*bitmap, scratch.filePath(name));
            QByteArray garbage = valid;
            for (qsizetype i = valid.size() / 2; i < valid.size() / 2 + 64; ++i)
                garbage[i] = char(random.bounded(256));
            QTest::addRow("%s intact", f.ext) << name << valid << int(Whole);
            QTest::addRow("%s header cut", f.ext) << name << valid.left(20) << int(Fails);
            QTest::addRow("%s data cut", f.ext)
                << name << valid.left(valid.size() * 3 / 4) << int(f.cut);
            QTest::addRow("%s last bytes cut", f.ext)
                << name << valid.left(valid.size() - 8) << int(f.cut);
            QTest::addRow("%s garbage", f.ext) << name << garbage << int(f.garbage);
        }
        QByteArray randomBytes(4096, '\0');
        for (char& c : randomBytes)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << "random.png" << randomBytes << int(Fails);
        QTest::newRow("empty") << "empty.bmp" << QByteArray() << int(Fails);
    }

    void damagedFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, outcome);
        const QString path = dir->filePath(name);
        QVERIFY(writeBytes(path, bytes));
        const auto loaded = vantrel::loadImageFile(path);
        if (outcome == Fails) {
            QVERIFY(!loaded.bitmap);
            QVERIFY2(loaded.error.startsWith(QStringLiteral("Cannot open %1: ").arg(name)),
                     qPrintable(loaded.error));
            return;
        }
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        QCOMPARE(loaded.bitmap->size(), QSize(64, 48));
        QCOMPARE(loaded.bitmap->format(), PixelFormat::RGB24);
        const QString warning = outcome == Partial ? partWarning(name) : QString();
        QCOMPARE(loaded.warning, warning);

        // The document opens it, then warns: the views already show the image.
        Doc d;
        qsizetype messagesWhenShown = -1;
        connect(&d.doc, &CVantrelDoc::changed, this,
                [&] { messagesWhenShown = d.host.user.messages.size(); });
        QVERIFY(d.doc.onOpenDocument(path));
        QCOMPARE(d.doc.bitmap()->size(), QSize(64, 48));
        QCOMPARE(messagesWhenShown, 0);
        QCOMPARE(d.host.user.messages, warning.isEmpty() ? QStringList() : QStringList{warning});
    }

    // What a BMP lacks (rows cut off, pixels an RLE stream skips) is the first palette colour,
    // or black without a palette, never whatever memory held.
    void bmpMissingPixels_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<bool>("partial");

        const QList<QRgb> rgb = {qRgb(0, 0, 0), qRgb(250, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 150)};
        QImage source = fromIndices(rgb, {"1232", "3123", "2312"});
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(source.convertToFormat(QImage::Format_RGB888).save(&buffer, "bmp"));
        // Rows are stored bottom up, 12 bytes each. The cut keeps the bottom row and one byte
        // of the next: the blue of its first pixel, which has no red or green anyway.
        QTest::newRow("24-bit, cut in a row")
            << bytes.left(54 + 13) << fromIndices(rgb, {"0000", "3000", "2312"}) << true;

        QList<QRgb> palette = rgb;
        palette[0] = qRgb(10, 20, 30);
        const auto rle = [&](int bits, int width, int height, const char* data, int size) {
            return rleBmp(width, height, bits, palette, QByteArray(data, size));
        };
        // Bottom row: a run of two; then end of line; a literal run of three; end of bitmap.
        const char rle8[] = "\x02\x01\x00\x00\x00\x03\x03\x02\x03\x00\x00\x01";
        QTest::newRow("RLE8 with skipped pixels")
            << rle(8, 4, 3, rle8, 12) << fromIndices(palette, {"0000", "3230", "1100"}) << false;
        QTest::newRow("RLE8 ending at once")
            << rle(8, 16, 8, "\x00\x01", 2)
            << fromIndices(palette, QStringList(8, QStringLiteral("0000000000000000"))) << false;
        QTest::newRow("RLE8 cut in a literal run")
            << rle(8, 4, 3, rle8, 7) << fromIndices(palette, {"0000", "3000", "1100"}) << true;
        QTest::newRow("RLE8 cut before its end")
            << rle(8, 4, 3, rle8, 10) << fromIndices(palette, {"0000", "3230", "1100"}) << true;
        // Bottom row: five pixels alternating 1 and 2; end of line; a jump of two to the right;
        // a run of 3, 0; end of bitmap.
        const char rle4[] = "\x05\x12\x00\x00\x00\x02\x02\x00\x02\x30\x00\x01";
        QTest::newRow("RLE4 with a jump")
            << rle(4, 5, 2, rle4, 12) << fromIndices(palette, {"00300", "12121"}) << false;
    }

    void bmpMissingPixels() {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(bool, partial);
        const QString path = dir->filePath(QStringLiteral("part.bmp"));
        QVERIFY(writeBytes(path, bytes));
        const auto loaded = vantrel::loadImageFile(path);
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        const QString diff = firstDifference(*loaded.bitmap, expected);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(loaded.warning, partial ? partWarning(QStringLiteral("part.bmp")) : QString());
    }

    // Files the loader refuses, quickly and with a reason: claims beyond the limit at the
    // decoder's real bytes per pixel, formats the editor does not support whatever Qt could
    // decode, and progressive JPEGs with an unreasonable number of scans.
    void hostileFilesRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString tooLarge = QStringLiteral("too large");
        const QString unsupported = QStringLiteral("Unsupported image format");
        QTest::newRow("png") << "huge.png" << pngClaiming(65535, 65535) << tooLarge;
        // 8 bytes a pixel when decoded: over the limit though 4 would not be.
        QTest::newRow("16-bit png") << "deep.png" << pngClaiming(12000, 12000, 16) << tooLarge;
        QTest::newRow("bmp") << "huge.bmp" << bmpClaiming(65535, 65535) << tooLarge;
        QTest::newRow("bmp bottom-up") << "huge-up.bmp" << bmpClaiming(65535, -65535) << tooLarge;
        // Claims whose byte count overflows 64 bits.
        QTest::newRow("bmp claim overflows")
            << "overflow.bmp" << bmpClaiming(1323597567, -2132507137) << tooLarge;
        QTest::newRow("svg")
            << "overflow.svg"
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"2000000000\" "
                          "height=\"2000000000\"><rect width=\"10\" height=\"5\"/></svg>")
            << unsupported;
        QTest::newRow("ppm named .png")
            << "p.png" << QByteArray("P6\n2 1\n255\n\xFF\0\0\0\xFF\0", 17) << unsupported;
        QTest::newRow("xbm") << "x.xbm"
                             << QByteArray("#define x_width 2\n#define x_height 1\n"
                                           "static char x_bits[] = { 0x01 };\n")
                             << unsupported;
        QTest::newRow("xpm") << "x.xpm"
                             << QByteArray("/* XPM */\nstatic char *x[] = {\"1 1 1 1\", "
                                           "\"a c #FF0000\", \"a\"};\n")
                             << unsupported;
        QTest::newRow("png text chunk claiming 2 GB")
            << "text.png" << pngClaiming(6, 5).left(33) + QByteArray("\x7F\0\0\0tEXtComment\0", 16)
            << QStringLiteral("damaged");
        QTest::newRow("jpeg scan bomb")
            << "scans.jpg" << jpegWithScans(501) << QStringLiteral("too many scans");
    }

    void hostileFilesRefused() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString path = dir->filePath(name);
        QVERIFY(writeBytes(path, bytes));
        QElapsedTimer timer;
        timer.start();
        const auto loaded = vantrel::loadImageFile(path);
        qInfo("%s refused in %lld ms", qPrintable(name), timer.elapsed());
        QVERIFY(!loaded.bitmap);
        QVERIFY2(loaded.error.startsWith(QStringLiteral("Cannot open %1: ").arg(name)) &&
                     loaded.error.contains(reason),
                 qPrintable(loaded.error));
    }

    // What the content is decides, not the name; a progressive JPEG with a usual number of
    // scans opens.
    void contentDecidesFormat() {
        const QString disguised = dir->filePath(QStringLiteral("disguised.jpg"));
        QVERIFY(pattern(5, 4).save(disguised, "png"));
        const QString progressive = dir->filePath(QStringLiteral("progressive.jpg"));
        QVERIFY(writeBytes(progressive, jpegWithScans(60)));
        for (const QString& path : {disguised, progressive}) {
            const auto loaded = vantrel::loadImageFile(path);
            QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        }
    }

    // The files that once broke loading: each loads or is refused with a message, gives the
    // same pixels whatever uninitialised memory holds, and once loaded saves in every format.
    void regressionInputs() {
        const QDir folder(QFINDTESTDATA("data/regressions"));
        const QStringList files = folder.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files) {
            if (file.endsWith(QLatin1String(".md")))
                continue;
            QImage first;
            for (const int perturb : {0x11, 0xA5}) {
                mallopt(M_PERTURB, perturb);
                const auto loaded = vantrel::loadImageFile(folder.filePath(file));
                mallopt(M_PERTURB, 0);
                QVERIFY2(loaded.bitmap || loaded.error.startsWith(QLatin1String("Cannot open")),
                         qPrintable(file));
                const QImage pixels = loaded.bitmap ? loaded.bitmap->toArgb32() : QImage();
                if (perturb == 0x11)
                    first = pixels;
                else
                    QVERIFY2(pixels == first, qPrintable(file));
                if (loaded.bitmap && perturb == 0x11)
                    for (const char* ext : {"bmp", "png", "gif", "jpg", "webp", "tif"}) {
                        const QString saved = dir->filePath(QStringLiteral("again.") + ext);
                        const QString error = vantrel::saveImageFile(*loaded.bitmap, saved);
                        QVERIFY2(error.isEmpty(), qPrintable(file + QLatin1String(": ") + error));
                    }
            }
        }
    }

    void aboveQtDefaultLimitOpens() {
        QImage big(6000, 6000, QImage::Format_RGB888);
        big.fill(qRgb(12, 34, 56));
        const QString path = dir->filePath(QStringLiteral("big.png"));
        QVERIFY(big.save(path));
        big = QImage();
        QImageReader::setAllocationLimit(128); // Qt's default, as in a fresh process
        const auto loaded = vantrel::loadImageFile(path);
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        QCOMPARE(loaded.bitmap->size(), QSize(6000, 6000));
        QCOMPARE(loaded.bitmap->pixel(5999, 5999), qRgb(12, 34, 56));
    }

private:
    std::optional<QTemporaryDir> dir;
};

QTEST_MAIN(TestFiles)
#include "test_files.moc"
