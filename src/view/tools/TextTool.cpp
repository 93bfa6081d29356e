#include "view/tools/TextTool.h"

#include "colourbar/ColourState.h"
#include "document/CVantrelDoc.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphics.h"
#include "state/ToolState.h"
#include "view/tools/ToolContext.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace vantrel {

TextSession::TextSession() : font(TextTool::defaultFont()) {}

QFont TextTool::defaultFont() {
    QFont font(QStringLiteral("Arial"), 10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QSize TextTool::measure(const Bitmap& bitmap, const QString& text, const QFont& font) {
    // The same metrics a drawing surface on the bitmap gives, without opening one (which
    // would detach the bitmap's pixels).
    const QFontMetricsF metrics(font, &bitmap.image());
    return {int(metrics.horizontalAdvance(text)), int(metrics.height())};
}

ToolEvents TextTool::events(int toolNumber) const {
    return {.press = true, .keyboard = toolNumber == tool::TextTyping};
}

void TextTool::press(ToolContext& ctx, QPoint p) {
    CVantrelDoc& doc = ctx.document();
    // Fixes any floating selection, and a line being typed, into the image first.
    doc.commitFloatingSelection();
    if (!doc.bitmap() || !doc.savePendingSnapshot())
        return;
    TextSession& session = ctx.sessions().get<TextSession>(*this);
    const int h = measure(*doc.bitmap(), QStringLiteral("0"), session.font).height();
    session.origin = QPoint(p.x(), p.y() - h / 2);
    session.drawn = QRect();
    session.preedit.clear();
    session.caretShown = true;
    doc.setTypedText(QString());
    ctx.tools().setCurrentTool(tool::TextTyping);
}

bool TextTool::keyPress(ToolContext& ctx, int key, Qt::KeyboardModifiers) {
    if (key != Qt::Key_Backspace || ctx.tools().currentTool() != tool::TextTyping)
        return false;
    QString text = ctx.document().typedText();
    backspace(text);
    ctx.document().setTypedText(text);
    // Backspace on an empty line changes nothing but still redraws.
    redraw(ctx, ctx.sessions().get<TextSession>(*this));
    return true;
}

void TextTool::backspace(QString& text) const {
    if (text.isEmpty())
        return;
    // A surrogate pair is one character: it goes whole.
    const qsizetype last = text.size() - 1;
    const bool pair =
        last > 0 && text.at(last).isLowSurrogate() && text.at(last - 1).isHighSurrogate();
    text.chop(pair ? 2 : 1);
}

bool TextTool::inputText(ToolContext& ctx, const QString& input) {
    if (ctx.tools().currentTool() != tool::TextTyping)
        return false;
    QString text = ctx.document().typedText();
    bool used = false;
    for (QChar c : input) {
        if (c.unicode() == 8) {
            backspace(text);
            used = true;
        } else if (c.unicode() >= 32) {
            // Control characters (Enter, Tab, Escape) do nothing: the text stays one line.
            text.append(c);
            used = true;
        }
    }
    if (!used)
        return false;
    ctx.document().setTypedText(text);
    redraw(ctx, ctx.sessions().get<TextSession>(*this));
    return true;
}

void TextTool::setPreedit(ToolContext& ctx, const QString& text) {
    if (ctx.tools().currentTool() == tool::TextTyping)
        ctx.sessions().get<TextSession>(*this).preedit = text;
}

void TextTool::redraw(ToolContext& ctx, TextSession& session) {
    CVantrelDoc& doc = ctx.document();
    const Bitmap* bitmap = doc.bitmap();
    if (!bitmap)
        return;
    const QString& text = doc.typedText();
    // The area the line's glyphs may cover, with a margin of a line height for overhangs and
    // smoothing; restoring it matches restoring the whole image from the pending snapshot.
    const QFontMetricsF metrics(session.font, &bitmap->image());
    const QRectF ink = metrics.boundingRect(text).translated(session.origin.x(),
                                                             session.origin.y() + metrics.ascent());
    const int margin = int(std::ceil(metrics.height())) + 2;
    const QRect area =
        text.isEmpty() ? QRect()
                       : ink.toAlignedRect()
                             .united(QRect(session.origin, measure(*bitmap, text, session.font)))
                             .adjusted(-margin, -margin, margin, margin);
    if (!session.drawn.isEmpty())
        doc.restorePendingArea(session.drawn);
    session.drawn = area;
    if (area.isEmpty())
        return;
    const QRgb colour = ctx.colours().foreColour();
    const QFont font = session.font;
    const QPointF at(session.origin);
    doc.changePixels(area, [&](Bitmap& b) {
        Graphics g(b);
        g.setClip(area); // only the recorded area may change
        g.drawString(text, font, colour, at);
    });
}

void TextTool::deactivate(ToolContext& ctx) {
    if (TextSession* session = ctx.sessions().find<TextSession>(*this)) {
        session->drawn = QRect();
        session->preedit.clear();
    }
}

QRect TextTool::caretRect(const CVantrelDoc& document, int toolNumber, const ToolSessions& sessions,
                          const std::function<QRect(const QRect&)>& toWindow) const {
    const TextSession* session = sessions.find<TextSession>(*this);
    const Bitmap* bitmap = document.bitmap();
    if (toolNumber != tool::TextTyping || !session || !bitmap)
        return {};
    const QSize size = measure(*bitmap, document.typedText(), session->font);
    const QRect end =
        toWindow(QRect(session->origin + QPoint(size.width(), 0), QSize(1, size.height())));
    return {end.left(), end.top(), 3, end.height()};
}

void TextTool::drawOverlay(ToolOverlay& overlay) const {
    const QRect caret = caretRect(overlay.document(), overlay.toolNumber(), overlay.sessions(),
                                  [&overlay](const QRect& r) { return overlay.toWindow(r); });
    const TextSession* session = overlay.sessions().find<TextSession>(*this);
    if (caret.isEmpty() || !session)
        return;
    QPainter& painter = overlay.painter();
    if (!session->preedit.isEmpty()) {
        // The pre-edit string at the caret, at the view's scale, underlined as input methods
        // show it; it is not part of the image until committed.
        QFont font = session->font;
        const QSize one = measure(*overlay.document().bitmap(), QStringLiteral("0"), font);
        if (one.height() > 0)
            font.setPointSizeF(font.pointSizeF() * caret.height() / one.height());
        font.setUnderline(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QFontMetricsF metrics(font);
        painter.fillRect(QRectF(caret.left(), caret.top(),
                                metrics.horizontalAdvance(session->preedit), caret.height()),
                         Qt::white);
        painter.drawText(QPointF(caret.left(), caret.top() + metrics.ascent()), session->preedit);
    }
    if (session->caretShown)
        painter.fillRect(caret, Qt::black);
}

} // namespace vantrel
