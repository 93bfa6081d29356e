#include "ScriptedHost.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "document/Recovery.h"
#include "settings/Settings.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace vantrel;

Q_DECLARE_METATYPE(vantrel::ProcessIdentity)
Q_DECLARE_METATYPE(vantrel::PixelFormat)

namespace {

// A process that ran once: this id with a start time no process of this boot has.
ProcessIdentity finishedProcess() {
    const ProcessIdentity self = ProcessIdentity::current();
    return {self.pid, QStringLiteral("1"), self.bootId};
}

// Seeded noise in every byte of the storage: indices within the palette, every alpha.
std::unique_ptr<Bitmap> noise(PixelFormat format, QSize size, const QList<QRgb>& palette = {}) {
    auto bitmap = std::make_unique<Bitmap>(size.width(), size.height(), format);
    QImage& image = bitmap->image();
    if (!palette.isEmpty())
        image.setColorTable(palette);
    QRandomGenerator random{quint32(format)};
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (qsizetype i = 0; i < image.bytesPerLine(); ++i)
            line[i] = uchar(random.bounded(256) % (image.depth() == 8 ? image.colorCount() : 256));
        if (format == PixelFormat::PARGB32)
            for (int x = 0; x < image.width(); ++x)
                reinterpret_cast<QRgb*>(line)[x] = qPremultiply(reinterpret_cast<QRgb*>(line)[x]);
    }
    return bitmap;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

RecoverySnapshot snapshotOf(RecoveryStore& store, const Bitmap& bitmap, const QString& path,
                            const QString& title) {
    return {store.newId(), bitmap.image(), bitmap.format(), {}, {}, {}, path, title};
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> state;
    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<CVantrelApp> app;

    QString folder() const { return RecoveryStore::defaultFolder(); }
    CMainFrame& frame() { return *app->mainFrame(); }
    void setInterval(const QVariant& seconds) {
        openSettings()->setValue(kRecoveryIntervalKey, seconds);
    }

private Q_SLOTS:
    void init() {
        state = std::make_unique<QTemporaryDir>();
        qputenv("XDG_STATE_HOME", state->path().toLocal8Bit());
        openSettings()->clear();
        prompt = std::make_unique<ScriptedPrompt>();
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
    }
    void cleanup() {
        app.reset();
        settle();
    }

    // An editor killed with unsaved changes comes back at the next start. The editor is this
    // test forked (the executable takes no outside command that could change a document), so
    // the SIGKILL is real. It runs first: the fork must come before this process starts Qt's
    // painting threads, which the forked editor would wait for in vain.
    void killedEditorComesBack() {
        QTemporaryDir files;
        const QString path = files.filePath(QStringLiteral("photo.png"));
        QVERIFY(noise(PixelFormat::RGB24, {13, 7})->image().save(path));
        QImage inverted(path);
        inverted.convertTo(QImage::Format_RGB888);
        inverted.invertPixels();
        setInterval(1);

        const pid_t editor = ::fork();
        QVERIFY(editor >= 0);
        if (editor == 0) {
            ::alarm(120); // never outlives a test that failed to kill it
            ScriptedPrompt editorPrompt;
            CVantrelApp editorApp(editorPrompt, editorPrompt);
            if (editorApp.initInstance({path}) && editorApp.mainFrame()->runCommand(cmd::Invert))
                QCoreApplication::exec();
            ::_exit(1);
        }
        bool reaped = false;
        int status = 0;
        const auto reap = qScopeGuard([&] {
            if (!reaped && ::kill(editor, SIGKILL) == 0)
                ::waitpid(editor, &status, 0);
        });
        const auto recordWritten = [&] {
            const QString first = filesIn(folder()).value(0); // a record sorts first
            return first.startsWith(QString::number(editor) + '-') && first.endsWith(".json");
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            recordWritten() || (reaped = ::waitpid(editor, &status, WNOHANG) == editor), 60000);
        QVERIFY2(!reaped, "the editor ended before writing its copy");
        QCOMPARE(filesIn(folder()).size(), 2); // and its picture
        QCOMPARE(::kill(editor, SIGKILL), 0);
        QCOMPARE(::waitpid(editor, &status, 0), editor);
        reaped = true;

        prompt->restoreAnswers.push_back(true);
        QVERIFY(app->initInstance({}));
        QCOMPARE(prompt->restoreOffers, (QList<QStringList>{{path}}));
        QCOMPARE(app->documents().size(), size_t(1));
        const CVantrelDoc* doc = app->documents().front();
        QCOMPARE(std::tuple(doc->isModified(), doc->pathName(), doc->title()),
                 std::tuple(true, path, QStringLiteral("photo.png")));
        QCOMPARE(doc->bitmap()->image(), inverted);
        // This editor's own copy of the document replaces the killed one's.
        app->finishRecoveryWrites();
        QCOMPARE(filesIn(folder()).size(), 2);
        QVERIFY(filesIn(folder()).value(0).startsWith(QString::number(::getpid()) + '-'));
    }

    void storeRoundTrip_data() {
        QTest::addColumn<PixelFormat>("format");
        QTest::addColumn<QList<QRgb>>("palette"); // empty: the format's own
        QTest::addColumn<bool>("floating");
        QList<QRgb> greys;
        for (int i = 0; i < 256; ++i)
            greys.append(qRgb(i, i, i));
        const QList<QRgb> own;
        QTest::newRow("32-bit") << PixelFormat::ARGB32 << own << false;
        QTest::newRow("premultiplied") << PixelFormat::PARGB32 << own << false;
        QTest::newRow("24-bit") << PixelFormat::RGB24 << own << false;
        QTest::newRow("8-bit greys") << PixelFormat::Indexed8 << greys << false;
        QTest::newRow("8-bit alpha")
            << PixelFormat::Indexed8 << QList<QRgb>{0x00FF0000, 0x80123456, 0xFF00FF00} << false;
        QTest::newRow("4-bit") << PixelFormat::Indexed4 << own << false;
        QTest::newRow("1-bit white first")
            << PixelFormat::Indexed1 << QList<QRgb>{0xFFFFFFFF, 0xFF000000} << false;
        QTest::newRow("32-bit floating") << PixelFormat::ARGB32 << own << true;
        QTest::newRow("8-bit floating") << PixelFormat::Indexed8 << own << true;
    }
    // Pixels, alpha, palette and format come back; a floating selection comes back composed
    // as a save writes it.
    void storeRoundTrip() {
        QFETCH(PixelFormat, format);
        QFETCH(QList<QRgb>, palette);
        QFETCH(bool, floating);
        const auto bitmap = noise(format, {37, 23}, palette);
        const auto selection = noise(PixelFormat::ARGB32, {9, 30});
        const QPoint at(30, -2); // partly outside
        const auto expected =
            floating ? CVantrelDoc::composeFloating(*bitmap, *selection, at) : bitmap->clone();
        QVERIFY(!floating || expected->image() != bitmap->image());

        RecoveryStore dead(folder(), finishedProcess());
        RecoverySnapshot snapshot = snapshotOf(dead, *bitmap, "/pictures/a.png", "a.png");
        if (floating)
            std::tie(snapshot.floating, snapshot.floatingFormat, snapshot.floatingAt) =
                std::tuple(selection->image(), selection->format(), at);
        QCOMPARE(dead.write(snapshot), QString());

        RecoveryStore store(folder());
        const std::vector<RecoveryRecord> found = store.abandoned();
        QCOMPARE(found.size(), size_t(1));
        const RecoveryRecord& record = found.front();
        QCOMPARE(std::tuple(record.damage, record.path, record.title, record.format),
                 std::tuple(QString(), QStringLiteral("/pictures/a.png"), QStringLiteral("a.png"),
                            format));
        const RestoredPicture restored = store.read(record);
        QCOMPARE(restored.error, QString());
        const QImage& image = restored.bitmap->image();
        QCOMPARE(std::tuple(restored.bitmap->format(), image.format(), image.colorTable()),
                 std::tuple(format, expected->image().format(), expected->image().colorTable()));
        QCOMPARE(image, expected->image()); // by colour when indexed
        store.remove(record.id);
        QCOMPARE(filesIn(folder()), QStringList());
    }

    // Only copies whose writer no longer runs are offered; a live editor's are left alone.
    void staleAndLiveWriters_data() {
        QTest::addColumn<ProcessIdentity>("writer");
        QTest::addColumn<bool>("offered");
        const ProcessIdentity self = ProcessIdentity::current();
        QTest::newRow("this editor") << self << false;
        QTest::newRow("another running one") << ProcessIdentity::of(::getppid()) << false;
        QTest::newRow("finished, id reused") << finishedProcess() << true;
        QTest::newRow("earlier boot") << ProcessIdentity{self.pid, self.startTime, "x"} << true;
        QTest::newRow("no such process")
            << ProcessIdentity{std::numeric_limits<pid_t>::max(), {}, {}} << true;
    }
    void staleAndLiveWriters() {
        QFETCH(ProcessIdentity, writer);
        QFETCH(bool, offered);
        QVERIFY(!ProcessIdentity::current().startTime.isEmpty());
        RecoveryStore writing(folder(), writer);
        const Bitmap picture(2, 2, PixelFormat::RGB24);
        QCOMPARE(writing.write(snapshotOf(writing, picture, {}, "t")), QString());
        QCOMPARE(RecoveryStore(folder()).abandoned().size(), size_t(offered ? 1 : 0));
    }

    // One question offers the copies; damaged ones are reported in one message. All are
    // removed, whatever the answer.
    void startUpOffer_data() {
        QTest::addColumn<bool>("restore");
        QTest::newRow("restored") << true;
        QTest::newRow("declined") << false;
    }
    void startUpOffer() {
        QFETCH(bool, restore);
        const auto first = noise(PixelFormat::RGB24, {5, 4});
        const auto second = noise(PixelFormat::Indexed8, {3, 6});
        RecoveryStore dead(folder(), finishedProcess());
        for (const auto& [bitmap, path, title] :
             {std::tuple(first.get(), "/pictures/first.png", "first.png"),
              {second.get(), "", "Bitmap4"},
              {first.get(), "", "bad record"},
              {first.get(), "", "bad picture"},
              {first.get(), "", "no record"}})
            QCOMPARE(dead.write(snapshotOf(dead, *bitmap, path, title)), QString());
        const QString base = folder() + QStringLiteral("/%1-1-%2.");
        const QString pid = QString::number(dead.self().pid);
        QFile(base.arg(pid).arg(3) + "json").resize(5);
        QFile(base.arg(pid).arg(4) + "png").resize(20);
        QFile::remove(base.arg(pid).arg(5) + "json");

        setInterval(0);
        prompt->restoreAnswers.push_back(restore);
        QVERIFY(app->initInstance({}));
        // (The damaged picture is found only when read.)
        QCOMPARE(prompt->restoreOffers,
                 (QList<QStringList>{{"/pictures/first.png", "Bitmap4", "bad picture"}}));
        QCOMPARE(prompt->messages.size(), 1);
        for (int n : {3, 5}) // unreadable records: named by file
            QVERIFY(prompt->messages.at(0).contains(QStringLiteral("%1-1-%2").arg(pid).arg(n)));
        QCOMPARE(prompt->messages.at(0).contains("bad picture"), restore);
        QCOMPARE(filesIn(folder()), QStringList());
        if (!restore) {
            QVERIFY(app->documents().empty());
            return;
        }

        const std::vector<CVantrelDoc*> docs = app->documents();
        QCOMPARE(docs.size(), size_t(2));
        for (const auto& [doc, path, title, bitmap] :
             {std::tuple(docs[0], "/pictures/first.png", "first.png", first.get()),
              {docs[1], "", "Bitmap4", second.get()}}) {
            QCOMPARE(std::tuple(doc->isModified(), doc->pathName(), doc->title()),
                     std::tuple(true, QString(path), QString(title)));
            QCOMPARE(doc->bitmap()->image(), bitmap->image());
        }
        prompt->sizes.push_back(QSize(2, 2)); // a new image does not take the restored number
        QVERIFY(frame().runCommand(cmd::FileNew));
        QCOMPARE(frame().activeDocument()->title(), QStringLiteral("Bitmap5"));
    }

    // The editor copies a modified document once per change; a save or a close removes the
    // copy. Interval 0 writes nothing.
    void editorCopies_data() {
        QTest::addColumn<QVariant>("setting");
        QTest::addColumn<int>("intervalMs");
        QTest::newRow("default") << QVariant() << 60000;
        QTest::newRow("every second") << QVariant(1) << 1000;
        QTest::newRow("off") << QVariant(0) << 0;
        QTest::newRow("not a number") << QVariant(QStringLiteral("soon")) << 60000;
    }
    void editorCopies() {
        QFETCH(QVariant, setting);
        QFETCH(int, intervalMs);
        if (setting.isValid())
            setInterval(setting);
        QVERIFY(app->initInstance({}));
        QCOMPARE(app->recoveryIntervalMs(), intervalMs);
        const auto copies = [this] {
            app->writeRecoveryCopies();
            app->finishRecoveryWrites();
            return filesIn(folder());
        };
        prompt->sizes.push_back(QSize(8, 8));
        QVERIFY(frame().runCommand(cmd::FileNew));
        QCOMPARE(copies(), QStringList()); // not modified
        QVERIFY(frame().runCommand(cmd::Invert));
        const QStringList written = copies();
        QCOMPARE(written.size(), intervalMs ? 2 : 0);
        if (!intervalMs)
            return;
        // Unchanged, it is not written again: a record taken away stays away.
        QVERIFY(QFile::remove(folder() + QLatin1Char('/') + written.at(0)));
        QCOMPARE(copies(), written.mid(1));

        prompt->savePaths.push_back(state->filePath(QStringLiteral("saved.png")));
        QVERIFY(frame().runCommand(cmd::FileSave));
        app->finishRecoveryWrites();
        QCOMPARE(filesIn(folder()), QStringList());
        QVERIFY(frame().runCommand(cmd::Invert));
        QCOMPARE(copies().size(), 2);
        prompt->answers.push_back(UserPrompt::Answer::No); // close, discarding the changes
        QVERIFY(frame().runCommand(cmd::FileClose));
        settle();
        app->finishRecoveryWrites();
        QCOMPARE(filesIn(folder()), QStringList());
    }
};

QTEST_MAIN(RecoveryTest)
#include "test_recovery.moc"
