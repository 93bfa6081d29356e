#include "app/CVantrelApp.h"

#include "app/CAboutDlg.h"
#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/SingleInstance.h"
#include "commands/CommandIds.h"
#include "document/CVantrelDoc.h"
#include "document/ClipboardPicture.h"
#include "document/Recovery.h"
#include "document/UserPrompt.h"
#include "operations/DocumentOperations.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

namespace vantrel {

CVantrelApp::CVantrelApp(UserPrompt& prompt, OperationPrompt& operationPrompt, QObject* parent)
    : QObject(parent), m_prompt(prompt), m_operationPrompt(operationPrompt) {
    registerCommands();
}

CVantrelApp::~CVantrelApp() {
    // Queued copies reach the disk; an exit that did not close the documents keeps them.
    m_recoveryTimer.stop();
    m_recoveryWriter.reset();
    // Windows go before the documents they show.
    m_mainFrame.reset();
    m_documents.clear();
    m_closed.clear();
}

ToolState& CVantrelApp::toolState() {
    return m_mainFrame->toolState();
}

ColourState& CVantrelApp::colours() {
    return m_mainFrame->colours();
}

qint64 CVantrelApp::historyBudgetMiB() {
    // A positive whole number (stored as a number or as text); anything else means the default.
    const std::unique_ptr<QSettings> settings = openSettings();
    bool ok = false;
    const qint64 mib =
        settings->value(QStringLiteral("Settings/History Budget MiB")).toLongLong(&ok);
    return ok && mib > 0 ? mib : defaultHistoryBudgetMiB();
}

QPrinter* CVantrelApp::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

QString CVantrelApp::openFilter() {
    // "*" rather than "*.*", so names without a dot are listed too.
    return QStringLiteral("All Files(*.*)|*|PNG Files(*.png)|*.png|JPG Files(*.jpg)|*.jpg|"
                          "GIF Files(*.gif)|*.gif|BMP Files(*.bmp)|*.bmp||");
}

bool CVantrelApp::initInstance(const QStringList& files) {
    std::unique_ptr<QSettings> settings = openSettings();
    m_recent.read(*settings);

    m_mainFrame = std::make_unique<CMainFrame>(*this);
    connect(m_mainFrame.get(), &CMainFrame::filesDropped, this, &CVantrelApp::openHandedFiles);
    connect(m_mainFrame.get(), &CMainFrame::frameClosing, this, &CVantrelApp::frameClosing);

    if (settings->value(kWindowStateKey, 0).toInt() != 0)
        m_mainFrame->showMaximized();
    else
        m_mainFrame->show();

    m_recoveryStore = std::make_unique<RecoveryStore>(RecoveryStore::defaultFolder());
    if (const int seconds = recoveryIntervalSeconds(*settings); seconds > 0) {
        m_recoveryWriter = std::make_unique<RecoveryWriter>(*m_recoveryStore);
        connect(&m_recoveryTimer, &QTimer::timeout, this, &CVantrelApp::writeRecoveryCopies);
        m_recoveryTimer.start(std::chrono::seconds(seconds));
    }
    // Before the named files, so that a file named again shows its restored document.
    offerRecovery();

    for (const QString& path : files)
        if (!openDocumentFile(path))
            return false;
    return true;
}

int CVantrelApp::recoveryIntervalMs() const {
    return m_recoveryTimer.isActive() ? m_recoveryTimer.interval() : 0;
}

void CVantrelApp::writeRecoveryCopies() {
    if (!m_recoveryWriter)
        return;
    for (const auto& doc : m_documents) {
        if (!doc->isModified() || !doc->bitmap())
            continue;
        RecoveryMark& mark = m_recoveryMarks[doc.get()];
        // Shallow copies: the document's next write detaches its pixels from these.
        RecoverySnapshot snapshot;
        snapshot.picture = std::as_const(*doc->bitmap()).image();
        snapshot.format = doc->bitmap()->format();
        if (const Bitmap* floating = doc->floatingSelection()) {
            snapshot.floating = floating->image();
            snapshot.floatingFormat = floating->format();
            snapshot.floatingAt = {doc->floatingRect().left, doc->floatingRect().top};
        }
        snapshot.path = doc->pathName();
        snapshot.title = doc->title();
        const RecoveryShown shown{snapshot.picture.cacheKey(), snapshot.floating.cacheKey(),
                                  snapshot.floatingAt, snapshot.path, snapshot.title};
        if (mark.written && mark.shown == shown)
            continue;
        if (mark.id.isEmpty())
            mark.id = m_recoveryStore->newId();
        snapshot.id = mark.id;
        m_recoveryWriter->write(std::move(snapshot));
        mark.written = true;
        mark.shown = shown;
    }
}

void CVantrelApp::finishRecoveryWrites() {
    if (m_recoveryWriter)
        m_recoveryWriter->finish();
}

void CVantrelApp::dropRecoveryCopy(const CVantrelDoc* document, bool closing) {
    const auto it = m_recoveryMarks.find(document);
    if (it == m_recoveryMarks.end())
        return;
    if (it->second.written && m_recoveryWriter)
        m_recoveryWriter->remove(it->second.id);
    it->second.written = false;
    if (closing)
        m_recoveryMarks.erase(it);
}

void CVantrelApp::offerRecovery() {
    QStringList titles;
    QStringList damaged;
    std::vector<RecoveryRecord> usable;
    for (RecoveryRecord& record : m_recoveryStore->abandoned()) {
        if (!record.damage.isEmpty()) {
            damaged.append(QStringLiteral("%1: %2").arg(record.title, record.damage));
            m_recoveryStore->remove(record.id);
            continue;
        }
        titles.append(record.path.isEmpty() ? record.title : QDir::toNativeSeparators(record.path));
        usable.push_back(std::move(record));
    }
    if (!usable.empty() && m_prompt.askRestoreDocuments(titles)) {
        for (const RecoveryRecord& record : usable) {
            RestoredPicture picture = m_recoveryStore->read(record);
            if (!picture.bitmap) {
                damaged.append(picture.error);
                m_recoveryStore->remove(record.id);
                continue;
            }
            restoreDocument(record, std::move(picture.bitmap));
        }
    } else {
        for (const RecoveryRecord& record : usable)
            m_recoveryStore->remove(record.id);
    }
    if (!damaged.isEmpty())
        m_prompt.showMessage(tr("These recovered images could not be read and were removed:\n\n"
                                "%1")
                                 .arg(damaged.join(QLatin1Char('\n'))),
                             UserPrompt::Icon::Warning);
}

CVantrelDoc* CVantrelApp::restoreDocument(const RecoveryRecord& record,
                                          std::unique_ptr<Bitmap> bitmap) {
    auto document = std::make_unique<CVantrelDoc>(*this);
    registerOperationCommands(*document, m_operationPrompt);
    document->setBitmap(std::move(bitmap));
    document->setPathName(record.path);
    document->setTitle(record.title);
    document->setModifiedFlag(true);
    // A restored "Bitmap<n>" keeps its number from being given to a new image.
    const QString untitled = tr("Bitmap");
    if (record.path.isEmpty() && record.title.startsWith(untitled)) {
        bool ok = false;
        const int number = record.title.mid(untitled.size()).toInt(&ok);
        if (ok)
            m_untitledCount = std::max(m_untitledCount, number);
    }
    CVantrelDoc* doc = addDocument(std::move(document));
    // The old copy goes once this editor's own copy is written (the writer keeps the order);
    // without copies it goes now.
    if (m_recoveryWriter) {
        writeRecoveryCopies();
        m_recoveryWriter->remove(record.id);
    } else {
        m_recoveryStore->remove(record.id);
    }
    return doc;
}

void CVantrelApp::registerCommands() {
    onCommand(cmd::FileNew, [this] { newDocument(); });
    onCommand(cmd::FileOpen, [this] {
        // The dialog starts in the folder of the active document, when it has one.
        QString folder;
        if (const CVantrelDoc* doc = m_mainFrame->activeDocument();
            doc && !doc->pathName().isEmpty())
            folder = QFileInfo(doc->pathName()).absolutePath();
        const QStringList paths = m_prompt.askOpenPaths(openFilter(), m_openFilterIndex, folder);
        openFiles(paths);
    });
    onCommand(cmd::FilePrintSetup, [this] {
        QPageSetupDialog dialog(printer(), m_mainFrame.get());
        dialog.exec();
    });
    onCommand(cmd::PasteAsNewImage, [this] { pasteAsNewImage(); });
    onUpdate(cmd::PasteAsNewImage, [](CommandState& s) { s.enabled = clipboardHasPicture(); });
    onCommand(cmd::AppAbout, [this] {
        CAboutDlg dialog(m_mainFrame.get());
        dialog.exec();
    });
    onCommand(cmd::AppExit, [this] { m_mainFrame->close(); });
    onCommandRange(cmd::FileMru1, cmd::FileMru9,
                   [this](int id) { openRecentFile(id - cmd::FileMru1); });
    onUpdateRange(cmd::FileMru1, cmd::FileMru9, [this](int id, CommandState& s) {
        s.enabled = id - cmd::FileMru1 < m_recent.files().size();
    });
}

CVantrelDoc* CVantrelApp::addDocument(std::unique_ptr<CVantrelDoc> document) {
    CVantrelDoc* doc = document.get();
    m_documents.push_back(std::move(document));
    connect(doc, &CVantrelDoc::closeRequested, this, [this, doc] { closeDocumentWindows(doc); });
    connect(doc, &CVantrelDoc::modifiedChanged, this, [this, doc](bool modified) {
        if (!modified)
            dropRecoveryCopy(doc, false); // saved, or read again from its file
    });
    connect(doc, &CVantrelDoc::pathNameChanged, this, [this](const QString& path) {
        if (!path.isEmpty()) {
            m_recent.add(path);
            writeRecentFiles();
        }
    });
    if (!doc->pathName().isEmpty()) {
        m_recent.add(doc->pathName());
        writeRecentFiles();
    }
    m_mainFrame->addFrame(*doc);
    return doc;
}

CVantrelDoc* CVantrelApp::newDocument() {
    auto document = std::make_unique<CVantrelDoc>(*this);
    registerOperationCommands(*document, m_operationPrompt);
    // A cancelled New does not use up a number.
    document->setTitle(tr("Bitmap") + QString::number(m_untitledCount + 1));
    if (!document->onNewDocument())
        return nullptr;
    ++m_untitledCount;
    return addDocument(std::move(document));
}

CVantrelDoc* CVantrelApp::openDocumentFile(const QString& path, bool* wasOpen) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (wasOpen)
        *wasOpen = false;
    for (const auto& doc : m_documents) {
        if (doc->pathName() == absolute) {
            for (CChildFrame* frame : m_mainFrame->childFrames())
                if (frame->document() == doc.get()) {
                    m_mainFrame->mdiArea()->setActiveSubWindow(frame);
                    break;
                }
            if (wasOpen)
                *wasOpen = true;
            return doc.get();
        }
    }
    auto document = std::make_unique<CVantrelDoc>(*this);
    registerOperationCommands(*document, m_operationPrompt);
    if (!document->onOpenDocument(absolute))
        return nullptr;
    return addDocument(std::move(document));
}

