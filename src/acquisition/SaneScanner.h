#pragma once

#include "acquisition/ScannerBackend.h"

#include <QImage>
#include <atomic>
#include <memory>

namespace vantrel {

// The scanner back end on SANE. SANE is initialised on first use and released when the
// last SaneScanner goes. Sources are SANE device names ("test:0"). setAcquisition(5, 2) asks
// for the device's colour mode; other settings are refused with -5. selectSource() also
// clears a cancel() left over from before, so a cancel between selecting and acquiring counts.
class SaneScanner : public ScannerBackend {
public:
    SaneScanner();
    ~SaneScanner() override;

    int sourceNames(QStringList& names) override;
    QString sourceDescription(const QString& name) override;
    void selectSource(const QString& name) override;
    int setAcquisition(int capability, int value) override;
    int physicalSize(qint32& width, qint32& height) override;
    int acquireArea(const ScanArea& area) override;
    int acquireDefault() override;
    int condition() override;
    QSize imageSize() const override;
    int writeBmp(const QString& path) override;
    void release() override;
    void cancel() override;
    int progressPercent() const override;

    // Sets the option `name` of the selected device from text: "yes"/"no" for switches,
    // numbers for integer and fixed-point options, the text itself for strings. Returns 0 or
    // a library code (-57 with condition 6 when the device has no such option). For tests and
    // option dialogs.
    int setOption(const QString& name, const QString& value);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace vantrel
