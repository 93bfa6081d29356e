// Scanning against SANE's virtual "test" scanner (SANE_CONFIG_DIR loads only that back end),
// with scanimage on the same device as the reference; the procedure's own rules also with a
// small scripted back end.
#include "SaneTestBackend.h"
#include "acquisition/CExcept.h"
#include "acquisition/CTwainUtils.h"
#include "acquisition/SaneScanner.h"
#include "imaging/ImageFile.h"

#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cctype>
#include <future>

using namespace vantrel;

using Options = QList<std::pair<QString, QString>>;

namespace {

// The test device's own resolution is unusable (about 0 dpi), so every scan sets one.
const Options Base = {{"resolution", "25"}};

QString messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const CExcept& e) {
        return e.message();
    }
    return {};
}

void setOptions(SaneScanner& scanner, const Options& options) {
    for (const auto& [name, value] : Base + options)
        QCOMPARE(scanner.setOption(name, value), 0);
}

bool haveScanimage() {
    return !QStandardPaths::findExecutable("scanimage").isEmpty();
}

// What scanimage makes of the same options, read from its PNM output; null when it failed. The data
// is read with the stride it really has: scanimage keeps the padding the device adds to each line
// (ppl-loss) although the header gives the pixel count.
QImage reference(const QString& device, const Options& options) {
    QStringList args = {"-d", device, "--format=pnm"};
    for (const auto& [name, value] : Base + options)
        args << (name.size() == 1 ? QStringList{"-" + name, value}
                                  : QStringList{"--" + name + "=" + value});
    QProcess process;
    process.start("scanimage", args);
    process.waitForFinished(120000);
    const QByteArray out = process.readAllStandardOutput();
    if (process.exitCode() != 0 || !out.startsWith("P")) {
        qWarning("scanimage failed: %s", process.readAllStandardError().constData());
        return {};
    }
    const bool bits = out.startsWith("P4"), rgb = out.startsWith("P6");
    QList<int> fields; // width, height[, maxval]
    qsizetype pos = 2;
    while (fields.size() < (bits ? 2 : 3) && pos < out.size()) {
        if (out[pos] == '#')
            pos = out.indexOf('\n', pos);
        else if (std::isdigit(uchar(out[pos])))
            for (fields.append(0); std::isdigit(uchar(out[pos])); ++pos)
                fields.last() = fields.last() * 10 + out[pos] - '0';
        else
            ++pos;
    }
    if (fields.size() < 2 || fields[1] <= 0)
        return {};
    const auto data = reinterpret_cast<const uchar*>(out.constData()) + pos + 1;
    const qsizetype stride = (out.size() - pos - 1) / fields[1];
    const int bytes = !bits && fields[2] > 255 ? 2 : 1, channels = rgb ? 3 : 1;
    QImage image(fields[0], fields[1], QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uchar* line = data + y * stride;
            int v[3];
            for (int c = 0; c < 3; ++c) // big-endian 16-bit samples: the first byte counts
                v[c] = bits ? ((line[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255)
                            : line[(x * channels + (rgb ? c : 0)) * bytes];
            image.setPixel(x, y, qRgb(v[0], v[1], v[2]));
        }
    return image;
}

// A back end that answers as told, for the procedure's rules.
struct Scripted : ScannerBackend {
    int sizeCode = 0, sizeCondition = 0, cond = 0;
    qint32 width = 8000, height = 6000;
    QSize size{2, 3};
    std::optional<ScanArea> acquired; // the area of the last acquireArea, none for default
    int sourceNames(QStringList& names) override {
        names = {"one"};
        return 0;
    }
    QString sourceDescription(const QString&) override { return {}; }
    void selectSource(const QString&) override {}
    int setAcquisition(int, int) override { return 0; }
    int physicalSize(qint32& w, qint32& h) override {
        w = width, h = height, cond = sizeCondition;
        return sizeCode;
    }
    int acquireArea(const ScanArea& a) override { return acquired = a, 0; }
    int acquireDefault() override { return acquired.reset(), 0; }
    int condition() override { return cond; }
    QSize imageSize() const override { return size; }
    int writeBmp(const QString&) override { return 0; }
    void release() override {}
    void cancel() override {}
    int progressPercent() const override { return 0; }
};

} // namespace

class TestScanner : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { keepSaneTestBackendLoaded(); }

    void enumeratesTheTestDevices() {
        SaneScanner scanner;
        CTwainUtils utils(scanner);
        QCOMPARE(utils.enumerateSources(), QStringList({"test:0", "test:1"}));
        QVERIFY(!scanner.sourceDescription("test:1").trimmed().isEmpty());
    }

    void scansLikeScanimage_data() {
        QTest::addColumn<bool>("colour");
        QTest::addColumn<Options>("options");
        const Options pattern = {{"test-picture", "Color pattern"}};
        QTest::newRow("grey 8") << false << pattern;
        QTest::newRow("grey 16") << false << pattern + Options{{"depth", "16"}};
        QTest::newRow("line art") << false << Options{{"depth", "1"}, {"test-picture", "Grid"}};
        QTest::newRow("line art, padded")
            << false << Options{{"depth", "1"}, {"test-picture", "Grid"}, {"ppl-loss", "5"}};
        QTest::newRow("colour 8") << true << pattern;
        QTest::newRow("colour 16") << true << pattern + Options{{"depth", "16"}};
        QTest::newRow("colour, padded") << true << pattern + Options{{"ppl-loss", "7"}};
        QTest::newRow("three-pass BGR")
            << true
            << pattern +
                   Options{{"mode", "Color"}, {"three-pass", "yes"}, {"three-pass-order", "BGR"}};
    }
    void scansLikeScanimage() {
        QFETCH(bool, colour);
        QFETCH(Options, options);
        SaneScanner scanner;
        scanner.selectSource("test:0");
        setOptions(scanner, options);
        if (QTest::currentTestFailed())
            return;
        if (colour)
            QCOMPARE(scanner.setAcquisition(5, 2), 0);
        QCOMPARE(scanner.acquireDefault(), 0);
        QCOMPARE(scanner.progressPercent(), 100);

        const Options mode = {{"mode", colour ? "Color" : "Gray"}};
        if (!haveScanimage())
            QSKIP("scanimage is not installed");
        const QImage expected = reference("test:0", mode + options);
        QVERIFY(!expected.isNull());
        QCOMPARE(scanner.imageSize(), expected.size());

        // The BMP holds the same pixels.
        const QString file = path("formats.bmp");
        QCOMPARE(scanner.writeBmp(file), 0);
        const LoadedImage loaded = loadImageFile(file);
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        QCOMPARE(loaded.bitmap->image().convertToFormat(QImage::Format_RGB32), expected);
        QCOMPARE(scanner.writeBmp(path("missing/x.bmp")), -10);
        scanner.release();
        QVERIFY(scanner.imageSize().isEmpty());
    }

    void keepsTheRectangleUntilForgotten() {
        SaneScanner scanner;
        CTwainUtils utils(scanner);
        scanner.selectSource("test:0");
        setOptions(scanner, {{"resolution", "10"}});
        QVERIFY(!utils.scan("test:0", path("first.bmp")));
        QVERIFY(utils.areaKnown());
        QCOMPARE(utils.area(), ScanArea({0, 0, 200000, 200000}));
        const LoadedImage first = loadImageFile(path("first.bmp"));
        QVERIFY2(first.bitmap, qPrintable(first.error));
        const Options full = {{"mode", "Color"}, {"resolution", "10"}, {"x", "200"}, {"y", "200"}};
        if (haveScanimage())
            QCOMPARE(first.bitmap->size(), reference("test:0", full).size());

        // A smaller area set on the device is overridden by the kept rectangle.
        QCOMPARE(scanner.setOption("br-x", "50"), 0);
        QVERIFY(!utils.scan("test:0", path("second.bmp")));
        QCOMPARE(loadImageFile(path("second.bmp")).bitmap->size(), first.bitmap->size());

        QSettings settings("Osmerin", "Dravik");
        const QStringList keys = {"Scan Rect Left",   "Scan Rect Top",     "Scan Rect Right",
                                  "Scan Rect Bottom", "Scan X Resolution", "Scan Y Resolution"};
        for (const QString& key : keys)
            settings.setValue("ScanSettings/" + key, 1);
        settings.setValue("ScanSettings/Other", 2);
        settings.sync();
        utils.forgetScanSettings();
        QVERIFY(!utils.areaKnown());
        settings.sync();
        for (const QString& key : keys)
            QVERIFY2(!settings.contains("ScanSettings/" + key), qPrintable(key));
        QVERIFY(settings.contains("ScanSettings/Other"));
    }

    void handScannerHasNoGeometry() {
        SaneScanner scanner;
        CTwainUtils utils(scanner);
        scanner.selectSource("test:0");
        setOptions(scanner, {{"hand-scanner", "yes"}});
        QVERIFY(!utils.scan("test:0", path("hand.bmp")));
        QVERIFY(!utils.areaKnown());
        QCOMPARE(scanner.condition(), 0);
        const LoadedImage loaded = loadImageFile(path("hand.bmp"));
        QVERIFY2(loaded.bitmap, qPrintable(loaded.error));
        // The height is the device's choice; the width is fixed.
        QVERIFY(loaded.bitmap->height() > 0);
        const Options hand = {{"mode", "Color"}, {"hand-scanner", "yes"}};
        if (haveScanimage())
            QCOMPARE(loaded.bitmap->width(), reference("test:0", hand).width());
    }

    void cancelStopsAScan() {
        SaneScanner scanner;
        CTwainUtils utils(scanner);
        scanner.selectSource("test:0");
        setOptions(scanner, {{"read-limit", "yes"},
                             {"read-limit-size", "64"},
                             {"read-delay", "yes"},
                             {"read-delay-duration", "20000"}});
        const QString file = path("cancelled.bmp");
        auto result = std::async(std::launch::async, [&] { return utils.scan("test:0", file); });
        while (scanner.progressPercent() <= 0 &&
               result.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
        }
        utils.cancel();
        QVERIFY(result.get());
        QVERIFY(!QFile::exists(file));
        QVERIFY(scanner.imageSize().isEmpty());
        // The device is usable again afterwards.
        QCOMPARE(scanner.setOption("read-delay", "no"), 0);
        QVERIFY(!utils.scan("test:0", file));
        QVERIFY(QFile::exists(file));
    }

    void failuresGiveTheLibraryMessage_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("readStatus");
        QTest::addColumn<QString>("message");
        const char* const reads[][2] = {
            {"SANE_STATUS_JAMMED", "Paper could not be unloaded"},
            {"SANE_STATUS_NO_DOCS", "ADF bin is empty"},
            {"SANE_STATUS_EOF", "No data from device"},
            {"SANE_STATUS_DEVICE_BUSY", "TWAIN function is busy"},
            {"SANE_STATUS_UNSUPPORTED", "Unknown capability requested"}};
        for (const auto& [status, message] : reads)
            QTest::newRow(status) << QString("test:0") << QString(status) << QString(message);
        QTest::newRow("no device")
            << QString("test:9") << QString() << QString("Could not open TWAIN Data Source");
    }
    void failuresGiveTheLibraryMessage() {
        QFETCH(QString, device);
        QFETCH(QString, readStatus);
        QFETCH(QString, message);
        SaneScanner scanner;
        CTwainUtils utils(scanner);
        scanner.selectSource(device);
        if (!readStatus.isEmpty())
            setOptions(scanner, {{"read-return-value", readStatus}});
        const QString file = path("failed.bmp");
        QCOMPARE(messageOf([&] { utils.scan(device, file); }), message);
        QVERIFY(!QFile::exists(file));
    }

    void messageTables_data() {
        QTest::addColumn<bool>("condition");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("message");
        QTest::newRow("code 0") << false << 0 << "No error";
        QTest::newRow("code -7") << false << -7 << "<Undefined error number -7>";
        QTest::newRow("code -73") << false << -73
                                  << "Image format does not support width or length > 65535";
        QTest::newRow("code 1") << false << 1 << "<Undefined error number 1>";
        QTest::newRow("condition 7") << true << 7 << "<Undefined extended error number 7>";
        QTest::newRow("condition -54") << true << -54 << "Could not create parent window";
        QTest::newRow("condition 12") << true << 12 << "Unknown destination App/Src in DSM_Entry";
    }
    void messageTables() {
        QFETCH(bool, condition);
        QFETCH(int, number);
        QFETCH(QString, message);
        QCOMPARE(condition ? scanMessageForCondition(number) : scanMessageForCode(number), message);
        // -57 takes the condition's message from the back end.
        Scripted backend;
        backend.cond = number;
        CTwainUtils utils(backend);
        QCOMPARE(utils.messageForCode(-57), scanMessageForCondition(number));
    }

    void procedureRules_data() {
        QTest::addColumn<int>("sizeCode");
        QTest::addColumn<int>("sizeCondition");
        QTest::addColumn<QSize>("imageSize");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("areaKnown");
        QTest::newRow("measured") << 0 << 0 << QSize(2, 3) << "" << true;
        QTest::newRow("no geometry") << -57 << 6 << QSize(2, 3) << "" << false;
        QTest::newRow("other condition")
            << -57 << 1 << QSize(2, 3) << "Failure due to unknown causes" << false;
        QTest::newRow("size failed") << -19 << 6 << QSize(2, 3) << "Scanner error" << false;
        QTest::newRow("empty image")
            << 0 << 0 << QSize(0, 3)
            << "Could not get image because scan area width(height) too small !" << true;
    }
    void procedureRules() {
        QFETCH(int, sizeCode);
        QFETCH(int, sizeCondition);
        QFETCH(QSize, imageSize);
        QFETCH(QString, message);
        QFETCH(bool, areaKnown);
        Scripted backend;
        backend.sizeCode = sizeCode;
        backend.sizeCondition = sizeCondition;
        backend.size = imageSize;
        CTwainUtils utils(backend);
        QCOMPARE(messageOf([&] { utils.scan("one", "x.bmp"); }), message);
        QCOMPARE(utils.areaKnown(), areaKnown);
        QCOMPARE(backend.acquired.has_value(), areaKnown); // else the default area, or none
        if (!areaKnown)
            return;
        // The first measurement stays, whatever the source reports later.
        backend.width = 1000;
        backend.size = {2, 3};
        QVERIFY(!utils.scan("one", "x.bmp"));
        QCOMPARE(backend.acquired, ScanArea({0, 0, 8000, 6000}));
        utils.forgetScanSettings();
        QVERIFY(!utils.scan("one", "x.bmp"));
        QCOMPARE(backend.acquired, ScanArea({0, 0, 1000, 6000}));
    }
};

QTEST_GUILESS_MAIN(TestScanner)
#include "test_scanner.moc"
