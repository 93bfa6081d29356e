// The source dialog and Scan Now, on SANE's virtual test scanner and cameras named in
// VANTREL_EXTRA_CAMERAS.
#include "SaneTestBackend.h"
#include "ScriptedHost.h"
#include "acquisition/CTwainSourcesDlg.h"
#include "acquisition/CTwainUtils.h"
#include "acquisition/CWebCameraDlg.h"
#include "acquisition/CameraDevices.h"
#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vantrel;

class AcquisitionTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<CVantrelApp> app;
    QTemporaryDir folder;
    QStringList questions;
    QList<bool> answers;

    CMainFrame& frame() { return *app->mainFrame(); }
    DeviceSettings& devices() { return frame().deviceSettings(); }

    // The source dialog on the frame's stored choices, its questions answered from `answers`.
    std::unique_ptr<CTwainSourcesDlg> sourcesDialog() {
        SourcePrompts prompts;
        prompts.askContinue = [this](const QString& q) {
            questions.append(q);
            return !answers.isEmpty() && answers.takeFirst();
        };
        prompts.showError = [this](const QString& e) { questions.append(e); };
        return std::make_unique<CTwainSourcesDlg>(frame().twain(), devices().scannerSource,
                                                  devices().cameraSource, &frame(), prompts);
    }

    CVantrelDoc* scan() {
        const size_t before = app->documents().size();
        frame().runCommand(cmd::ScanNow);
        return app->documents().size() > before ? app->documents().back() : nullptr;
    }

