#include "cli/BatchOperations.h"

#include "operations/ImageOperations.h"

#include <QHash>
#include <cstdio>

namespace vantrel {

namespace {

// Whole numbers separated by commas; nothing when any part is not a number.
std::optional<QList<int>> numbers(const QString& text) {
    QList<int> values;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
        values.append(v);
    }
    return values;
}

// The operations table's entry `name` with `params`, applied to the whole image.
BatchOperation operation(const char* name, const OperationParams& params = {}) {
    const ImageOperation* op = findOperation(name);
    return {[op, params](std::unique_ptr<Bitmap>& bitmap) {
                return applyImageOperation(*op, bitmap, params);
            },
            op->kind == OperationKind::Conversion};
}

// Alpha 255 everywhere, as 24-bit storage shows every pixel.
void makeOpaque(QImage& argb) {
    const int w = argb.width(), h = argb.height();
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < w; ++x)
            p[x] |= 0xFF000000u;
    }
}

// The 32-bit opaque pixels written as 24-bit storage in their own memory.
bool narrow(std::unique_ptr<Bitmap>& image) {
    QImage pixels = std::move(image->image());
    pixels.reinterpretAsFormat(QImage::Format_RGB32);
    pixels.convertTo(QImage::Format_RGB888);
    if (pixels.isNull())
        return false;
    image = std::make_unique<Bitmap>(std::move(pixels), PixelFormat::RGB24);
    return true;
}

struct Entry {
    const char* name;
    const char* arguments; // empty: takes none
    std::function<std::optional<BatchOperation>(const QList<int>& args, const QString& raw)> make;
    bool wholeNumbers = true; // the arguments are whole numbers, given parsed in `args`
};

// "#RRGGBB" (opaque) or "#AARRGGBB".
std::optional<QRgb> colourNamed(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const uint value = t.mid(1).toUInt(&ok, 16);
    if (!t.startsWith(QLatin1Char('#')) || !ok || (t.size() != 7 && t.size() != 9))
        return std::nullopt;
    return t.size() == 7 ? QRgb(value) | 0xFF000000u : QRgb(value);
}

// A name of `names` (in the order of the enumeration `E`), in any letter case.
template <typename E> std::optional<E> named(const QString& text, QList<const char*> names) {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (text.trimmed().compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return E(i);
    return std::nullopt;
}

// Two sides from 1 to 65535, the first two of `parts`.
std::optional<QSize> sidesOf(const QStringList& parts) {
    if (parts.size() < 2)
        return std::nullopt;
    bool okW = false, okH = false;
    const int w = parts[0].trimmed().toInt(&okW), h = parts[1].trimmed().toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1 || w > 65535 || h > 65535)
        return std::nullopt;
    return QSize(w, h);
}

