#include "acquisition/CWebCameraDlg.h"

#include "document/UserPrompt.h"
#include "settings/DeviceSettings.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace vantrel {

namespace {

const QString kError = QStringLiteral("Error");

// The first of webcamera.bmp, webcamera-1.bmp, ... that does not exist in `folder`.
QString freeFrameName(const QDir& folder, int n) {
    return folder.absoluteFilePath(n == 0 ? QStringLiteral("webcamera.bmp")
                                          : QStringLiteral("webcamera-%1.bmp").arg(n));
}

} // namespace

void CBmpWnd::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void CBmpWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect().adjusted(2, 2, -2, -2), m_picture);
    }
}

CWebCameraDlg::CWebCameraDlg(DeviceSettings& devices, UserPrompt& prompt,
                             std::function<void(const QString&)> openDocument, QWidget* parent)
    : QDialog(parent), m_devices(devices), m_prompt(prompt),
      m_openDocument(std::move(openDocument)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Web Camera"));
    m_preview = new CBmpWnd(this);
    m_freeze = new QPushButton(tr("Freeze"), this);
    m_save = new QPushButton(tr("Save"), this);
    m_exit = new QPushButton(tr("Exit"), this);
    m_videoGroup = new QGroupBox(tr("Video Settings"), this);
    m_captureFormat = new QPushButton(tr("Capture Format..."), this);
    m_deviceSettings = new QPushButton(tr("Device Settings..."), this);
    m_save->setDefault(true);
    connect(m_freeze, &QPushButton::clicked, this, &CWebCameraDlg::toggleFreeze);
    connect(m_save, &QPushButton::clicked, this, &CWebCameraDlg::save);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::close);
    connect(m_captureFormat, &QPushButton::clicked, this, &CWebCameraDlg::chooseCaptureFormat);
    connect(m_deviceSettings, &QPushButton::clicked, this, &CWebCameraDlg::showDeviceSettings);
    connect(this, &CWebCameraDlg::frameArrived, this, &CWebCameraDlg::showPicture,
            Qt::QueuedConnection);
    connect(
        this, &CWebCameraDlg::formatArrived, this,
        [this](int width, int height) {
            layoutFor({width, height});
        },
        Qt::QueuedConnection);

    // A camera unplugged or failing while it runs is reported once; the dialog stays.
    m_errorWatch = new QTimer(this);
    connect(m_errorWatch, &QTimer::timeout, this, [this] {
        const CaptureError error = m_session.checkForError();
        if (error != CaptureError::None) {
            m_live = false;
            m_errorWatch->stop();
            reportFailure(error, false);
        }
    });
    layoutFor({});
}

CWebCameraDlg::~CWebCameraDlg() {
    stopStream();
}

bool CWebCameraDlg::init() {
    m_cameraName = m_devices.cameraSource;
    return startStream(false, [this](CaptureSettings& settings) {
        return m_session.start(m_cameraName, settings, *this);
    });
}

bool CWebCameraDlg::startStream(bool rebuilding,
                                const std::function<CaptureError(CaptureSettings&)>& start) {
    CaptureSettings settings{m_devices.webcamWidth, m_devices.webcamHeight,
                             m_devices.webcamFrequency};
    m_live = true;
    const CaptureError error = start(settings);
    if (error != CaptureError::None) {
        m_live = false;
        reportFailure(error, rebuilding);
        return false;
    }
    // What the device delivers is stored, not what was asked.
    m_devices.webcamWidth = settings.width;
    m_devices.webcamHeight = settings.height;
    m_devices.webcamFrequency = settings.frameDuration100ns;
    m_errorWatch->start(500);
    return true;
}

void CWebCameraDlg::reportFailure(CaptureError error, bool rebuilding) {
    using Icon = UserPrompt::Icon;
    const auto show = [this](const QString& title, const QString& text, Icon icon) {
        m_prompt.showTitledMessage(title, text, icon);
    };
    switch (error) {
    case CaptureError::None:
        return;
    case CaptureError::NoCameraName:
        return show(kError, QStringLiteral("Camera Direct Show Source was not selected!"),
                    Icon::Error);
    case CaptureError::NoDeviceMonitor:
        return show(
            QStringLiteral("Vantrel  "),
            QStringLiteral("CWebCameraDlg::Init::CoCreateInstance (CLSID_SystemDeviceEnum..."),
            Icon::Information);
    case CaptureError::CameraNotFound:
        return show(
            kError,
            QStringLiteral("Camera Direct Show Source \"%1\" was not found!").arg(m_cameraName),
            Icon::Error);
    case CaptureError::NoConverter:
        return show(kError, QStringLiteral("Colour space convertor was not found!"), Icon::Error);
    case CaptureError::ElementNotAdded:
        return show(kError, QStringLiteral("Could not add Capture Filter!"), Icon::Error);
    case CaptureError::CannotLink:
        if (rebuilding)
            return show(kError, QStringLiteral("m_pCapture->RenderStream"), Icon::Error);
        [[fallthrough]];
    case CaptureError::DeviceBusy:
        return show(QStringLiteral("Warning!"),
                    QStringLiteral("Camera is in use by another application"), Icon::Warning);
    case CaptureError::StateChangeFailed:
        return show(QStringLiteral("Could not access camera"),
                    QStringLiteral("Error: %1").arg(m_session.errorDetail()), Icon::Error);
    }
}

void CWebCameraDlg::stopStream() {
    m_live = false;
    m_errorWatch->stop();
    // Joins the streaming thread: no frame is being copied once this returns.
    m_session.stop();
}

