// Exhausted memory: recording a step copies nothing and still works; a step that needs a copy
// of the whole bitmap must refuse with a message and leave the document as it was. The
// copies are made to fail for real by lowering the process's address-space limit just above
// what it already uses.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"

#include <QFile>
#include <QTest>
#include <sys/resource.h>

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

// The process's virtual size in bytes, or 0 when /proc cannot tell.
rlim_t virtualSize() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            const QByteArray kb = line.mid(7).trimmed().split(' ').value(0);
            return static_cast<rlim_t>(kb.toULongLong()) * 1024;
        }
    }
    return 0;
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

QTEST_MAIN(TestMemory)
#include "test_memory.moc"
