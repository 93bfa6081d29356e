#include "view/CVantrelView.h"

#include "commands/CommandIds.h"
#include "document/DocumentHost.h"
#include "imaging/Graphics.h"
#include "state/ToolState.h"
#include "view/tools/TextTool.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int ceilDiv(int a, int b) {
    return -floorDiv(-a, b);
}

// Draws the window pixels `shown` of an image shrunk by `shrink`: each shows the top-left
// pixel of its block, so what is drawn is exactly what a click there maps to. `first` is the
// image pixel under shown's top-left corner. Only the shown pixels are read.
void drawSampled(QPainter& painter, const QImage& image, const QRect& shown, QPoint first,
                 int shrink) {
    if (shown.isEmpty())
        return;
    const QImage::Format format = image.format();
    const bool direct = format == QImage::Format_ARGB32 || format == QImage::Format_RGB32 ||
                        format == QImage::Format_ARGB32_Premultiplied;
    QImage piece(shown.size(), direct ? format : QImage::Format_ARGB32);
    for (int r = 0; r < shown.height(); ++r) {
        const int y = first.y() + r * shrink;
        auto* out = reinterpret_cast<QRgb*>(piece.scanLine(r));
        if (direct) {
            const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int c = 0; c < shown.width(); ++c)
                out[c] = in[first.x() + c * shrink];
        } else {
            for (int c = 0; c < shown.width(); ++c)
                out[c] = image.pixel(first.x() + c * shrink, y);
        }
    }
    painter.drawImage(shown.topLeft(), piece);
}

// Writes the pixels of `source` (an area of `image`) to the top-left of `buffer` in the format
// the painter blends directly, as QImage's conversion gives them: premultiplied ARGB for 32-bit
// ARGB, RGB32 for 24-bit RGB. The buffer only grows, so once it is as large as the window a
// paint needs no new memory. False for the formats left to QImage's conversion.
bool fillPiece(const QImage& image, const QRect& source, QImage& buffer) {
    const QImage::Format format = image.format();
    QImage::Format blended;
    if (format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied)
        blended = QImage::Format_ARGB32_Premultiplied;
    else if (format == QImage::Format_RGB32 || format == QImage::Format_RGB888)
        blended = QImage::Format_RGB32;
    else
        return false;
    if (buffer.width() < source.width() || buffer.height() < source.height()) {
        buffer = QImage(std::max(buffer.width(), source.width()),
                        std::max(buffer.height(), source.height()), blended);
        if (buffer.isNull())
            return false;
    }
    if (buffer.format() != blended)
        buffer.reinterpretAsFormat(blended);
    const int w = source.width();
    for (int r = 0; r < source.height(); ++r) {
        const uchar* in = image.constScanLine(source.y() + r);
        auto* out = reinterpret_cast<QRgb*>(buffer.scanLine(r));
        if (format == QImage::Format_RGB888) {
            in += qsizetype(source.x()) * 3;
            for (int c = 0; c < w; ++c)
                out[c] = 0xFF000000u | (QRgb(in[3 * c]) << 16) | (QRgb(in[3 * c + 1]) << 8) |
                         in[3 * c + 2];
        } else if (format == QImage::Format_ARGB32) {
            const auto* argb = reinterpret_cast<const QRgb*>(in) + source.x();
            // An opaque row, the usual case, is copied as it is.
            QRgb all = 0xFFFFFFFFu;
            for (int c = 0; c < w; ++c)
                all &= argb[c];
            if (qAlpha(all) == 255)
                std::memcpy(out, argb, size_t(w) * 4);
            else
                for (int c = 0; c < w; ++c)
                    out[c] = qPremultiply(argb[c]);
        } else {
            std::memcpy(out, reinterpret_cast<const QRgb*>(in) + source.x(), size_t(w) * 4);
        }
    }
    return true;
}

// Draws `source` (an area of an image in image pixels) as zoom x zoom blocks at `target`,
// touching only the pixels of the visible part: the cost follows the window, not the image.
// At zoom 1 the pixels go through `buffer`, kept from paint to paint.
void drawZoomed(QPainter& painter, const QImage& image, const QRect& source, QPoint target,
                int zoom, QImage& buffer) {
    if (source.isEmpty())
        return;
    if (zoom == 1 && fillPiece(image, source, buffer)) {
        painter.drawImage(target, buffer, QRect(QPoint(0, 0), source.size()));
        return;
    }
    QImage piece = image.copy(source);
    if (piece.format() != QImage::Format_ARGB32_Premultiplied &&
        piece.format() != QImage::Format_RGB32)
        piece = piece.convertToFormat(piece.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                              : QImage::Format_RGB32);
    painter.drawImage(QRect(target, source.size() * zoom), piece);
}

} // namespace