void CVantrelApp::openFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        bool wasOpen = false;
        CVantrelDoc* doc = openDocumentFile(path, &wasOpen);
        // A file that is already open is read again from disk into its document, once the
        // user agrees to lose the changes made since.
        if (!doc || !wasOpen)
            continue;
        if (doc->isModified() &&
            m_prompt.askYesNoCancel(
                QStringLiteral("%1 has unsaved changes.\nDiscard them and read the file again?")
                    .arg(doc->title())) != UserPrompt::Answer::Yes)
            continue;
        doc->onOpenDocument(path);
    }
}

void CVantrelApp::openHandedFiles(const QStringList& paths) {
    for (const QString& path : paths)
        openDocumentFile(path);
}

void CVantrelApp::acceptHandOvers(SingleInstance& instance) {
    connect(&instance, &SingleInstance::filesReceived, this, [this](const QStringList& paths) {
        openHandedFiles(paths);
        m_mainFrame->raise();
        m_mainFrame->activateWindow();
    });
}

void CVantrelApp::openRecentFile(int index) {
    if (index < 0 || index >= m_recent.files().size())
        return;
    const QString path = m_recent.files().at(index);
    if (!openDocumentFile(path)) {
        m_recent.remove(m_recent.files().indexOf(path));
        writeRecentFiles();
    }
}

