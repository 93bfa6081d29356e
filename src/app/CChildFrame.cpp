#include "app/CChildFrame.h"

#include "document/CVantrelDoc.h"
#include "document/DocumentHost.h"
#include "state/ToolState.h"
#include "view/CVantrelView.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QResizeEvent>
#include <algorithm>

namespace vantrel {

CChildFrame::CChildFrame(CVantrelDoc& document, DocumentHost& host, ToolTable& toolTable,
                         QPrinter* printer, QWidget* parent)
    : QMdiSubWindow(parent), m_document(&document), m_tools(&host.toolState()) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_view = new CVantrelView(document, host, toolTable, printer, this);
    setWidget(m_view);
    connect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::windowStateChange);
}

CChildFrame::~CChildFrame() = default;

void CChildFrame::windowStateChange(Qt::WindowStates oldState, Qt::WindowStates newState) {
    if (!m_tools)
        return;
    const bool wasActive = oldState.testFlag(Qt::WindowActive);
    const bool isActive = newState.testFlag(Qt::WindowActive);
    if (isActive && !wasActive)
        m_tools->setCurrentTool(m_savedTool);
    else if (wasActive && !isActive)
        m_savedTool = m_tools->currentTool();
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    const QWidget* parent = parentWidget();
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
    if (parent && normal) {
        const QRect r = geometry();
        if (r.x() + r.width() > parent->width() || r.y() + r.height() > parent->height()) {
            // Shrink without moving; the nested resize arrives here again and passes.
            const int w =
                std::max(minimumWidth(), std::min(event->size().width(), parent->width() - r.x()));
            const int h = std::max(minimumHeight(),
                                   std::min(event->size().height(), parent->height() - r.y()));
            if (QSize(w, h) != size()) {
                resize(w, h);
                return;
            }
        }
    }
    QMdiSubWindow::resizeEvent(event);
}

bool CChildFrame::isLastFrameOfDocument() const {
    const QMdiArea* area = mdiArea();
    if (!area)
        return true;
    for (QMdiSubWindow* w : area->subWindowList()) {
        auto* frame = qobject_cast<CChildFrame*>(w);
        if (frame && frame != this && frame->m_document == m_document)
            return false;
    }
    return true;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    // Closing the last window of a document closes the document: ask about its changes.
    if (!m_closeConfirmed && m_document && isLastFrameOfDocument() && !m_document->saveModified()) {
        event->ignore();
        return;
    }
    Q_EMIT closing(this);
    QMdiSubWindow::closeEvent(event);
}

} // namespace vantrel
