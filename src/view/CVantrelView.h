#pragma once

#include "commands/CommandTarget.h"
#include "document/CVantrelDoc.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <array>
#include <optional>

class QPrinter;

namespace vantrel {

class DocumentHost;

inline constexpr int MaxZoom = 64;
// Below 1 the view shows one image pixel in `shrink` along each axis, down to 1/MaxShrink.
inline constexpr int MaxShrink = 64;

// What the status bar tells about a view: the pixel under the mouse and its colour (when the
// mouse is over the image), the image's size and bits per pixel, and the zoom.
struct ViewStatus {
    std::optional<QPoint> pixel;
    std::optional<QRgb> colour;
    QSize size;
    int depth = 0;
    int zoom = 1;
    int shrink = 1;
};

// The status bar's texts for a view, in pane order: "12, 34", "#AARRGGBB", "1200 × 800 × 32",
// "400%" (or "33.3%" below 1); the first two are empty while the mouse is off the image.
std::array<QString, 4> statusTexts(const ViewStatus& status);

// One window onto a document. It owns its zoom, scroll state and the sessions of the tools in
// progress in it (a stroke layer, a lasso path), but no pixels or history of the document: it
// draws the document's current state and repaints what the document announces as changed.
// What a tool does with the mouse and keys, the cursor it shows and what it draws over the
// image are the tool's; the view maps, captures, keeps the last point and repaints.
class CVantrelView : public QAbstractScrollArea, public CommandTarget, public ToolContext {
    Q_OBJECT
public:
    CVantrelView(CVantrelDoc& document, DocumentHost& host, ToolTable& toolTable,
                 QPrinter* sharedPrinter, QWidget* parent = nullptr);
    ~CVantrelView() override;

    CVantrelDoc* documentPointer() const { return m_document; }

    // The magnification: `zoom` window pixels per image pixel, or, below 1, one window pixel
    // per `shrink` image pixels (then zoom is 1). At most one of the two exceeds 1.
    int zoom() const override { return m_zoom; }
    Qt::KeyboardModifiers modifiers() const override { return m_modifiers; }
    int shrink() const { return m_shrink; }
    void setZoom(int zoom);
    void setZoom(int zoom, int shrink);
    // One level up or down the scale ..., 1/3, 1/2, 1, 2, 3, ...; false at the end.
    bool stepZoom(bool in);
    // The largest level at which the whole image fits in the space the window can take.
    void fitToWindow();
    // Keeps the image point under `window` in place while the zoom changes by one level.
    void stepZoomAbout(bool in, QPoint window);
    ViewStatus status() const;
    // The first update once the window is shown: scroll sizes, origin, and the frame fitted
    // to the image.
    void initialUpdate();
    // Window position of image pixel (0, 0) when not scrolled.
    QPoint imageOrigin() const { return m_origin; }
    // The scroll position.
    QPoint scrollPosition() const;
    // The image pixel at the top-left of the visible part: the scroll position less the
    // margin of 4, in image pixels, truncated.
    QPoint visibleImageOrigin() const;
    // Window point to image pixel, truncating toward zero. Below zoom 1 a window pixel maps
    // to the top-left pixel of the block it shows, which is the pixel drawn there.
    QPoint windowToImage(QPoint window) const;
    // Image rectangle to window rectangle.
    QRect imageToWindow(const QRect& image) const;
    // Size of the scrollable area: the zoomed image and a margin of 4 on each side.
    QSize scrollSize() const;

    // Composes what the view shows into `target` (the viewport's size), all of it or the
    // window area `area` alone.
    void render(QImage& target) const;
    void render(QImage& target, const QRect& area) const;
    // Draws the image for printing: 96 pixels per inch, shrunk to fit the printable area.
    void printDocument(QPrinter& printer) const;

    // ToolContext
    CVantrelDoc& document() override { return *m_document; }
    ToolState& tools() override;
    ColourState& colours() override;
    QPoint lastPoint() const override { return m_lastPoint; }
    void setLastPoint(QPoint point) override { m_lastPoint = point; }
    ToolSessions& sessions() override { return m_sessions; }
    void repaintNow() override;
    bool dragging() const override { return m_dragging; }
    void cancelDrag() override { m_dragging = false; }

    QSize sizeHint() const override;
    // The caret rectangle, for the input method's candidate window.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    // The text caret in viewport coordinates; empty while no line is being typed.
    QRect textCaret() const;

Q_SIGNALS:
    // The mouse moved over the view, or the zoom or the document changed: status() may differ.
    void statusChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void registerCommands();
    // The font command: the platform's font dialog, without effects, sets the text font.
    void chooseFont();
    void documentChanged(const QRect& area);
    // The current tool changed: the tool that was current here ends its work in this view.
    void currentToolChanged(int toolNumber);
    // Draws `image` with its top-left at image point `at`, within the window area `area`.
    void drawLayer(QPainter& painter, const QImage& image, QPoint at, const QRect& area) const;
    // Scroll ranges for the current zoom and image size; with `fitFrame` the child frame is
    // resized to show the whole scrollable area when it is not maximised.
    void updateScrollSizes(bool fitFrame);
    void updateOrigin();
    // Image length to window length at the current zoom; below 1 a partly shown block counts.
    int toWindow(int image) const;
    void updateCursor(QPoint window);
    void print(bool withDialog);
    void printPreview();
    QPrinter& printer();

    QPointer<CVantrelDoc> m_document;
    DocumentHost& m_host;
    ToolTable& m_toolTable;
    QPrinter* m_sharedPrinter = nullptr; // the application's, set up by print setup
    std::unique_ptr<QPrinter> m_ownPrinter;

    int m_zoom = 1;
    Qt::KeyboardModifiers m_modifiers; // of the mouse event being handled
    int m_shrink = 1;
    QPoint m_lastPoint;
    bool m_dragging = false;
    ToolSessions m_sessions;
    int m_activeTool = -1; // the tool number whose tool was last activated here
    QPoint m_origin;
    QSize m_imageSize;      // size of the document bitmap the scroll sizes were made for
    QPoint m_mouse{-1, -1}; // last mouse position over the viewport: eraser marker, status
    int m_wheelDelta = 0;   // Ctrl+wheel rotation not yet turned into zoom levels
    QImage m_buffer;        // off-screen composition, reused between paints
    mutable QImage m_piece; // a layer's visible pixels at zoom 1, ready to blend, reused too
    QTimer m_caretTimer;    // blinks the text caret while a line is typed
};

} // namespace vantrel
