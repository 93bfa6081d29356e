#pragma once

#include "app/CommandTarget.h"
#include "document/CVantrelDoc.h"

#include <QPointer>
#include <QScrollArea>

namespace vantrel {

// One window onto a document. It owns no pixels and no history: it draws the document's
// current state and repaints whenever the document announces a change.
class CVantrelView : public QScrollArea, public CommandTarget {
    Q_OBJECT
public:
    explicit CVantrelView(CVantrelDoc& document, QWidget* parent = nullptr);

    CVantrelDoc* document() const { return m_document; }
    // The widget the image is drawn on.
    QWidget* canvas() const { return widget(); }

private:
    void documentChanged();

    QPointer<CVantrelDoc> m_document;
};

} // namespace vantrel
