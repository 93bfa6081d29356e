#pragma once

#include <QSettings>
#include <memory>
#include <optional>

namespace vantrel {

inline const QString kWindowStateKey = QStringLiteral("MainWindow/WindowState");
inline const QString kBarStateKey = QStringLiteral("MainWindow/BarState");
inline const QString kGeometryKey = QStringLiteral("MainWindow/Geometry");
// The colour-range selection's tolerance, 0 to 255.
inline const QString kColourToleranceKey = QStringLiteral("Settings/Colour Range Tolerance");

// The stored tolerance when it is a whole number from 0 to 255 (as a number or as text).
std::optional<int> readColourTolerance(const QSettings& settings);

// The editor's settings store: organisation "Osmerin", application "Vantrel".
inline std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Osmerin"), QStringLiteral("Vantrel"));
}

} // namespace vantrel
