#pragma once

#include <QString>

class QWidget;

namespace vantrel {

class CTwainUtils;

struct ScanOutcome {
    bool cancelled = false;
    QString error; // the message of a failed scan; empty otherwise
};

// Scans `source` into the BMP file `path` on a worker thread behind a window-modal progress
// dialog with Cancel over `parent`; the user-interface thread keeps its event loop running
// and never waits on the device.
ScanOutcome scanWithProgress(CTwainUtils& scanner, const QString& source, const QString& path,
                             QWidget* parent);

} // namespace vantrel
