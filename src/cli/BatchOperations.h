#pragma once

#include "imaging/Bitmap.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantrel {

// One "--op" of the command line, ready to run on an image: the operations table's entry with
// its settings, as the editor's command runs it on a document without a floating selection.
struct BatchOperation {
    // False when memory ran out.
    std::function<bool(std::unique_ptr<Bitmap>&)> run;
    // Whether the result depends on the storage format and not only on the straight ARGB
    // pixels (the format conversion).
    bool readsStorageFormat = false;
};

// Runs the operations in order on `image`. A wide image (see LoadWidth::Wide) stays in 32 bits
// while the operations allow it, each seeing it opaque as its 24-bit storage would show it, and
// is narrowed once, in its own memory. False when memory ran out.
bool runBatch(std::unique_ptr<Bitmap>& image, bool wideRgb24,
              const std::vector<BatchOperation>& operations);

// Parses "name" or "name=arguments"; on a bad name or argument returns nothing and sets
// `error` to a message naming it.
std::optional<BatchOperation> parseBatchOperation(const QString& text, QString& error);

// The operations and their arguments, for --help.
QString batchOperationsHelp();

} // namespace vantrel
