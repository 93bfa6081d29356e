#pragma once

#include <QImage>
#include <QWidget>

class QLabel;
class QSlider;

namespace vantrel {

class ColourState;

// The colour bar: the two current colours over a checkerboard, a palette of sixteen colours,
// the colour wheel and the opacity slider. A left click picks the fore colour, a right click
// the back colour.
class CColorBar : public QWidget {
    Q_OBJECT
public:
    explicit CColorBar(ColourState& colours, QWidget* parent = nullptr);

    QSlider* opacitySlider() const { return m_slider; }
    QLabel* opacityLabel() const { return m_label; }

    // The rectangle of palette swatch `index` (0 to 15), right and bottom exclusive.
    static QRect swatchRect(int index);
    static QRect wheelRect() { return {40, 40, 142, 142}; }

    // The colour under a point of the bar as a click would pick it, if any.
    std::optional<QRgb> colourAt(QPoint point) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void opacityMoved(int position);
    void coloursChanged();

    ColourState& m_colours;
    QImage m_frame; // the checkerboard behind the two colours
    QImage m_wheel; // the wheel as shown, stretched
    QSlider* m_slider = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace vantrel
