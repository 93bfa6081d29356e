#pragma once

#include "../tests/ScriptedHost.h"

// A white 32-bit document `side` pixels square with the image operations' commands, and the
// tools' view of it, for benchmarks that drive tools and commands without a window.
struct BenchDocument {
    ScriptedHost host;
    vantrel::CVantrelDoc doc{host};
    HeadlessTools context{doc, host};

    explicit BenchDocument(int side) {
        vantrel::registerOperationCommands(doc, host.user);
        auto bitmap = std::make_unique<vantrel::Bitmap>(side, side, vantrel::PixelFormat::ARGB32);
        bitmap->image().fill(0xFFFFFFFFu);
        doc.setBitmap(std::move(bitmap));
        context.isDragging = true; // every benchmarked move is part of a drag
    }
};
