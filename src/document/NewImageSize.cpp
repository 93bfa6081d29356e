#include "document/NewImageSize.h"

#include <climits>

namespace vantrel {

int parseDecimal(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r' ||
                     text[i] == u'\v' || text[i] == u'\f'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

QSize proposedNewImageSize(QSize clipboardSize) {
    int w = clipboardSize.isValid() ? clipboardSize.width() : 0;
    int h = clipboardSize.isValid() ? clipboardSize.height() : 0;
    return {w == 0 ? 100 : w, h == 0 ? 100 : h};
}

bool isValidNewImageSize(int width, int height) {
    return width > 0 && width <= MaxNewImageSide && height > 0 && height <= MaxNewImageSide;
}

QString newImageSizeMessage() {
    return QStringLiteral("Image must have between 1 and 2048 pixels on a side");
}

} // namespace vantrel
