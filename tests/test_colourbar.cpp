#include "colourbar/CColorBar.h"
#include "colourbar/ColourState.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

using namespace vantrel;

namespace {

QRgb rgbOf(QRgb c) {
    return c & 0x00FFFFFFu;
}

// True when every channel of `a` is within `tolerance` of `b`'s.
bool near(QRgb a, QRgb b, int tolerance = 2) {
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace

class ColourBarTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ColourState> colours;
    std::unique_ptr<CColorBar> bar;

    void left(QPoint p) { QTest::mouseClick(bar.get(), Qt::LeftButton, Qt::NoModifier, p); }
    void right(QPoint p) { QTest::mouseClick(bar.get(), Qt::RightButton, Qt::NoModifier, p); }

private Q_SLOTS:
    void init() {
        colours = std::make_unique<ColourState>();
        bar = std::make_unique<CColorBar>(*colours);
        bar->show();
        QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
    }
    void cleanup() {
        bar.reset();
        colours.reset();
    }

    void startsOpaqueBlackOnWhiteAtFullOpacity() {
        QCOMPARE(colours->foreColour(), QRgb(0xFF000000));
        QCOMPARE(colours->backColour(), QRgb(0xFFFFFFFF));
        QCOMPARE(bar->opacitySlider()->value(), 100);
        QCOMPARE(bar->opacityLabel()->text(), QStringLiteral("100%"));
    }

    void paletteClicksPickForeAndBackWithTheSliderAlpha() {
        bar->opacitySlider()->setValue(40);
        const QRect red = CColorBar::swatchRect(9);
        left(red.center());
        QCOMPARE(colours->foreColour(), QRgb(0x66FF0000));
        QCOMPARE(colours->backColour(), QRgb(0x66FFFFFF));

        // The right button changes only the back colour.
        right(CColorBar::swatchRect(12).center()); // blue
        QCOMPARE(colours->backColour(), QRgb(0x660000FF));
        QCOMPARE(colours->foreColour(), QRgb(0x66FF0000));

        // Every swatch answers with its own palette colour.
        for (int i = 0; i < 16; ++i) {
            left(CColorBar::swatchRect(i).center());
            QCOMPARE(rgbOf(colours->foreColour()), rgbOf(ColourState::palette()[size_t(i)]));
        }
    }

    void swatchEdgesAndGaps() {
        const QRect green = CColorBar::swatchRect(10);
        left(green.topLeft());
        QCOMPARE(colours->foreColour(), QRgb(0xFF00FF00));
        left(CColorBar::swatchRect(11).topLeft() + QPoint(7, 0)); // top edge, yellow
        QCOMPARE(colours->foreColour(), QRgb(0xFFFFFF00));
        left(CColorBar::swatchRect(13).topLeft() + QPoint(0, 7)); // left edge, magenta
        QCOMPARE(colours->foreColour(), QRgb(0xFFFF00FF));

        // One past the right or bottom edge is the gap before the next swatch.
        const QRgb before = colours->foreColour();
        left(QPoint(green.left() + 15, green.center().y()));
        left(QPoint(green.left() + 17, green.center().y()));
        left(QPoint(CColorBar::swatchRect(2).center().x(), CColorBar::swatchRect(2).top() + 15));
        QCOMPARE(colours->foreColour(), before);
    }

    void opacitySliderSetsTheAlphaOfBothColours() {
        left(CColorBar::swatchRect(9).center());
        right(CColorBar::swatchRect(14).center());
        QSignalSpy changed(colours.get(), &ColourState::changed);

        bar->opacitySlider()->setValue(0);
        QCOMPARE(colours->foreColour(), QRgb(0x00FF0000));
        QCOMPARE(colours->backColour(), QRgb(0x0000FFFF));
        QCOMPARE(bar->opacityLabel()->text(), QStringLiteral("0%"));
        QCOMPARE(changed.count(), 1);

        bar->opacitySlider()->setValue(50);
        QCOMPARE(qAlpha(colours->foreColour()), 127);
        QCOMPARE(qAlpha(colours->backColour()), 127);
        QCOMPARE(bar->opacityLabel()->text(), QStringLiteral("50%"));

        bar->opacitySlider()->setValue(100);
        QCOMPARE(colours->foreColour(), QRgb(0xFFFF0000));
        QCOMPARE(colours->backColour(), QRgb(0xFF00FFFF));
    }

    void wheelImageAndClicks() {
        const QImage wheel = colourWheelImage();
        QCOMPARE(wheel.size(), QSize(77, 77));
        QCOMPARE(wheel.pixel(38, 38), QRgb(0xFF808080));
        QCOMPARE(wheel.pixel(38, 0), QRgb(0xFFFF0000));
        QCOMPARE(wheel.pixel(38, 76), QRgb(0xFF00FFFF));
        // A quarter turn clockwise from red is yellow-green (hue 90), opposite is violet.
        QVERIFY(near(wheel.pixel(76, 38), qRgb(128, 255, 0), 1));
        QVERIFY(near(wheel.pixel(0, 38), qRgb(128, 0, 255), 1));

        const QRect area = CColorBar::wheelRect();
        left(area.center());
        QCOMPARE(colours->foreColour(), QRgb(0xFF808080));

        right(QPoint(area.center().x(), area.top() + 2));
        const QRgb top = colours->backColour();
        QVERIFY2(qRed(top) > 200 && qGreen(top) < 60 && qBlue(top) < 60,
                 qPrintable(QString::number(top, 16)));

        const QImage shown = wheel.scaled(142, 142, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        for (int y = area.top(); y <= area.bottom(); y += 9) {
            for (int x = area.left(); x <= area.right(); x += 9) {
                const QPoint p(x, y);
                left(p);
                QCOMPARE(colours->foreColour(), shown.pixel(p - area.topLeft()) | 0xFF000000u);
            }
        }
        left(area.bottomRight());
        QCOMPARE(colours->foreColour(), shown.pixel(141, 141));
    }

    void clicksOutsideEveryElementChangeNothing() {
        left(CColorBar::swatchRect(4).center());
        QSignalSpy changed(colours.get(), &ColourState::changed);
        const QRgb fore = colours->foreColour();
        const QRgb back = colours->backColour();
        const QRect wheel = CColorBar::wheelRect();
        for (const QPoint p : {QPoint(10, 10), QPoint(2, 100), QPoint(wheel.right() + 1, 100),
                               QPoint(100, wheel.bottom() + 1), QPoint(100, 20)}) {
            left(p);
            right(p);
        }
        QCOMPARE(colours->foreColour(), fore);
        QCOMPARE(colours->backColour(), back);
        QCOMPARE(changed.count(), 0);
    }

    void swapExchangesWholeColours() {
        bar->opacitySlider()->setValue(40);
        left(CColorBar::swatchRect(9).center());
        right(CColorBar::swatchRect(12).center());
        const QRgb fore = colours->foreColour();
        const QRgb back = colours->backColour();
        QSignalSpy changed(colours.get(), &ColourState::changed);
        colours->swap();
        QCOMPARE(colours->foreColour(), back);
        QCOMPARE(colours->backColour(), fore);
        QCOMPARE(colours->foreColour(), QRgb(0x660000FF)); // the alpha travels with the colour
        QCOMPARE(changed.count(), 1);
        colours->swap();
        QCOMPARE(colours->foreColour(), fore);
        QCOMPARE(colours->backColour(), back);
    }

    void paintsSwatchesAndTheTwoColours() {
        right(CColorBar::swatchRect(12).center()); // back: blue
        bar->opacitySlider()->setValue(40);
        left(CColorBar::swatchRect(9).center()); // fore: red; both at 40 %

        const QImage image = bar->grab().toImage();
        for (int i = 0; i < 16; ++i) {
            const QPoint inside = CColorBar::swatchRect(i).center();
            QCOMPARE(rgbOf(image.pixel(inside)), rgbOf(ColourState::palette()[size_t(i)]));
        }
        // Each square shows its colour at 40 % over white: the fore square over its white
        // ground, the back square, below and to the right, over a white check.
        const QRgb fore = image.pixel(15, 15);
        QVERIFY2(near(fore, qRgb(255, 153, 153)), qPrintable(QString::number(fore, 16)));
        const QRgb back = image.pixel(25, 25);
        QVERIFY2(near(back, qRgb(153, 153, 255)), qPrintable(QString::number(back, 16)));
        // The wheel is drawn stretched at its rectangle.
        const QImage shown =
            colourWheelImage().scaled(142, 142, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QRect wheel = CColorBar::wheelRect();
        QCOMPARE(rgbOf(image.pixel(wheel.topLeft() + QPoint(71, 3))), rgbOf(shown.pixel(71, 3)));
        QCOMPARE(rgbOf(image.pixel(wheel.center())),
                 rgbOf(shown.pixel(wheel.center() - wheel.topLeft())));
    }
};

QTEST_MAIN(ColourBarTest)
#include "test_colourbar.moc"
