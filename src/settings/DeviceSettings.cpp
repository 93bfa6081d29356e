#include "settings/DeviceSettings.h"

#include "settings/Settings.h"

#include <QSettings>
#include <optional>

namespace vantrel {

namespace {

const QString kSettingsGroup = QStringLiteral("Settings");
const QString kSourcesGroup = QStringLiteral("TwainSources");
const QString kSizeX = QStringLiteral("WEB Camera Size X");
const QString kSizeY = QStringLiteral("WEB Camera Size Y");
const QString kFrequency = QStringLiteral("WEB Camera Frequency");
const QString kScanner = QStringLiteral("Scanner Twain Src");
const QString kCamera = QStringLiteral("Camera DShow Src");

// A whole number stored as a number or as plain decimal text; anything else is the wrong
// type. (Text settings files keep numbers as text.)
std::optional<qint64> readInteger(const QSettings& settings, const QString& key) {
    const QVariant v = settings.value(key);
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> readText(const QSettings& settings, const QString& key) {
    const QVariant v = settings.value(key);
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

bool fitsInt(qint64 n) {
    return n >= INT_MIN && n <= INT_MAX;
}

} // namespace

std::optional<int> readColourTolerance(const QSettings& settings) {
    const auto value = readInteger(settings, kColourToleranceKey);
    if (!value || *value < 0 || *value > 255)
        return std::nullopt;
    return int(*value);
}

void DeviceSettings::read(QSettings& settings) {
    settings.beginGroup(kSettingsGroup);
    const auto x = readInteger(settings, kSizeX);
    const auto y = readInteger(settings, kSizeY);
    if (x && y && fitsInt(*x) && fitsInt(*y)) {
        webcamWidth = int(*x);
        webcamHeight = int(*y);
    }
    if (const auto f = readInteger(settings, kFrequency))
        webcamFrequency = *f;
    settings.endGroup();

    settings.beginGroup(kSourcesGroup);
    if (const auto s = readText(settings, kScanner))
        scannerSource = *s;
    if (const auto c = readText(settings, kCamera))
        cameraSource = *c;
    settings.endGroup();
}

void DeviceSettings::write(QSettings& settings) const {
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kSizeX, webcamWidth);
    settings.setValue(kSizeY, webcamHeight);
    settings.setValue(kFrequency, webcamFrequency);
    settings.endGroup();
    settings.beginGroup(kSourcesGroup);
    settings.setValue(kScanner, scannerSource);
    settings.setValue(kCamera, cameraSource);
    settings.endGroup();
}

} // namespace vantrel
