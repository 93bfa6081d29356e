#pragma once

#include <QImage>
#include <functional>

namespace vantrel {

class CVantrelDoc;
class OperationPrompt;

// Puts the image operations' commands (flips, turns, moves, adjustments, blur settings,
// filters, conversion, crop, rotation by an angle, resize, canvas size) in the document's
// command table. Each records its undo step, changes the effect target through the document's
// change calls and announces the change; `prompt` asks for the settings and runs the
// previewing dialogs.
void registerOperationCommands(CVantrelDoc& document, OperationPrompt& prompt);

// Replaces the document bitmap by `op` applied over 32-bit ARGB pixels to a copy of it,
// written back in its format; the history keeps the old bitmap. False, with a message, when
// memory runs out.
bool applyOperation(CVantrelDoc& document, const std::function<void(QImage&)>& op);

// Sets pixel (x, y) of the document bitmap to the average of its blur window (the document's
// blur size). Records no step of its own: the blur brush records it.
void blurOnePixel(CVantrelDoc& document, int x, int y);

} // namespace vantrel
