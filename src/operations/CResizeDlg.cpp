#include "operations/CResizeDlg.h"

#include "document/UserPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

constexpr int kMaxSide = 65535;
// The boxes take more than the limits, so a size too large meets the message on OK rather than
// being cut silently; the sides the dialog computes stay within these bounds as well.
constexpr int kMaxPixels = 100 * kMaxSide;

// `percent` of `original` pixels, rounded to nearest, at least 1.
int percentOf(int original, double percent) {
    return int(std::clamp(std::round(original * percent / 100), 1.0, double(kMaxPixels)));
}

// The side in ratio with another changed from `original` to `pixels`: `otherOriginal` scaled
// by the same factor, in exact integers rounded to nearest (halves up), at least 1.
int sideInRatio(int otherOriginal, int pixels, int original) {
    const qint64 scaled = (2 * qint64(otherOriginal) * pixels + original) / (2 * qint64(original));
    return int(std::clamp<qint64>(scaled, 1, kMaxPixels));
}

} // namespace

bool checkGeometrySize(QSize size, UserPrompt& prompt) {
    if (isValidGeometrySize(size))
        return true;
    prompt.showMessage(CResizeDlg::tr("Width and height must be from 1 to 65535 pixels, and the "
                                      "image at most 268,435,456 pixels."),
                       UserPrompt::Icon::Warning);
    return false;
}

CResizeDlg::CResizeDlg(QSize current, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_original(current.expandedTo(QSize(1, 1))),
      m_size(m_original) {
    setWindowTitle(tr("Resize Image"));
    m_width = new QDoubleSpinBox(this);
    m_height = new QDoubleSpinBox(this);
    m_unit = new QComboBox(this);
    m_unit->addItems({tr("Pixels"), tr("Percent")});
    m_keepAspect = new QCheckBox(tr("Keep aspect ratio"), this);
    m_keepAspect->setChecked(true);
    m_method = new QComboBox(this);
    m_method->addItems({tr("Nearest neighbour"), tr("Bilinear"), tr("High quality")});
    m_method->setCurrentIndex(int(ResizeMethod::HighQuality));
    showSize();

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* grid = new QGridLayout(this);
    const auto addRow = [&](int row, const QString& text, QWidget* field) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
    };
    addRow(0, tr("Width:"), m_width);
    addRow(1, tr("Height:"), m_height);
    addRow(2, tr("Unit:"), m_unit);
    grid->addWidget(m_keepAspect, 3, 1);
    addRow(4, tr("Resampling:"), m_method);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);

    connect(ok, &QPushButton::clicked, this, &CResizeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_width, &QDoubleSpinBox::valueChanged, this, [this] { sideEdited(Qt::Horizontal); });
    connect(m_height, &QDoubleSpinBox::valueChanged, this, [this] { sideEdited(Qt::Vertical); });
    connect(m_unit, &QComboBox::currentIndexChanged, this, &CResizeDlg::showSize);
    m_width->setFocus();
    m_width->selectAll();
}

CResizeDlg::Unit CResizeDlg::unit() const {
    return m_unit->currentIndex() == int(Unit::Percent) ? Unit::Percent : Unit::Pixels;
}

ResizeRequest CResizeDlg::request() const {
    return {m_size, ResizeMethod(std::clamp(m_method->currentIndex(), 0, 2))};
}

void CResizeDlg::sideEdited(Qt::Orientation side) {
    const bool horizontal = side == Qt::Horizontal;
    QDoubleSpinBox* edited = horizontal ? m_width : m_height;
    QDoubleSpinBox* other = horizontal ? m_height : m_width;
    const int original = horizontal ? m_original.width() : m_original.height();
    const int otherOriginal = horizontal ? m_original.height() : m_original.width();
    const bool percent = unit() == Unit::Percent;
    const int pixels = percent ? percentOf(original, edited->value()) : qRound(edited->value());
    (horizontal ? m_size.rwidth() : m_size.rheight()) = pixels;
    if (!m_keepAspect->isChecked())
        return;
    // The other side keeps the proportion to its present length; in percent it shows the same
    // percentage.
    const int otherPixels = percent ? percentOf(otherOriginal, edited->value())
                                    : sideInRatio(otherOriginal, pixels, original);
    (horizontal ? m_size.rheight() : m_size.rwidth()) = otherPixels;
    const QSignalBlocker block(other);
    other->setValue(percent ? edited->value() : otherPixels);
}

void CResizeDlg::showSize() {
    const bool percent = unit() == Unit::Percent;
    for (const auto& [box, original] :
         {std::pair(m_width, m_original.width()), std::pair(m_height, m_original.height())}) {
        const QSignalBlocker block(box);
        box->setDecimals(percent ? 2 : 0);
        box->setRange(percent ? 0.01 : 1, percent ? 100.0 * kMaxPixels / original : kMaxPixels);
        box->setSuffix(percent ? QStringLiteral(" %") : QString());
    }
    const QSignalBlocker blockWidth(m_width);
    const QSignalBlocker blockHeight(m_height);
    m_width->setValue(percent ? 100.0 * m_size.width() / m_original.width() : m_size.width());
    m_height->setValue(percent ? 100.0 * m_size.height() / m_original.height() : m_size.height());
}

void CResizeDlg::accept() {
    // Text typed but not yet taken counts.
    m_width->interpretText();
    m_height->interpretText();
    if (!checkGeometrySize(m_size, m_prompt))
        return;
    QDialog::accept();
}

} // namespace vantrel
