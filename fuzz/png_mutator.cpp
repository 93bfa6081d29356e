// A mutator for PNG inputs. Plain byte mutations almost always break a chunk's checksum or the
// compressed image data, so the decoder stops before the pixels. Half of the mutations here
// change the inflated image data and compress it again; the others change the bytes as usual.
// Either way the signature is restored and every chunk's checksum is made right.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>
#include <zlib.h>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The most inflated image data mutated; larger streams get byte mutations only.
constexpr size_t MaxInflated = size_t(1) << 20;

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void putBe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

struct Chunk {
    size_t start; // of the length field
    uint32_t length;
    bool idat;
};

// The whole chunks after the signature, in order; a cut last chunk is left out.
std::vector<Chunk> chunks(const uint8_t* data, size_t size) {
    std::vector<Chunk> list;
    size_t at = sizeof Signature;
    while (at + 12 <= size) {
        const uint32_t length = be32(data + at);
        if (length > size - at - 12)
            break;
        list.push_back({at, length, std::memcmp(data + at + 4, "IDAT", 4) == 0});
        at += 12 + size_t(length);
    }
    return list;
}

void fixChecksums(uint8_t* data, size_t size) {
    for (const Chunk& c : chunks(data, size)) {
        uint8_t* type = data + c.start + 4;
        putBe32(type + 4 + c.length, uint32_t(crc32(crc32(0, nullptr, 0), type, 4 + c.length)));
    }
}

bool inflateAll(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    out.resize(MaxInflated);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int status = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

// Mutates the inflated image data and writes the file again with it in one IDAT chunk.
// Returns the new size, or 0 when the input has no image data to work on.
size_t mutatePixels(uint8_t* data, size_t size, size_t maxSize, std::minstd_rand& random) {
    const std::vector<Chunk> list = chunks(data, size);
    std::vector<uint8_t> compressed;
    for (const Chunk& c : list)
        if (c.idat)
            compressed.insert(compressed.end(), data + c.start + 8, data + c.start + 8 + c.length);
    std::vector<uint8_t> pixels;
    if (compressed.empty() || !inflateAll(compressed, pixels) || pixels.empty())
        return 0;
    const size_t inflated = pixels.size();
    pixels.resize(std::min(MaxInflated, inflated * 2));
    pixels.resize(LLVMFuzzerMutate(pixels.data(), inflated, pixels.size()));

    uLongf packedSize = compressBound(uLong(pixels.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, pixels.data(), uLong(pixels.size()),
                  int(random() % 10)) != Z_OK)
        return 0;
    packed.resize(packedSize);

    // Everything before the first IDAT, the one new IDAT, everything after the last one.
    const auto first =
        std::find_if(list.begin(), list.end(), [](const Chunk& c) { return c.idat; });
    const auto last =
        std::find_if(list.rbegin(), list.rend(), [](const Chunk& c) { return c.idat; });
    const size_t head = first->start;
    const size_t tail = last->start + 12 + last->length;
    std::vector<uint8_t> out(data, data + head);
    const size_t idat = out.size();
    out.resize(idat + 8 + packed.size() + 4);
    putBe32(out.data() + idat, uint32_t(packed.size()));
    std::memcpy(out.data() + idat + 4, "IDAT", 4);
    std::memcpy(out.data() + idat + 8, packed.data(), packed.size());
    out.insert(out.end(), data + tail, data + size);
    if (out.size() > maxSize)
        return 0;
    std::memcpy(data, out.data(), out.size());
    return out.size();
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    std::minstd_rand random(seed);
    size_t mutated = 0;
    if (random() % 2 == 0)
        mutated = mutatePixels(data, size, maxSize, random);
    if (mutated == 0)
        mutated = LLVMFuzzerMutate(data, size, maxSize);
    if (mutated >= sizeof Signature)
        std::memcpy(data, Signature, sizeof Signature);
    fixChecksums(data, mutated);
    return mutated;
}
