// Live capture through GStreamer, from videotestsrc cameras named in VANTREL_EXTRA_CAMERAS.
#include "acquisition/BMP_File.h"
#include "acquisition/CaptureSession.h"
#include "acquisition/VRender.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <mutex>

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::CaptureError)
Q_DECLARE_METATYPE(vantrel::MediaCheck)

namespace {

// Keeps the latest frame and counts the calls, as the capture dialog will.
class Recorder final : public FrameOwner {
public:
    void frameFormat(int width, int height) override {
        std::lock_guard lock(m_mutex);
        ++m_formatCalls;
        m_image.setSize(width, height);
    }
    void frameData(const uchar* bgrx, int stride) override {
        std::lock_guard lock(m_mutex);
        if (m_formatCalls == 0)
            ++m_framesBeforeFormat;
        m_image.copyFromBgrx(bgrx, stride);
        ++m_frames;
    }
    int frames() const { return locked(m_frames); }
    int calls() const { return locked(m_frames + m_formatCalls); }
    int formatCalls() const { return locked(m_formatCalls); }
    int framesBeforeFormat() const { return locked(m_framesBeforeFormat); }
    BMP_File image() const { return locked(m_image); }
    bool waitForFrames(int count) const {
        return QTest::qWaitFor([&] { return frames() >= count; }, 10000);
    }

private:
    template <typename T> T locked(const T& value) const {
        std::lock_guard lock(m_mutex);
        return value;
    }
    mutable std::mutex m_mutex;
    BMP_File m_image;
    int m_formatCalls = 0;
    int m_framesBeforeFormat = 0;
    int m_frames = 0;
};

quint32 u32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}
quint16 u16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

// The first SMPTE bar (light grey to white) and the last (blue).
bool isGreyBar(QRgb pixel) {
    return qRed(pixel) >= 176 && qAbs(qRed(pixel) - qGreen(pixel)) <= 16 &&
           qAbs(qRed(pixel) - qBlue(pixel)) <= 16;
}
bool isBlueBar(QRgb pixel) {
    return qRed(pixel) <= 16 && qGreen(pixel) <= 16 && qBlue(pixel) >= 176;
}

