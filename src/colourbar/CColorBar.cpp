#include "colourbar/CColorBar.h"

#include "colourbar/ColourState.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QSlider>

namespace vantrel {

namespace {

const QColor kGrey(127, 127, 127);

// The 33 x 33 frame behind the colours: a grey-bordered checkerboard, the transparency
// pattern, with the outlines of the two overlapping squares.
QImage colourFrameImage() {
    QImage frame(33, 33, QImage::Format_RGB32);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 33; ++x)
            frame.setPixel(x, y, ((x / 4 + y / 4) % 2) ? qRgb(204, 204, 204) : qRgb(255, 255, 255));
    QPainter p(&frame);
    p.setPen(kGrey);
    p.drawRect(0, 0, 32, 32);
    p.drawRect(12, 12, 12, 12); // back square's frame, at (16, 16) in the bar
    return frame;
}

} // namespace

CColorBar::CColorBar(ColourState& colours, QWidget* parent)
    : QWidget(parent), m_colours(colours), m_frame(colourFrameImage()),
      m_wheel(colourWheelImage().scaled(142, 142, Qt::IgnoreAspectRatio, Qt::FastTransformation)) {
    setObjectName(QStringLiteral("ColorBar"));
    auto* caption = new QLabel(tr("Opacity:"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, 100);
    m_slider->setPageStep(10);
    m_slider->setValue(colours.opacity());
    m_label = new QLabel(QStringLiteral("%1%").arg(colours.opacity()), this);
    caption->setGeometry(4, 192, 48, 20);
    m_slider->setGeometry(52, 192, 100, 20);
    m_label->setGeometry(156, 192, 34, 20);
    connect(m_slider, &QSlider::valueChanged, this, &CColorBar::opacityMoved);
    connect(&colours, &ColourState::changed, this, &CColorBar::coloursChanged);
    setMinimumSize(sizeHint());
}

QSize CColorBar::sizeHint() const {
    return {190, 216};
}

QRect CColorBar::swatchRect(int index) {
    const int column = index % 8;
    const int top = index < 8 ? 4 : 22;
    return {40 + 18 * column, top, 15, 15};
}

std::optional<QRgb> CColorBar::colourAt(QPoint point) const {
    for (int i = 0; i < 16; ++i)
        if (swatchRect(i).contains(point))
            return ColourState::palette()[static_cast<size_t>(i)];
    if (wheelRect().contains(point))
        return m_wheel.pixel(point - wheelRect().topLeft()) & 0x00FFFFFFu;
    return std::nullopt;
}

void CColorBar::coloursChanged() {
    // The colour picker sets the opacity from a picked colour: the slider follows.
    if (m_slider->value() != m_colours.opacity()) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(m_colours.opacity());
        m_label->setText(QStringLiteral("%1%").arg(m_colours.opacity()));
    }
    update();
}

void CColorBar::opacityMoved(int position) {
    m_label->setText(QStringLiteral("%1%").arg(position));
    m_colours.setOpacity(position);
}

void CColorBar::mousePressEvent(QMouseEvent* event) {
    const std::optional<QRgb> picked = colourAt(event->position().toPoint());
    if (!picked || (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_colours.setForeColour(*picked);
    else
        m_colours.setBackColour(*picked);
}

void CColorBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(4, 4, m_frame);
    p.drawImage(wheelRect().topLeft(), m_wheel);
    p.fillRect(QRect(17, 17, 11, 11), QColor::fromRgba(m_colours.backColour()));
    p.setPen(kGrey);
    p.setBrush(Qt::white);
    p.drawRect(11, 11, 12, 12); // covers (11, 11) to (23, 23)
    p.fillRect(QRect(12, 12, 11, 11), QColor::fromRgba(m_colours.foreColour()));
    for (int i = 0; i < 16; ++i) {
        const QRect r = swatchRect(i);
        p.setBrush(QColor::fromRgb(ColourState::palette()[static_cast<size_t>(i)]));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    }
}

} // namespace vantrel
