// The open dialog's preview pane and the file associations, written into throw-away XDG
// folders.
#include "shell/CFileAssociatesDlg.h"
#include "shell/CPreviewFileDialog.h"
#include "shell/FileAssociations.h"
#include "shell/PreviewRules.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QItemSelectionModel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace vantrel;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QString writeImage(const QString& path, QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

// A mimeapps.list with another program's entries in every section, CRLF and comments included.
const QByteArray kOtherPrograms = "# kept as it is\n"
                                  "[Added Associations]\n"
                                  "image/png=other.desktop;\n"
                                  "\n"
                                  "[Default Applications]\r\n"
                                  "text/plain=editor.desktop;\r\n"
                                  "image/png=viewer.desktop;\r\n"
                                  "\n"
                                  "[Removed Associations]\n"
                                  "image/gif=x.desktop;";

} // namespace

class TestShell : public QObject {
    Q_OBJECT

    QTemporaryDir m_xdg;
    QString dataHome() const { return m_xdg.filePath("data"); }
    QString configHome() const { return m_xdg.filePath("config"); }
    QString mimeapps() const { return configHome() + "/mimeapps.list"; }
    QString entry() const { return dataHome() + "/applications/vantrel.desktop"; }

    // The environment a program started from here sees the throw-away folders in.
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", dataHome());
        env.insert("XDG_CONFIG_HOME", configHome());
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        return env;
    }

    QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        if (!p.waitForFinished(30000))
            return QStringLiteral("<did not finish>");
        if (exitCode)
            *exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    }

