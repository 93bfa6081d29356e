#include "app/CMainFrame.h"
#include "app/CVantrelApp.h"
#include "app/DialogPrompt.h"
#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "shell/FileAssociations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>

namespace {

void describeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Vantrel, a raster image editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("language"),
                      QStringLiteral("Use the translation for <code> (for example zh_CN or en) "
                                     "instead of the system's language."),
                      QStringLiteral("code")});
    parser.addOption({QStringLiteral("register-associations"),
                      QStringLiteral("Make Vantrel the default application for BMP, GIF, JPEG "
                                     "and PNG files for this user, then exit.")});
    parser.addOption({QStringLiteral("unregister-associations"),
                      QStringLiteral("Remove the defaults that --register-associations made, "
                                     "then exit.")});
    parser.addOption({QStringLiteral("new-instance"),
                      QStringLiteral("Start a separate editor instead of handing the files to "
                                     "one that is already running.")});
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("Images to open (BMP, PNG, GIF or JPEG)."),
                                 QStringLiteral("[files...]"));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QCoreApplication::setOrganizationName(QStringLiteral("Osmerin"));

    // --help, --version and the association switches answer before any display is needed.
    {
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args.append(QString::fromLocal8Bit(argv[i]));
        QCommandLineParser parser;
        describeOptions(parser);
        if (!parser.parse(args)) {
            std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
            return 2;
        }
        if (parser.isSet(QStringLiteral("version"))) {
            std::printf("Vantrel %s\n", VANTREL_VERSION);
            return 0;
        }
        if (parser.isSet(QStringLiteral("help"))) {
            std::printf("%s", qPrintable(parser.helpText().replace(
                                  QStringLiteral("<executable_name>"), QStringLiteral("vantrel"))));
            return 0;
        }
        const bool registering = parser.isSet(QStringLiteral("register-associations"));
        if (registering || parser.isSet(QStringLiteral("unregister-associations"))) {
            QCoreApplication core(argc, argv);
            const bool ok =
                registering ? vantrel::registerAssociations({std::begin(vantrel::kAssociatedTypes),
                                                             std::end(vantrel::kAssociatedTypes)},
                                                            vantrel::AssociatedProgram::running())
                            : vantrel::unregisterAssociations();
            if (!ok) {
                const vantrel::AssociationFolders folders =
                    vantrel::AssociationFolders::currentUser();
                std::fprintf(stderr,
                             "vantrel: could not write the file associations (%s/mimeapps.list, "
                             "%s/applications)\n",
                             qPrintable(folders.configHome), qPrintable(folders.dataHome));
            }
            return ok ? 0 : 1;
        }
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vantrel.svg")));
    // Ties the windows to the installed desktop entry (its icon and name in the desktop shell).
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel"));
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(application);
    vantrel::installTranslations(application, parser.value(QStringLiteral("language")));

    QStringList files;
    for (const QString& f : parser.positionalArguments())
        files.append(QFileInfo(f).absoluteFilePath());

    vantrel::SingleInstance instance(vantrel::SingleInstance::defaultServerName());
    if (!parser.isSet(QStringLiteral("new-instance"))) {
        if (instance.handOver(files, 1000))
            return 0;
        instance.listen();
    }

    vantrel::DialogPrompt prompt;
    vantrel::CVantrelApp app(prompt, prompt);
    if (!app.initInstance(files))
        return 1;
    prompt.setParentWindow(app.mainFrame());
    app.acceptHandOvers(instance);
    return application.exec();
}
