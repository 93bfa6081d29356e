#include "view/CVantrelView.h"

#include "document/CVantrelDoc.h"
#include "imaging/Graphics.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace vantrel {

namespace {

// Draws the document bitmap with the floating selection over it, at the top-left.
class Canvas : public QWidget {
public:
    Canvas(CVantrelDoc& document, QWidget* parent) : QWidget(parent), m_document(&document) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette().color(QPalette::Button));
        if (!m_document || !m_document->bitmap())
            return;
        const Bitmap& bitmap = *m_document->bitmap();
        if (isIndexed(bitmap.format()))
            painter.drawImage(0, 0, bitmap.toArgb32());
        else
            painter.drawImage(0, 0, bitmap.image());
        if (const Bitmap* floating = m_document->floatingSelection()) {
            painter.setClipRect(bitmap.rect());
            const FloatingRect& r = m_document->floatingRect();
            painter.drawImage(r.left, r.top, floating->toArgb32());
        }
    }

private:
    QPointer<CVantrelDoc> m_document;
};

} // namespace

CVantrelView::CVantrelView(CVantrelDoc& document, QWidget* parent)
    : QScrollArea(parent), m_document(&document) {
    setWidget(new Canvas(document, this));
    setBackgroundRole(QPalette::Button);
    connect(&document, &CVantrelDoc::changed, this, &CVantrelView::documentChanged);
    documentChanged();
}

void CVantrelView::documentChanged() {
    QWidget* c = canvas();
    const QSize size = m_document && m_document->bitmap() ? m_document->bitmap()->size() : QSize();
    if (c->size() != size)
        c->resize(size);
    c->update();
}

} // namespace vantrel
