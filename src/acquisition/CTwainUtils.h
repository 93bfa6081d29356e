#pragma once

#include "acquisition/ScannerBackend.h"

#include <QString>
#include <QStringList>
#include <mutex>

namespace vantrel {

// The library's messages: the first table for error codes, the second for conditions.
QString scanMessageForCode(int code);
QString scanMessageForCondition(int condition);

// The scan procedure and its settings, one object for the process: the scan rectangle is
// measured at the first scan and kept until the settings are forgotten.
class CTwainUtils {
public:
    explicit CTwainUtils(ScannerBackend& backend);

    // The sources' names in the library's order; throws CExcept.
    QStringList enumerateSources();
    // Scans with source `source` into a BMP file at `path`. Returns true when the user
    // cancelled (nothing written); throws CExcept on failure.
    bool scan(const QString& source, const QString& path);
    // Asks a running scan to stop; safe from any thread.
    void cancel();
    // Clears the scan rectangle and deletes the stored scan values.
    void forgetScanSettings();

    // The message for a library code; for -57 it asks the back end for the condition.
    QString messageForCode(int code);
    QString messageForCondition();

    bool areaKnown() const;
    ScanArea area() const;
    ScannerBackend& backend() { return m_backend; }

private:
    ScannerBackend& m_backend;
    mutable std::mutex m_mutex; // guards the settings below
    bool m_areaKnown = false;
    ScanArea m_area;
    int m_lastCondition = 0;
    bool m_lastFromConditionTable = false;
};

} // namespace vantrel
