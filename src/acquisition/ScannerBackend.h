#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace vantrel {

// A scan area in thousandths of the source's unit of length, from the top-left corner of its
// physical area.
struct ScanArea {
    qint32 left = 0;
    qint32 top = 0;
    qint32 right = 0;
    qint32 bottom = 0;
    friend bool operator==(const ScanArea&, const ScanArea&) = default;
};

// What a scanner library offers the scan procedure. Every call that can fail returns 0 or
// one of the library's error codes (see scanMessageForCode); code -57 means "look at
// condition()". Calls come from one thread at a time, except cancel().
class ScannerBackend {
public:
    virtual ~ScannerBackend() = default;

    // The names of the sources, in the library's order.
    virtual int sourceNames(QStringList& names) = 0;
    // Vendor and model of a source, for display; empty when unknown.
    virtual QString sourceDescription(const QString& name) = 0;
    // The source the following calls use.
    virtual void selectSource(const QString& name) = 0;
    // A one-value acquisition setting; (5, 2) asks for colour.
    virtual int setAcquisition(int capability, int value) = 0;
    // The physical size of the scan area in thousandths of the source's unit.
    virtual int physicalSize(qint32& width, qint32& height) = 0;
    // Acquires one image of `area`, or of the source's default area. A cancel() during the
    // acquisition makes it return -60.
    virtual int acquireArea(const ScanArea& area) = 0;
    virtual int acquireDefault() = 0;
    // The condition code of the last operation (0 when it succeeded).
    virtual int condition() = 0;
    // The size of the image acquired last.
    virtual QSize imageSize() const = 0;
    // Writes the image acquired last as a BMP file at `path`.
    virtual int writeBmp(const QString& path) = 0;
    // Drops the image acquired last.
    virtual void release() = 0;
    // Asks a running acquisition to stop; safe from any thread.
    virtual void cancel() = 0;
    // How much of the running acquisition has been read, 0 to 100; -1 when that is not
    // known. Safe from any thread.
    virtual int progressPercent() const = 0;
};

} // namespace vantrel
