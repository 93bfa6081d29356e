// The loader on arbitrary bytes. Built once per format family (VANTREL_FUZZ_FAMILY); a
// family's target turns down inputs without its signature so that its corpus keeps to its
// own decoder, and "any" takes everything, other formats Qt reads included.

#include "FuzzSupport.h"

#include <cstring>

namespace {

bool inFamily(const QByteArray& bytes) {
    constexpr const char* family = VANTREL_FUZZ_FAMILY;
    if (std::strcmp(family, "bmp") == 0)
        return bytes.startsWith("BM");
    if (std::strcmp(family, "png") == 0)
        return bytes.startsWith(QByteArray("\x89PNG\r\n\x1a\n", 8));
    if (std::strcmp(family, "gif") == 0)
        return bytes.startsWith("GIF8");
    if (std::strcmp(family, "jpeg") == 0)
        return bytes.startsWith("\xFF\xD8");
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vantrel::fuzz::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = vantrel::fuzz::bytesOf(data, size);
    if (!inFamily(bytes) || vantrel::fuzz::tooSlow(bytes))
        return -1; // kept out of the corpus
    const QString name = QStringLiteral("input." VANTREL_FUZZ_FAMILY);
    vantrel::fuzz::checkLoaded(vantrel::fuzz::load(bytes, name), name);
    return 0;
}