std::array<QString, 4> statusTexts(const ViewStatus& status) {
    std::array<QString, 4> texts;
    if (status.pixel)
        texts[0] = QStringLiteral("%1, %2").arg(status.pixel->x()).arg(status.pixel->y());
    if (status.colour)
        texts[1] = QStringLiteral("#%1").arg(*status.colour, 8, 16, QLatin1Char('0')).toUpper();
    if (!status.size.isEmpty())
        texts[2] = QStringLiteral("%1 \u00d7 %2 \u00d7 %3")
                       .arg(status.size.width())
                       .arg(status.size.height())
                       .arg(status.depth);
    QString percent = status.shrink > 1 ? QString::number(100.0 / status.shrink, 'f', 1)
                                        : QString::number(100 * status.zoom);
    if (percent.endsWith(QLatin1String(".0")))
        percent.chop(2);
    texts[3] = percent + QLatin1Char('%');
    return texts;
}

CVantrelView::CVantrelView(CVantrelDoc& document, DocumentHost& host, ToolTable& toolTable,
                           QPrinter* sharedPrinter, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(&document), m_host(host), m_toolTable(toolTable),
      m_sharedPrinter(sharedPrinter) {
    // Every paint covers the whole viewport, so nothing needs erasing first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    connect(&document, &CVantrelDoc::changed, this, &CVantrelView::documentChanged);
    connect(&host.toolState(), &ToolState::currentToolChanged, this,
            &CVantrelView::currentToolChanged);
    registerCommands();
    connect(&m_caretTimer, &QTimer::timeout, this, [this] {
        const Tool* text = m_toolTable.tool(tool::TextTyping);
        if (TextSession* session = text ? m_sessions.find<TextSession>(*text) : nullptr) {
            session->caretShown = !session->caretShown;
            viewport()->update(textCaret());
        }
    });
    document.offerVisibleOrigin(this, [this] { return visibleImageOrigin(); });
    updateScrollSizes(false);
    updateOrigin();
    currentToolChanged(host.toolState().currentTool());
}

CVantrelView::~CVantrelView() = default;

ToolState& CVantrelView::tools() {
    return m_host.toolState();
}
ColourState& CVantrelView::colours() {
    return m_host.colours();
}

void CVantrelView::registerCommands() {
    onCommand(cmd::ZoomIn, [this] { stepZoom(true); });
    onUpdate(cmd::ZoomIn,
             [this](CommandState& s) { s.enabled = m_shrink > 1 || m_zoom < MaxZoom; });
    onCommand(cmd::ZoomOut, [this] { setZoom(m_zoom - 1); });
    onUpdate(cmd::ZoomOut, [this](CommandState& s) { s.enabled = m_zoom > 1; });
    onCommand(cmd::ViewFitToWindow, [this] { fitToWindow(); });
    onCommand(cmd::ViewActualSize, [this] { setZoom(1, 1); });
    onCommand(cmd::FilePrint, [this] { print(true); });
    onCommand(cmd::FilePrintDirect, [this] { print(false); });
    onCommand(cmd::FilePrintPreview, [this] { printPreview(); });
    onCommand(cmd::Font, [this] { chooseFont(); });
}

void CVantrelView::chooseFont() {
    const Tool* text = m_toolTable.tool(tool::Text);
    if (!text)
        return;
    TextSession& session = m_sessions.get<TextSession>(*text);
    QFontDialog dialog(session.font, this);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // No effects: the underline and strike-out choices are hidden, and there is no colour.
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>())
        if (!box->findChildren<QCheckBox*>().isEmpty())
            box->hide();
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Used from the next character or click; the line on screen is not redrawn now.
    QFont chosen = dialog.selectedFont();
    chosen.setUnderline(false);
    chosen.setStrikeOut(false);
    session.font = chosen;
}

QSize CVantrelView::sizeHint() const {
    const QSize content = scrollSize();
    return content.isEmpty() ? QAbstractScrollArea::sizeHint()
                             : content + QSize(2, 2) * frameWidth();
}

