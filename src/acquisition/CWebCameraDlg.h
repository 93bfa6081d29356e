#pragma once

#include "acquisition/BMP_File.h"
#include "acquisition/CaptureSession.h"

#include <QDialog>
#include <QImage>
#include <atomic>
#include <functional>
#include <mutex>

class QGroupBox;
class QPushButton;
class QTimer;

namespace vantrel {

struct DeviceSettings;
class UserPrompt;

// The live picture of the chosen camera, drawn stretched over the whole widget.
class CBmpWnd : public QWidget {
public:
    using QWidget::QWidget;
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
};

// The web camera: live video from the stored camera, freeze, the capture format and the
// device's settings, and Save, which writes the frame as webcamera.bmp (or the next free
// webcamera-N.bmp), opens it as a document and closes the dialog. Modeless; it deletes
// itself when closed.
//
// Frames arrive on GStreamer's streaming thread and are copied into the frame buffer under a
// mutex; the preview repaints on the user-interface thread through a queued call. Closing,
// rebuilding and saving stop the stream before they touch the frame buffer.
class CWebCameraDlg : public QDialog, private FrameOwner {
    Q_OBJECT
public:
    // `openDocument` opens a saved frame as a new document.
    CWebCameraDlg(DeviceSettings& devices, UserPrompt& prompt,
                  std::function<void(const QString&)> openDocument, QWidget* parent = nullptr);
    ~CWebCameraDlg() override;

    // Starts the stored camera with the stored size and frame duration; shows the message
    // of the step that failed and returns false when it cannot.
    bool init();
    bool isLive() const { return m_live; }
    bool isFrozen() const { return m_frozen; }

    QPushButton* freezeButton() const { return m_freeze; }
    CBmpWnd* preview() const { return m_preview; }
    CaptureSession& session() { return m_session; }
    // The frame buffer's picture, copied under its lock.
    QImage frame() const;

    void toggleFreeze();
    // Writes the frame and opens it; says so and stays open when no frame has arrived yet.
    void save();
    void chooseCaptureFormat();
    void showDeviceSettings();
    // Escape and Exit end the dialog; the stream stops first.
    void done(int result) override;

Q_SIGNALS:
    // A frame reached the frame buffer (coalesced: at most one pending at a time).
    void frameArrived();
    // The stream's frame size was fixed (sent from the streaming thread).
    void formatArrived(int width, int height);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void frameFormat(int width, int height) override;
    void frameData(const uchar* bgrx, int stride) override;

    void showPicture();
    // Places the preview and the buttons for frames of `frame` size, shrinking the preview
    // when the frame would not fit on the screen.
    void layoutFor(QSize frame);
    // Shows the message for a failed start; `rebuilding` after a change of capture format.
    void reportFailure(CaptureError error, bool rebuilding);
    void stopStream();
    // Starts the stream through `start` with the stored size and frame duration and stores
    // back what the device delivers; on failure shows the message and returns false.
    bool startStream(bool rebuilding, const std::function<CaptureError(CaptureSettings&)>& start);

    DeviceSettings& m_devices;
    UserPrompt& m_prompt;
    std::function<void(const QString&)> m_openDocument;
    QString m_cameraName;
    std::atomic<bool> m_live{false};
    std::atomic<bool> m_frozen{false};
    std::atomic<bool> m_repaintPending{false};
    mutable std::mutex m_frameMutex;
    BMP_File m_frame; // guarded by m_frameMutex
    CaptureSession m_session;

    CBmpWnd* m_preview;
    QPushButton* m_freeze;
    QPushButton* m_save;
    QPushButton* m_exit;
    QGroupBox* m_videoGroup;
    QPushButton* m_captureFormat;
    QPushButton* m_deviceSettings;
    QTimer* m_errorWatch;
};

} // namespace vantrel
