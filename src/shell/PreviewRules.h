#pragma once

#include <QDateTime>
#include <QPoint>
#include <QSize>
#include <QString>

namespace vantrel {

// The rules of the open dialog's preview pane, kept apart from the widgets so they can be
// checked one by one.

// The picture box is a square of this side; the picture is scaled to fit inside it.
inline constexpr int kPreviewBoxSide = 100;

// What the dialog's file-name box names: the file to preview and its extension.
struct PreviewSelection {
    QString name; // as the box holds it, without a folder
    QString ext;  // without the dot
};

// One name gives that name and the characters after its last dot. Several names arrive
// quoted ("a.png" "b.gif"): the first one is taken, and its extension is the three characters
// before its closing quote. A quote that is never closed gives nothing.
PreviewSelection previewSelection(const QString& fileNameText);

// jpg, bmp, gif and png, in any letter case, are previewed; nothing else.
bool isPreviewable(const QString& ext);

// The scaled picture's size: the longer side becomes the box's side, the other is scaled
// by the same ratio and truncated.
QSize previewSize(QSize image);
// Where a picture of `scaled` size goes inside the box so that it is centred.
QPoint previewOffset(QSize scaled);

// The lines under the box.
QString previewDimensionsText(QSize image);
QString previewFileSizeText(quint32 bytes);
// Day, month and year of the file's birth in local time; an unknown time gives 0.0.0.
QString previewCreatedText(const QDateTime& birth);

} // namespace vantrel