void CVantrelView::setZoom(int zoom) {
    setZoom(zoom, 1);
}

void CVantrelView::setZoom(int zoom, int shrink) {
    zoom = std::clamp(zoom, 1, MaxZoom);
    shrink = zoom > 1 ? 1 : std::clamp(shrink, 1, MaxShrink);
    if (zoom == m_zoom && shrink == m_shrink)
        return;
    m_zoom = zoom;
    m_shrink = shrink;
    updateScrollSizes(true);
    updateOrigin();
    viewport()->update();
    Q_EMIT statusChanged();
}

bool CVantrelView::stepZoom(bool in) {
    const int zoom = m_zoom;
    const int shrink = m_shrink;
    if (in)
        setZoom(shrink > 1 ? 1 : zoom + 1, shrink - 1);
    else
        setZoom(zoom - 1, zoom > 1 ? 1 : shrink + 1);
    return zoom != m_zoom || shrink != m_shrink;
}

void CVantrelView::stepZoomAbout(bool in, QPoint window) {
    // The image position under the mouse, in image pixels, kept under the mouse.
    const QPointF at = QPointF(window + scrollPosition() - m_origin) * m_shrink / m_zoom;
    if (!stepZoom(in))
        return;
    const QPointF scroll = at * m_zoom / m_shrink + QPointF(m_origin - window);
    horizontalScrollBar()->setValue(qRound(scroll.x()));
    verticalScrollBar()->setValue(qRound(scroll.y()));
}

void CVantrelView::fitToWindow() {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if (!bitmap)
        return;
    // The room is what the frame could grow to inside the main window, as the frame fits
    // itself to the image after a zoom change.
    QSize room = viewport()->size();
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (frame && frame->mdiArea() && !frame->isMaximized() && !frame->isMinimized())
        room = frame->mdiArea()->viewport()->size() - (frame->size() - viewport()->size()) -
               QSize(frame->x(), frame->y());
    room -= QSize(8, 8); // the margin around the image
    const QSize image = bitmap->size();
    if (image.width() <= room.width() && image.height() <= room.height()) {
        setZoom(std::min(room.width() / image.width(), room.height() / image.height()), 1);
        return;
    }
    int shrink = 2;
    while (shrink < MaxShrink && (ceilDiv(image.width(), shrink) > room.width() ||
                                  ceilDiv(image.height(), shrink) > room.height()))
        ++shrink;
    setZoom(1, shrink);
}

int CVantrelView::toWindow(int image) const {
    return m_shrink > 1 ? ceilDiv(image, m_shrink) : image * m_zoom;
}

ViewStatus CVantrelView::status() const {
    ViewStatus status;
    status.zoom = m_zoom;
    status.shrink = m_shrink;
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if (!bitmap)
        return status;
    status.size = bitmap->size();
    status.depth = bitsPerPixel(bitmap->format());
    if (imageToWindow(bitmap->rect()).contains(m_mouse) && viewport()->rect().contains(m_mouse)) {
        const QPoint p = windowToImage(m_mouse);
        status.pixel = p;
        status.colour = bitmap->pixel(p.x(), p.y());
    }
    return status;
}

void CVantrelView::initialUpdate() {
    updateScrollSizes(true);
    updateOrigin();
    viewport()->update();
}

QSize CVantrelView::scrollSize() const {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if (!bitmap)
        return {};
    return {toWindow(bitmap->width()) + 8, toWindow(bitmap->height()) + 8};
}

