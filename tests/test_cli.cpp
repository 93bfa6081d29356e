// The batch front end, run as a process: --info, conversion with -o, every --op against the
// editor's own command, the warning for a damaged input and --strict, and its exit statuses.

#include "ScriptedHost.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "imaging/ImageFile.h"
#include "operations/ImageOperations.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace cmd = vantrel::cmd;

namespace {

struct Result {
    int code = -1; // -1: did not start or did not finish
    QByteArray out;
    QByteArray err;
};

Result runCli(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(VANTREL_CLI), args);
    Result r;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.code = process.exitCode();
    r.out = process.readAllStandardOutput();
    r.err = process.readAllStandardError();
    return r;
}

QByteArray head(const QString& path, int n) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

// Three colours in a 5 x 4 opaque image: any palette keeps them exactly.
QImage fewColours() {
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 255), qRgb(30, 200, 30)};
    QImage img(5, 4, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, colours[(x + 2 * y) % 3]);
    return img;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        dir.emplace(); // a fresh folder for every test function and row
        QVERIFY(dir->isValid());
    }

    void info_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QByteArray>("expected");
        QImage opaque(3, 2, QImage::Format_RGB32);
        opaque.fill(qRgb(1, 2, 3));
        QTest::newRow("opaque png") << opaque << QByteArray("3x2 24bppRGB\n");
        QImage alpha(4, 4, QImage::Format_ARGB32);
        alpha.fill(qRgba(9, 8, 7, 100));
        QTest::newRow("png with alpha") << alpha << QByteArray("4x4 32bppARGB\n");
    }

    void info() {
        QFETCH(QImage, image);
        QFETCH(QByteArray, expected);
        const QString input = dir->filePath(QStringLiteral("info.png"));
        QVERIFY(image.save(input));
        const Result r = runCli({QStringLiteral("--info"), input});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, expected);
    }

    void convert() {
        const QString png = dir->filePath(QStringLiteral("source.png"));
        const QString gif = dir->filePath(QStringLiteral("step.gif"));
        const QString back = dir->filePath(QStringLiteral("back.png"));
        QVERIFY(fewColours().save(png));

        Result r = runCli({png, QStringLiteral("-o"), gif});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(head(gif, 6), QByteArray("GIF89a"));
        r = runCli({gif, QStringLiteral("-o"), back});
        QCOMPARE(r.code, 0);
        QCOMPARE(QImage(back).convertToFormat(QImage::Format_RGB32), fewColours());

        const QString jpeg = dir->filePath(QStringLiteral("x.jpeg"));
        r = runCli({png, QStringLiteral("-o"), jpeg});
        QCOMPARE(r.code, 0);
        QCOMPARE(head(jpeg, 3), QByteArray("\xFF\xD8\xFF"));

        // Both at once: the size is printed and the file written.
        const QString bmp = dir->filePath(QStringLiteral("both.bmp"));
        r = runCli({QStringLiteral("--info"), png, QStringLiteral("-o"), bmp});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QByteArray("5x4 24bppRGB\n"));
        QCOMPARE(head(bmp, 2), QByteArray("BM"));
    }

    // Each --op (space-separated in the row) gives exactly what the editor's commands give on a
    // document with the same image, the dialogs' answers scripted: for an image with alpha and
    // for an opaque one, which the command line keeps in 32 bits between operations.
    void operationsMatchTheEditor_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QList<int>>("commands");
        QTest::addColumn<QList<int>>("settings"); // sliders, blur size, or bits/w/h/stretch
        using L = QList<int>;
        QTest::newRow("invert") << "invert" << L{cmd::Invert} << L{};
        QTest::newRow("greyscale") << "greyscale" << L{cmd::Greyscale} << L{};
        QTest::newRow("blur") << "blur=5" << L{cmd::BlurSettings, cmd::BlurImage} << L{5};
        QTest::newRow("sharpen") << "sharpen" << L{cmd::Sharpen} << L{};
        QTest::newRow("emboss") << "emboss" << L{cmd::Emboss} << L{};
        QTest::newRow("flip") << "flip-vertical" << L{cmd::FlipVertical} << L{};
        QTest::newRow("mirror") << "flip-horizontal" << L{cmd::FlipHorizontal} << L{};
        QTest::newRow("turn left") << "rotate-left" << L{cmd::RotateLeft} << L{};
        QTest::newRow("turn right") << "rotate-right" << L{cmd::RotateRight} << L{};
        QTest::newRow("move") << "move=2,-1" << L{cmd::MoveRight, cmd::MoveRight, cmd::MoveUp}
                              << L{};
        QTest::newRow("brightness") << "brightness=60,41,90" << L{cmd::Brightness} << L{60, 41, 90};
        QTest::newRow("contrast") << "contrast=20,50,75" << L{cmd::Contrast} << L{20, 50, 75};
        QTest::newRow("hsb") << "hsb=30,70,55" << L{cmd::HueSaturation} << L{30, 70, 55};
        QTest::newRow("convert 8") << "convert=8" << L{cmd::ConvertImage} << L{8, 13, 9, 0};
        QTest::newRow("convert stretched")
            << "convert=24,7,5,stretch" << L{cmd::ConvertImage} << L{24, 7, 5, 1};
        QTest::newRow("move, emboss")
            << "move=2,0 emboss" << L{cmd::MoveRight, cmd::MoveRight, cmd::Emboss} << L{};
        QTest::newRow("move, convert")
            << "move=-1,0 convert=8" << L{cmd::MoveLeft, cmd::ConvertImage} << L{8, 13, 9, 0};
    }
    void operationsMatchTheEditor() {
        QFETCH(QString, op);
        QFETCH(QList<int>, commands);
        QFETCH(QList<int>, settings);
        for (const bool opaque : {false, true}) {
            QImage source(13, 9, QImage::Format_ARGB32);
            QRandomGenerator random(7);
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    source.setPixel(x, y, random.generate() | (opaque ? 0xFF000000u : 0u));
            if (opaque)
                source = source.convertToFormat(QImage::Format_RGB32);
            const QString in = dir->filePath(QStringLiteral("in.png"));
            const QString out = dir->filePath(QStringLiteral("out.png"));
            QVERIFY(source.save(in));
            QStringList arguments{in, QStringLiteral("-o"), out};
            for (const QString& one : op.split(QLatin1Char(' ')))
                arguments << QStringLiteral("--op") << one;
            const Result r = runCli(arguments);
            QCOMPARE(r.code, 0);

            ScriptedHost host;
            vantrel::CVantrelDoc doc(host);
            vantrel::registerOperationCommands(doc, host.user);
            doc.setBitmap(vantrel::loadImageFile(in).bitmap);
            QCOMPARE(doc.bitmap()->format(),
                     opaque ? vantrel::PixelFormat::RGB24 : vantrel::PixelFormat::ARGB32);
            if (commands.first() == cmd::BlurSettings)
                host.user.blurSizes.push_back(settings[0]);
            else if (commands.contains(cmd::ConvertImage))
                host.user.conversions.push_back(vantrel::ConversionRequest{
                    settings[0] == 8 ? vantrel::PixelFormat::Indexed8 : vantrel::PixelFormat::RGB24,
                    QSize(settings[1], settings[2]), settings[3] != 0});
            else if (settings.size() == 3)
                host.user.adjustments.push_back({{{settings[0], settings[1], settings[2]}}});
            for (int id : commands)
                QVERIFY(doc.executeCommand(id));
            const QImage expected = doc.bitmap()->toArgb32();
            QCOMPARE(QImage(out).convertToFormat(QImage::Format_ARGB32), expected);
        }
    }

    // The geometry operations' arguments reach them: the output equals the operation run here
    // with the settings the argument spells, on an opaque image and on one with alpha.
    void geometryArguments_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("angle");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("choice"); // resize method or anchor
        QTest::addColumn<uint>("background");
        using vantrel::Anchor;
        using vantrel::ResizeMethod;
        const int high = int(ResizeMethod::HighQuality), centre = int(Anchor::Centre);
        QTest::newRow("rotate") << "rotate=10"
                                << "rotate" << 10.0 << QSize() << 0 << 0xFFFFFFFFu;
        QTest::newRow("rotate, fill") << "rotate=-33.5,#80102030"
                                      << "rotate" << -33.5 << QSize() << 0 << 0x80102030u;
        QTest::newRow("resize") << "resize=30,20"
                                << "resize" << 0.0 << QSize(30, 20) << high << 0u;
        QTest::newRow("resize, nearest")
            << "resize=7,5,Nearest"
            << "resize" << 0.0 << QSize(7, 5) << int(ResizeMethod::Nearest) << 0u;
        QTest::newRow("canvas") << "canvas=20,3"
                                << "canvas" << 0.0 << QSize(20, 3) << centre << 0xFFFFFFFFu;
        QTest::newRow("canvas, anchor, fill")
            << "canvas=20,30,bottom-right,#00FF00"
            << "canvas" << 0.0 << QSize(20, 30) << int(Anchor::BottomRight) << 0xFF00FF00u;
    }
    void geometryArguments() {
        QFETCH(QString, op);
        QFETCH(QString, name);
        QFETCH(double, angle);
        QFETCH(QSize, size);
        QFETCH(int, choice);
        QFETCH(uint, background);
        vantrel::OperationParams params;
        params.angle = angle;
        params.size = size;
        params.resizeMethod = vantrel::ResizeMethod(choice);
        params.anchor = vantrel::Anchor(choice);
        params.background = background;
        for (const bool opaque : {false, true}) {
            QImage source(13, 9, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
            QRandomGenerator random(5);
            for (int y = 0; y < source.height(); ++y)
                for (int x = 0; x < source.width(); ++x)
                    source.setPixel(x, y, random.generate());
            const QString in = dir->filePath(QStringLiteral("in.png"));
            const QString out = dir->filePath(QStringLiteral("out.png"));
            QVERIFY(source.save(in));
            QCOMPARE(runCli({in, QStringLiteral("--op"), op, QStringLiteral("-o"), out}).code, 0);
            std::unique_ptr<vantrel::Bitmap> expected = vantrel::loadImageFile(in).bitmap;
            QVERIFY(vantrel::applyImageOperation(*vantrel::findOperation(qPrintable(name)),
                                                 expected, params));
            QCOMPARE(QImage(out).convertToFormat(QImage::Format_ARGB32), expected->toArgb32());
        }
    }

    void fileErrors_data() {
        QTest::addColumn<QString>("input");  // "%1" is the temporary folder
        QTest::addColumn<QString>("output"); // likewise
        QTest::addColumn<QString>("message");
        QTest::newRow("missing input") << "%1/missing.png"
                                       << "%1/out.png"
                                       << "Cannot open missing.png: ";
        QTest::newRow("garbage input") << "%1/garbage.png"
                                       << "%1/out.png"
                                       << "Cannot open garbage.png: ";
        QTest::newRow("unwritable output") << "%1/good.png"
                                           << "/proc/x.png"
                                           << "Cannot save x.png: ";
        QTest::newRow("output in missing folder") << "%1/good.png"
                                                  << "%1/none/y.gif"
                                                  << "Cannot save y.gif: ";
    }

    void fileErrors() {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, message);
        input.replace(QLatin1String("%1"), dir->path());
        output.replace(QLatin1String("%1"), dir->path());
        QVERIFY(fewColours().save(dir->filePath(QStringLiteral("good.png"))));
        QFile garbage(dir->filePath(QStringLiteral("garbage.png")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(500, '\x5a'));
        garbage.close();

        const Result r = runCli({input, QStringLiteral("-o"), output});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith(message.toUtf8()), r.err.constData());
        QVERIFY(r.err.endsWith('\n'));
        QVERIFY(!QFile::exists(output));
    }

    void partlyReadInput_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<bool>("written");
        const QByteArray warning(
            "Part of cut.bmp could not be read; the image may be incomplete.\n");
        QTest::newRow("damaged") << "cut.bmp" << false << 0 << warning << true;
        QTest::newRow("damaged, --strict") << "cut.bmp" << true << 1 << warning << false;
        QTest::newRow("intact, --strict") << "good.bmp" << true << 0 << QByteArray() << true;
    }

    void partlyReadInput() {
        QFETCH(QString, input);
        QFETCH(bool, strict);
        QFETCH(int, code);
        QFETCH(QByteArray, err);
        QFETCH(bool, written);
        const QString good = dir->filePath(QStringLiteral("good.bmp"));
        QVERIFY(fewColours().save(good));
        QFile cut(dir->filePath(QStringLiteral("cut.bmp")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(head(good, int(QFile(good).size()) - 10)); // the last pixels are missing
        cut.close();

        const QString output = dir->filePath(QStringLiteral("out.png"));
        QStringList args{dir->filePath(input), QStringLiteral("-o"), output};
        if (strict)
            args.prepend(QStringLiteral("--strict"));
        const Result r = runCli(args);
        QCOMPARE(r.code, code);
        QCOMPARE(r.err, err);
        QCOMPARE(QFile::exists(output), written);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no input") << QStringList{QStringLiteral("--info")};
        QTest::newRow("two inputs")
            << QStringList{QStringLiteral("%1/good.png"), QStringLiteral("%1/good.png"),
                           QStringLiteral("-o"), QStringLiteral("%1/o.png")};
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--frobnicate"), QStringLiteral("%1/good.png"),
                           QStringLiteral("-o"), QStringLiteral("%1/o.png")};
        QTest::newRow("-o without a file")
            << QStringList{QStringLiteral("%1/good.png"), QStringLiteral("-o")};
        const auto writing = [](const char* output, const char* option, const char* value) {
            return QStringList{QStringLiteral("%1/good.png"), QLatin1String(option),
                               QLatin1String(value), QStringLiteral("-o"),
                               QStringLiteral("%1/") + QLatin1String(output)};
        };
        QTest::newRow("quality 0") << writing("o.webp", "--quality", "0");
        QTest::newRow("quality 101") << writing("o.webp", "--quality", "101");
        QTest::newRow("quality for png") << writing("o.png", "--quality", "80");
        QTest::newRow("unknown compression") << writing("o.tif", "--compression", "zip");
        QTest::newRow("compression for webp") << writing("o.webp", "--compression", "lzw");
        for (const char* op : {"rotate=400", "rotate=10,#12", "resize=0,5", "resize=5,5,best",
                               "canvas=5,5,middle", "canvas=5"})
            QTest::newRow(op) << writing("o.png", "--op", op);
    }

    // The WebP quality and TIFF compression reach the encoders.
    void encoderSettings() {
        const QString in = dir->filePath(QStringLiteral("good.png"));
        QImage noise(64, 64, QImage::Format_RGB32);
        QRandomGenerator random(3);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                noise.setPixel(x, y, random.generate());
        QVERIFY(noise.save(in));
        const auto written = [&](const QString& name, const QStringList& options) {
            const QString out = dir->filePath(name);
            const Result r = runCli(QStringList{in, QStringLiteral("-o"), out} + options);
            return r.code == 0 ? QFileInfo(out).size() : -1;
        };
        const qint64 lossless = written(QStringLiteral("a.webp"), {});
        const qint64 lossy = written(QStringLiteral("b.webp"), {"--quality", "20"});
        QVERIFY(lossy > 0 && lossless > 2 * lossy);
        QCOMPARE(
            QImage(dir->filePath(QStringLiteral("a.webp"))).convertToFormat(QImage::Format_RGB32),
            noise);
        const qint64 plain = written(QStringLiteral("a.tif"), {"--compression", "none"});
        QVERIFY(plain >= 64 * 64 * 3);
        QVERIFY(written(QStringLiteral("b.tif"), {"--compression", "lzw"}) != plain);
    }

    void usageErrors() {
        QFETCH(QStringList, args);
        args.replaceInStrings(QStringLiteral("%1"), dir->path());
        QVERIFY(fewColours().save(dir->filePath(QStringLiteral("good.png"))));
        const Result r = runCli(args);
        QCOMPARE(r.code, 2);
        QCOMPARE(r.out, QByteArray());
        QVERIFY2(r.err.contains("--help"), r.err.constData());
        QVERIFY(!QFile::exists(dir->filePath(QStringLiteral("o.png"))));
    }

    void help() {
        const Result r = runCli({QStringLiteral("--help")});
        QCOMPARE(r.code, 0);
        for (const char* word :
             {"--info", "--strict", "-o, --output <file>", "Exit status", "0 on success",
              "1 when a file cannot be read or written", "2 for a usage"})
            QVERIFY2(r.out.contains(word), word);
    }

private:
    std::optional<QTemporaryDir> dir;
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
