#pragma once

#include <QSize>
#include <QString>

namespace vantrel {

inline constexpr int MaxNewImageSide = 2048;

// A plain decimal parse: leading blanks and one sign are accepted, reading stops at the
// first character that is not a digit, and text without leading digits gives 0. Values
// beyond the int range saturate, so they are still out of bounds rather than wrapping.
int parseDecimal(const QString& text);

// The size the New Image dialog proposes for a clipboard picture of `clipboardSize`
// (empty when there is none): each side that is 0 becomes 100.
QSize proposedNewImageSize(QSize clipboardSize);

bool isValidNewImageSize(int width, int height);

// The message shown when a side is out of bounds.
QString newImageSizeMessage();

} // namespace vantrel
