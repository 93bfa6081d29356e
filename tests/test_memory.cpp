// Exhausted memory: recording a step copies nothing and still works; a step that needs a copy
// of the whole bitmap must refuse with a message and leave the document as it was. The
// copies are made to fail for real by lowering the process's address-space limit just above
// what it already uses. And loading a large file costs little more than its decoded pixels.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/ImageFile.h"

#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_TEST_ASAN 1
#endif
#endif

using vantrel::Bitmap;
using vantrel::CVantrelDoc;

namespace {

// A size the process reports in /proc/self/status ("VmSize", "VmRSS", "VmHWM") in bytes, or 0
// when /proc cannot tell.
rlim_t statusBytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) {
            const QByteArray kb = line.mid(key.size()).trimmed().split(' ').value(0);
            return static_cast<rlim_t>(kb.toULongLong()) * 1024;
        }
    }
    return 0;
}

rlim_t virtualSize() {
    return statusBytes("VmSize");
}

// How far the resident size rises above where it started while `path` is loaded, measured in
// a forked child so that nothing else this process did counts. -1 when it could not be told.
qint64 loadingPeak(const QString& path) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        const rlim_t start = statusBytes("VmRSS");
        const bool loaded = vantrel::loadImageFile(path).bitmap != nullptr;
        const qint64 rise = loaded ? qint64(statusBytes("VmHWM")) - qint64(start) : -1;
        (void)!write(pipeEnds[1], &rise, sizeof rise);
        _exit(0);
    }
    close(pipeEnds[1]);
    qint64 rise = -1;
    if (child < 0 || read(pipeEnds[0], &rise, sizeof rise) != sizeof rise)
        rise = -1;
    close(pipeEnds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return rise;
}

// Lowers the soft address-space limit to current use plus `headroom` while it lives.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t headroom) {
        if (getrlimit(RLIMIT_AS, &m_saved) != 0)
            return;
        const rlim_t used = virtualSize();
        if (used == 0)
            return;
        rlimit lowered = m_saved;
        lowered.rlim_cur = used + headroom;
        m_active = setrlimit(RLIMIT_AS, &lowered) == 0;
    }
    ~AddressSpaceLimit() {
        if (m_active)
            setrlimit(RLIMIT_AS, &m_saved);
    }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    bool m_active = false;
};

constexpr rlim_t Headroom = 4 * 1024 * 1024; // far below the 16 MiB a copy needs
constexpr QRgb Marker = 0xFF123456u;

} // namespace

class TestMemory : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeCopiesRefuseWhenMemoryIsExhausted();
    void loadingCostsLittleMoreThanThePixels_data();
    void loadingCostsLittleMoreThanThePixels();
};

void TestMemory::wholeCopiesRefuseWhenMemoryIsExhausted() {
#ifdef VANTREL_TEST_ASAN
    QSKIP("AddressSanitizer reserves terabytes of address space, so RLIMIT_AS cannot be used "
          "to make one allocation fail");
#endif
    ScriptedHost host;
    CVantrelDoc doc(host);
    vantrel::registerOperationCommands(doc, host.user);
    host.user.sizes.push_back(QSize(2048, 2048));
    QVERIFY(doc.onNewDocument());
    Bitmap* const bitmap = doc.bitmap();
    QCOMPARE(bitmap->byteCount(), qsizetype(16) * 1024 * 1024);
    const QStringList& messages = host.user.messages;
    const auto mark = [&doc](QRgb colour) {
        return doc.changePixels(QRect(5, 5, 1, 1),
                                [colour](Bitmap& b) { b.setPixel(5, 5, colour); });
    };

    {
        AddressSpaceLimit limit(Headroom);
        QVERIFY2(limit.active(), "could not lower RLIMIT_AS");

        // A step and the pending snapshot start empty; a small change costs its tile, and
        // restoring exchanges tiles: none of it needs a copy of the image.
        QVERIFY(doc.takeUndoSnapshot());
        QVERIFY(doc.savePendingSnapshot());
        QVERIFY(mark(Marker));
        QVERIFY(doc.restorePendingSnapshot());
        QCOMPARE(doc.bitmap()->pixel(5, 5), 0xFFFFFFFFu);
        QVERIFY(mark(Marker));
        QVERIFY(messages.isEmpty());

        // The pending state as a bitmap of its own is a whole copy.
        QVERIFY(!doc.pendingSnapshot());

        // Blurring keeps the whole image before it: refused, the pixels as they were.
        QVERIFY(doc.executeCommand(vantrel::cmd::BlurImage));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(doc.bitmap(), bitmap);
        QCOMPARE(doc.bitmap()->pixel(5, 5), Marker);
    }
    QVERIFY2(messages.first().contains(QStringLiteral("memory")), qPrintable(messages.first()));

    // With the limit lifted the same step succeeds, so the failure above came from it.
    QVERIFY(doc.executeCommand(vantrel::cmd::BlurImage));
    QVERIFY(doc.bitmap()->pixel(5, 5) != Marker);
    QCOMPARE(messages.size(), 1);
    doc.undo();
    QCOMPARE(doc.bitmap()->pixel(5, 5), Marker);
}

// Peak while loading stays below 1.2 times the decoded pixels plus 50 MB: the decoder's output
// becomes the document's storage in its own memory. Before, a conversion copy doubled it.
void TestMemory::loadingCostsLittleMoreThanThePixels_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("jpeg, 32 bits decoded to 24 stored") << QByteArray("jpeg");
    QTest::newRow("gif claiming more than it holds") << QByteArray("gif");
}

void TestMemory::loadingCostsLittleMoreThanThePixels() {
#ifdef VANTREL_TEST_ASAN
    QSKIP("AddressSanitizer keeps freed memory in quarantine, so peaks say nothing here");
#endif
    QFETCH(QByteArray, format);
    constexpr int Side = 6000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.") + format);
    QByteArray bytes;
    if (format == "gif") {
        // Two colours and one pixel of data; the decoder still makes the whole screen.
        bytes = QByteArray("GIF89a") + QByteArray(7, '\0') + QByteArray("\0\0\0\xFF\xFF\xFF", 6) +
                ',' + QByteArray(9, '\0') + QByteArray("\x02\x02\x4C\x01\x00;", 6);
        for (const int at : {6, 8, 24, 26}) // the screen's and the image's sides
            qToLittleEndian(quint16(Side), bytes.data() + at);
        bytes[10] = char(0x80);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    } else {
        QImage image(Side, Side, QImage::Format_RGB32);
        image.fill(qRgb(90, 120, 150));
        QVERIFY(QImageWriter(path, format).write(image));
    }
    const qint64 decoded = qint64(Side) * Side * 4;
    const qint64 rise = loadingPeak(path);
    QVERIFY2(rise > 0, "the child could not load or measure");
    qInfo("%s: peak %.1f MB for %.1f MB of decoded pixels", format.constData(), rise / 1e6,
          decoded / 1e6);
    QVERIFY(rise < decoded * 6 / 5 + 50'000'000);
}

QTEST_MAIN(TestMemory)
#include "test_memory.moc"
