#pragma once

#include <QString>

class QCoreApplication;

namespace vantrel {

// Installs the editor's translation and Qt's own for `language` ("zh_CN", "en", ...), or for
// the system's language when it is empty. Returns the language of the editor's translation
// that was loaded, or an empty string when the source (English) texts stay.
QString installTranslations(QCoreApplication& app, const QString& language);

} // namespace vantrel
