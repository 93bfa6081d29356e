// DialogPrompt's dialogs, shown for real: the caption of its message boxes and where its save
// dialog starts. The adjustment and rotation dialogs' previews, which wait for the event loop.
// The resize and canvas size dialogs' sizes, and the save options remembered between saves.

#include "ScriptedHost.h"
#include "app/DialogPrompt.h"
#include "document/CSaveOptionsDlg.h"
#include "operations/CAdjustDlg.h"
#include "operations/CCanvasDlg.h"
#include "operations/CResizeDlg.h"
#include "operations/CRotateDlg.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

using namespace vantrel;

namespace {

// Once a modal dialog of type T is up, hands it to `inspect` and rejects it unless `inspect`
// closed it. Returns the watching timer, which deletes itself once it has found the dialog.
template <class T> QTimer* inspectNextDialog(std::function<void(T*)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start();
    return timer;
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The settings the dialogs remember go to a folder of the test's own.
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           tmp.filePath(QStringLiteral("config")));
    }

    void messageBoxCaption_data() {
        QTest::addColumn<bool>("question");
        QTest::newRow("message") << false;
        QTest::newRow("question") << true;
    }

    void messageBoxCaption() {
        QFETCH(bool, question);
        DialogPrompt prompt;
        QString caption;
        inspectNextDialog<QMessageBox>([&](QMessageBox* box) { caption = box->windowTitle(); });
        if (question)
            QCOMPARE(prompt.askYesNoCancel(QStringLiteral("Save changes?")),
                     DialogPrompt::Answer::Cancel);
        else
            prompt.showMessage(QStringLiteral("Done."), DialogPrompt::Icon::Warning);
        QCOMPARE(caption, QStringLiteral("Vantrel  "));
    }

    // The rows run in order: the first moves the folder file dialogs remember, so that the
    // last tells "left in the default folder" from "moved to the current folder".
    void saveDialogStart_data() {
        QTest::addColumn<QString>("start");  // "%1" is the temporary folder
        QTest::addColumn<int>("filter");     // 1 PNG, 2 JPG
        QTest::addColumn<QString>("folder"); // as start; empty: where a plain dialog opens
        QTest::addColumn<QString>("name");
        const QString path = QStringLiteral("%1/pictures/holiday.png");
        QTest::newRow("document with a path") << path << 1 << "%1/pictures"
                                              << "holiday.png";
        QTest::newRow("another type chosen") << path << 2 << "%1/pictures"
                                             << "holiday.jpg";
        QTest::newRow("document without a path") << "Bitmap3" << 2 << QString() << "Bitmap3";
    }

    void saveDialogStart() {
        QFETCH(QString, start);
        QFETCH(int, filter);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        start.replace(QLatin1String("%1"), tmp.path());
        folder = folder.isEmpty() ? QFileDialog().directory().absolutePath()
                                  : folder.replace(QLatin1String("%1"), tmp.path());
        QVERIFY(QDir().mkpath(tmp.filePath(QStringLiteral("pictures"))));
        QFile existing(tmp.filePath(QStringLiteral("pictures/holiday.png")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        DialogPrompt prompt;
        QString shownFolder;
        QString shownName;
        inspectNextDialog<QFileDialog>([&](QFileDialog* dialog) {
            shownFolder = dialog->directory().absolutePath();
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                shownName = edit->text();
        });
        const QString filters = QStringLiteral("PNG Files(*.png)|*.png|JPG Files(*.jpg)|*.jpg||");
        QCOMPARE(prompt.askSavePath(filters, filter, QString(), start), QString());
        QCOMPARE(shownFolder, QDir(folder).absolutePath());
        QCOMPARE(shownName, name);
    }

    // Moves made before the event loop runs give one preview, of the newest positions, in the
    // memory of the last, while the values follow at once. Apply computes a preview still
    // waiting, Cancel drops it.
    void adjustmentPreviewsWaitForTheEventLoop() {
        ScriptedHost host;
        CVantrelDoc doc(host);
        QImage source(24, 16, QImage::Format_ARGB32);
        for (int i = 0; i < 24 * 16; ++i)
            source.setPixel(i % 24, i / 24, quint32(i) * 0x9E3779B1u);
        doc.setBitmap(std::make_unique<Bitmap>(source, PixelFormat::ARGB32));
        const auto adjusted = [&](SliderPositions p) {
            QImage copy = source.copy();
            adjustmentFunction(Adjustment::HueSaturation, p)(copy);
            return copy;
        };
        QSignalSpy changes(&doc, &CVantrelDoc::changed);
        for (const bool apply : {true, false}) {
            PreviewSession session(doc);
            CAdjustHSBDlg dialog(session);
            for (const int position : {20, 30}) { // the first preview makes the adjusted copy
                changes.clear();
                dialog.slider(0)->setValue(position);
                settle();
            }
            const qsizetype onePreview = changes.count();
            const uchar* memory = doc.bitmap()->image().constBits();
            changes.clear();
            for (const int position : {10, 40, 70})
                dialog.slider(0)->setValue(position);
            QCOMPARE(dialog.valueLabel(0)->text(), QStringLiteral("70%"));
            QCOMPARE(doc.bitmap()->image(), adjusted({30, 50, 50}));
            settle();
            QCOMPARE(changes.count(), onePreview);
            QCOMPARE(doc.bitmap()->image(), adjusted({70, 50, 50}));
            QCOMPARE(doc.bitmap()->image().constBits(), memory); // written where it was
            dialog.slider(1)->setValue(5);
            apply ? dialog.accept() : dialog.reject();
            settle();
            QCOMPARE(doc.bitmap()->image(), adjusted({70, apply ? 5 : 50, 50}));
            apply ? session.apply() : session.cancel();
            if (apply)
                doc.undo();
            QCOMPARE(doc.bitmap()->image(), source);
        }
    }

    // A script of angle changes: numbers set in turn, "." lets the event loop run, "!n" sets n
    // without notice (as text not yet taken would be).
    void rotationPreviews_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("apply");
        QTest::addColumn<QList<double>>("previews");
        QTest::newRow("changes coalesce, apply runs the waiting one")
            << "10 20 . 30 45.5" << true << QList<double>{20, 45.5};
        QTest::newRow("cancel drops the waiting one") << "10 20 . 30" << false << QList<double>{20};
        QTest::newRow("apply shows an angle never shown") << "!15" << true << QList<double>{15};
        QTest::newRow("back where it was") << "10 . 0 -5 0 ." << true << QList<double>{10, 0};
        QTest::newRow("nothing turned") << "" << true << QList<double>{};
    }

    void rotationPreviews() {
        QFETCH(QString, script);
        QFETCH(bool, apply);
        QFETCH(QList<double>, previews);
        QList<double> shown;
        CRotateDlg dialog([&](double degrees) { shown.append(degrees); });
        for (const QString& step : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step == QLatin1String(".")) {
                settle();
            } else if (step.startsWith(QLatin1Char('!'))) {
                const QSignalBlocker block(dialog.angleBox());
                dialog.angleBox()->setValue(step.mid(1).toDouble());
            } else {
                dialog.angleBox()->setValue(step.toDouble());
            }
        }
        apply ? dialog.accept() : dialog.reject();
        settle();
        QCOMPARE(shown, previews);
    }

    // Each geometry dialog opens with its first box's number selected: typing replaces it.
    void geometryDialogsTypeOverTheirFirstBox() {
        ScriptedPrompt prompt;
        CRotateDlg rotate([](double) {});
        CResizeDlg resize({300, 200}, prompt);
        CCanvasDlg canvas({300, 200}, prompt);
        const std::tuple<QDialog*, QAbstractSpinBox*, QString> dialogs[] = {
            {&rotate, rotate.angleBox(), QStringLiteral("30°")},
            {&resize, resize.widthBox(), QStringLiteral("30")},
            {&canvas, canvas.widthBox(), QStringLiteral("30 px")}};
        for (const auto& [dialog, box, typed] : dialogs) {
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            QTest::keyClicks(box, QStringLiteral("30"));
            QCOMPARE(box->text(), typed);
            dialog->hide();
        }
    }

    void resizeSides_data() {
        QTest::addColumn<QSize>("original");
        QTest::addColumn<bool>("percent");
        QTest::addColumn<bool>("keepAspect");
        QTest::addColumn<bool>("editWidth");
        QTest::addColumn<double>("typed");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<double>("otherShown");
        QTest::newRow("pixels, ratio kept")
            << QSize(300, 200) << false << true << true << 150.0 << QSize(150, 100) << 100.0;
        QTest::newRow("height leads")
            << QSize(300, 200) << false << true << false << 50.0 << QSize(75, 50) << 75.0;
        QTest::newRow("rounded to nearest")
            << QSize(3, 7) << false << true << true << 2.0 << QSize(2, 5) << 5.0;
        QTest::newRow("halves up")
            << QSize(10, 5) << false << true << true << 3.0 << QSize(3, 2) << 2.0;
        QTest::newRow("at least 1")
            << QSize(100, 1) << false << true << true << 10.0 << QSize(10, 1) << 1.0;
        QTest::newRow("percent") << QSize(300, 200) << true << true << true << 50.0
                                 << QSize(150, 100) << 50.0;
        QTest::newRow("percent rounds each side")
            << QSize(3, 7) << true << true << true << 50.0 << QSize(2, 4) << 50.0;
        QTest::newRow("ratio free")
            << QSize(300, 200) << true << false << false << 150.0 << QSize(300, 300) << 100.0;
    }

    void resizeSides() {
        QFETCH(QSize, original);
        QFETCH(bool, percent);
        QFETCH(bool, keepAspect);
        QFETCH(bool, editWidth);
        QFETCH(double, typed);
        QFETCH(QSize, size);
        QFETCH(double, otherShown);
        ScriptedPrompt prompt;
        CResizeDlg dialog(original, prompt);
        QCOMPARE(dialog.request().size, original);
        QCOMPARE(dialog.request().method, ResizeMethod::HighQuality);
        dialog.unitList()->setCurrentIndex(
            int(percent ? CResizeDlg::Unit::Percent : CResizeDlg::Unit::Pixels));
        dialog.keepAspectBox()->setChecked(keepAspect);
        (editWidth ? dialog.widthBox() : dialog.heightBox())->setValue(typed);
        QCOMPARE(dialog.request().size, size);
        QCOMPARE((editWidth ? dialog.heightBox() : dialog.widthBox())->value(), otherShown);
    }

    // The percentages shown are rounded; the size meant is not.
    void resizeUnitSwitchKeepsTheSize() {
        ScriptedPrompt prompt;
        CResizeDlg dialog(QSize(60000, 3000), prompt);
        dialog.widthBox()->setValue(1000);
        dialog.unitList()->setCurrentIndex(int(CResizeDlg::Unit::Percent));
        QCOMPARE(dialog.widthBox()->value(), 1.67);
        QCOMPARE(dialog.request().size, QSize(1000, 50));
        dialog.unitList()->setCurrentIndex(int(CResizeDlg::Unit::Pixels));
        QCOMPARE(dialog.widthBox()->value(), 1000.0);
        QCOMPARE(dialog.heightBox()->value(), 50.0);
    }

    // Too large a size is answered with a message and the dialog stays; a good one closes it.
    void geometryDialogsRefuseBadSizes_data() {
        QTest::addColumn<bool>("canvas");
        QTest::newRow("resize") << false;
        QTest::newRow("canvas") << true;
    }

    void geometryDialogsRefuseBadSizes() {
        QFETCH(bool, canvas);
        ScriptedPrompt prompt;
        std::unique_ptr<QDialog> dialog;
        QWidget* width = nullptr;
        QWidget* height = nullptr;
        if (canvas) {
            auto* d = new CCanvasDlg(QSize(100, 100), prompt);
            std::tie(width, height) = std::pair(d->widthBox(), d->heightBox());
            dialog.reset(d);
        } else {
            auto* d = new CResizeDlg(QSize(100, 100), prompt);
            d->keepAspectBox()->setChecked(false);
            std::tie(width, height) = std::pair(d->widthBox(), d->heightBox());
            dialog.reset(d);
        }
        const auto setSize = [&](QSize s) {
            width->setProperty("value", s.width());
            height->setProperty("value", s.height());
        };
        dialog->show();
        for (const QSize bad : {QSize(20000, 20000), QSize(70000, 1)}) {
            setSize(bad);
            dialog->accept();
            QVERIFY(dialog->isVisible());
        }
        QCOMPARE(prompt.messages.size(), 2);
        QVERIFY(prompt.messages[0].contains(QLatin1String("65535")));
        setSize(QSize(16384, 16384)); // exactly 2^28 pixels
        dialog->accept();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(prompt.messages.size(), 2);
    }

    void canvasAnchors() {
        ScriptedPrompt prompt;
        CCanvasDlg dialog(QSize(40, 30), prompt);
        QCOMPARE(dialog.request().size, QSize(40, 30));
        QCOMPARE(dialog.request().anchor, Anchor::Centre);
        for (int i = 8; i >= 0; --i) {
            dialog.anchorButton(Anchor(i))->click();
            QCOMPARE(dialog.request().anchor, Anchor(i));
            int checked = 0;
            for (int j = 0; j < 9; ++j)
                checked += dialog.anchorButton(Anchor(j))->isChecked();
            QCOMPARE(checked, 1);
        }
        // Through the prompt, as the command asks.
        DialogPrompt dialogs;
        inspectNextDialog<CCanvasDlg>([](CCanvasDlg* d) {
            d->widthBox()->setValue(64);
            d->anchorButton(Anchor::BottomLeft)->click();
            d->accept();
        });
        const auto request = dialogs.askCanvasSize(QSize(40, 30));
        QVERIFY(request);
        QCOMPARE(request->size, QSize(64, 30));
        QCOMPARE(request->anchor, Anchor::BottomLeft);
    }

    // Each call starts on the options chosen last for its format, read from the settings; a
    // stored value out of range counts as never stored.
    void saveOptionsRemembered() {
        DialogPrompt prompt;
        struct Shown {
            bool lossless = false;
            int quality = 0;
            bool qualityEnabled = false;
            int compression = -1;
        };
        // Runs the dialog of `type`, noting what it showed; `choose` answers it or leaves it to
        // be cancelled.
        const auto ask = [&](ImageType type, std::function<void(CSaveOptionsDlg*)> choose) {
            Shown shown;
            inspectNextDialog<CSaveOptionsDlg>([&](CSaveOptionsDlg* d) {
                if (d->losslessBox()) {
                    shown.lossless = d->losslessBox()->isChecked();
                    shown.quality = d->qualityBox()->value();
                    shown.qualityEnabled = d->qualityBox()->isEnabled();
                } else {
                    shown.compression = d->compressionList()->currentIndex();
                }
                choose(d);
            });
            return std::pair(prompt.askSaveOptions(type), shown);
        };
        {
            auto settings = openSettings();
            settings->setValue(QStringLiteral("Save/WebP Quality"), -5);
            settings->setValue(QStringLiteral("Save/TIFF Compression"), QStringLiteral("zip"));
        }
        auto [webp, webpShown] = ask(ImageType::Webp, [](CSaveOptionsDlg* d) {
            d->losslessBox()->setChecked(false);
            d->qualityBox()->setValue(60);
            d->accept();
        });
        QVERIFY(webpShown.lossless && !webpShown.qualityEnabled);
        QVERIFY(webp);
        QCOMPARE(webp->webpQuality, 60);
        auto [tiff, tiffShown] = ask(ImageType::Tiff, [](CSaveOptionsDlg* d) {
            d->compressionList()->setCurrentIndex(int(TiffCompression::None));
            d->accept();
        });
        QCOMPARE(tiffShown.compression, int(TiffCompression::Lzw));
        QVERIFY(tiff);
        QCOMPARE(tiff->tiffCompression, TiffCompression::None);
        QCOMPARE(tiff->webpQuality, 60);
        // Cancelled: nothing comes back and nothing changes.
        auto [again, againShown] = ask(ImageType::Webp, [](CSaveOptionsDlg*) {});
        QVERIFY(!again);
        QVERIFY(!againShown.lossless && againShown.qualityEnabled);
        QCOMPARE(againShown.quality, 60);
        QCOMPARE(ask(ImageType::Tiff, [](CSaveOptionsDlg*) {}).second.compression,
                 int(TiffCompression::None));
        // Formats without options ask nothing.
        bool asked = false;
        QPointer<QTimer> watch = inspectNextDialog<QDialog>([&](QDialog*) { asked = true; });
        const auto png = prompt.askSaveOptions(ImageType::Png);
        delete watch.data();
        QVERIFY(!asked);
        QVERIFY(png);
        QCOMPARE(png->webpQuality, SaveOptions{}.webpQuality);
    }

private:
    QTemporaryDir tmp;
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
