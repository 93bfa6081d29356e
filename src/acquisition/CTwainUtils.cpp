#include "acquisition/CTwainUtils.h"

#include "acquisition/CExcept.h"

#include <QSettings>
#include <cmath>

namespace vantrel {

namespace {

struct Message {
    int code;
    const char* text;
};

// Error codes of the scanning library (-57 is missing: it stands for "see the condition").
constexpr Message CodeMessages[] = {
    {0, "No error"},
    {-1, "Range error"},
    {-2, "Digitizer board not detected"},
    {-3, "Disk full, file not written"},
    {-4, "Filename not found"},
    {-5, "Variable out of range"},
    {-6, "Unreadable TIFF format"},
    {-8, "TIFF bits per sample not supported"},
    {-9, "Unreadable compression scheme"},
    {-10, "Cannot create file"},
    {-11, "Unknown file format"},
    {-12, "Image is compressed DIB"},
    {-14, "Insufficient memory for function"},
    {-16, "Unreadable PCX format"},
    {-17, "Unreadable GIF format"},
    {-18, "Print error"},
    {-19, "Scanner error"},
    {-25, "Unreadable TGA format"},
    {-26, "Bits per pixel not supported"},
    {-27, "Unreadable BMP format"},
    {-33, "No data from device"},
    {-34, "Function timed out"},
    {-40, "Could not lock memory (invalid handle or memory discarded)"},
    {-41, "Print function already executing"},
    {-42, "Invalid image buffer address"},
    {-43, "Unreadable JPEG format"},
    {-44, "Image is too complex for operation"},
    {-45, "Paper could not be unloaded"},
    {-46, "ADF lid was opened"},
    {-47, "ADF bin is empty"},
    {-48, "ADF is not connected"},
    {-49, "ADF is connected but not ready"},
    {-50, "Function not available due to missing module"},
    {-51, "Page not found"},
    {-52, "Pointer does not point to readable or writable memory"},
    {-53, "LZW compression/decompression not enabled"},
    {-54, "Could not create TWAIN parent window"},
    {-55, "Could not open TWAIN Source Manager"},
    {-56, "Could not open TWAIN Data Source"},
    {-58, "None of the elements in two lists were equal"},
    {-59, "Data type mismatch"},
    {-60, "User canceled scan"},
    {-61, "TWAIN function is busy"},
    {-62, "File contains invalid data"},
    {-63, "Unreadable PNG format"},
    {-64, "PNG compressor error"},
    {-65, "No ACK from device"},
    {-66, "TWAIN ADF is empty"},
    {-67, "Stop scanning images"},
    {-68, "Handle not valid"},
    {-69, "TIFF file is in Motorola byte order"},
    {-70, "Thumbnail size out of range"},
    {-71, "GIF frame not found"},
    {-72, "Insufficient digitizer memory for selected mode"},
    {-73, "Image format does not support width or length > 65535"},
};

// Conditions: why the source or its manager refused the last operation.
constexpr Message ConditionMessages[] = {
    {0, "Operation successful"},
    {1, "Failure due to unknown causes"},
    {2, "Not enough memory to perform operation"},
    {3, "No Data Source"},
    {4, "Source already in use"},
    {5, "Source or Source Manager error already reported to user"},
    {6, "Unknown capability requested"},
    {9, "Unrecognized DataGroup / Data ArgType / Msg combination"},
    {10, "Parameter out of range"},
    {11, "Message received out of sequence"},
    {12, "Unknown destination App/Src in DSM_Entry"},
    {-55, "TWAIN Source Manager not found"},
    {-54, "Could not create parent window"},
};

constexpr int ConditionCode = -57;   // "the message is the condition's"
constexpr int CancelledCode = -60;   // the user stopped the scan
constexpr int UnknownCapability = 6; // the source lacks what was asked (e.g. its geometry)

template <std::size_t N> const char* find(const Message (&table)[N], int code) {
    for (const Message& m : table)
        if (m.code == code)
            return m.text;
    return nullptr;
}

} // namespace

QString scanMessageForCode(int code) {
    if (const char* text = find(CodeMessages, code))
        return QString::fromLatin1(text);
    return QStringLiteral("<Undefined error number %1>").arg(code);
}

QString scanMessageForCondition(int condition) {
    if (const char* text = find(ConditionMessages, condition))
        return QString::fromLatin1(text);
    return QStringLiteral("<Undefined extended error number %1>").arg(condition);
}

CTwainUtils::CTwainUtils(ScannerBackend& backend) : m_backend(backend) {}

QString CTwainUtils::messageForCode(int code) {
    if (code == ConditionCode)
        return messageForCondition();
    std::lock_guard lock(m_mutex);
    m_lastFromConditionTable = false;
    return scanMessageForCode(code);
}

QString CTwainUtils::messageForCondition() {
    const int condition = m_backend.condition();
    std::lock_guard lock(m_mutex);
    m_lastCondition = condition;
    m_lastFromConditionTable = true;
    return scanMessageForCondition(condition);
}

QStringList CTwainUtils::enumerateSources() {
    QStringList names;
    if (const int code = m_backend.sourceNames(names))
        throw CExcept(messageForCode(code));
    return names;
}

bool CTwainUtils::scan(const QString& source, const QString& path) {
    m_backend.selectSource(source);
    if (const int code = m_backend.setAcquisition(5, 2))
        throw CExcept(messageForCode(code));

    // The rectangle is measured at the first scan and kept for the later ones.
    qint32 width = 0, height = 0;
    if (const int code = m_backend.physicalSize(width, height)) {
        const QString message = messageForCode(code);
        std::lock_guard lock(m_mutex);
        // A source without a physical size scans its own default area.
        if (!(m_lastFromConditionTable && m_lastCondition == UnknownCapability))
            throw CExcept(message);
    } else {
        std::lock_guard lock(m_mutex);
        if (!m_areaKnown) {
            // The size in the source's units, rounded back to thousandths.
            const auto thousandths = [](qint32 v) {
                const double units = v / 1000.0;
                return qint32(std::floor(units * 1000 + 0.5));
            };
            m_area = {0, 0, thousandths(width), thousandths(height)};
            m_areaKnown = true;
        }
    }
    bool known;
    ScanArea area;
    {
        std::lock_guard lock(m_mutex);
        known = m_areaKnown;
        area = m_area;
    }
    const int code = known ? m_backend.acquireArea(area) : m_backend.acquireDefault();
    if (code == CancelledCode)
        return true;
    if (code)
        throw CExcept(messageForCode(code));

    const QSize size = m_backend.imageSize();
    if (size.width() <= 0 || size.height() <= 0)
        throw CExcept(
            QStringLiteral("Could not get image because scan area width(height) too small !"));
    if (const int code = m_backend.writeBmp(path))
        throw CExcept(messageForCode(code));
    m_backend.release();
    return false;
}

void CTwainUtils::cancel() {
    m_backend.cancel();
}

void CTwainUtils::forgetScanSettings() {
    {
        std::lock_guard lock(m_mutex);
        m_areaKnown = false;
        m_area = {};
    }
    QSettings settings(QStringLiteral("Osmerin"), QStringLiteral("Dravik"));
    settings.beginGroup(QStringLiteral("ScanSettings"));
    for (const char* key : {"Scan Rect Left", "Scan Rect Top", "Scan Rect Right",
                            "Scan Rect Bottom", "Scan X Resolution", "Scan Y Resolution"})
        settings.remove(QString::fromLatin1(key));
    settings.endGroup();
    settings.sync();
}

bool CTwainUtils::areaKnown() const {
    std::lock_guard lock(m_mutex);
    return m_areaKnown;
}

ScanArea CTwainUtils::area() const {
    std::lock_guard lock(m_mutex);
    return m_area;
}

} // namespace vantrel
