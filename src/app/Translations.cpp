#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace vantrel {

namespace {

// Loads `name`_<locale>.qm from `folder` and hands it to the application, which owns it.
QString install(QCoreApplication& app, const QLocale& locale, const QString& name,
                const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, name, QStringLiteral("_"), folder))
        return {};
    const QString language = translator->language();
    translator->setParent(&app);
    QCoreApplication::installTranslator(translator.release());
    return language;
}

} // namespace

QString installTranslations(QCoreApplication& app, const QString& language) {
    const QLocale locale = language.isEmpty() ? QLocale::system() : QLocale(language);
    const QString loaded =
        install(app, locale, QStringLiteral("vantrel"), QStringLiteral(":/i18n"));
    install(app, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return loaded;
}

} // namespace vantrel
