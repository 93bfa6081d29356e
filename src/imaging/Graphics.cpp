#include "imaging/Graphics.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

namespace vantrel {

namespace {

// Gives the painter another world transform for the span of one drawing call.
class TransformScope {
public:
    TransformScope(QPainter& painter, const QTransform& during, const QTransform& after)
        : m_painter(painter), m_after(after), m_active(painter.isActive() && during != after) {
        if (m_active)
            m_painter.setWorldTransform(during);
    }
    ~TransformScope() {
        if (m_active)
            m_painter.setWorldTransform(m_after);
    }
    TransformScope(const TransformScope&) = delete;
    TransformScope& operator=(const TransformScope&) = delete;

private:
    QPainter& m_painter;
    QTransform m_after;
    bool m_active;
};

} // namespace

ColorMatrix ColorMatrix::identity() {
    ColorMatrix cm;
    for (int i = 0; i < 5; ++i)
        cm.m[i][i] = 1.0f;
    return cm;
}

QRgb applyColorMatrix(const ColorMatrix& matrix, QRgb pixel) {
    const float in[5] = {qRed(pixel) / 255.0f, qGreen(pixel) / 255.0f, qBlue(pixel) / 255.0f,
                         qAlpha(pixel) / 255.0f, 1.0f};
    int out[4];
    for (int c = 0; c < 4; ++c) {
        float v = 0.0f;
        for (int r = 0; r < 5; ++r)
            v += in[r] * matrix.m[r][c];
        out[c] = std::clamp(static_cast<int>(std::lround(v * 255.0f)), 0, 255);
    }
    return qRgba(out[0], out[1], out[2], out[3]);
}

Graphics::Graphics(Bitmap& target) : m_bitmap(&target) {
    if (target.isNull()) {
        m_status = Status::WrongState;
        return;
    }
    if (isIndexed(target.format())) {
        m_work = target.toArgb32();
        m_painter.begin(&m_work);
    } else {
        m_painter.begin(&target.image());
    }
}

Graphics::Graphics(QImage& target) {
    if (!target.isNull())
        m_painter.begin(&target);
    else
        m_status = Status::WrongState;
}

Graphics::~Graphics() {
    end();
}

void Graphics::end() {
    if (!m_painter.isActive())
        return;
    m_painter.end();
    if (m_bitmap && !m_work.isNull()) {
        m_status = m_bitmap->assignFromArgb32(m_work);
        m_work = QImage();
    }
}

void Graphics::setCompositingMode(CompositingMode mode) {
    m_painter.setCompositionMode(mode == CompositingMode::SourceCopy
                                     ? QPainter::CompositionMode_Source
                                     : QPainter::CompositionMode_SourceOver);
}

void Graphics::setSmoothingMode(SmoothingMode mode) {
    m_painter.setRenderHint(QPainter::Antialiasing, mode == SmoothingMode::AntiAlias);
}

void Graphics::setPixelOffsetMode(PixelOffsetMode mode) {
    m_offset = mode;
}

void Graphics::setInterpolationMode(InterpolationMode mode) {
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform,
                            mode == InterpolationMode::HighQuality);
}

void Graphics::scaleTransform(qreal sx, qreal sy) {
    m_scaleX *= sx;
    m_scaleY *= sy;
    m_painter.setWorldTransform(baseTransform());
}

void Graphics::resetTransform() {
    m_scaleX = m_scaleY = 1.0;
    m_painter.setWorldTransform(baseTransform());
}

QTransform Graphics::baseTransform() const {
    return QTransform::fromScale(m_scaleX, m_scaleY);
}

QTransform Graphics::shapeTransform() const {
    // QPainter centres pixels on half coordinates, which is what the half offset mode asks
    // for. Otherwise pixel centres belong on whole coordinates: smoothed shapes move by half a
    // device pixel, while unsmoothed ones already take the pixels on and after each edge.
    QTransform t;
    if (m_offset == PixelOffsetMode::None && m_painter.testRenderHint(QPainter::Antialiasing))
        t.translate(0.5, 0.5);
    t.scale(m_scaleX, m_scaleY);
    return t;
}

void Graphics::setClip(const QRect& rect) {
    m_painter.setClipRect(rect);
}

