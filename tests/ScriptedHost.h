#pragma once

#include "colourbar/ColourState.h"
#include "document/CVantrelDoc.h"
#include "document/DocumentHost.h"
#include "document/UserPrompt.h"
#include "operations/DocumentOperations.h"
#include "operations/OperationPrompt.h"
#include "operations/PreviewSession.h"
#include "state/ToolState.h"
#include "view/tools/Tool.h"
#include "view/tools/ToolContext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <deque>

// Answers the model's questions from a script and records every message, so tests can see
// what the user would have been told.
class ScriptedPrompt : public vantrel::UserPrompt, public vantrel::OperationPrompt {
public:
    std::deque<std::optional<QSize>> sizes; // answers to the New Image dialog
    std::deque<Answer> answers;             // answers to yes/no/cancel questions
    std::deque<QStringList> openPaths;      // answers to the open dialog
    std::deque<int> openFilterChoices;      // filter the user picks in the open dialog
    std::deque<QString> savePaths;          // answers to the save dialog
    std::deque<int> saveFilterChoices;      // filter the user picks in the save dialog
    // An adjustment dialog: the slider positions it previews, in order, then its result.
    struct AdjustmentScript {
        std::vector<vantrel::SliderPositions> previews;
        vantrel::AdjustmentResult result = vantrel::AdjustmentResult::Apply;
    };
    std::deque<AdjustmentScript> adjustments;
    std::deque<std::optional<int>> blurSizes;
    std::deque<std::optional<vantrel::ConversionRequest>> conversions;
    // The rotate-by-angle dialog: the angles it previews, in order, then its result.
    struct RotationScript {
        std::vector<double> previews;
        vantrel::AdjustmentResult result = vantrel::AdjustmentResult::Apply;
    };
    std::deque<RotationScript> rotations;
    std::deque<std::optional<vantrel::ResizeRequest>> resizes;
    std::deque<std::optional<vantrel::CanvasRequest>> canvases;
    QList<QSize> geometrySizesProposed; // what resize and canvas dialogs showed
    std::deque<std::optional<vantrel::SaveOptions>> saveOptions; // else the defaults
    QList<vantrel::ImageType> saveOptionsAsked;
    std::deque<bool> restoreAnswers;  // answers to the offer of recovered documents (else no)
    QList<QStringList> restoreOffers; // the titles each offer named
    QList<vantrel::Adjustment> adjustmentsRun;
    QStringList messages;
    QStringList questions;
    int lastOpenFilterShown = 0;
    QString lastOpenFolder;
    int lastSaveFilterShown = 0;
    QString lastSaveFilter;
    QString lastDefaultSuffix;
    QString lastSaveStart; // the path or name the save dialog was to start on