private Q_SLOTS:
    void init() {
        QDir(dataHome()).removeRecursively();
        QDir(configHome()).removeRecursively();
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    }

    void previewBox_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QRect>("drawn"); // inside the 100 x 100 box
        QTest::newRow("wide") << QSize(400, 200) << QRect(0, 25, 100, 50);
        QTest::newRow("tall") << QSize(200, 400) << QRect(25, 0, 50, 100);
        QTest::newRow("one pixel") << QSize(1, 1) << QRect(0, 0, 100, 100);
        QTest::newRow("truncated") << QSize(300, 299) << QRect(0, 0, 100, 99);
        QTest::newRow("odd margin") << QSize(100, 33) << QRect(0, 33, 100, 33);
    }
    void previewBox() {
        QFETCH(QSize, image);
        QFETCH(QRect, drawn);
        const QSize scaled = previewSize(image);
        QCOMPARE(QRect(previewOffset(scaled), scaled), drawn);
    }

    void selectionNames_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<bool>("previewed");
        QTest::newRow("one") << "a.png"
                             << "a.png"
                             << "png" << true;
        QTest::newRow("upper case") << "B.JPG"
                                    << "B.JPG"
                                    << "JPG" << true;
        QTest::newRow("last dot") << "x.tar.gif"
                                  << "x.tar.gif"
                                  << "gif" << true;
        QTest::newRow("jpeg") << "photo.jpeg"
                              << "photo.jpeg"
                              << "jpeg" << false;
        QTest::newRow("tif") << "scan.tif"
                             << "scan.tif"
                             << "tif" << false;
        QTest::newRow("no dot") << "README"
                                << "README"
                                << "" << false;
        QTest::newRow("several") << "\"b.Bmp\" \"a.png\""
                                 << "b.Bmp"
                                 << "Bmp" << true;
        QTest::newRow("several, jpeg") << "\"c.jpeg\" \"a.png\""
                                       << "c.jpeg"
                                       << "peg" << false;
        QTest::newRow("short name") << "\"ab\" \"a.png\""
                                    << "ab"
                                    << "ab" << false;
        QTest::newRow("unclosed") << "\"a.png"
                                  << ""
                                  << "" << false;
    }
    void selectionNames() {
        QFETCH(QString, text);
        const PreviewSelection s = previewSelection(text);
        QTEST(s.name, "name");
        QTEST(s.ext, "ext");
        QTEST(isPreviewable(s.ext), "previewed");
    }

    void lineTexts() {
        const std::pair<quint32, const char*> sizes[] = {
            {0, "Size: 0.00 Kb"},          {512, "Size: 0.50 Kb"},
            {1048575, "Size: 1024.00 Kb"}, {1048576, "Size: 1.00 Mb"},
            {5767168, "Size: 5.50 Mb"},    {4294967295u, "Size: 4096.00 Mb"},
        };
        for (const auto& [bytes, text] : sizes)
            QCOMPARE(previewFileSizeText(bytes), QString::fromLatin1(text));
        QCOMPARE(previewCreatedText(QDateTime(QDate(2009, 3, 5), QTime(23, 59))),
                 QStringLiteral("Create: 5.3.2009"));
        QCOMPARE(previewCreatedText(QDateTime()), QStringLiteral("Create: 0.0.0"));
        QCOMPARE(previewDimensionsText({640, 480}), QStringLiteral("640 x 480"));
    }

    void previewPane() {
        QTemporaryDir dir;
        writeImage(dir.filePath("wide.png"), {400, 200}, 0xFFFF0000);
        writeImage(dir.filePath("tall.bmp"), {200, 400}, 0xFF0000FF);
        writeAll(dir.filePath("broken.png"), "\x89PNG\r\n\x1a\n not really");
        writeAll(dir.filePath("notes.txt"), "text");
        auto dialog = std::make_unique<CPreviewFileDialog>(nullptr, dir.path());
        dialog->show();
        QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(dialog->previewCheckBox()->isChecked());
        QSignalSpy loads(dialog.get(), &CPreviewFileDialog::previewFinished);
        // Files are chosen by clicking in the detail view, once the folder is listed.
        auto* view = dialog->findChild<QTreeView*>("treeView");
        QVERIFY(view);
        QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 4);
        const auto click = [&](const QString& name, Qt::KeyboardModifiers modifiers = {}) {
            const QModelIndexList found = view->model()->match(
                view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, name);
            QVERIFY(!found.isEmpty());
            QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers,
                              view->visualRect(found.first()).center());
        };

        click("wide.png");
        QTRY_COMPARE(dialog->lines().value(0), QStringLiteral("wide.png"));
        QStringList lines = dialog->lines();
        QCOMPARE(lines[1], QStringLiteral("400 x 200"));
        QCOMPARE(lines[2], previewFileSizeText(QFileInfo(dir.filePath("wide.png")).size()));
        QVERIFY(lines[3].startsWith("Create: "));
        QImage shown = dialog->shownPicture();
        QCOMPARE(shown.size(), QSize(100, 50));
        QCOMPARE(shown.pixel(50, 25), QRgb(0xFFFF0000));

        // An undecodable file leaves the picture and the lines; a file that is not previewed
        // empties the box and leaves the lines.
        loads.clear();
        click("broken.png");
        QTRY_COMPARE(loads.size(), 1);
        QCOMPARE(dialog->lines(), lines);
        QCOMPARE(dialog->shownPicture(), shown);
        click("notes.txt");
        QVERIFY(dialog->shownPicture().isNull());
        QCOMPARE(dialog->lines(), lines);

        // Two files chosen: the first of the names is previewed.
        click("tall.bmp");
        click("wide.png", Qt::ControlModifier);
        QTRY_COMPARE(dialog->lines().value(0), QStringLiteral("tall.bmp"));
        QCOMPARE(dialog->lines().value(1), QStringLiteral("200 x 400"));
        QCOMPARE(dialog->shownPicture().size(), QSize(50, 100));
        QCOMPARE(dialog->selectedFiles().size(), 2);

        // Off empties the box and the lines; on previews the selection again.
        dialog->previewCheckBox()->click();
        QVERIFY(dialog->shownPicture().isNull());
        QCOMPARE(dialog->lines(), QStringList(4, QString()));
        dialog->previewCheckBox()->click();
        QTRY_COMPARE(dialog->lines().value(0), QStringLiteral("tall.bmp"));
        QCOMPARE(dialog->shownPicture().pixel(25, 50), QRgb(0xFF0000FF));

        // The size and folder are there the next time.
        dialog->resize(1000, 640);
        dialog->reject();
        dialog = std::make_unique<CPreviewFileDialog>();
        QCOMPARE(dialog->size(), QSize(1000, 640));
        QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(dialog->previewCheckBox()->isChecked());
    }

    void execArguments_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("argument");
        QTest::newRow("plain") << "/usr/bin/vantrel"
                               << "/usr/bin/vantrel";
        QTest::newRow("blank") << "/opt/my apps/vantrel"
                               << "\"/opt/my apps/vantrel\"";
        QTest::newRow("dollar") << "/a$b/vantrel"
                                << "\"/a\\\\$b/vantrel\"";
        QTest::newRow("percent") << "/x%y/vantrel"
                                 << "/x%%y/vantrel";
    }
    void execArguments() {
        QFETCH(QString, path);
        QTEST(desktopExecArgument(path), "argument");
    }

    void defaultsEdits_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray()
                                 << QByteArray("[Default Applications]\nimage/bmp=v.desktop;\n");
        QTest::newRow("no section, no last line end")
            << QByteArray("[Added Associations]\na/b=x;")
            << QByteArray("[Added Associations]\na/b=x;\n\n[Default Applications]\n"
                          "image/bmp=v.desktop;\n");
        QTest::newRow("empty section before another")
            << QByteArray("[Default Applications]\n\n[Other]\nk=v\n")
            << QByteArray("[Default Applications]\nimage/bmp=v.desktop;\n\n[Other]\nk=v\n");
        QTest::newRow("already first")
            << QByteArray("[Default Applications]\nimage/bmp = v.desktop;old.desktop\n")
            << QByteArray("[Default Applications]\nimage/bmp = v.desktop;old.desktop\n");
        QTest::newRow("second moves up")
            << QByteArray("[Default Applications]\nimage/bmp=a.desktop;v.desktop;b.desktop")
            << QByteArray("[Default Applications]\nimage/bmp=v.desktop;a.desktop;b.desktop;");
    }
    void defaultsEdits() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QByteArray added = withDefaults(before, {"image/bmp"}, "v.desktop");
        QCOMPARE(added, after);
        QCOMPARE(withDefaults(added, {"image/bmp"}, "v.desktop"), added);
    }

    void associationsDialog() {
        writeAll(mimeapps(), kOtherPrograms);
        CFileAssociatesDlg dialog;
        for (AssociatedType type : kAssociatedTypes)
            QVERIFY(dialog.checkBox(type)->isChecked());
        dialog.checkBox(AssociatedType::Gif)->setChecked(false);
        dialog.checkBox(AssociatedType::Jpg)->setChecked(false);
        dialog.reject();
        QCOMPARE(readAll(mimeapps()), kOtherPrograms);
        QVERIFY(!QFileInfo::exists(entry()));

        const QByteArray expected = "# kept as it is\n"
                                    "[Added Associations]\n"
                                    "image/png=other.desktop;\n"
                                    "\n"
                                    "[Default Applications]\r\n"
                                    "text/plain=editor.desktop;\r\n"
                                    "image/png=vantrel.desktop;viewer.desktop;\r\n"
                                    "image/bmp=vantrel.desktop;\n"
                                    "\n"
                                    "[Removed Associations]\n"
                                    "image/gif=x.desktop;";
        for (int twice = 0; twice < 2; ++twice) {
            dialog.accept();
            QCOMPARE(readAll(mimeapps()), expected);
        }
        const QByteArray desktop = readAll(entry());
        QVERIFY(desktop.contains(
            "\nExec=" + desktopExecArgument(QCoreApplication::applicationFilePath()).toUtf8() +
            " %F\n"));
        QVERIFY(desktop.contains("\nMimeType=image/bmp;image/gif;image/jpeg;image/png;\n"));
        QVERIFY(QFileInfo::exists(dataHome() + "/icons/hicolor/scalable/apps/vantrel.svg"));
        if (!QStandardPaths::findExecutable("update-desktop-database").isEmpty())
            QVERIFY(QFileInfo::exists(dataHome() + "/applications/mimeinfo.cache"));

        // Undone, the other programs' lines are back as they were.
        QVERIFY(unregisterAssociations());
        QCOMPARE(readAll(mimeapps()), kOtherPrograms);
        QVERIFY(!QFileInfo::exists(entry()));
    }

    void switchesAndTheDesktopClients() {
        int code = -1;
        QCOMPARE(run(VANTREL_EXE, {"--register-associations"}, &code), QString());
        QCOMPARE(code, 0);
        QCOMPARE(readAll(mimeapps()), QByteArray("[Default Applications]\n"
                                                 "image/bmp=vantrel.desktop;\n"
                                                 "image/gif=vantrel.desktop;\n"
                                                 "image/jpeg=vantrel.desktop;\n"
                                                 "image/png=vantrel.desktop;\n"));
        QVERIFY(readAll(entry()).contains("\nExec=" + QByteArray(VANTREL_EXE) + " %F\n"));
        if (!QStandardPaths::findExecutable("xdg-mime").isEmpty())
            QCOMPARE(run("xdg-mime", {"query", "default", "image/png"}),
                     QStringLiteral("vantrel.desktop"));
        QCOMPARE(run(VANTREL_EXE, {"--unregister-associations"}, &code), QString());
        QCOMPARE(code, 0);
        QCOMPARE(readAll(mimeapps()), QByteArray("[Default Applications]\n"));
        QVERIFY(!QFileInfo::exists(entry()));

        // A folder that cannot be written is reported, not passed over.
        writeAll(m_xdg.filePath("blocked"), "a file where a folder should be");
        QProcessEnvironment env = environment();
        QProcess p;
        env.insert("XDG_CONFIG_HOME", m_xdg.filePath("blocked"));
        p.setProcessEnvironment(env);
        p.start(VANTREL_EXE, {"--register-associations"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("could not"));

        // The desktop's launchers start the registered program with the file. The program
        // here is a script that records its arguments; gio gets it in a folder whose name
        // needs quoting (xdg-open without a desktop session reads Exec lines too simply for
        // that, and needs some display named to use them at all).
        const QString png = writeImage(m_xdg.filePath("picture one.png"), {2, 2}, 0xFF00FF00);
        const QString record = m_xdg.filePath("record.txt");
        const auto launch = [&](const QStringList& command, const QString& script,
                                const QString& display) {
            const QString program = QStandardPaths::findExecutable(command.first());
            if (program.isEmpty())
                return;
            QFile::remove(record);
            writeAll(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n");
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QVERIFY(registerAssociations({AssociatedType::Png}, {script, {}}));
            QProcess p;
            QProcessEnvironment env = environment();
            if (!display.isEmpty())
                env.insert("DISPLAY", display);
            p.setProcessEnvironment(env);
            p.start(program, command.mid(1) << png);
            QTRY_COMPARE_WITH_TIMEOUT(readAll(record), png.toUtf8() + "\n", 10000);
            p.waitForFinished(10000);
        };
        launch({"gio", "open"}, m_xdg.filePath("my $tools/record.sh"), {});
        launch({"xdg-open"}, m_xdg.filePath("bin/record.sh"), ":99");
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