void Graphics::setClipEllipse(const QRect& box) {
    QPainterPath path;
    path.addEllipse(QRectF(box));
    m_painter.setClipPath(path);
}

void Graphics::resetClip() {
    m_painter.setClipping(false);
}

void Graphics::clear(QRgb colour) {
    const auto mode = m_painter.compositionMode();
    const QTransform t = m_painter.worldTransform();
    m_painter.resetTransform();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QPaintDevice* device = m_painter.device();
    m_painter.fillRect(QRect(0, 0, device->width(), device->height()), QColor::fromRgba(colour));
    m_painter.setCompositionMode(mode);
    m_painter.setWorldTransform(t);
}

void Graphics::drawImage(const Bitmap& image, QPoint at) {
    if (image.isNull())
        return;
    if (isIndexed(image.format()))
        m_painter.drawImage(at, image.toArgb32());
    else
        m_painter.drawImage(at, image.image());
}

void Graphics::drawImage(const Bitmap& image, const QRect& dest) {
    drawImage(image, dest, image.rect(), std::nullopt);
}

void Graphics::drawImage(const Bitmap& image, const QRect& dest, const QRect& src,
                         const std::optional<ColorMatrix>& attributes) {
    if (image.isNull())
        return;
    if (!attributes) {
        if (isIndexed(image.format()))
            m_painter.drawImage(dest, image.toArgb32(), src);
        else
            m_painter.drawImage(dest, image.image(), src);
        return;
    }
    QImage part = image.image().copy(src).convertToFormat(QImage::Format_ARGB32);
    if (part.isNull()) {
        m_status = Status::OutOfMemory;
        return;
    }
    for (int y = 0; y < part.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(y));
        for (int x = 0; x < part.width(); ++x)
            line[x] = applyColorMatrix(*attributes, line[x]);
    }
    m_painter.drawImage(dest, part);
}

void Graphics::applyPen(const Pen& pen) {
    QPen p{QColor::fromRgba(pen.colour)};
    p.setWidthF(pen.width);
    p.setCapStyle(Qt::FlatCap);
    p.setJoinStyle(Qt::MiterJoin);
    m_painter.setPen(p);
    m_painter.setBrush(Qt::NoBrush);
}

void Graphics::applyBrush(QRgb colour) {
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(QColor::fromRgba(colour));
}

void Graphics::drawRectangle(const Pen& pen, int x, int y, int w, int h) {
    applyPen(pen);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.drawRect(QRectF(x, y, w, h));
}

void Graphics::fillRectangle(QRgb colour, int x, int y, int w, int h) {
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.fillRect(QRectF(x, y, w, h), QColor::fromRgba(colour));
}

void Graphics::drawEllipse(const Pen& pen, int x, int y, int w, int h) {
    applyPen(pen);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.drawEllipse(QRectF(x, y, w, h));
}

void Graphics::fillEllipse(QRgb colour, int x, int y, int w, int h) {
    applyBrush(colour);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    // Without smoothing QPainter::drawEllipse takes an integer shortcut whose coverage is
    // shifted half a pixel right and down; a path is sampled at pixel centres, symmetrically.
    QPainterPath path;
    path.addEllipse(QRectF(x, y, w, h));
    m_painter.drawPath(path);
}

void Graphics::drawPolygon(const Pen& pen, const QPolygon& points) {
    applyPen(pen);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.drawPolygon(points, Qt::OddEvenFill);
}

void Graphics::fillPolygon(QRgb colour, const QPolygon& points) {
    applyBrush(colour);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.drawPolygon(points, Qt::OddEvenFill);
}

void Graphics::drawLine(const Pen& pen, QPoint from, QPoint to) {
    applyPen(pen);
    const TransformScope scope(m_painter, shapeTransform(), baseTransform());
    m_painter.drawLine(QLineF(from, to));
}

void Graphics::drawString(const QString& text, const QFont& font, QRgb colour, QPointF at) {
    m_painter.setFont(font);
    m_painter.setPen(QColor::fromRgba(colour));
    const QFontMetricsF metrics(font, m_painter.device());
    // The point is the top-left of the layout box, not the baseline.
    m_painter.drawText(at + QPointF(0, metrics.ascent()), text);
}

QSizeF Graphics::measureString(const QString& text, const QFont& font) const {
    const QFontMetricsF metrics(font, m_painter.device());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

} // namespace vantrel
