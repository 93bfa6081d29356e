#pragma once

#include "imaging/Bitmap.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <array>
#include <optional>

namespace vantrel {

enum class CompositingMode { SourceOver, SourceCopy };
enum class SmoothingMode { None, AntiAlias };
enum class PixelOffsetMode { None, Half };
enum class InterpolationMode { NearestNeighbor, HighQuality };

struct Pen {
    QRgb colour = 0xFF000000u;
    qreal width = 1.0;
};

// A 5 x 5 colour matrix applied to row vectors (r, g, b, a, 1) with components in 0..1.
struct ColorMatrix {
    std::array<std::array<float, 5>, 5> m{};
    static ColorMatrix identity();
};

// A drawing surface over a bitmap (or any QImage), with the compositing, smoothing, clip and
// transform state the editor's drawing code sets. Pixel rules the editor relies on:
// - unsmoothed, a 1-pixel rectangle outline of (x, y, w, h) covers columns x..x+w and rows
//   y..y+h, and a filled rectangle covers [x, x+w) x [y, y+h);
// - smoothed shapes (lines, outlines and fills) have pixel centres on whole coordinates: a
//   smoothed line from (20, 58) to (50, 58) colours row 58 alone, columns 20 to 50, and a
//   smoothed ellipse keeps to columns x..x+w and rows y..y+h of its box. PixelOffsetMode::Half
//   puts pixel corners there instead, as images, clips and text always have them;
// - ellipses are those inscribed in their box; polygons fill by the alternate (odd-even) rule;
// - source copy replaces pixels, alpha included; blending composes straight alpha.
//
// Indexed bitmaps cannot be painted directly: drawing happens on a 32-bit copy that is
// written back (nearest palette entry) when the surface ends.
class Graphics {
public:
    explicit Graphics(Bitmap& target);
    explicit Graphics(QImage& target);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // Finishes drawing; for indexed targets this writes the pixels back.
    void end();

    void setCompositingMode(CompositingMode mode);
    void setSmoothingMode(SmoothingMode mode);
    void setPixelOffsetMode(PixelOffsetMode mode);
    void setInterpolationMode(InterpolationMode mode);
    void scaleTransform(qreal sx, qreal sy);
    void resetTransform();
    void setClip(const QRect& rect);
    void setClipEllipse(const QRect& box);
    void resetClip();

    void clear(QRgb colour);
    void drawImage(const Bitmap& image, QPoint at);
    void drawImage(const Bitmap& image, const QRect& dest);
    // Draws `src` of the image into `dest`, each pixel passed through the colour matrix first.
    void drawImage(const Bitmap& image, const QRect& dest, const QRect& src,
                   const std::optional<ColorMatrix>& attributes);
    void drawRectangle(const Pen& pen, int x, int y, int w, int h);
    void fillRectangle(QRgb colour, int x, int y, int w, int h);
    void drawEllipse(const Pen& pen, int x, int y, int w, int h);
    void fillEllipse(QRgb colour, int x, int y, int w, int h);
    void drawPolygon(const Pen& pen, const QPolygon& points);
    void fillPolygon(QRgb colour, const QPolygon& points);
    void drawLine(const Pen& pen, QPoint from, QPoint to);
    void drawString(const QString& text, const QFont& font, QRgb colour, QPointF at);
    QSizeF measureString(const QString& text, const QFont& font) const;

    Status lastStatus() const { return m_status; }

private:
    void applyPen(const Pen& pen);
    void applyBrush(QRgb colour);
    // The transform of images, clips and text, and the one shapes are drawn with.
    QTransform baseTransform() const;
    QTransform shapeTransform() const;

    Bitmap* m_bitmap = nullptr;
    QImage m_work; // the 32-bit copy of an indexed target
    QPainter m_painter;
    qreal m_scaleX = 1.0;
    qreal m_scaleY = 1.0;
    PixelOffsetMode m_offset = PixelOffsetMode::None;
    Status m_status = Status::Ok;
};

// Applies a colour matrix to one straight ARGB value, rounding to nearest and clamping.
QRgb applyColorMatrix(const ColorMatrix& matrix, QRgb pixel);

} // namespace vantrel
