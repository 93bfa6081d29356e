#include "acquisition/ScanProgress.h"

#include "acquisition/CExcept.h"
#include "acquisition/CTwainUtils.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <thread>

namespace vantrel {

ScanOutcome scanWithProgress(CTwainUtils& scanner, const QString& source, const QString& path,
                             QWidget* parent) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("vantrel::ScanProgress", text);
    };
    QProgressDialog progress(tr("Scanning with %1...").arg(source), tr("Cancel"), 0, 100, parent);
    progress.setWindowTitle(QStringLiteral("Vantrel"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [&scanner] { scanner.cancel(); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&progress, &scanner] {
        const int percent = scanner.backend().progressPercent();
        progress.setMaximum(percent < 0 ? 0 : 100);
        if (percent >= 0)
            progress.setValue(percent);
    });
    poll.start(100);

    // The worker asks the loop to end once the scan is over; joining it hands its outcome
    // over to this thread.
    QEventLoop loop;
    ScanOutcome outcome;
    std::thread worker([&scanner, &outcome, &loop, source, path] {
        try {
            outcome.cancelled = scanner.scan(source, path);
        } catch (const CExcept& e) {
            outcome.error = e.message();
        } catch (const std::exception&) {
            // Memory running out while the image is built, say: the scan failed.
            outcome.error = scanMessageForCode(-14);
        }
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    progress.show();
    loop.exec();
    worker.join();
    return outcome;
}

} // namespace vantrel