// The first frame `camera` delivers at its own size; empty when it delivers none.
BMP_File firstFrame(const QString& camera) {
    Recorder owner;
    CaptureSession session;
    CaptureSettings settings;
    if (session.start(camera, settings, owner) != CaptureError::None || !owner.waitForFrames(1))
        return {};
    session.stop();
    return owner.image();
}

} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        qputenv("VANTREL_EXTRA_CAMERAS",
                "Bars=videotestsrc pattern=smpte;"
                "Tiny=videotestsrc pattern=red ! video/x-raw,width=3,height=2;"
                "Ball=videotestsrc pattern=ball;"
                "Balanced=videotestsrc pattern=smpte ! videobalance;"
                "Broken=nosuchelement");
    }

    void spareBitmapPixel() {
        BMP_File image;
        QCOMPARE(image.width(), 0);
        QCOMPARE(image.height(), 0);
        image.pixel(0, 0) = {1, 2, 3}; // nothing real to touch yet
        image.setSize(2, 2);
        image.pixel(1, 1) = {10, 20, 30};
        for (const QPoint& outside : {QPoint(-1, 0), QPoint(2, 0), QPoint(0, 2), QPoint(0, -1)})
            image.pixel(outside.x(), outside.y()) = {255, 255, 255};
        QCOMPARE(image.pixel(5, 5), BMP_File::Pixel{});
        const QImage shown = image.toImage();
        QCOMPARE(shown.pixel(1, 1), qRgb(10, 20, 30));
        for (const QPoint& p : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1)})
            QCOMPARE(shown.pixel(p), qRgb(0, 0, 0));
    }

    void mediaTypes_data() {
        QTest::addColumn<QString>("caps");
        QTest::addColumn<MediaCheck>("expected");
        QTest::newRow("BGRx") << "video/x-raw,format=BGRx" << MediaCheck::Accepted;
        QTest::newRow("jpeg") << "image/jpeg" << MediaCheck::WrongFormatBlock;
        QTest::newRow("h264") << "video/x-h264,stream-format=byte-stream"
                              << MediaCheck::WrongFormatBlock;
        QTest::newRow("audio") << "audio/x-raw,format=S16LE" << MediaCheck::Refused;
        QTest::newRow("RGB") << "video/x-raw,format=RGB" << MediaCheck::Refused;
        QTest::newRow("BGR") << "video/x-raw,format=BGR" << MediaCheck::Refused;
        QTest::newRow("RGB16") << "video/x-raw,format=RGB16" << MediaCheck::Refused;
    }
    void mediaTypes() {
        QFETCH(QString, caps);
        QFETCH(MediaCheck, expected);
        QCOMPARE(VRender::checkMediaType(caps), expected);
    }

    void startErrors_data() {
        QTest::addColumn<QString>("camera");
        QTest::addColumn<CaptureError>("expected");
        QTest::newRow("no name") << QString() << CaptureError::NoCameraName;
        QTest::newRow("other case") << "bars" << CaptureError::CameraNotFound;
        QTest::newRow("unknown") << "Nowhere" << CaptureError::CameraNotFound;
        QTest::newRow("bad source") << "Broken" << CaptureError::ElementNotAdded;
    }
    void startErrors() {
        QFETCH(QString, camera);
        QFETCH(CaptureError, expected);
        Recorder owner;
        CaptureSession session;
        CaptureSettings settings;
        QCOMPARE(session.start(camera, settings, owner), expected);
        QVERIFY(!session.isRunning());
        QVERIFY(!session.errorDetail().isEmpty());
        QCOMPARE(owner.calls(), 0);
    }

    // The asked size and rate where the camera offers them, and what it delivers stored back.
    void deliveredFormat_data() {
        QTest::addColumn<QString>("camera");
        QTest::addColumn<CaptureSettings>("asked");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qint64>("duration");
        QTest::newRow("asked size and rate")
            << "Bars" << CaptureSettings{160, 120, 333333} << QSize(160, 120) << qint64(333333);
        QTest::newRow("29.97 fps")
            << "Bars" << CaptureSettings{320, 240, 333667} << QSize(320, 240) << qint64(333667);
        QTest::newRow("device's own")
            << "Bars" << CaptureSettings{} << QSize(320, 240) << qint64(333333);
        QTest::newRow("size not offered")
            << "Tiny" << CaptureSettings{160, 120, 666667} << QSize(3, 2) << qint64(666667);
    }
    void deliveredFormat() {
        QFETCH(QString, camera);
        QFETCH(CaptureSettings, asked);
        QFETCH(QSize, size);
        QFETCH(qint64, duration);
        Recorder owner;
        CaptureSession session;
        QCOMPARE(session.start(camera, asked, owner), CaptureError::None);
        QCOMPARE(QSize(asked.width, asked.height), size);
        QCOMPARE(asked.frameDuration100ns, duration);
        QVERIFY(owner.waitForFrames(3));
        session.stop();
        QCOMPARE(owner.formatCalls(), 1);
        QCOMPARE(owner.framesBeforeFormat(), 0);
        QCOMPARE(QSize(owner.image().width(), owner.image().height()), size);
    }

    void tinyFrameFile() {
        const BMP_File frame = firstFrame("Tiny");
        QTemporaryDir dir;
        const QString path = dir.filePath("tiny.bmp");
        QVERIFY(frame.write(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 78);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        const QList<QPair<int, quint32>> fields = {{2, 78},    {6, 0},     {10, 54}, {14, 40},
                                                   {18, 3},    {22, 2},    {30, 0},  {34, 24},
                                                   {38, 2834}, {42, 2834}, {46, 0},  {50, 0}};
        for (const auto& [at, value] : fields)
            QCOMPARE(u32(bytes, at), value);
        QCOMPARE(u16(bytes, 26), quint16(1));
        QCOMPARE(u16(bytes, 28), quint16(24));
        // Two rows of three red pixels (blue, green, red) and three zero bytes of padding.
        const QByteArray row = QByteArray::fromHex("0000ff0000ff0000ff000000");
        QCOMPARE(bytes.mid(54, 12), row);
        QCOMPARE(bytes.mid(66, 12), row);

        // An existing file is never replaced, and no temporary is left behind.
        QVERIFY(!frame.write(path));
        QVERIFY(!BMP_File().write(dir.filePath("empty.bmp")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"tiny.bmp"});
        file.seek(0);
        QCOMPARE(file.readAll(), bytes);
    }

    void barsFileIsUpright() {
        const BMP_File frame = firstFrame("Bars");
        QTemporaryDir dir;
        const QString path = dir.filePath("bars.bmp");
        QVERIFY(frame.write(path));
        const QImage read(path);
        QCOMPARE(read.size(), QSize(320, 240));
        QVERIFY(isGreyBar(read.pixel(2, 2)));
        QVERIFY(isBlueBar(read.pixel(317, 2)));
        QVERIFY(!isGreyBar(read.pixel(2, 237))); // the bottom strip differs
        QCOMPARE(read.convertToFormat(QImage::Format_RGB888), frame.toImage());
    }

    void formatsAndRestart() {
        Recorder owner;
        CaptureSession session;
        CaptureSettings settings;
        QVERIFY(session.formats().isEmpty());
        QCOMPARE(session.start("Tiny", settings, owner), CaptureError::None);
        QVERIFY(!session.formats().isEmpty());
        for (const CaptureFormat& format : session.formats())
            QCOMPARE(QSize(format.width, format.height), QSize(3, 2));

        QCOMPARE(session.start("Bars", settings, owner), CaptureError::None);
        const QList<CaptureFormat> formats = session.formats();
        QVERIFY(formats.contains(CaptureFormat{320, 240, 30, 1, 333333}));
        const CaptureFormat chosen{640, 480, 15, 1, 666667};
        QVERIFY(formats.contains(chosen));
        QCOMPARE(session.restart(chosen, settings), CaptureError::None);
        QCOMPARE(QSize(settings.width, settings.height), QSize(640, 480));
        QCOMPARE(settings.frameDuration100ns, qint64(666667));
        const int before = owner.frames();
        QVERIFY(owner.waitForFrames(before + 1));
        QCOMPARE(owner.image().width(), 640);
    }

    void controls() {
        Recorder owner;
        CaptureSession session;
        CaptureSettings settings;
        QCOMPARE(session.start("Bars", settings, owner), CaptureError::None);
        QVERIFY(session.controls().isEmpty());

        const int before = owner.frames();
        QCOMPARE(session.start("Balanced", settings, owner), CaptureError::None);
        QVERIFY(owner.waitForFrames(before + 1));
        QVERIFY(isGreyBar(owner.image().toImage().pixel(2, 2)));
        session.setControl("BRIGHTNESS", -5000); // clamped to the range
        bool found = false;
        for (const DeviceControl& control : session.controls()) {
            if (control.label == "BRIGHTNESS") {
                found = true;
                QCOMPARE(control.value, control.minimum);
            }
        }
        QVERIFY(found);
        // The live stream darkens.
        QVERIFY(
            QTest::qWaitFor([&] { return qRed(owner.image().toImage().pixel(2, 2)) < 64; }, 10000));
    }

    // Start and stop over and over at 300 frames a second: nothing arrives after stop().
    void repeatedRuns() {
        Recorder owner;
        int total = 0;
        for (int run = 0; run < 6; ++run) {
            {
                CaptureSession session;
                CaptureSettings settings{160, 120, 33333};
                QCOMPARE(session.start("Ball", settings, owner), CaptureError::None);
                QCOMPARE(settings.frameDuration100ns, qint64(33333));
                QVERIFY(owner.waitForFrames(total + 60));
                if (run % 2)
                    session.stop(); // else the destructor stops it
            }
            total = owner.frames();
            const int calls = owner.calls();
            QTest::qWait(50);
            QCOMPARE(owner.calls(), calls);
        }
        QVERIFY(total >= 360);
        QCOMPARE(owner.formatCalls(), 6);
    }
};

QTEST_GUILESS_MAIN(TestCapture)
#include "test_capture.moc"
