#pragma once

#include <QSettings>
#include <memory>

namespace vantrel {

inline const QString kWindowStateKey = QStringLiteral("MainWindow/WindowState");
inline const QString kBarStateKey = QStringLiteral("MainWindow/BarState");
inline const QString kGeometryKey = QStringLiteral("MainWindow/Geometry");

// The editor's settings store: organisation "Osmerin", application "Vantrel".
inline std::unique_ptr<QSettings> openSettings() {
    return std::make_unique<QSettings>(QStringLiteral("Osmerin"), QStringLiteral("Vantrel"));
}

} // namespace vantrel
