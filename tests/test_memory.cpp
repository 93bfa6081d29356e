// Exhausted memory: the snapshot operations that copy a whole bitmap must refuse with a message
// and leave the document as it was. The copies are made to fail for real by lowering the
// process's address-space limit just above what it already uses.

#include "ScriptedHost.h"
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
    void snapshotsRefuseWhenMemoryIsExhausted();
};

void TestMemory::snapshotsRefuseWhenMemoryIsExhausted() {
#ifdef VANTREL_TEST_ASAN
    QSKIP("AddressSanitizer reserves terabytes of address space, so RLIMIT_AS cannot be used "
          "to make one allocation fail");
#endif
    ScriptedHost host;
    CVantrelDoc doc(host);
    host.user.sizes.push_back(QSize(2048, 2048));
    QVERIFY(doc.onNewDocument());
    Bitmap* const bitmap = doc.bitmap();
    QCOMPARE(bitmap->byteCount(), qsizetype(16) * 1024 * 1024);
    bitmap->setPixel(5, 5, Marker);
    const QStringList& messages = host.user.messages;

    {
        AddressSpaceLimit limit(Headroom);
        QVERIFY2(limit.active(), "could not lower RLIMIT_AS");

        QVERIFY(!doc.takeUndoSnapshot());
        QCOMPARE(doc.undoCount(), 0);
        QCOMPARE(doc.redoCount(), 0);
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.bitmap(), bitmap);
        QCOMPARE(messages.size(), 1);

        QVERIFY(!doc.savePendingSnapshot());
        QVERIFY(!doc.pendingSnapshot());
        QCOMPARE(doc.bitmap(), bitmap);
        QCOMPARE(doc.bitmap()->pixel(5, 5), Marker);
        QCOMPARE(messages.size(), 2);
    }
    QVERIFY2(messages.first().contains(QStringLiteral("memory")), qPrintable(messages.first()));

    // A pending snapshot made while memory lasts cannot be restored once it has run out.
    QVERIFY(doc.savePendingSnapshot());
    const Bitmap* pending = doc.pendingSnapshot();
    bitmap->setPixel(5, 5, 0xFF000000u);
    {
        AddressSpaceLimit limit(Headroom);
        QVERIFY2(limit.active(), "could not lower RLIMIT_AS");
        QVERIFY(!doc.restorePendingSnapshot());
        QCOMPARE(doc.bitmap(), bitmap);
        QCOMPARE(doc.bitmap()->pixel(5, 5), 0xFF000000u);
        QCOMPARE(doc.pendingSnapshot(), pending);
        QCOMPARE(messages.size(), 3);
    }

    // With the limit lifted the same operations succeed, so the failures above came from it.
    QVERIFY(doc.restorePendingSnapshot());
    QCOMPARE(doc.bitmap()->pixel(5, 5), Marker);
    QVERIFY(doc.takeUndoSnapshot());
    QCOMPARE(doc.undoCount(), 1);
    QCOMPARE(messages.size(), 3);
}

QTEST_MAIN(TestMemory)
#include "test_memory.moc"