    void showMessage(const QString& text, Icon) override { messages.append(text); }
    // Recorded as "Title: text".
    void showTitledMessage(const QString& title, const QString& text, Icon) override {
        messages.append(title + QStringLiteral(": ") + text);
    }
    Answer askYesNoCancel(const QString& text) override {
        questions.append(text);
        if (answers.empty())
            return Answer::Cancel;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QSize> askNewImageSize() override {
        if (sizes.empty())
            return std::nullopt;
        const auto s = sizes.front();
        sizes.pop_front();
        return s;
    }
    QStringList askOpenPaths(const QString&, int& filterIndex,
                             const QString& startFolder) override {
        lastOpenFilterShown = filterIndex;
        lastOpenFolder = startFolder;
        if (!openFilterChoices.empty()) {
            filterIndex = openFilterChoices.front();
            openFilterChoices.pop_front();
        }
        if (openPaths.empty())
            return {};
        const QStringList p = openPaths.front();
        openPaths.pop_front();
        return p;
    }
    QString askSavePath(const QString& filter, int& filterIndex, const QString& defaultSuffix,
                        const QString& start) override {
        lastSaveFilter = filter;
        lastSaveStart = start;
        lastSaveFilterShown = filterIndex;
        lastDefaultSuffix = defaultSuffix;
        if (!saveFilterChoices.empty()) {
            filterIndex = saveFilterChoices.front();
            saveFilterChoices.pop_front();
        }
        if (savePaths.empty())
            return {};
        QString p = savePaths.front();
        savePaths.pop_front();
        // A file dialog adds the default suffix to a name typed without an extension.
        if (!defaultSuffix.isEmpty() && QFileInfo(p).suffix().isEmpty())
            p += QLatin1Char('.') + defaultSuffix;
        return p;
    }
    bool askRestoreDocuments(const QStringList& titles) override {
        restoreOffers.append(titles);
        if (restoreAnswers.empty())
            return false;
        const bool restore = restoreAnswers.front();
        restoreAnswers.pop_front();
        return restore;
    }

    std::optional<vantrel::SaveOptions> askSaveOptions(vantrel::ImageType type) override {
        saveOptionsAsked.append(type);
        return next(saveOptions, std::optional<vantrel::SaveOptions>(vantrel::SaveOptions{}));
    }

    vantrel::AdjustmentResult runAdjustment(vantrel::Adjustment kind,
                                            vantrel::PreviewSession& session) override {
        adjustmentsRun.append(kind);
        if (adjustments.empty())
            return vantrel::AdjustmentResult::Cancel;
        const AdjustmentScript script = adjustments.front();
        adjustments.pop_front();
        for (const vantrel::SliderPositions& p : script.previews)
            session.preview(vantrel::adjustmentFunction(kind, p));
        return script.result;
    }
    std::optional<int> askBlurSize(int) override {
        if (blurSizes.empty())
            return std::nullopt;
        const auto size = blurSizes.front();
        blurSizes.pop_front();
        return size;
    }
    std::optional<vantrel::ConversionRequest> askConversion(QSize) override {
        if (conversions.empty())
            return std::nullopt;
        const auto request = conversions.front();
        conversions.pop_front();
        return request;
    }
    vantrel::AdjustmentResult runRotation(const std::function<void(double)>& preview) override {
        const RotationScript script =
            next(rotations, RotationScript{{}, vantrel::AdjustmentResult::Cancel});
        for (double degrees : script.previews)
            preview(degrees);
        return script.result;
    }
    std::optional<vantrel::ResizeRequest> askResize(QSize current) override {
        geometrySizesProposed.append(current);
        return next(resizes, std::optional<vantrel::ResizeRequest>());
    }
    std::optional<vantrel::CanvasRequest> askCanvasSize(QSize current) override {
        geometrySizesProposed.append(current);
        return next(canvases, std::optional<vantrel::CanvasRequest>());
    }

private:
    // The first scripted answer, taken off the script, or `otherwise` when none is left.
    template <class T> static T next(std::deque<T>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        T answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
};

class ScriptedHost : public vantrel::DocumentHost {
public:
    vantrel::ToolState tools;
    vantrel::ColourState colourState;
    ScriptedPrompt user;
    qint64 historyBudget = vantrel::defaultHistoryBudgetMiB(); // MiB, read by new documents

    vantrel::ToolState& toolState() override { return tools; }
    vantrel::ColourState& colours() override { return colourState; }
    vantrel::UserPrompt& prompt() override { return user; }
    qint64 historyBudgetMiB() override { return historyBudget; }
};

// Lets deferred deletions and queued update timers run.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The tools' view of a document without a window: what a view gives a tool, for tests and
// benchmarks that drive tools directly.
class HeadlessTools : public vantrel::ToolContext {
public:
    HeadlessTools(vantrel::CVantrelDoc& doc, ScriptedHost& host) : m_doc(doc), m_host(host) {}
    vantrel::CVantrelDoc& document() override { return m_doc; }
    vantrel::ToolState& tools() override { return m_host.tools; }
    vantrel::ColourState& colours() override { return m_host.colourState; }
    QPoint lastPoint() const override { return m_last; }
    void setLastPoint(QPoint p) override { m_last = p; }
    vantrel::ToolSessions& sessions() override { return m_sessions; }
    int zoom() const override { return 1; }
    Qt::KeyboardModifiers modifiers() const override { return heldModifiers; }
    bool dragging() const override { return isDragging; }
    void cancelDrag() override { isDragging = false; }
    void repaintNow() override {}

    bool isDragging = false; // as a view's, between a press and its release
    Qt::KeyboardModifiers heldModifiers;

private:
    vantrel::CVantrelDoc& m_doc;
    ScriptedHost& m_host;
    QPoint m_last;
    vantrel::ToolSessions m_sessions;
};
