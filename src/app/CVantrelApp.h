#pragma once

#include "app/RecentFileList.h"
#include "commands/CommandTarget.h"
#include "document/DocumentHost.h"

#include <QObject>
#include <memory>
#include <vector>

class QPrinter;

namespace vantrel {

class CChildFrame;
class CMainFrame;
class CVantrelDoc;
class SingleInstance;
class OperationPrompt;
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
};

} // namespace vantrel
