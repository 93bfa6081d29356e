#pragma once

#include <QString>

class QSettings;

namespace vantrel {

// The stored choices of the acquisition devices: read when the main frame is built, written
// when it is destroyed. Width, height and frequency 0 mean "not chosen".
struct DeviceSettings {
    QString cameraSource;
    QString scannerSource;
    int webcamWidth = 0;
    int webcamHeight = 0;
    qint64 webcamFrequency = 0;

    // Takes each value that is present with the right type; others keep their value. The two
    // sizes are taken only together.
    void read(QSettings& settings);
    void write(QSettings& settings) const;
};

} // namespace vantrel
