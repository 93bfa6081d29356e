// Select all, delete, copy, cut, paste and paste as new image, through the document's and the
// application's commands; the pictures other programs offer; and, under Xvfb, a round trip
// with another X client (xclip).
#include "ScriptedHost.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "document/CSizeDlg.h"
#include "document/CVantrelDoc.h"
#include "document/ClipboardPicture.h"
#include "imaging/Bitmap.h"
#include "imaging/ImageFile.h"
#include "settings/Settings.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"
#include "view/tools/Tool.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>

using namespace vantrel;

namespace {

// Random pixels; with `alpha` each also has a random alpha, some of them 0.
QImage noise(QSize size, bool alpha, quint32 seed = 11) {
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            QRgb p = random.generate();
            if (!alpha || (x + y) % 3 == 0)
                p = alpha ? p & 0x00FFFFFFu : p | 0xFF000000u;
            image.setPixel(x, y, p);
        }
    return image;
}

QImage argb(const Bitmap& b) {
    return b.image().convertToFormat(QImage::Format_ARGB32);
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A BMP header claiming `side` x `side` pixels at 24 bits, with no pixels behind it.
QByteArray bmpHeader(int side) {
    QByteArray b(54, '\0');
    auto put = [&b](int at, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, quint32(side), 4);
    put(22, quint32(side), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG claiming `side` x `side` RGBA pixels, whose image data is empty.
QByteArray pngHeader(int side) {
    auto be = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[i] = char(v >> (24 - 8 * i));
        return b;
    };
    auto chunk = [&be](const QByteArray& type, const QByteArray& body) {
        return be(quint32(body.size())) + type + body + be(crc32(type + body));
    };
    const QByteArray ihdr = be(quint32(side)) + be(quint32(side)) + QByteArray("\x08\x06\0\0\0", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", {}) +
           chunk("IEND", {});
}

void offer(QMimeData* data) {
    QGuiApplication::clipboard()->setMimeData(data);
}

bool onX() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// A document with a window onto it, as the editor makes them.
struct Rig {
    ScriptedHost host;
    CVantrelDoc doc{host};
    ToolTable table;
    CVantrelView view{doc, host, table, nullptr};
    QImage original;

    explicit Rig(QImage image, PixelFormat format = PixelFormat::ARGB32)
        : original(
              image.convertToFormat(storageFormat(format)).convertToFormat(QImage::Format_ARGB32)) {
        doc.setBitmap(
            std::make_unique<Bitmap>(image.convertToFormat(storageFormat(format)), format));
        view.resize(200, 200);
        view.show();
    }
    QImage image() const { return argb(*doc.bitmap()); }
    int state() const { return host.tools.currentTool(); }
    bool enabled(int id) {
        CommandState s;
        return doc.updateCommand(id, s) && s.enabled;
    }
};

} // namespace

class ClipboardTest : public QObject {
    Q_OBJECT

    // Runs xclip with `args`, the event loop serving the clipboard meanwhile; its output goes
    // to `out`.
    void xclip(const QStringList& args, QByteArray* out = nullptr) {
        QProcess process;
        process.start(QStringLiteral("xclip"), args);
        QVERIFY2(process.waitForStarted(5000), "xclip did not start (scripts/install-deps)");
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 10000);
        QCOMPARE(process.exitCode(), 0);
        if (out)
            *out = process.readAllStandardOutput();
    }

private Q_SLOTS:
    void cleanup() { QGuiApplication::clipboard()->clear(); }

    void selectAllThenDeleteAndUndo_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("opacity");
        QTest::addColumn<QRgb>("back");
        QTest::newRow("32-bit, half-transparent back")
            << int(PixelFormat::ARGB32) << 50 << 0x7F112233u;
        QTest::newRow("24-bit") << int(PixelFormat::RGB24) << 100 << 0xFF445566u;
    }
    void selectAllThenDeleteAndUndo() {
        QFETCH(int, format);
        QFETCH(int, opacity);
        QFETCH(QRgb, back);
        Rig rig(noise({16, 12}, false), PixelFormat(format));
        rig.host.colourState.setOpacity(opacity);
        rig.host.colourState.setBackColour(back);
        QCOMPARE(rig.host.colourState.backColour(), back);
        QVERIFY(!rig.enabled(cmd::EditDelete));
        QVERIFY(rig.doc.executeCommand(cmd::SelectAll));
        QCOMPARE(rig.state(), tool::RectSelectFloating);
        QCOMPARE(rig.doc.floatingRect(), (FloatingRect{0, 0, 16, 12}));
        QCOMPARE(argb(*rig.doc.floatingSelection()), rig.original);
        QCOMPARE(rig.doc.bitmap()->pixel(7, 5), back); // replaced, not blended
        QVERIFY(rig.enabled(cmd::EditDelete));
        QVERIFY(rig.doc.executeCommand(cmd::EditDelete));
        QVERIFY(!rig.doc.floatingSelection());
        QVERIFY(!rig.doc.selectionFlag());
        QCOMPARE(rig.state(), tool::RectSelect);
        QImage allBack(16, 12, QImage::Format_ARGB32);
        allBack.fill(back);
        QCOMPARE(rig.image(), allBack);
        rig.doc.undo();
        QCOMPARE(rig.image(), rig.original);
    }

    void copyKeepsTransparencyAndMerges() {
        Rig rig(noise({9, 7}, true));
        rig.host.colourState.setBackColour(0xFF0000FFu);
        rig.doc.selectAll();
        QVERIFY(rig.enabled(cmd::EditCopy));
        QVERIFY(rig.doc.executeCommand(cmd::EditCopy));
        QVERIFY(!rig.doc.floatingSelection());
        QCOMPARE(rig.state(), tool::RectSelect);
        QVERIFY(rig.enabled(cmd::EditPaste));
        // Merged over the back colour: a pixel with alpha 0 shows the back colour.
        QCOMPARE(rig.doc.bitmap()->pixel(0, 0), 0xFF0000FFu);

        Rig other(noise({20, 20}, false));
        other.doc.paste();
        QVERIFY(other.doc.floatingSelection());
        QCOMPARE(argb(*other.doc.floatingSelection()), rig.original);
        QCOMPARE(qAlpha(other.doc.floatingSelection()->pixel(0, 0)), 0);
    }

    void cutLeavesBackColour() {
        Rig rig(noise({8, 8}, false));
        rig.host.colourState.setBackColour(0xFF00FF00u);
        rig.doc.selectAll();
        QVERIFY(rig.doc.executeCommand(cmd::EditCut));
        QVERIFY(!rig.doc.floatingSelection());
        QCOMPARE(rig.state(), tool::RectSelect);
        QCOMPARE(rig.doc.bitmap()->pixel(3, 4), 0xFF00FF00u);
        const ClipboardPicture picture = readClipboardPicture();
        QVERIFY(picture.bitmap);
        QCOMPARE(argb(*picture.bitmap), rig.original);
        rig.doc.undo();
        QCOMPARE(rig.image(), rig.original);
    }

    void pastePositionFollowsTheScroll_data() {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QPoint>("scroll");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("zoom 2, scrolled") << 2 << QPoint(100, 60) << QPoint(48, 28);
        QTest::newRow("zoom 2, unscrolled") << 2 << QPoint(0, 0) << QPoint(0, 0);
        QTest::newRow("within the margin") << 1 << QPoint(3, 4) << QPoint(0, 0);
        QTest::newRow("zoom 1, scrolled") << 1 << QPoint(100, 60) << QPoint(96, 56);
    }
    void pastePositionFollowsTheScroll() {
        QFETCH(int, zoom);
        QFETCH(QPoint, scroll);
        QFETCH(QPoint, expected);
        QGuiApplication::clipboard()->setImage(noise({5, 3}, false));
        Rig rig(noise({300, 300}, false));
        rig.view.setZoom(zoom);
        rig.view.horizontalScrollBar()->setValue(scroll.x());
        rig.view.verticalScrollBar()->setValue(scroll.y());
        QCOMPARE(rig.view.scrollPosition(), scroll);
        rig.doc.paste();
        QCOMPARE(rig.doc.floatingRect().toRect(), QRect(expected, QSize(5, 3)));
        QCOMPARE(rig.state(), tool::RectSelectFloating);
        QVERIFY(rig.doc.selectionFlag());
    }

    void pasteTwiceMergesTheFirst() {
        const QImage picture = noise({4, 3}, false, 5);
        QGuiApplication::clipboard()->setImage(picture);
        Rig rig(noise({20, 20}, false));
        rig.doc.paste();
        rig.doc.setFloatingRect({6, 7, 10, 10}); // the user dragged it
        rig.doc.paste();
        QCOMPARE(rig.image().copy(6, 7, 4, 3), picture);
        QCOMPARE(rig.image().copy(0, 0, 4, 3), rig.original.copy(0, 0, 4, 3));
        QCOMPARE(rig.doc.floatingRect().toRect(), QRect(0, 0, 4, 3));
        rig.doc.commitFloatingSelection();
        rig.doc.undo();
        rig.doc.undo();
        QCOMPARE(rig.image(), rig.original);
    }

    void otherProgramsPictures_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("offered");
        QTest::newRow("PNG") << "image/png" << true;
        QTest::newRow("BMP") << "image/bmp" << true;
        QTest::newRow("JPEG") << "image/jpeg" << true;
        QTest::newRow("image file") << "text/uri-list" << true;
        QTest::newRow("text file") << "text/uri-list; text" << false;
        QTest::newRow("plain text") << "text/plain" << false;
    }
    void otherProgramsPictures() {
        QFETCH(QString, type);
        QFETCH(bool, offered);
        QImage flat(6, 4, QImage::Format_RGB32); // flat, so JPEG keeps it within a few steps
        flat.fill(0xFF3366CCu);
        QTemporaryDir dir;
        auto* data = new QMimeData;
        if (type.startsWith(QLatin1String("image/"))) {
            const QByteArray format = type.mid(6).toLatin1();
            data->setData(type, encoded(flat, format.constData()));
        } else if (type.startsWith(QLatin1String("text/uri-list"))) {
            const bool image = type == QLatin1String("text/uri-list");
            const QString path = dir.filePath(image ? "copied.png" : "notes.txt");
            if (image)
                QVERIFY(flat.save(path));
            else
                QVERIFY(QFile(path).open(QIODevice::WriteOnly));
            data->setUrls({QUrl::fromLocalFile(path)});
        } else {
            data->setText(QStringLiteral("not a picture"));
        }
        offer(data);
        Rig rig(noise({10, 10}, false));
        QCOMPARE(rig.enabled(cmd::EditPaste), offered);
        rig.doc.paste();
        QCOMPARE(rig.doc.floatingSelection() != nullptr, offered);
        QVERIFY(rig.host.user.messages.isEmpty());
        if (!offered)
            return;
        const QImage pasted = argb(*rig.doc.floatingSelection());
        QCOMPARE(pasted.size(), flat.size());
        for (QRgb p : {pasted.pixel(0, 0), pasted.pixel(5, 3)})
            QVERIFY2(qAbs(qRed(p) - 0x33) <= 4 && qAbs(qGreen(p) - 0x66) <= 4 &&
                         qAbs(qBlue(p) - 0xCC) <= 4 && qAlpha(p) == 255,
                     qPrintable(QString::number(p, 16)));
    }

    void oversizedPictureIsRefusedAsAFileIs_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("PNG") << "image/png" << pngHeader(20000);
        QTest::newRow("BMP") << "image/bmp" << bmpHeader(20000);
    }
    void oversizedPictureIsRefusedAsAFileIs() {
        QFETCH(QString, type);
        QFETCH(QByteArray, header);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.") + type.mid(6));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(header);
        file.close();
        const QString fileError = loadImageFile(path).error;
        QVERIFY2(fileError.contains(QLatin1String("too large")), qPrintable(fileError));

        auto* data = new QMimeData;
        data->setData(type, header);
        offer(data);
        Rig rig(noise({10, 10}, false));
        rig.doc.paste();
        QVERIFY(!rig.doc.floatingSelection());
        QCOMPARE(rig.image(), rig.original);
        QCOMPARE(rig.doc.undoCount(), 0);
        QVERIFY(!rig.doc.isModified());
        QCOMPARE(rig.host.user.messages.size(), 1);
        // The same reason, after the name of what could not be opened.
        QCOMPARE(rig.host.user.messages.front().section(QLatin1String(": "), 1),
                 fileError.section(QLatin1String(": "), 1));
    }

    void newImageDialogProposesThePictureSize_data() {
        QTest::addColumn<bool>("asFile");
        QTest::newRow("picture") << false;
        QTest::newRow("copied image file") << true;
    }
    void newImageDialogProposesThePictureSize() {
        QFETCH(bool, asFile);
        const QImage picture = noise({33, 21}, false);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("copied.bmp"));
        QVERIFY(picture.save(path));
        auto* data = new QMimeData;
        if (asFile)
            data->setUrls({QUrl::fromLocalFile(path)});
        else
            data->setImageData(picture);
        offer(data);
        ScriptedPrompt prompt;
        CSizeDlg dialog(prompt);
        dialog.initialise();
        QCOMPARE(QSize(dialog.imageWidth(), dialog.imageHeight()), QSize(33, 21));
    }

    void pasteAsNewImage() {
        openSettings()->clear();
        ScriptedPrompt prompt;
        CVantrelApp app(prompt, prompt);
        QVERIFY(app.initInstance({}));
        CMainFrame& frame = *app.mainFrame();
        const QImage picture = noise({7, 5}, false);
        QGuiApplication::clipboard()->setImage(picture);
        prompt.sizes.push_back(QSize(7, 5)); // the size the New Image dialog proposes
        QVERIFY(frame.commandState(cmd::PasteAsNewImage).enabled);
        QVERIFY(frame.runCommand(cmd::PasteAsNewImage));
        CVantrelDoc* doc = frame.activeDocument();
        QVERIFY(doc);
        QCOMPARE(argb(*doc->bitmap()), picture);
        QVERIFY(!doc->floatingSelection());
        QCOMPARE(frame.toolState().currentTool(), tool::RectSelect);
        QVERIFY(prompt.messages.isEmpty());
    }

    // A second X client reads what the editor copied and offers what the editor pastes.
    void otherClientRoundTrip_data() {
        QTest::addColumn<QString>("direction");
        QTest::newRow("copy, read as PNG by xclip") << "copy";
        QTest::newRow("PNG offered by xclip") << "image/png";
        QTest::newRow("image file offered by xclip") << "text/uri-list";
    }
    void otherClientRoundTrip() {
        if (!onX())
            QSKIP("needs a real X clipboard: run under xvfb-run with the xcb platform");
        QFETCH(QString, direction);
        const QImage picture = noise({6, 5}, true);
        if (direction == QLatin1String("copy")) {
            Rig rig(picture);
            rig.doc.selectAll();
            rig.doc.copy();
            QByteArray png;
            xclip({"-selection", "clipboard", "-t", "image/png", "-o"}, &png);
            const QImage read = QImage::fromData(png, "PNG");
            QVERIFY2(!read.isNull(), "xclip got no PNG");
            QCOMPARE(read.convertToFormat(QImage::Format_ARGB32), rig.original);
            return;
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("offered.png"));
        QVERIFY(picture.save(path));
        QGuiApplication::clipboard()->setText(QStringLiteral("nothing yet"));
        if (direction == QLatin1String("image/png")) {
            xclip({"-selection", "clipboard", "-t", "image/png", "-i", path});
        } else {
            const QString list = dir.filePath(QStringLiteral("list"));
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QUrl::fromLocalFile(path).toEncoded() + "\r\n");
            file.close();
            xclip({"-selection", "clipboard", "-t", "text/uri-list", "-i", list});
        }
        QTRY_VERIFY_WITH_TIMEOUT(clipboardHasPicture(), 10000);
        Rig rig(noise({10, 10}, false));
        rig.doc.paste();
        QVERIFY(rig.doc.floatingSelection());
        QCOMPARE(argb(*rig.doc.floatingSelection()), picture);
    }
};

QTEST_MAIN(ClipboardTest)
#include "test_clipboard.moc"
