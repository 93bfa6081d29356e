#include "ScriptedHost.h"
#include "document/CSizeDlg.h"
#include "document/NewImageSize.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vantrel;

class SizeDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QApplication::clipboard()->clear(); }

    void plainDecimalParse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("digits") << "2048" << 2048;
        QTest::newRow("trailing letters") << "12abc" << 12;
        QTest::newRow("leading blanks") << "   42" << 42;
        QTest::newRow("plus sign") << "+7" << 7;
        QTest::newRow("minus sign") << "-5" << -5;
        QTest::newRow("blank then sign") << "  -30x" << -30;
        QTest::newRow("letter first") << "a12" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("sign only") << "-" << 0;
        QTest::newRow("inner blank stops") << "1 2" << 1;
        QTest::newRow("decimal point stops") << "3.9" << 3;
        QTest::newRow("huge saturates") << "99999999999999" << INT_MAX;
        QTest::newRow("huge negative saturates") << "-99999999999999" << INT_MIN;
    }
    void plainDecimalParse() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(parseDecimal(text), value);
    }

    void boundsAreOneTo2048() {
        QVERIFY(isValidNewImageSize(1, 1));
        QVERIFY(isValidNewImageSize(2048, 2048));
        QVERIFY(!isValidNewImageSize(2049, 10));
        QVERIFY(!isValidNewImageSize(10, 2049));
        QVERIFY(!isValidNewImageSize(0, 10));
        QVERIFY(!isValidNewImageSize(10, -1));
        // A saturated huge entry is still out of range, never wrapped into it.
        QVERIFY(!isValidNewImageSize(parseDecimal("4294967297"), 10));
    }

    void proposesTheClipboardPictureSize() {
        ScriptedPrompt prompt;
        CSizeDlg dialog(prompt);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("New Image"));

        dialog.initialise();
        QCOMPARE(dialog.widthBox()->text(), QStringLiteral("100"));
        QCOMPARE(dialog.heightBox()->text(), QStringLiteral("100"));

        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QApplication::clipboard()->setImage(picture);
        dialog.initialise();
        QCOMPARE(dialog.widthBox()->text(), QStringLiteral("300"));
        QCOMPARE(dialog.heightBox()->text(), QStringLiteral("200"));

        QApplication::clipboard()->setImage(QImage(1, 1, QImage::Format_RGB32));
        dialog.initialise();
        QCOMPARE(dialog.imageWidth(), 1);
        QCOMPARE(dialog.imageHeight(), 1);

        // Showing the dialog runs the proposal again, replacing what a caller set.
        QApplication::clipboard()->clear();
        dialog.setImageWidth(640);
        dialog.show();
        QCOMPARE(dialog.widthBox()->text(), QStringLiteral("100"));
        dialog.reject();
    }

    void okChecksBothBoxes_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::newRow("largest") << "2048"
                                 << "2048" << true << 2048 << 2048;
        QTest::newRow("smallest") << "1"
                                  << "1" << true << 1 << 1;
        QTest::newRow("digits then letters") << "12abc"
                                             << "7" << true << 12 << 7;
        QTest::newRow("too wide") << "2049"
                                  << "10" << false << 2049 << 10;
        QTest::newRow("zero height") << "10"
                                     << "0" << false << 10 << 0;
        QTest::newRow("letter") << "x"
                                << "10" << false << 0 << 10;
        QTest::newRow("negative") << "-4"
                                  << "10" << false << -4 << 10;
    }
    void okChecksBothBoxes() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(bool, accepted);
        QFETCH(int, w);
        QFETCH(int, h);
        ScriptedPrompt prompt;
        CSizeDlg dialog(prompt);
        dialog.show();
        dialog.widthBox()->setText(width);
        dialog.heightBox()->setText(height);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(dialog.imageWidth(), w);
        QCOMPARE(dialog.imageHeight(), h);
        if (accepted) {
            QVERIFY(prompt.messages.isEmpty());
        } else {
            QCOMPARE(prompt.messages,
                     QStringList{"Image must have between 1 and 2048 pixels on a side"});
            // The user can correct the entry and confirm.
            dialog.widthBox()->setText("64");
            dialog.heightBox()->setText("32");
            QTest::keyClick(dialog.heightBox(), Qt::Key_Return);
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.imageWidth(), 64);
            QCOMPARE(dialog.imageHeight(), 32);
        }
    }

    void cancelKeepsTheProposal() {
        ScriptedPrompt prompt;
        CSizeDlg dialog(prompt);
        dialog.show();
        dialog.widthBox()->setText("555");
        dialog.reject();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.imageWidth(), 100);
        QVERIFY(prompt.messages.isEmpty());
    }
};

QTEST_MAIN(SizeDlgTest)
#include "test_sizedlg.moc"