std::optional<BatchOperation> adjustment(const char* name, const QList<int>& a) {
    if (a.size() != 3 || std::any_of(a.begin(), a.end(), [](int v) { return v < 0 || v > 100; }))
        return std::nullopt;
    OperationParams params;
    params.sliders = {a[0], a[1], a[2]};
    return operation(name, params);
}

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table = {
        {"invert", "", [](auto&, auto&) { return operation("invert"); }},
        {"greyscale", "", [](auto&, auto&) { return operation("greyscale"); }},
        {"sharpen", "", [](auto&, auto&) { return operation("sharpen"); }},
        {"emboss", "", [](auto&, auto&) { return operation("emboss"); }},
        {"flip-vertical", "", [](auto&, auto&) { return operation("flip-vertical"); }},
        {"flip-horizontal", "", [](auto&, auto&) { return operation("flip-horizontal"); }},
        {"rotate-left", "", [](auto&, auto&) { return operation("rotate-left"); }},
        {"rotate-right", "", [](auto&, auto&) { return operation("rotate-right"); }},
        {"blur", "N (3, 5, 7 or 9)",
         [](const QList<int>& a, const QString&) -> std::optional<BatchOperation> {
             if (a.size() != 1 || (a[0] != 3 && a[0] != 5 && a[0] != 7 && a[0] != 9))
                 return std::nullopt;
             OperationParams params;
             params.blurSize = a[0];
             return operation("blur", params);
         }},
        {"move", "DX,DY",
         [](const QList<int>& a, const QString&) -> std::optional<BatchOperation> {
             if (a.size() != 2)
                 return std::nullopt;
             // One pixel at a time, as the editor's move commands do.
             const int dx = a[0], dy = a[1];
             const auto left = operation("move-left").run, right = operation("move-right").run;
             const auto up = operation("move-up").run, down = operation("move-down").run;
             return BatchOperation{[=](std::unique_ptr<Bitmap>& bitmap) {
                 for (int i = 0; i < std::abs(dx); ++i)
                     if (!(dx < 0 ? left : right)(bitmap))
                         return false;
                 for (int i = 0; i < std::abs(dy); ++i)
                     if (!(dy < 0 ? up : down)(bitmap))
                         return false;
                 return true;
             }};
         }},
        {"brightness", "R,G,B (0-100)",
         [](const QList<int>& a, const QString&) { return adjustment("brightness", a); }},
        {"contrast", "R,G,B (0-100)",
         [](const QList<int>& a, const QString&) { return adjustment("contrast", a); }},
        {"hsb", "H,S,B (0-100)",
         [](const QList<int>& a, const QString&) { return adjustment("hsb", a); }},
        {"convert", "BITS[,W,H[,stretch]] (BITS 1, 4, 8, 24 or 32)",
         [](const QList<int>&, const QString& raw) -> std::optional<BatchOperation> {
             QStringList parts = raw.split(QLatin1Char(','));
             bool stretch = false;
             if (parts.size() == 4 && parts.last().trimmed() == QLatin1String("stretch")) {
                 stretch = true;
                 parts.removeLast();
             }
             const auto a = numbers(parts.join(QLatin1Char(',')));
             if (!a || (a->size() != 1 && a->size() != 3))
                 return std::nullopt;
             static const QHash<int, PixelFormat> formats = {{1, PixelFormat::Indexed1},
                                                             {4, PixelFormat::Indexed4},
                                                             {8, PixelFormat::Indexed8},
                                                             {24, PixelFormat::RGB24},
                                                             {32, PixelFormat::ARGB32}};
             if (!formats.contains(a->at(0)))
                 return std::nullopt;
             ConversionRequest request;
             request.format = formats.value(a->at(0));
             request.stretch = stretch;
             if (a->size() == 3) {
                 if (a->at(1) < 1 || a->at(1) > 2048 || a->at(2) < 1 || a->at(2) > 2048)
                     return std::nullopt;
                 request.size = QSize(a->at(1), a->at(2));
             }
             OperationParams params;
             params.conversion = request; // an empty size keeps the image's own
             return operation("convert", params);
         },
         false},
        {"rotate", "DEGREES[,#RRGGBB|#AARRGGBB] (-360 to 360, counter-clockwise; white fill)",
         [](const QList<int>&, const QString& raw) -> std::optional<BatchOperation> {
             const QStringList parts = raw.split(QLatin1Char(','));
             bool ok = false;
             OperationParams params;
             params.angle = parts[0].trimmed().toDouble(&ok);
             if (!ok || parts.size() > 2 || !(params.angle >= -360 && params.angle <= 360))
                 return std::nullopt;
             if (parts.size() == 2) {
                 const auto colour = colourNamed(parts[1]);
                 if (!colour)
                     return std::nullopt;
                 params.background = *colour;
             }
             return operation("rotate", params);
         },
         false},
        {"resize", "W,H[,nearest|bilinear|high] (1-65535; high by default)",
         [](const QList<int>&, const QString& raw) -> std::optional<BatchOperation> {
             const QStringList parts = raw.split(QLatin1Char(','));
             const auto size = sidesOf(parts);
             if (!size || parts.size() > 3)
                 return std::nullopt;
             OperationParams params;
             params.size = *size;
             if (parts.size() == 3) {
                 const auto method = named<ResizeMethod>(parts[2], {"nearest", "bilinear", "high"});
                 if (!method)
                     return std::nullopt;
                 params.resizeMethod = *method;
             }
             return operation("resize", params);
         },
         false},
        {"canvas",
         "W,H[,ANCHOR[,#RRGGBB|#AARRGGBB]] (ANCHOR top-left, top, top-right, left, centre, right, "
         "bottom-left, bottom or bottom-right; centre and white by default)",
         [](const QList<int>&, const QString& raw) -> std::optional<BatchOperation> {
             const QStringList parts = raw.split(QLatin1Char(','));
             const auto size = sidesOf(parts);
             if (!size || parts.size() > 4)
                 return std::nullopt;
             OperationParams params;
             params.size = *size;
             if (parts.size() >= 3) {
                 const auto anchor =
                     named<Anchor>(parts[2], {"top-left", "top", "top-right", "left", "centre",
                                              "right", "bottom-left", "bottom", "bottom-right"});
                 if (!anchor)
                     return std::nullopt;
                 params.anchor = *anchor;
             }
             if (parts.size() == 4) {
                 const auto colour = colourNamed(parts[3]);
                 if (!colour)
                     return std::nullopt;
                 params.background = *colour;
             }
             return operation("canvas", params);
         },
         false},
    };
    return table;
}

} // namespace

std::optional<BatchOperation> parseBatchOperation(const QString& text, QString& error) {
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? text : text.left(eq);
    const QString raw = eq < 0 ? QString() : text.mid(eq + 1);
    for (const Entry& e : entries()) {
        if (name != QLatin1String(e.name))
            continue;
        const bool takesArguments = *e.arguments != '\0';
        if (takesArguments == raw.isEmpty() || (takesArguments && eq < 0)) {
            error = takesArguments ? QStringLiteral("operation '%1' needs %2")
                                         .arg(name, QLatin1String(e.arguments))
                                   : QStringLiteral("operation '%1' takes no argument").arg(name);
            return std::nullopt;
        }
        QList<int> args;
        if (takesArguments && e.wholeNumbers) {
            const auto parsed = numbers(raw);
            if (!parsed) {
                error = QStringLiteral("bad argument '%1' of operation '%2'").arg(raw, name);
                return std::nullopt;
            }
            args = *parsed;
        }
        std::optional<BatchOperation> op = e.make(args, raw);
        if (!op)
            error = QStringLiteral("bad argument '%1' of operation '%2' (expected %3)")
                        .arg(raw, name, QLatin1String(e.arguments));
        return op;
    }
    error = QStringLiteral("unknown operation '%1'").arg(name);
    return std::nullopt;
}

bool runBatch(std::unique_ptr<Bitmap>& image, bool wideRgb24,
              const std::vector<BatchOperation>& operations) {
    bool wide = wideRgb24;
    for (const BatchOperation& op : operations) {
        if (wide && op.readsStorageFormat) {
            if (!narrow(image))
                return false;
            wide = false;
        }
        if (wide)
            makeOpaque(image->image());
        if (!op.run(image))
            return false;
    }
    return !wide || narrow(image);
}

QString batchOperationsHelp() {
    QString help;
    for (const Entry& e : entries())
        help +=
            *e.arguments
                ? QStringLiteral("  %1=%2\n").arg(QLatin1String(e.name), QLatin1String(e.arguments))
                : QStringLiteral("  %1\n").arg(QLatin1String(e.name));
    return help;
}

} // namespace vantrel
