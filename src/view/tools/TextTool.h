#pragma once

#include "view/tools/Tool.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <functional>

namespace vantrel {

class Bitmap;

// What the text tool keeps in one view: the font, where the line starts, the image area the
// line covers now (restored before each redraw), and the input method's pre-edit string,
// shown at the caret but never drawn into the image.
struct TextSession : ToolSession {
    TextSession();
    QFont font;
    QPoint origin;
    QRect drawn;
    QString preedit;
    bool caretShown = true; // the blink phase
};

// The text tool: a click places the line, characters redraw it over the untouched image, and
// the line becomes one undo entry when typing ends (the document's finish text entry).
class TextTool : public Tool {
public:
    ToolEvents events(int toolNumber) const override;
    QCursor cursor(int, const CursorSpot&) const override { return Qt::IBeamCursor; }
    void drawOverlay(ToolOverlay& overlay) const override;

    void press(ToolContext& ctx, QPoint p) override;
    bool keyPress(ToolContext& ctx, int key, Qt::KeyboardModifiers modifiers) override;
    bool inputText(ToolContext& ctx, const QString& text) override;
    // The input method's uncommitted text, shown at the caret while typing.
    void setPreedit(ToolContext& ctx, const QString& text);

    // The default font: "Arial" 10 points, or the platform's sans-serif family.
    static QFont defaultFont();
    // The size of `text` in `font` on `bitmap`: the advance and one line high (also when empty).
    static QSize measure(const Bitmap& bitmap, const QString& text, const QFont& font);
    // The caret in window coordinates: 3 pixels wide, zoom x line height high, at the end of
    // the line; empty when no line is being typed.
    QRect caretRect(const CVantrelDoc& document, int toolNumber, const ToolSessions& sessions,
                    const std::function<QRect(const QRect&)>& toWindow) const;
    // The session stays when another tool becomes current: it holds the view's font.
    void deactivate(ToolContext& ctx) override;

private:
    void redraw(ToolContext& ctx, TextSession& session);
    void backspace(QString& text) const;
};

} // namespace vantrel
