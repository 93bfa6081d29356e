#pragma once

#include "acquisition/VRender.h"

#include <QList>
#include <QString>
#include <memory>

namespace vantrel {

// What the user asked of a camera. 0 or less: whatever the device gives by itself.
struct CaptureSettings {
    int width = 0;
    int height = 0;
    qint64 frameDuration100ns = 0; // time from one frame to the next, in units of 100 ns
};

// One frame size and rate a device offers. The rate is rateNumerator / rateDenominator
// frames per second; frameDuration100ns is the same rounded to units of 100 ns (0 when the
// device states no rate).
struct CaptureFormat {
    int width = 0;
    int height = 0;
    int rateNumerator = 0;
    int rateDenominator = 1;
    qint64 frameDuration100ns = 0;
    friend bool operator==(const CaptureFormat&, const CaptureFormat&) = default;
};

// A picture control of the device (brightness, contrast, ...), by the device's label.
struct DeviceControl {
    QString label;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
};

enum class CaptureError {
    None,
    NoCameraName,      // the name is empty
    NoDeviceMonitor,   // GStreamer or its device monitor is not available
    CameraNotFound,    // no camera has exactly this name
    NoConverter,       // an element of the pipeline (videoconvert) is not installed
    ElementNotAdded,   // an element could not be created or put into the pipeline
    CannotLink,        // the source does not connect to the converter
    DeviceBusy,        // the device is in use by another program
    StateChangeFailed, // the pipeline did not start; errorDetail() says why
};

// Live capture from one camera: the camera's source, a caps filter carrying the asked size
// and rate, videoconvert and the VRender that hands BGRx frames to a FrameOwner.
// All member functions are called from one thread (the caller's); only the owner's callbacks
// run on GStreamer's streaming thread.
class CaptureSession {
public:
    CaptureSession();
    ~CaptureSession(); // stops
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Stops any running capture, then starts `cameraName` (matched exactly against
    // enumerateCameras()). The asked size and frame duration are applied only where the
    // device offers them. On success, once the stream's format is fixed (waiting up to 5 s in
    // all), the delivered size and frame duration are written back into `settings` here, on
    // the calling thread; the streaming thread never touches `settings`. (A camera that has
    // not fixed its format within those 5 s leaves `settings` as asked; the owner's
    // frameFormat() still reports the size when it comes.) The owner must stay alive until
    // stop() returns or the session is destroyed.
    CaptureError start(const QString& cameraName, CaptureSettings& settings, FrameOwner& owner);
    // Starts the same camera and owner again with `format`, which is stored into `settings`
    // (size and frame duration, then written back as start() does).
    CaptureError restart(const CaptureFormat& format, CaptureSettings& settings);
    // Stops synchronously: once it returns, the owner receives no more calls.
    void stop();
    bool isRunning() const { return m_pipeline != nullptr; }

    // GStreamer's text for the last error start(), restart() or checkForError() returned.
    QString errorDetail() const { return m_errorDetail; }
    // Takes the messages GStreamer has posted since; reports an error that stopped the
    // stream (a camera unplugged, ...) and stops. Call it now and then while running.
    CaptureError checkForError();

    // The raw formats the running camera offers, in the device's order; ranges are given as
    // a few common sizes and rates within them. Empty when not running.
    QList<CaptureFormat> formats() const;

    // The running camera's picture controls; empty when it has none or nothing runs.
    QList<DeviceControl> controls() const;
    // Sets a control by label, clamped to its range; takes effect on the live stream.
    void setControl(const QString& label, int value);

private:
    struct Pipeline;

    CaptureError fail(CaptureError error, const QString& detail);
    // The error GStreamer posted on `pipeline`'s bus, else `fallback` with `fallbackDetail`.
    CaptureError busError(GstElement* pipeline, CaptureError fallback,
                          const QString& fallbackDetail);

    std::unique_ptr<Pipeline> m_pipeline;
    QString m_cameraName;
    FrameOwner* m_owner = nullptr; // not owned: the camera's last owner, for restart()
    QString m_errorDetail;
};

} // namespace vantrel
