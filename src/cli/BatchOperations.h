#pragma once

#include "imaging/Bitmap.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

// One "--op" of the command line, ready to run on an image: the operations table's entry with
// its settings, as the editor's command runs it on a document without a floating selection.
// False when memory ran out.
using BatchOperation = std::function<bool(std::unique_ptr<Bitmap>&)>;

// Parses "name" or "name=arguments"; on a bad name or argument returns nothing and sets
// `error` to a message naming it.
std::optional<BatchOperation> parseBatchOperation(const QString& text, QString& error);

// The operations and their arguments, for --help.
QString batchOperationsHelp();

} // namespace vantrel
