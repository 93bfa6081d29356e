#pragma once

#include <QList>
#include <QString>

namespace vantrel {

// A video capture source the user can choose.
struct CameraDevice {
    QString name;
    // For a camera named in VANTREL_EXTRA_CAMERAS, the GStreamer description of its source
    // element ("videotestsrc pattern=ball"); empty for a device the system reports.
    QString sourceDescription;
    friend bool operator==(const CameraDevice&, const CameraDevice&) = default;
};

// The video capture devices GStreamer's device monitor reports (class Video/Source), by
// display name in the monitor's order, then the cameras of VANTREL_EXTRA_CAMERAS.
QList<CameraDevice> enumerateCameras();

// "NAME=DESCRIPTION;NAME=DESCRIPTION": entries without a name or a description are skipped.
QList<CameraDevice> parseExtraCameras(const QString& value);

} // namespace vantrel
