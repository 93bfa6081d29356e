// vantrel-cli: the batch front end of the editor's image loader and saver.

#include "cli/BatchOperations.h"
#include "imaging/ImageFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

enum ExitCode { Success = 0, FileError = 1, UsageError = 2 };

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Loads an image exactly as the Vantrel editor does, applies the operations given with\n"
        "--op in their order exactly as the editor's commands do, and writes the result with the\n"
        "encoder the output's extension selects (.png PNG; .gif GIF; .jpg, .jpeg, .jpe, .jfif "
        "JPEG;\n"
        ".webp WebP; .tif, .tiff TIFF; anything else BMP), through a temporary file that\n"
        "replaces the output only when complete.\n"
        "A damaged INPUT of which only part could be read is used with a warning on standard\n"
        "error; with --strict it counts as unreadable.\n\n"
        "Exit status: 0 on success, 1 when a file cannot be read or written, 2 for a usage "
        "error."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("Write the image to <file>."),
                      QStringLiteral("file")});
    parser.addOption(
        {QStringLiteral("info"), QStringLiteral("Print WIDTHxHEIGHT FORMAT, FORMAT being one of "
                                                "1bppIndexed, 4bppIndexed, 8bppIndexed, 24bppRGB, "
                                                "32bppARGB, 32bppPARGB.")});
    parser.addOption({QStringLiteral("strict"),
                      QStringLiteral("Stop with exit status 1, writing nothing, when only part of "
                                     "INPUT could be read.")});
    parser.addOption({QStringLiteral("op"),
                      QStringLiteral("Apply operation <op> (may be repeated). Operations:\n") +
                          vantrel::batchOperationsHelp(),
                      QStringLiteral("op")});
    parser.addOption({QStringLiteral("quality"),
                      QStringLiteral("WebP output: quality <n> from 1 to 99 (lossy) or 100 "
                                     "(lossless, the default)."),
                      QStringLiteral("n")});
    parser.addOption({QStringLiteral("compression"),
                      QStringLiteral("TIFF output: compression <name>, none or lzw (the "
                                     "default)."),
                      QStringLiteral("name")});
    parser.addPositionalArgument(
        QStringLiteral("INPUT"),
        QStringLiteral("The image to read (BMP, PNG, GIF, JPEG, WebP or TIFF)."));
}

int usageError(const QString& message) {
    std::fprintf(stderr, "vantrel-cli: %s\nTry 'vantrel-cli --help'.\n", qPrintable(message));
    return UsageError;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantrel-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));

    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return Success;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vantrel-cli %s\n", VANTREL_VERSION);
        return Success;
    }
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 1)
        return usageError(inputs.isEmpty() ? QStringLiteral("no INPUT given")
                                           : QStringLiteral("only one INPUT can be given"));

    vantrel::SaveOptions saveOptions;
    const QString output = parser.value(QStringLiteral("output"));
    if (parser.isSet(QStringLiteral("quality"))) {
        bool ok = false;
        saveOptions.webpQuality = parser.value(QStringLiteral("quality")).toInt(&ok);
        if (!ok || saveOptions.webpQuality < 1 || saveOptions.webpQuality > 100)
            return usageError(QStringLiteral("--quality needs a whole number from 1 to 100"));
        if (vantrel::imageTypeForPath(output) != vantrel::ImageType::Webp)
            return usageError(QStringLiteral("--quality applies to WebP output only"));
    }
    if (parser.isSet(QStringLiteral("compression"))) {
        const auto compression =
            vantrel::tiffCompressionNamed(parser.value(QStringLiteral("compression")));
        if (!compression)
            return usageError(QStringLiteral("--compression needs none or lzw"));
        if (vantrel::imageTypeForPath(output) != vantrel::ImageType::Tiff)
            return usageError(QStringLiteral("--compression applies to TIFF output only"));
        saveOptions.tiffCompression = *compression;
    }

    std::vector<vantrel::BatchOperation> operations;
    for (const QString& text : parser.values(QStringLiteral("op"))) {
        QString error;
        std::optional<vantrel::BatchOperation> op = vantrel::parseBatchOperation(text, error);
        if (!op)
            return usageError(error);
        operations.push_back(std::move(*op));
    }

    vantrel::LoadedImage loaded = vantrel::loadImageFile(inputs.first(), vantrel::LoadWidth::Wide);
    if (!loaded.bitmap) {
        std::fprintf(stderr, "%s\n", qPrintable(loaded.error));
        return FileError;
    }
    if (!loaded.warning.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(loaded.warning));
        if (parser.isSet(QStringLiteral("strict")))
            return FileError;
    }
    // Nothing here is ever undone: the operations run on the image itself, with no document
    // and no history.
    std::unique_ptr<vantrel::Bitmap> image = std::move(loaded.bitmap);
    if (!vantrel::runBatch(image, loaded.wideRgb24, operations)) {
        std::fprintf(stderr, "There is not enough memory for this operation.\n");
        return FileError;
    }
    const vantrel::Bitmap& bitmap = *image;
    if (parser.isSet(QStringLiteral("info")))
        std::printf("%dx%d %s\n", bitmap.width(), bitmap.height(),
                    qPrintable(vantrel::formatName(bitmap.format())));
    if (parser.isSet(QStringLiteral("output"))) {
        const QString error = vantrel::saveImageFile(bitmap, output, saveOptions);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return FileError;
        }
    }
    return Success;
}
