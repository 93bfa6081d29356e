#pragma once

#include "commands/CommandTarget.h"
#include "document/CVantrelDoc.h"
#include "state/ToolState.h"

#include <QMdiSubWindow>
#include <QPointer>

class QPrinter;

namespace vantrel {

class CVantrelView;
class DocumentHost;
class ToolTable;

// The frame of one document window. It keeps the tool that was current when the window was
// last left and swaps it in when the window becomes active again, and it keeps itself inside
// the main window's client area.
class CChildFrame : public QMdiSubWindow, public CommandTarget {
    Q_OBJECT
public:
    CChildFrame(CVantrelDoc& document, DocumentHost& host, ToolTable& toolTable, QPrinter* printer,
                QWidget* parent = nullptr);
    ~CChildFrame() override;

    CVantrelDoc* document() const { return m_document; }
    CVantrelView* view() const { return m_view; }
    int savedTool() const { return m_savedTool; }

    // The document's close was already confirmed: close without asking again.
    void setCloseConfirmed(bool confirmed) { m_closeConfirmed = confirmed; }

Q_SIGNALS:
    // The window is closing (its close was accepted).
    void closing(vantrel::CChildFrame* frame);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void windowStateChange(Qt::WindowStates oldState, Qt::WindowStates newState);
    bool isLastFrameOfDocument() const;

    QPointer<CVantrelDoc> m_document;
    // The main frame owns the tool state and may be torn down before its child windows.
    QPointer<ToolState> m_tools;
    CVantrelView* m_view = nullptr;
    int m_savedTool = 0;
    bool m_closeConfirmed = false;
};

} // namespace vantrel
