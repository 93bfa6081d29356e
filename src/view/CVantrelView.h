#pragma once

#include "app/CommandTarget.h"
#include "document/CVantrelDoc.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>

class QPrinter;

namespace vantrel {

class DocumentHost;

inline constexpr int MaxZoom = 64;

// One window onto a document. It owns its zoom, scroll state and the transient state of tools
// in progress (stroke layer, lasso path), but no pixels or history of the document: it draws
// the document's current state and repaints whenever the document announces a change.
class CVantrelView : public QAbstractScrollArea, public CommandTarget, public ToolContext {
    Q_OBJECT
public:
    CVantrelView(CVantrelDoc& document, DocumentHost& host, ToolTable& toolTable,
                 QPrinter* sharedPrinter, QWidget* parent = nullptr);
    ~CVantrelView() override;

    CVantrelDoc* documentPointer() const { return m_document; }

    int zoom() const override { return m_zoom; }
    void setZoom(int zoom);
    // The first update once the window is shown: scroll sizes, origin, and the frame fitted
    // to the image.
    void initialUpdate();
    // Window position of image pixel (0, 0) when not scrolled.
    QPoint imageOrigin() const { return m_origin; }
    // The scroll position.
    QPoint scrollPosition() const;
    // Window point to image pixel, truncating toward zero.
    QPoint windowToImage(QPoint window) const;
    // Image rectangle to window rectangle.
    QRect imageToWindow(const QRect& image) const;
    // Size of the scrollable area: the zoomed image and a margin of 4 on each side.
    QSize scrollSize() const;

    // Composes what the view shows into `target` (the viewport's size).
    void render(QImage& target) const;
    // Draws the image for printing: 96 pixels per inch, shrunk to fit the printable area.
    void printDocument(QPrinter& printer) const;

    // ToolContext
    CVantrelDoc& document() override { return *m_document; }
    ToolState& tools() override;
    ColourState& colours() override;
    QPoint lastPoint() const override { return m_lastPoint; }
    void setLastPoint(QPoint point) override { m_lastPoint = point; }
    std::unique_ptr<Bitmap>& strokeLayer() override { return m_strokeLayer; }
    std::vector<QPoint>& lassoPath() override { return m_lasso; }
    void repaintNow() override;
    bool dragging() const override { return m_dragging; }
    void cancelDrag() override { m_dragging = false; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void registerCommands();
    void documentChanged();
    // Scroll ranges for the current zoom and image size; with `fitFrame` the child frame is
    // resized to show the whole scrollable area when it is not maximised.
    void updateScrollSizes(bool fitFrame);
    void updateOrigin();
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
    QPoint m_lastPoint;
    bool m_dragging = false;
    std::unique_ptr<Bitmap> m_strokeLayer;
    std::vector<QPoint> m_lasso;
    QPoint m_origin;
    QSize m_imageSize;      // size of the document bitmap the scroll sizes were made for
    QPoint m_mouse{-1, -1}; // last mouse position over the viewport, for the eraser marker
    QImage m_buffer;        // off-screen composition, reused between paints
};

} // namespace vantrel