void CWebCameraDlg::frameFormat(int width, int height) {
    {
        std::lock_guard lock(m_frameMutex);
        m_frame.setSize(width, height);
    }
    Q_EMIT formatArrived(width, height);
}

void CWebCameraDlg::frameData(const uchar* bgrx, int stride) {
    if (!m_live || m_frozen)
        return;
    {
        std::lock_guard lock(m_frameMutex);
        if (m_frame.isEmpty())
            return;
        m_frame.copyFromBgrx(bgrx, stride);
    }
    // One repaint waits at a time; frames that come meanwhile are shown by it.
    if (!m_repaintPending.exchange(true))
        Q_EMIT frameArrived();
}

QImage CWebCameraDlg::frame() const {
    std::lock_guard lock(m_frameMutex);
    return m_frame.toImage();
}

void CWebCameraDlg::showPicture() {
    m_repaintPending = false;
    m_preview->setPicture(frame());
}

void CWebCameraDlg::layoutFor(QSize frame) {
    const int buttonWidth =
        std::max({m_freeze->sizeHint().width(), m_save->sizeHint().width(),
                  m_captureFormat->sizeHint().width(), m_deviceSettings->sizeHint().width(), 110});
    const int buttonHeight = m_freeze->sizeHint().height();
    // Frames larger than the screen are shown scaled down, whole.
    QSize shown = frame;
    if (const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen()) {
        const QSize room = screen->availableGeometry().size() -
                           QSize(buttonWidth + 60, 120); // buttons, margins and the title bar
        if (shown.width() > room.width() || shown.height() > room.height())
            shown.scale(room.expandedTo({1, 1}), Qt::KeepAspectRatio);
    }
    m_preview->setGeometry(5, 5, shown.width() + 4, shown.height() + 4);
    const int x = shown.width() + 9;
    int y = 5;
    for (QPushButton* button : {m_freeze, m_save, m_exit}) {
        button->setGeometry(x + 10, y, buttonWidth, buttonHeight);
        y += buttonHeight + 6;
    }
    const int groupTop = y + 8;
    const int titleHeight = m_videoGroup->fontMetrics().height() + 6;
    m_captureFormat->setGeometry(x + 10, groupTop + titleHeight, buttonWidth, buttonHeight);
    m_deviceSettings->setGeometry(x + 10, m_captureFormat->geometry().bottom() + 6, buttonWidth,
                                  buttonHeight);
    m_videoGroup->setGeometry(x + 5, groupTop, buttonWidth + 10,
                              m_deviceSettings->geometry().bottom() + 8 - groupTop);
    const int height = shown.height() > 200 ? shown.height() + 9 + 40 : 340;
    setFixedSize(x + buttonWidth + 30, std::max(height, m_videoGroup->geometry().bottom() + 10));
    if (parentWidget() && isVisible())
        move(parentWidget()->geometry().center() - rect().center());
}

void CWebCameraDlg::toggleFreeze() {
    m_frozen = !m_frozen;
    m_freeze->setText(m_frozen ? tr("UnFreeze") : tr("Freeze"));
}

void CWebCameraDlg::save() {
    if (frame().isNull()) {
        m_prompt.showTitledMessage(windowTitle(), tr("No picture has come from the camera yet."),
                                   UserPrompt::Icon::Information);
        return;
    }
    stopStream();
    const QDir folder = QDir::current();
    QString path;
    bool written = false;
    for (int n = 0; !written; ++n) {
        path = freeFrameName(folder, n);
        if (QFileInfo::exists(path))
            continue;
        std::lock_guard lock(m_frameMutex);
        written = m_frame.write(path);
        if (!written && !QFileInfo::exists(path))
            break;
    }
    if (written)
        m_openDocument(path);
    else
        m_prompt.showTitledMessage(kError, tr("Cannot write %1").arg(path),
                                   UserPrompt::Icon::Error);
    close();
}

void CWebCameraDlg::chooseCaptureFormat() {
    if (!m_live)
        return;
    const QList<CaptureFormat> formats = m_session.formats();
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Capture Format"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* list = new QListWidget(&dialog);
    for (const CaptureFormat& f : formats) {
        QString text = QStringLiteral("%1 × %2").arg(f.width).arg(f.height);
        if (f.rateNumerator > 0)
            text += tr(", %1 frames a second")
                        .arg(double(f.rateNumerator) / f.rateDenominator, 0, 'g', 4);
        list->addItem(text);
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0)
        return;

    // The stream stops before the pipeline is rebuilt with the chosen format.
    stopStream();
    m_preview->setPicture({});
    const CaptureFormat chosen = formats[list->currentRow()];
    startStream(true, [this, chosen](CaptureSettings& settings) {
        return m_session.restart(chosen, settings);
    });
}

void CWebCameraDlg::showDeviceSettings() {
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Device Settings"));
    auto* layout = new QVBoxLayout(&dialog);
    const QList<DeviceControl> controls = m_session.controls();
    if (controls.isEmpty())
        layout->addWidget(new QLabel(tr("This camera offers no settings."), &dialog));
    for (const DeviceControl& control : controls) {
        layout->addWidget(new QLabel(control.label, &dialog));
        auto* slider = new QSlider(Qt::Horizontal, &dialog);
        slider->setRange(control.minimum, control.maximum);
        slider->setValue(control.value);
        const QString label = control.label;
        connect(slider, &QSlider::valueChanged, this,
                [this, label](int value) { m_session.setControl(label, value); });
        layout->addWidget(slider);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.exec();
}

void CWebCameraDlg::closeEvent(QCloseEvent* event) {
    stopStream();
    QDialog::closeEvent(event);
}

void CWebCameraDlg::done(int result) {
    stopStream();
    QDialog::done(result);
}

} // namespace vantrel