void CVantrelApp::writeRecentFiles() {
    std::unique_ptr<QSettings> settings = openSettings();
    m_recent.write(*settings);
}

void CVantrelApp::pasteAsNewImage() {
    // A picture that cannot be read is refused before a document is made.
    const ClipboardPicture picture = readClipboardPicture();
    if (!picture.bitmap) {
        if (!picture.error.isEmpty())
            m_prompt.showMessage(picture.error, UserPrompt::Icon::Error);
        return;
    }
    // The New Image dialog proposes the clipboard picture's size.
    CVantrelDoc* doc = newDocument();
    if (!doc)
        return;
    // The picture floats at the top-left of the visible part and is fixed into the image.
    doc->paste();
    doc->commitFloatingSelection();
}

std::vector<CVantrelDoc*> CVantrelApp::documents() const {
    std::vector<CVantrelDoc*> docs;
    for (const auto& d : m_documents)
        docs.push_back(d.get());
    return docs;
}

bool CVantrelApp::saveAllModified() {
    for (const auto& doc : m_documents)
        if (!doc->saveModified())
            return false;
    return true;
}

void CVantrelApp::closeDocumentWindows(CVantrelDoc* document) {
    for (CChildFrame* frame : m_mainFrame->childFrames())
        if (frame->document() == document) {
            frame->setCloseConfirmed(true);
            frame->close();
        }
}

void CVantrelApp::closeAllDocuments() {
    for (CChildFrame* frame : m_mainFrame->childFrames()) {
        frame->setCloseConfirmed(true);
        frame->close();
    }
}

void CVantrelApp::frameClosing(CChildFrame* frame) {
    CVantrelDoc* doc = frame->document();
    for (CChildFrame* other : m_mainFrame->childFrames())
        if (other != frame && other->document() == doc)
            return;
    // The document's last window is closing: the document goes with it.
    const auto it = std::find_if(m_documents.begin(), m_documents.end(),
                                 [doc](const auto& d) { return d.get() == doc; });
    if (it == m_documents.end())
        return;
    dropRecoveryCopy(doc, true);
    m_closed.push_back(std::move(*it));
    m_documents.erase(it);
    QTimer::singleShot(0, this, [this] { m_closed.clear(); });
}

} // namespace vantrel