void CVantrelView::updateScrollSizes(bool fitFrame) {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    m_imageSize = bitmap ? bitmap->size() : QSize();
    if (!bitmap)
        return;
    const QSize total = scrollSize();
    if (fitFrame) {
        // Grow or shrink the window to show the whole scrollable area.
        auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
        if (frame && !frame->isMaximized() && !frame->isMinimized())
            frame->resize(frame->size() - viewport()->size() + total);
    }
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(std::max(1, page.width() / 10));
    verticalScrollBar()->setRange(0, std::max(0, total.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(std::max(1, page.height() / 10));
}

void CVantrelView::updateOrigin() {
    if (!m_document || !m_document->bitmap())
        return;
    const QSize size = m_document->bitmap()->size();
    const int ox = (viewport()->width() - toWindow(size.width())) / 2;
    const int oy = (viewport()->height() - toWindow(size.height())) / 2;
    m_origin = {ox >= 5 ? ox : 4, oy >= 5 ? oy : 4};
}

void CVantrelView::documentChanged(const QRect& area) {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if ((bitmap ? bitmap->size() : QSize()) != m_imageSize) {
        updateScrollSizes(false);
        updateOrigin();
        viewport()->update();
    } else if (area.isEmpty()) {
        viewport()->update();
    } else {
        // Overlays may reach a little past the pixels they lie on (2-pixel pens).
        viewport()->update(imageToWindow(area).adjusted(-2, -2, 2, 2));
    }
    Q_EMIT statusChanged();
}

void CVantrelView::currentToolChanged(int toolNumber) {
    Tool* before = m_toolTable.tool(m_activeTool);
    Tool* after = m_toolTable.tool(toolNumber);
    m_activeTool = toolNumber;
    // A family's states (a selection and its floating state) are one tool: it stays active.
    if (before != after) {
        if (before)
            before->deactivate(*this);
        if (after)
            after->activate(*this);
    }
    setAttribute(Qt::WA_InputMethodEnabled, m_toolTable.events(toolNumber).keyboard);
    // The caret blinks while a line is typed, at the platform's rate.
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (toolNumber == tool::TextTyping && flash > 0)
        m_caretTimer.start(flash / 2);
    else
        m_caretTimer.stop();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled | Qt::ImCursorRectangle);
    viewport()->update();
}

QPoint CVantrelView::scrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QPoint CVantrelView::visibleImageOrigin() const {
    const QPoint scroll = scrollPosition();
    return {std::max(0, scroll.x() - 4) / m_zoom * m_shrink,
            std::max(0, scroll.y() - 4) / m_zoom * m_shrink};
}

QPoint CVantrelView::windowToImage(QPoint window) const {
    const QPoint d = window + scrollPosition() - m_origin;
    if (m_shrink > 1)
        return d * m_shrink;
    return {d.x() / m_zoom, d.y() / m_zoom};
}

QRect CVantrelView::imageToWindow(const QRect& image) const {
    const QPoint shift = m_origin - scrollPosition();
    const QPoint topLeft(toWindow(image.left()), toWindow(image.top()));
    const QPoint end(toWindow(image.left() + image.width()),
                     toWindow(image.top() + image.height()));
    return {topLeft + shift, QSize(end.x() - topLeft.x(), end.y() - topLeft.y())};
}

void CVantrelView::drawLayer(QPainter& painter, const QImage& image, QPoint at,
                             const QRect& area) const {
    if (m_shrink > 1) {
        const QRect shown = imageToWindow(QRect(at, image.size())).intersected(area);
        const QPoint first = windowToImage(shown.topLeft()) - at;
        drawSampled(painter, image, shown, first, m_shrink);
        return;
    }
    // The part of the layer inside the area, in image pixels.
    const QRect shown = imageToWindow(QRect(at, image.size())).intersected(area);
    if (shown.isEmpty())
        return;
    const QPoint shift = m_origin - scrollPosition();
    const QPoint a = shown.topLeft() - shift;
    const QPoint b = shown.bottomRight() - shift;
    const QRect visible = QRect(QPoint(floorDiv(a.x(), m_zoom), floorDiv(a.y(), m_zoom)),
                                QPoint(floorDiv(b.x(), m_zoom), floorDiv(b.y(), m_zoom)))
                              .intersected(QRect(at, image.size()));
    drawZoomed(painter, image, visible.translated(-at), imageToWindow(visible).topLeft(), m_zoom,
               m_piece);
}

namespace {

// The current tool's view of this view while it draws its overlay.
class ViewOverlay : public ToolOverlay {
public:
    ViewOverlay(const CVantrelView& view, const ToolSessions& sessions, int toolNumber,
                QPainter& painter, std::optional<QPoint> mouse,
                std::function<void(const QImage&, QPoint)> draw)
        : m_view(view), m_sessions(sessions), m_toolNumber(toolNumber), m_painter(painter),
          m_mouse(mouse), m_draw(std::move(draw)) {}

    const CVantrelDoc& document() const override { return *m_view.documentPointer(); }
    int toolNumber() const override { return m_toolNumber; }
    const ToolSessions& sessions() const override { return m_sessions; }
    QRect toWindow(const QRect& image) const override { return m_view.imageToWindow(image); }
    QPoint toImage(QPoint window) const override { return m_view.windowToImage(window); }
    std::optional<QPoint> mouse() const override { return m_mouse; }
    QPainter& painter() override { return m_painter; }
    void drawImage(const QImage& image, QPoint at) override { m_draw(image, at); }

private:
    const CVantrelView& m_view;
    const ToolSessions& m_sessions;
    int m_toolNumber;
    QPainter& m_painter;
    std::optional<QPoint> m_mouse;
    std::function<void(const QImage&, QPoint)> m_draw;
};

} // namespace

void CVantrelView::render(QImage& target) const {
    render(target, target.rect());
}

void CVantrelView::render(QImage& target, const QRect& area) const {
    QPainter painter(&target);
    painter.setClipRect(area);
    painter.fillRect(area, palette().color(QPalette::Button));
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if (!bitmap)
        return;
    drawLayer(painter, bitmap->image(), {0, 0}, area);
    if (m_document->selectionFlag()) {
        if (const Bitmap* floating = m_document->floatingSelection()) {
            const FloatingRect& f = m_document->floatingRect();
            drawLayer(painter, floating->image(), {f.left, f.top},
                      area.intersected(imageToWindow(bitmap->rect())));
        }
    }
    const int toolNumber = m_host.toolState().currentTool();
    if (const Tool* tool = m_toolTable.tool(toolNumber)) {
        const std::optional<QPoint> mouse =
            target.rect().contains(m_mouse) ? std::optional(m_mouse) : std::nullopt;
        ViewOverlay overlay(
            *this, m_sessions, toolNumber, painter, mouse,
            [&](const QImage& image, QPoint at) { drawLayer(painter, image, at, area); });
        painter.save();
        tool->drawOverlay(overlay);
        painter.restore();
    }
}

void CVantrelView::paintEvent(QPaintEvent* event) {
    if (m_buffer.size() != viewport()->size())
        m_buffer = QImage(viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    if (m_buffer.isNull())
        return;
    // The buffer keeps what was composed before; only the area to paint is composed again.
    const QRect area = event->rect().intersected(m_buffer.rect());
    render(m_buffer, area);
    QPainter(viewport()).drawImage(area, m_buffer, area);
}

void CVantrelView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollSizes(false);
    updateOrigin();
}

void CVantrelView::scrollContentsBy(int, int) {
    viewport()->update();
    Q_EMIT statusChanged(); // another pixel is now under the mouse
}

void CVantrelView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Ctrl+wheel zooms about the mouse, a level for each notch (a notch is 120).
    m_wheelDelta += event->angleDelta().y();
    const QPoint at = event->position().toPoint();
    for (; m_wheelDelta >= 120; m_wheelDelta -= 120)
        stepZoomAbout(true, at);
    for (; m_wheelDelta <= -120; m_wheelDelta += 120)
        stepZoomAbout(false, at);
    event->accept();
}

