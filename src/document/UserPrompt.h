#pragma once

#include "imaging/ImageFile.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantrel {

// The questions and messages of the document and the application: files, sizes, yes or no. The
// widgets implement it with dialogs and message boxes; tests implement it with scripted answers.
class UserPrompt {
public:
    enum class Icon { Information, Warning, Error };
    enum class Answer { Yes, No, Cancel };

    virtual ~UserPrompt() = default;

    virtual void showMessage(const QString& text, Icon icon) = 0;
    // A message under a caption of its own ("Scan Error") instead of the program's title.
    virtual void showTitledMessage(const QString& title, const QString& text, Icon icon) = 0;
    virtual Answer askYesNoCancel(const QString& text) = 0;
    // The New Image dialog: a width and a height from 1 to 2048, or nothing when cancelled.
    virtual std::optional<QSize> askNewImageSize() = 0;
    // Paths to open, chosen with `filter` ("Name(*.ext)|*.ext|...|" pairs); `filterIndex` is
    // the 1-based filter shown first and receives the one last chosen, even on cancel. The
    // dialog opens in `startFolder` when one is given, else where the last one was left.
    virtual QStringList askOpenPaths(const QString& filter, int& filterIndex,
                                     const QString& startFolder) = 0;
    // A path to save to, chosen with `filter` (as above; `filterIndex` likewise). A name typed
    // without an extension gets `defaultSuffix` when that is not empty. The dialog starts on
    // `start`: a full path opens in its folder with its name filled in, a bare name is filled
    // in within the dialog's default folder. Empty when cancelled.
    virtual QString askSavePath(const QString& filter, int& filterIndex,
                                const QString& defaultSuffix, const QString& start) = 0;
    // Offers the documents, by title, that an editor which stopped without closing left
    // unsaved: true restores them all, false discards them.
    virtual bool askRestoreDocuments(const QStringList& titles) = 0;
    // The encoder settings of a WebP or TIFF file (`type`) about to be saved, starting on the
    // ones chosen last; nothing when cancelled, which cancels the save.
    virtual std::optional<SaveOptions> askSaveOptions(ImageType type) = 0;
};

} // namespace vantrel
