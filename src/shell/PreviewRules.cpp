#include "shell/PreviewRules.h"

namespace vantrel {

PreviewSelection previewSelection(const QString& fileNameText) {
    const QChar quote = QLatin1Char('"');
    if (!fileNameText.startsWith(quote)) {
        const qsizetype dot = fileNameText.lastIndexOf(QLatin1Char('.'));
        return {fileNameText, dot < 0 ? QString() : fileNameText.mid(dot + 1)};
    }
    const qsizetype close = fileNameText.indexOf(quote, 1);
    if (close < 0)
        return {};
    const QString name = fileNameText.mid(1, close - 1);
    return {name, name.right(3)};
}

bool isPreviewable(const QString& ext) {
    for (const char* previewed : {"jpg", "bmp", "gif", "png"})
        if (ext.compare(QLatin1String(previewed), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QSize previewSize(QSize image) {
    const double w = image.width();
    const double h = image.height();
    if (h < w)
        return {kPreviewBoxSide, static_cast<int>(h / w * kPreviewBoxSide)};
    if (h > w)
        return {static_cast<int>(w / h * kPreviewBoxSide), kPreviewBoxSide};
    return {kPreviewBoxSide, kPreviewBoxSide};
}

QPoint previewOffset(QSize scaled) {
    return {(kPreviewBoxSide - scaled.width()) / 2, (kPreviewBoxSide - scaled.height()) / 2};
}

QString previewDimensionsText(QSize image) {
    return QString::asprintf("%d x %d", image.width(), image.height());
}

QString previewFileSizeText(quint32 bytes) {
    // Single precision on purpose: 1,048,575 bytes stay below 1024 Kb and print as 1024.00.
    const float kb = static_cast<float>(bytes) / 1024.0f;
    if (kb < 1024.0f)
        return QString::asprintf("Size: %.2f Kb", static_cast<double>(kb));
    return QString::asprintf("Size: %.2f Mb", static_cast<double>(kb / 1024.0f));
}

QString previewCreatedText(const QDateTime& birth) {
    const QDate date = birth.isValid() ? birth.toLocalTime().date() : QDate();
    const bool known = date.isValid();
    return QString::asprintf("Create: %d.%d.%d", known ? date.day() : 0, known ? date.month() : 0,
                             known ? date.year() : 0);
}

} // namespace vantrel