private Q_SLOTS:
    void initTestCase() {
        keepSaneTestBackendLoaded();
        qputenv("VANTREL_EXTRA_CAMERAS",
                "Ball=videotestsrc pattern=ball; no description ;=nameless;Bars=videotestsrc "
                "pattern=smpte");
        QVERIFY(QDir::setCurrent(folder.path()));
    }
    void init() {
        openSettings()->clear();
        questions.clear();
        answers.clear();
        prompt = std::make_unique<ScriptedPrompt>();
        app = std::make_unique<CVantrelApp>(*prompt, *prompt);
        QVERIFY(app->initInstance({}));
    }
    void cleanup() {
        app.reset();
        settle();
    }

    void extraCameras() {
        const QList<CameraDevice> extra =
            parseExtraCameras(qEnvironmentVariable("VANTREL_EXTRA_CAMERAS"));
        QCOMPARE(extra, (QList<CameraDevice>{{"Ball", "videotestsrc pattern=ball"},
                                             {"Bars", "videotestsrc pattern=smpte"}}));
        // Real devices, if any, come first.
        QCOMPARE(enumerateCameras().mid(enumerateCameras().size() - 2), extra);
    }

    void sourcesDialogChoosesAndAsks() {
        QVERIFY(frame().commandState(cmd::TwainSettings).enabled);
        QVERIFY(frame().commandState(cmd::ScanNow).enabled);
        devices().scannerSource = "test:1";
        devices().cameraSource = "Bars";
        auto dialog = sourcesDialog();
        QComboBox* scanners = dialog->scannerList();
        QComboBox* cameras = dialog->cameraList();
        QCOMPARE(scanners->count(), 2);
        QCOMPARE(scanners->itemText(0), QStringLiteral("test:0"));
        QCOMPARE(scanners->currentText(), QStringLiteral("test:1"));
        QVERIFY(!scanners->itemData(0, Qt::ToolTipRole).toString().isEmpty());
        QCOMPARE(cameras->currentText(), QStringLiteral("Bars"));
        QVERIFY(dialog->okButton()->isEnabled());
        scanners->setCurrentIndex(-1);
        cameras->setCurrentIndex(-1);
        QVERIFY(!dialog->okButton()->isEnabled());

        // A changed scanner is kept even when the camera question stops the dialog.
        scanners->setCurrentIndex(0);
        answers = {false};
        dialog->accept();
        QCOMPARE(questions, QStringList{"Camera Direct Show Source was not selected. "
                                        "Continue anyway?"});
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QCOMPARE(devices().scannerSource, QStringLiteral("test:0"));
        QCOMPARE(devices().cameraSource, QStringLiteral("Bars"));
        answers = {true};
        dialog->accept();
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(devices().cameraSource, QString());

        // A stored scanner that is gone selects nothing, and OK asks about it.
        devices().scannerSource = "gone:0";
        questions.clear();
        dialog = sourcesDialog();
        QCOMPARE(dialog->scannerList()->currentIndex(), -1);
        QVERIFY(!dialog->okButton()->isEnabled()); // and no camera either
        dialog->cameraList()->setCurrentIndex(0);
        answers = {false};
        dialog->accept();
        QCOMPARE(questions, QStringList{"Scanner TWAIN Source was not selected. Continue anyway?"});
        QCOMPARE(devices().scannerSource, QStringLiteral("gone:0"));
    }

    void scanNowNamesOpensAndReports() {
        devices().scannerSource.clear();
        QVERIFY(!scan());
        QCOMPARE(prompt->messages.value(0),
                 QStringLiteral("Scan Error: No scanner is chosen. Choose one with File > "
                                "TWAIN Settings."));

        // Names in use are skipped, never overwritten; the rectangle is measured once.
        QFile taken(folder.filePath("tmpImg1.bmp"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("someone else's");
        taken.close();
        devices().scannerSource = "test:0";
        CVantrelDoc* first = scan();
        QVERIFY(first);
        QCOMPARE(first->title(), QStringLiteral("tmpImg0.bmp"));
        QVERIFY(frame().twain().areaKnown());
        const ScanArea area = frame().twain().area();
        QCOMPARE(area.left, 0);
        QVERIFY(area.right > 0 && area.bottom > 0);
        // The whole bed, 200 mm at 25 dpi.
        QCOMPARE(first->bitmap()->size(), QSize(196, 196));
        CVantrelDoc* second = scan();
        QVERIFY(second);
        QCOMPARE(second->title(), QStringLiteral("tmpImg2.bmp"));
        QCOMPARE(second->bitmap()->size(), first->bitmap()->size());
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("someone else's"));

        // Choosing the same scanner keeps the rectangle; another one forgets it.
        auto dialog = sourcesDialog();
        dialog->cameraList()->setCurrentIndex(0);
        dialog->accept();
        QVERIFY(frame().twain().areaKnown());
        dialog = sourcesDialog();
        dialog->scannerList()->setCurrentIndex(1);
        dialog->accept();
        QVERIFY(!frame().twain().areaKnown());

        // A scanner that cannot be opened, and a folder that cannot be written, are reported
        // and leave nothing behind.
        prompt->messages.clear();
        devices().scannerSource = "gone:0";
        QVERIFY(!scan());
        QCOMPARE(prompt->messages.value(0),
                 QStringLiteral("Scan Error: Could not open TWAIN Data Source"));
        QVERIFY(!QFileInfo::exists(folder.filePath("tmpImg3.bmp")));
        devices().scannerSource = "test:0";
        QVERIFY(QDir::setCurrent("/proc"));
        QVERIFY(!scan());
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(prompt->messages.value(1).startsWith("Scan Error: Cannot write /proc/tmpImg3.bmp"));
        QCOMPARE(scan()->title(), QStringLiteral("tmpImg3.bmp"));
    }

    void webCameraFailuresLeaveNoDialog() {
        const std::pair<const char*, const char*> cases[] = {
            {"", "Error: Camera Direct Show Source was not selected!"},
            {"bars", "Error: Camera Direct Show Source \"bars\" was not found!"},
        };
        for (const auto& [camera, message] : cases) {
            prompt->messages.clear();
            devices().cameraSource = camera;
            QVERIFY(frame().runCommand(cmd::WebCamera));
            QCOMPARE(prompt->messages, QStringList{message});
            QVERIFY(!frame().webCamera());
        }
    }

    void webCameraLiveFreezeAndSave() {
        devices().cameraSource = "Bars";
        devices().webcamWidth = 320;
        devices().webcamHeight = 240;
        devices().webcamFrequency = 333333;
        QVERIFY(frame().runCommand(cmd::WebCamera));
        CWebCameraDlg* dialog = frame().webCamera();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QTRY_VERIFY(!dialog->preview()->picture().isNull());
        QCOMPARE(dialog->preview()->picture().size(), QSize(320, 240));
        // The layout: the preview at (5, 5) with a 2-pixel border, the buttons right of it.
        QCOMPARE(dialog->preview()->geometry(), QRect(5, 5, 324, 244));
        QCOMPARE(dialog->freezeButton()->x(), 339);
        QCOMPARE(dialog->findChild<QGroupBox*>()->x(), 334);
        QCOMPARE(devices().webcamFrequency, 333333);
        // A second command brings the same dialog forward.
        QVERIFY(frame().runCommand(cmd::WebCamera));
        QCOMPARE(frame().webCamera(), dialog);

        dialog->toggleFreeze();
        QCOMPARE(dialog->freezeButton()->text(), QStringLiteral("UnFreeze"));
        const QImage frozen = dialog->frame();
        QTest::qWait(200);
        QCOMPARE(dialog->frame(), frozen);
        dialog->toggleFreeze();
        QCOMPARE(dialog->freezeButton()->text(), QStringLiteral("Freeze"));

        // Saved beside an existing webcamera.bmp, upright: the bars are at the top.
        QFile taken(folder.filePath("webcamera.bmp"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.close();
        dialog->save();
        QTRY_VERIFY(!frame().webCamera());
        CVantrelDoc* doc = frame().activeDocument();
        QVERIFY(doc);
        QCOMPARE(doc->title(), QStringLiteral("webcamera-1.bmp"));
        QCOMPARE(doc->bitmap()->size(), QSize(320, 240));
        QCOMPARE(QFileInfo(folder.filePath("webcamera-1.bmp")).size(), 54 + 320 * 3 * 240);
        QVERIFY(qGray(doc->bitmap()->pixel(10, 10)) > 150); // the first bar
        QVERIFY(qGray(doc->bitmap()->pixel(10, 235)) < qGray(doc->bitmap()->pixel(10, 10)));
        QCOMPARE(QFileInfo(taken).size(), 0);
    }

    void webCameraOpenedAndClosedRepeatedly() {
        // Larger than the screen: shown whole, scaled down.
        devices().cameraSource = "Ball";
        devices().webcamWidth = 4000;
        devices().webcamHeight = 3000;
        for (int i = 0; i < 8; ++i) {
            QVERIFY(frame().runCommand(cmd::WebCamera));
            QPointer<CWebCameraDlg> dialog = frame().webCamera();
            QVERIFY(dialog);
            QTRY_VERIFY(!dialog->frame().isNull());
            QVERIFY(dialog->screen()->availableGeometry().contains(dialog->frameGeometry()));
            QCOMPARE(dialog->frame().size(), QSize(4000, 3000));
            if (i % 2)
                dialog->close();
            else
                dialog->reject();
            QTRY_VERIFY(!dialog);
        }
    }

    void cancelDuringAScan() {
        // Run on its own with tests/sane-slow, where the test scanner reads slowly (SANE reads
        // its configuration folder once per process).
        if (!qEnvironmentVariable("SANE_CONFIG_DIR").endsWith("sane-slow"))
            QSKIP("needs SANE_CONFIG_DIR=tests/sane-slow");
        devices().scannerSource = "test:0";
        QTemporaryDir scans;
        QVERIFY(QDir::setCurrent(scans.path()));

        // Cancel once the progress dialog shows some of the image read.
        QTimer watch;
        bool clicked = false;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* progress = frame().findChild<QProgressDialog*>();
            if (!clicked && progress && progress->value() > 0) {
                clicked = true;
                progress->findChild<QPushButton*>()->click();
            }
        });
        watch.start(20);
        QVERIFY(!scan());
        QVERIFY(QDir::setCurrent(folder.path()));
        QVERIFY(clicked);
        QVERIFY(prompt->messages.isEmpty());
        QCOMPARE(QDir(scans.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(AcquisitionTest)
#include "test_acquisition.moc"
