#include "colourbar/ColourState.h"

#include <QColor>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel {

QRgb ColourState::withAlpha(QRgb rgb) const {
    return (static_cast<QRgb>(alpha()) << 24) | (rgb & 0x00FFFFFFu);
}

void ColourState::setForeColour(QRgb rgb) {
    m_fore = withAlpha(rgb);
    Q_EMIT changed();
}

void ColourState::setBackColour(QRgb rgb) {
    m_back = withAlpha(rgb);
    Q_EMIT changed();
}

void ColourState::setOpacity(int percent) {
    m_opacity = std::clamp(percent, 0, 100);
    m_fore = withAlpha(m_fore);
    m_back = withAlpha(m_back);
    Q_EMIT changed();
}

void ColourState::swap() {
    std::swap(m_fore, m_back);
    Q_EMIT changed();
}

const std::array<QRgb, 16>& ColourState::palette() {
    static const std::array<QRgb, 16> colours = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
    return colours;
}

QImage colourWheelImage() {
    constexpr int size = 77;
    constexpr int centre = 38;
    QImage wheel(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(wheel.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const int dx = x - centre;
            const int dy = y - centre;
            double degrees = std::atan2(double(dx), double(-dy)) * 180.0 / std::numbers::pi;
            if (degrees < 0)
                degrees += 360.0;
            const QColor hue =
                QColor::fromHsvF(float(std::fmod(degrees, 360.0) / 360.0), 1.0f, 1.0f);
            const double t = std::max(std::abs(dx), std::abs(dy)) / double(centre);
            auto mix = [t](int channel) { return int(std::lround(128.0 + (channel - 128.0) * t)); };
            line[x] = qRgb(mix(hue.red()), mix(hue.green()), mix(hue.blue()));
        }
    }
    return wheel;
}

} // namespace vantrel
