#pragma once

#include <QImage>
#include <QObject>
#include <array>

namespace vantrel {

// The fore and back colours of the painting tools and the opacity shared by both. The
// opacity is the slider position, 0 to 100; every change of a colour takes its alpha from it.
class ColourState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    QRgb foreColour() const { return m_fore; }
    QRgb backColour() const { return m_back; }
    int opacity() const { return m_opacity; }
    // (opacity * 255) div 100: 0 % gives 0, 50 % gives 127, 100 % gives 255.
    int alpha() const { return m_opacity * 255 / 100; }

    // The colour's red, green and blue with the alpha of the current opacity.
    void setForeColour(QRgb rgb);
    void setBackColour(QRgb rgb);
    // Sets the opacity and copies its alpha into both colours.
    void setOpacity(int percent);
    // Exchanges the two colours whole, alpha included.
    void swap();

    // The sixteen palette colours, row 1 then row 2.
    static const std::array<QRgb, 16>& palette();

Q_SIGNALS:
    void changed();

private:
    QRgb withAlpha(QRgb rgb) const;

    QRgb m_fore = 0xFF000000u;
    QRgb m_back = 0xFFFFFFFFu;
    int m_opacity = 100;
};

// The 77 x 77 colour wheel: hue by the angle from straight up, clockwise; mid grey at the
// centre, mixed linearly towards the saturated hue where the larger of the horizontal and
// vertical distances from the centre reaches 38.
QImage colourWheelImage();

} // namespace vantrel