void CVantrelView::leaveEvent(QEvent* event) {
    m_mouse = {-1, -1};
    if (m_toolTable.events(m_host.toolState().currentTool()).followMouse)
        viewport()->update();
    Q_EMIT statusChanged();
    QAbstractScrollArea::leaveEvent(event);
}

void CVantrelView::repaintNow() {
    viewport()->repaint();
}

void CVantrelView::mousePressEvent(QMouseEvent* event) {
    m_modifiers = event->modifiers();
    if (!m_document || !m_document->bitmap()) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint window = event->position().toPoint();
    const QPoint p = windowToImage(window);
    const int toolNumber = m_host.toolState().currentTool();
    Tool* tool = m_toolTable.tool(toolNumber);
    const ToolEvents events = m_toolTable.events(toolNumber);
    if (event->button() == Qt::LeftButton) {
        if (isFloatingState(toolNumber) &&
            !imageToWindow(m_document->floatingRect().toRect()).contains(window)) {
            // A click outside the floating selection fixes it into the image.
            m_document->commitFloatingSelection();
            return;
        }
        m_dragging = true; // Qt grabs the mouse for the pressed button
        m_lastPoint = p;
        if (events.press)
            tool->press(*this, p);
        viewport()->update();
    } else if (event->button() == Qt::RightButton) {
        if (events.rightPress)
            tool->rightPress(*this, p);
        viewport()->update();
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CVantrelView::mouseMoveEvent(QMouseEvent* event) {
    m_modifiers = event->modifiers();
    const QPoint window = event->position().toPoint();
    m_mouse = window;
    updateCursor(window);
    Q_EMIT statusChanged();
    if (!m_document || !m_document->bitmap()) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    const QPoint p = windowToImage(window);
    const int toolNumber = m_host.toolState().currentTool();
    const ToolEvents events = m_toolTable.events(toolNumber);
    if ((m_dragging && p != m_lastPoint) || events.hover) {
        if (events.move)
            m_toolTable.tool(toolNumber)->move(*this, p);
        viewport()->repaint();
    } else if (events.followMouse) {
        viewport()->update();
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CVantrelView::mouseReleaseEvent(QMouseEvent* event) {
    m_modifiers = event->modifiers();
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        const int toolNumber = m_host.toolState().currentTool();
        if (m_toolTable.events(toolNumber).release && m_document)
            m_toolTable.tool(toolNumber)
                ->release(*this, windowToImage(event->position().toPoint()));
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CVantrelView::keyPressEvent(QKeyEvent* event) {
    const int toolNumber = m_host.toolState().currentTool();
    if (m_document && m_document->bitmap() && m_toolTable.events(toolNumber).keyboard) {
        Tool& tool = *m_toolTable.tool(toolNumber);
        if (tool.keyPress(*this, event->key(), event->modifiers()) ||
            (!event->text().isEmpty() && tool.inputText(*this, event->text()))) {
            event->accept();
            viewport()->update();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CVantrelView::inputMethodEvent(QInputMethodEvent* event) {
    const int toolNumber = m_host.toolState().currentTool();
    if (m_document && m_document->bitmap() && m_toolTable.events(toolNumber).keyboard) {
        Tool* tool = m_toolTable.tool(toolNumber);
        // The pre-edit string is shown at the caret; only the commit string enters the image.
        if (auto* text = dynamic_cast<TextTool*>(tool))
            text->setPreedit(*this, event->preeditString());
        if (!event->commitString().isEmpty())
            tool->inputText(*this, event->commitString());
        event->accept();
        viewport()->update();
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
        return;
    }
    QAbstractScrollArea::inputMethodEvent(event);
}

QRect CVantrelView::textCaret() const {
    const Tool* text = m_toolTable.tool(tool::TextTyping);
    const auto* textTool = dynamic_cast<const TextTool*>(text);
    if (!textTool || !m_document)
        return {};
    return textTool->caretRect(*m_document, m_host.toolState().currentTool(), m_sessions,
                               [this](const QRect& r) { return imageToWindow(r); });
}

QVariant CVantrelView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle) {
        // The caret in this widget's coordinates, so the candidate window opens beside it.
        const QRect caret = textCaret();
        if (!caret.isEmpty())
            return caret.translated(viewport()->pos());
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

void CVantrelView::updateCursor(QPoint window) {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    const CursorSpot spot{
        .pixel = windowToImage(window),
        .overImage = bitmap && imageToWindow(bitmap->rect()).contains(window),
        .overFloating =
            m_document && imageToWindow(m_document->floatingRect().toRect()).contains(window),
    };
    const int toolNumber = m_host.toolState().currentTool();
    const Tool* tool = m_toolTable.tool(toolNumber);
    viewport()->setCursor(tool ? tool->cursor(toolNumber, spot) : QCursor(Qt::ArrowCursor));
}

QPrinter& CVantrelView::printer() {
    if (m_sharedPrinter)
        return *m_sharedPrinter;
    if (!m_ownPrinter)
        m_ownPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_ownPrinter;
}

void CVantrelView::printDocument(QPrinter& target) const {
    const Bitmap* bitmap = m_document ? m_document->bitmap() : nullptr;
    if (!bitmap)
        return;
    QPainter painter;
    if (!painter.begin(&target))
        return;
    // 96 image pixels to the inch, shrunk (never cropped) to fit the printable area.
    const QRectF page = target.pageLayout().paintRectPixels(target.resolution());
    QSizeF size = QSizeF(bitmap->size()) * (target.resolution() / 96.0);
    if (size.width() > page.width() || size.height() > page.height())
        size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), size), bitmap->toArgb32());
}

void CVantrelView::print(bool withDialog) {
    QPrinter& target = printer();
    if (withDialog) {
        QPrintDialog dialog(&target, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    printDocument(target);
}

void CVantrelView::printPreview() {
    QPrintPreviewDialog dialog(&printer(), this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printDocument(*target); });
    dialog.exec();
}

} // namespace vantrel
