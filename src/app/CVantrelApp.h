#pragma once

#include "app/RecentFileList.h"
#include "commands/CommandTarget.h"
#include "document/DocumentHost.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <memory>
#include <unordered_map>
#include <vector>

class QPrinter;

namespace vantrel {

class CChildFrame;
class CMainFrame;
class Bitmap;
class CVantrelDoc;
class SingleInstance;
struct RecoveryRecord;
class OperationPrompt;
class RecoveryStore;
class RecoveryWriter;
class UserPrompt;

// The application: starts the editor, keeps the open documents (the document manager) and
// handles the application-wide commands: new, open, recent files, paste as new image, print
// setup, about and exit.
class CVantrelApp : public QObject, public CommandTarget, public DocumentHost {
    Q_OBJECT
public:
    // `prompt` asks the document's and the application's questions, `operationPrompt` the
    // image operations'.
    CVantrelApp(UserPrompt& prompt, OperationPrompt& operationPrompt, QObject* parent = nullptr);
    ~CVantrelApp() override;

    // Start-up: settings, main window, then the files named on the command line. False when
    // a named file cannot be opened, and the program must end.
    bool initInstance(const QStringList& files);

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    ToolState& toolState() override;
    ColourState& colours() override;
    UserPrompt& prompt() override { return m_prompt; }
    // The "History Budget MiB" setting of the "Settings" group.
    qint64 historyBudgetMiB() override;
    RecentFileList& recentFiles() { return m_recent; }
    int openFilterIndex() const { return m_openFilterIndex; }

    // The document manager.
    CVantrelDoc* newDocument();
    // Opens `path` in a new window, or activates the window that already shows it (then
    // `wasOpen` is set). Null when the file cannot be read; the user has been told why.
    CVantrelDoc* openDocumentFile(const QString& path, bool* wasOpen = nullptr);
    // Opens each file as the open command does; a file already open is read again.
    void openFiles(const QStringList& paths);
    // Opens each file handed in from outside (dropped, or named by a second launch): a file
    // that is already open only has its window activated.
    void openHandedFiles(const QStringList& paths);
    // Takes the files a second launch hands to this instance.
    void acceptHandOvers(SingleInstance& instance);
    std::vector<CVantrelDoc*> documents() const;
    // Asks about every modified document; false when the user cancels.
    bool saveAllModified();
    void closeAllDocuments();

    // Recovery copies: every "Recovery/Interval Seconds" each modified document is copied to
    // the recovery folder (on a worker thread); a save or close removes its copy. 0 when off.
    int recoveryIntervalMs() const;
    // Queues a copy of each modified document changed since its last copy; the timer calls it.
    void writeRecoveryCopies();
    // Waits until the queued copies and removals are on disk.
    void finishRecoveryWrites();

    static QString openFilter();
    // The printer every view prints to, as print setup last left it.
    QPrinter* printer();

private:
    void registerCommands();
    void pasteAsNewImage();
    void openRecentFile(int index);
    void frameClosing(CChildFrame* frame);
    void closeDocumentWindows(CVantrelDoc* document);
    CVantrelDoc* addDocument(std::unique_ptr<CVantrelDoc> document);
    void writeRecentFiles();
    // Offers the copies left by editors that no longer run, in one question.
    void offerRecovery();
    CVantrelDoc* restoreDocument(const RecoveryRecord& record, std::unique_ptr<Bitmap> bitmap);
    // Removes the document's recovery copy, if it has one; `closing` forgets the document.
    void dropRecoveryCopy(const CVantrelDoc* document, bool closing);

    UserPrompt& m_prompt;
    OperationPrompt& m_operationPrompt;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::vector<std::unique_ptr<CVantrelDoc>> m_documents;
    // Documents whose last window closed; destroyed once control returns to the event loop,
    // since the close may have started inside one of their own handlers.
    std::vector<std::unique_ptr<CVantrelDoc>> m_closed;
    RecentFileList m_recent{9};
    int m_openFilterIndex = 1;
    int m_untitledCount = 0;
    std::unique_ptr<QPrinter> m_printer;

    // What a recovery copy of a document shows: a document that still shows the same is not
    // copied again. The keys change whenever the pixels are written.
    struct RecoveryShown {
        qint64 pictureKey = 0;
        qint64 floatingKey = 0;
        QPoint floatingAt;
        QString path;
        QString title;
        bool operator==(const RecoveryShown&) const = default;
    };
    struct RecoveryMark {
        QString id; // the copy's name in the store; empty until the first copy
        bool written = false;
        RecoveryShown shown;
    };
    std::unique_ptr<RecoveryStore> m_recoveryStore;
    std::unique_ptr<RecoveryWriter> m_recoveryWriter; // null while copies are off
    std::unordered_map<const CVantrelDoc*, RecoveryMark> m_recoveryMarks;
    QTimer m_recoveryTimer;
};

} // namespace vantrel
