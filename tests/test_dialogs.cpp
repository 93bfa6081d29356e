// DialogPrompt's dialogs, shown for real: the caption of its message boxes and where its save
// dialog starts. The adjustment dialogs' previews, which wait for the event loop.

#include "ScriptedHost.h"
#include "app/DialogPrompt.h"
#include "operations/CAdjustDlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace vantrel;

namespace {

// Once a modal dialog of type T is up, hands it to `inspect` and rejects it.
template <class T> void inspectNextDialog(std::function<void(T*)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(dialog);
        dialog->reject();
    });
    timer->start();
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
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

private:
    QTemporaryDir tmp;
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
