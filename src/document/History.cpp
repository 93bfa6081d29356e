#include "document/History.h"

#include "document/DocumentHost.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr int kTile = 64;
constexpr qint64 kMiB = 1024 * 1024;

// The tile grid of a bitmap and the bytes each tile covers in a row. A tile of 64 pixels
// starts on a whole byte at every depth, so tiles never share a byte.
struct Grid {
    int width;
    int height;
    int depth;

    explicit Grid(const QImage& image)
        : width(image.width()), height(image.height()), depth(image.depth()) {}
    Grid(int w, int h, int d) : width(w), height(h), depth(d) {}

    bool operator==(const Grid&) const = default;
    int across() const { return (width + kTile - 1) / kTile; }
    QRect tile(int index) const {
        return QRect((index % across()) * kTile, (index / across()) * kTile, kTile, kTile)
            .intersected(QRect(0, 0, width, height));
    }
    qsizetype firstByte(int x) const { return qsizetype(x) * depth / 8; }
    qsizetype endByte(int x) const { return (qsizetype(x) * depth + 7) / 8; }
    qsizetype rowBytes(const QRect& r) const {
        return endByte(r.x() + r.width()) - firstByte(r.x());
    }
};

Grid gridOf(const HistoryEntry::Tiles& t) {
    return {t.width, t.height, t.depth};
}

// The bytes of `r` (whole bytes at the edges) row by row.
std::vector<uchar> readBytes(const QImage& image, const QRect& r) {
    const Grid grid(image);
    const qsizetype n = grid.rowBytes(r);
    std::vector<uchar> data(size_t(n) * size_t(r.height()));
    for (int y = 0; y < r.height(); ++y)
        std::memcpy(data.data() + size_t(y) * size_t(n),
                    image.constScanLine(r.y() + y) + grid.firstByte(r.x()), size_t(n));
    return data;
}

void writeBytes(QImage& image, const QRect& r, const std::vector<uchar>& data) {
    const Grid grid(image);
    const qsizetype n = grid.rowBytes(r);
    for (int y = 0; y < r.height(); ++y)
        std::memcpy(image.scanLine(r.y() + y) + grid.firstByte(r.x()),
                    data.data() + size_t(y) * size_t(n), size_t(n));
}

void swapBytes(QImage& image, const QRect& r, std::vector<uchar>& data) {
    const Grid grid(image);
    const qsizetype n = grid.rowBytes(r);
    for (int y = 0; y < r.height(); ++y) {
        uchar* row = image.scanLine(r.y() + y) + grid.firstByte(r.x());
        uchar* kept = data.data() + size_t(y) * size_t(n);
        std::swap_ranges(row, row + n, kept);
    }
}

// What a shift by `s` (along one axis) pushes off the edge of a `size` bitmap; the pixels a
// shift by -s pushes off are the ones a shift by s uncovers.
QRect pushedOff(QSize size, QPoint s) {
    const int w = size.width(), h = size.height();
    if (s.x() > 0)
        return {std::max(0, w - s.x()), 0, std::min(s.x(), w), h};
    if (s.x() < 0)
        return {0, 0, std::min(-s.x(), w), h};
    if (s.y() > 0)
        return {0, std::max(0, h - s.y()), w, std::min(s.y(), h)};
    if (s.y() < 0)
        return {0, 0, w, std::min(-s.y(), h)};
    return {};
}

QRect uncovered(QSize size, QPoint s) {
    return pushedOff(size, -s);
}

// Moves the pixels by `s` bytewise; what is uncovered keeps its old bytes.
void moveBytes(QImage& image, QPoint s) {
    const int w = image.width(), h = image.height();
    const qsizetype bpp = image.depth() / 8;
    if (s.x() != 0 && std::abs(s.x()) < w) {
        const size_t moved = size_t(w - std::abs(s.x())) * size_t(bpp);
        for (int y = 0; y < h; ++y) {
            uchar* row = image.scanLine(y);
            if (s.x() > 0)
                std::memmove(row + s.x() * bpp, row, moved);
            else
                std::memmove(row, row - s.x() * bpp, moved);
        }
    } else if (s.y() != 0 && std::abs(s.y()) < h) {
        const size_t n = size_t(w) * size_t(bpp);
        if (s.y() > 0)
            for (int y = h - 1; y >= s.y(); --y)
                std::memcpy(image.scanLine(y), image.constScanLine(y - s.y()), n);
        else
            for (int y = 0; y < h + s.y(); ++y)
                std::memcpy(image.scanLine(y), image.constScanLine(y - s.y()), n);
    }
}

// Shifts by `s` and puts `strip` where the shift uncovers; `strip` then holds what was
// pushed off, so shifting back by -s with it undoes this exactly.
void shiftExchanging(QImage& image, QPoint s, std::vector<uchar>& strip) {
    std::vector<uchar> off = readBytes(image, pushedOff(image.size(), s));
    moveBytes(image, s);
    writeBytes(image, uncovered(image.size(), s), strip);
    strip.swap(off);
}

// Colour inversion in the storage of 32-bit ARGB and 24-bit RGB: what the inversion through
// 32 bits gives, and its own inverse.
void invertStorage(QImage& image) {
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        if (image.depth() == 32) {
            auto* p = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x)
                p[x] ^= 0x00FFFFFFu;
        } else {
            uchar* p = image.scanLine(y);
            for (int i = 0; i < w * 3; ++i)
                p[i] ^= 0xFFu;
        }
    }
}

RotateFlip inverse(RotateFlip how) {
    const int value = static_cast<int>(how);
    // A flip composed with a turn is its own inverse; a turn alone is undone by its opposite.
    if (value & 4)
        return how;
    return static_cast<RotateFlip>((4 - value) & 3);
}

// Makes `to` (same size and format, not shared) hold what `from` holds, in its own memory.
void copyPixels(const QImage& from, QImage& to) {
    uchar* out = to.bits();
    const uchar* in = from.constBits();
    if (from.bytesPerLine() == to.bytesPerLine()) {
        std::memcpy(out, in, size_t(to.sizeInBytes()));
    } else {
        const size_t n = size_t(std::min(from.bytesPerLine(), to.bytesPerLine()));
        for (int y = 0; y < to.height(); ++y)
            std::memcpy(out + y * to.bytesPerLine(), in + y * from.bytesPerLine(), n);
    }
    if (to.colorTable() != from.colorTable())
        to.setColorTable(from.colorTable());
    to.setDotsPerMeterX(from.dotsPerMeterX());
    to.setDotsPerMeterY(from.dotsPerMeterY());
    to.setOffset(from.offset());
}

Bitmap sharing(const Bitmap& bitmap) {
    return Bitmap(bitmap.image(), bitmap.format());
}

qint64 recordBytes(const HistoryEntry::Record& record) {
    return std::visit(
        [](const auto& r) -> qint64 {
            using T = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<T, HistoryEntry::Tiles>) {
                qint64 n = 0;
                for (const auto& [index, data] : r.tiles)
                    n += qint64(data.size());
                return n;
            } else if constexpr (std::is_same_v<T, HistoryEntry::Whole>) {
                return r.bitmap.byteCount();
            } else if constexpr (std::is_same_v<T, HistoryEntry::Shift>) {
                return qint64(r.strip.size());
            } else {
                return 0;
            }
        },
        record);
}

} // namespace

qint64 defaultHistoryBudgetMiB() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 4096;
    return std::min<qint64>(4096, qint64(pages) * qint64(pageSize) / 4 / kMiB);
}

bool BitmapChange::isExactFor(PixelFormat format) const {
    switch (kind) {
    case Kind::RotateFlip:
        return true; // a permutation of the stored pixels, palette kept
    case Kind::InvertColours:
        return format == PixelFormat::ARGB32 || format == PixelFormat::RGB24;
    case Kind::Shift:
        // Whole pixels move bytewise; a 1-bit row would need bits moved.
        return bitsPerPixel(format) >= 8 && (offset.x() == 0 || offset.y() == 0);
    }
    return false;
}

// ---- HistoryEntry ----

bool HistoryEntry::holdsTilesOnly() const {
    return std::all_of(m_records.begin(), m_records.end(),
                       [](const Record& r) { return std::holds_alternative<Tiles>(r); });
}

const Bitmap* HistoryEntry::onlyWhole() const {
    const Whole* whole = m_records.size() == 1 ? std::get_if<Whole>(&m_records.front()) : nullptr;
    return whole ? &whole->bitmap : nullptr;
}

void HistoryEntry::recount() {
    m_bytes = 0;
    for (const Record& r : m_records)
        m_bytes += recordBytes(r);
}

namespace {

// Once an entry holds a whole bitmap, undoing it ends on that bitmap whatever came after
// (for an entry undone next), and redoing it starts from it whatever came before (for one
// redone next): the records on the far side of it are no longer needed, and no new record
// is. The whole bitmap's exchange keeps the bitmap as it is at the time instead.
template <typename Records> bool settledByWhole(Records& records, HistoryEntry::End end) {
    const auto isWhole = [](const HistoryEntry::Record& r) {
        return std::holds_alternative<HistoryEntry::Whole>(r);
    };
    if (end == HistoryEntry::End::Back) {
        const auto first = std::find_if(records.begin(), records.end(), isWhole);
        if (first == records.end())
            return false;
        records.erase(first + 1, records.end());
        return true;
    }
    const auto last = std::find_if(records.rbegin(), records.rend(), isWhole);
    if (last == records.rend())
        return false;
    records.erase(records.begin(), std::prev(last.base()));
    return true;
}

} // namespace

void HistoryEntry::keep(Record record, End end) {
    if (settledByWhole(m_records, end)) {
        recount();
        return;
    }
    m_bytes += recordBytes(record);
    if (end == End::Back)
        m_records.push_back(std::move(record));
    else
        m_records.insert(m_records.begin(), std::move(record));
}

void HistoryEntry::keepArea(const Bitmap& bitmap, const QRect& area, End end) {
    const QImage& image = bitmap.image();
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return;
    if (settledByWhole(m_records, end)) {
        recount();
        return;
    }
    const Grid grid(image);
    // Tiles join the tile record at that end, where the first kept bytes of a tile win: they
    // are the oldest for an entry undone next and the newest base for one redone next.
    Record* near =
        m_records.empty() ? nullptr : (end == End::Back ? &m_records.back() : &m_records.front());
    Tiles* tiles = near ? std::get_if<Tiles>(near) : nullptr;
    if (!tiles || gridOf(*tiles) != grid) {
        keep(Tiles{grid.width, grid.height, grid.depth, {}}, end);
        tiles = std::get_if<Tiles>(end == End::Back ? &m_records.back() : &m_records.front());
    }
    const int across = grid.across();
    for (int ty = r.top() / kTile; ty <= r.bottom() / kTile; ++ty)
        for (int tx = r.left() / kTile; tx <= r.right() / kTile; ++tx) {
            const int index = ty * across + tx;
            if (tiles->tiles.count(index))
                continue;
            std::vector<uchar> data = readBytes(image, grid.tile(index));
            m_bytes += qint64(data.size());
            tiles->tiles.emplace(index, std::move(data));
        }
}

void HistoryEntry::keep(const Bitmap& bitmap, const Step& step, End end) {
    switch (step.kind) {
    case Step::Kind::Area:
        keepArea(bitmap, step.area, end);
        break;
    case Step::Kind::Whole:
        keep(Whole{sharing(bitmap)}, end);
        break;
    case Step::Kind::Change:
        if (step.change.kind == BitmapChange::Kind::Shift)
            keep(Shift{step.change.offset, History::pushedOffStrip(bitmap, step.change.offset)},
                 end);
        else
            keep(Transform{step.change}, end);
        break;
    }
}

bool HistoryEntry::apply(Record& record, Bitmap& bitmap, bool forward,
                         const StepObserver& observer) {
    using Kind = Step::Kind;
    if (auto* tiles = std::get_if<Tiles>(&record)) {
        const Grid grid = gridOf(*tiles);
        for (auto& [index, data] : tiles->tiles) {
            const QRect r = grid.tile(index);
            observer(bitmap, {Kind::Area, r, {}});
            if (!History::makeWritable(bitmap))
                return false;
            swapBytes(bitmap.image(), r, data);
        }
        return true;
    }
    if (auto* whole = std::get_if<Whole>(&record)) {
        observer(bitmap, {Kind::Whole, {}, {}});
        std::swap(bitmap, whole->bitmap);
        return true;
    }
    if (auto* shift = std::get_if<Shift>(&record)) {
        const QPoint s = forward ? shift->offset : -shift->offset;
        observer(bitmap, {Kind::Change, {}, BitmapChange::shift(s.x(), s.y())});
        if (!History::makeWritable(bitmap))
            return false;
        shiftExchanging(bitmap.image(), s, shift->strip);
        return true;
    }
    const BitmapChange& change = std::get<Transform>(record).change;
    if (change.kind == BitmapChange::Kind::InvertColours) {
        observer(bitmap, {Kind::Change, {}, change});
        if (!History::makeWritable(bitmap))
            return false;
        invertStorage(bitmap.image());
        return true;
    }
    const RotateFlip how = forward ? change.how : inverse(change.how);
    observer(bitmap, {Kind::Change, {}, BitmapChange::rotateFlip(how)});
    return History::makeWritable(bitmap) && bitmap.rotateFlip(how) == Status::Ok;
}

bool HistoryEntry::revert(Bitmap& bitmap, const StepObserver& observer) {
    bool ok = true;
    for (auto it = m_records.rbegin(); ok && it != m_records.rend(); ++it)
        ok = apply(*it, bitmap, false, observer);
    recount();
    return ok;
}

bool HistoryEntry::replay(Bitmap& bitmap, const StepObserver& observer) {
    bool ok = true;
    for (auto it = m_records.begin(); ok && it != m_records.end(); ++it)
        ok = apply(*it, bitmap, true, observer);
    recount();
    return ok;
}

void HistoryEntry::copyKeptArea(Bitmap& bitmap, const QRect& area) const {
    QImage& image = bitmap.image();
    const qsizetype bpp = image.depth() / 8;
    // Later records first, so the oldest bytes of a tile are the ones left.
    for (auto it = m_records.rbegin(); it != m_records.rend(); ++it) {
        const Tiles& tiles = std::get<Tiles>(*it);
        const Grid grid = gridOf(tiles);
        for (const auto& [index, data] : tiles.tiles) {
            const QRect tile = grid.tile(index);
            const QRect r = tile.intersected(area);
            if (r.isEmpty())
                continue;
            const qsizetype stride = qsizetype(tile.width()) * bpp;
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::memcpy(image.scanLine(y) + r.left() * bpp,
                            data.data() + (y - tile.top()) * stride +
                                (r.left() - tile.left()) * bpp,
                            size_t(r.width() * bpp));
        }
    }
}

std::unique_ptr<Bitmap> HistoryEntry::stateBefore(const Bitmap& current) const {
    // Undoing ends on the first whole bitmap, if any, with only the records before it applied.
    auto first = std::find_if(m_records.begin(), m_records.end(),
                              [](const Record& r) { return std::holds_alternative<Whole>(r); });
    std::unique_ptr<Bitmap> state =
        first == m_records.end() ? current.clone() : std::get<Whole>(*first).bitmap.clone();
    if (!state)
        return nullptr;
    QImage& image = state->image();
    for (auto it = std::make_reverse_iterator(first); it != m_records.rend(); ++it) {
        if (const auto* tiles = std::get_if<Tiles>(&*it)) {
            for (const auto& [index, data] : tiles->tiles)
                writeBytes(image, gridOf(*tiles).tile(index), data);
        } else if (const auto* shift = std::get_if<Shift>(&*it)) {
            moveBytes(image, -shift->offset);
            writeBytes(image, pushedOff(image.size(), shift->offset), shift->strip);
        } else {
            const BitmapChange& change = std::get<Transform>(*it).change;
            if (change.kind == BitmapChange::Kind::InvertColours)
                invertStorage(image);
            else if (state->rotateFlip(inverse(change.how)) != Status::Ok)
                return nullptr;
        }
    }
    return state;
}

// ---- History ----

void History::setKeepsSteps(bool keep) {
    m_keepsSteps = keep;
    if (!keep)
        clearSteps();
}

qint64 History::bytes() const {
    return m_belowTops + pendingBytes() + (m_undo.empty() ? 0 : m_undo.back()->bytes()) +
           (m_redo.empty() ? 0 : m_redo.back()->bytes());
}

void History::pushUndo(std::unique_ptr<HistoryEntry> entry) {
    if (!m_undo.empty())
        m_belowTops += m_undo.back()->bytes();
    m_undo.push_back(std::move(entry));
}

void History::pushRedo(std::unique_ptr<HistoryEntry> entry) {
    if (!m_redo.empty())
        m_belowTops += m_redo.back()->bytes();
    m_redo.push_back(std::move(entry));
}

std::unique_ptr<HistoryEntry> History::popUndo() {
    std::unique_ptr<HistoryEntry> entry = std::move(m_undo.back());
    m_undo.pop_back();
    if (!m_undo.empty())
        m_belowTops -= m_undo.back()->bytes();
    return entry;
}

std::unique_ptr<HistoryEntry> History::popRedo() {
    std::unique_ptr<HistoryEntry> entry = std::move(m_redo.back());
    m_redo.pop_back();
    if (!m_redo.empty())
        m_belowTops -= m_redo.back()->bytes();
    return entry;
}

std::vector<History::Target> History::recorders() const {
    std::vector<Target> targets;
    if (!m_undo.empty())
        targets.push_back({m_undo.back().get(), HistoryEntry::End::Back});
    if (!m_redo.empty())
        targets.push_back({m_redo.back().get(), HistoryEntry::End::Front});
    if (m_pending)
        targets.push_back({m_pending.get(), HistoryEntry::End::Back});
    return targets;
}

void History::keepStep(const std::vector<Target>& targets, const Bitmap& before,
                       const HistoryEntry::Step& step) {
    for (const Target& t : targets)
        t.entry->keep(before, step, t.end);
}

void History::trim() {
#ifndef NDEBUG
    qint64 sum = pendingBytes();
    for (const auto& e : m_undo)
        sum += e->bytes();
    for (const auto& e : m_redo)
        sum += e->bytes();
    Q_ASSERT(sum == bytes());
#endif
    while (m_undo.size() > 1 && bytes() > m_budget) {
        m_belowTops -= m_undo.front()->bytes();
        m_undo.pop_front();
    }
}

void History::loseEverything() {
    clearSteps();
    m_pending.reset();
    m_watched = QImage();
}

void History::beginStep() {
    clearRedo();
    if (m_keepsSteps)
        pushUndo(std::make_unique<HistoryEntry>());
    trim();
}

void History::savePending() {
    m_pending = std::make_unique<HistoryEntry>();
}

History::Outcome History::commitPending(Bitmap& bitmap) {
    if (!m_pending)
        return Outcome::NotApplicable;
    clearRedo();
    if (!m_keepsSteps) {
        m_pending.reset();
        return Outcome::Done;
    }
    // Undoing the new step lands on the pending state, which may be older than the state the
    // step below leads back from (the bitmap as it is). The step below is made to lead back
    // from the pending state: it keeps what the bitmap's way there changes, on a round trip.
    if (!m_undo.empty() && !m_pending->isEmpty()) {
        const std::vector<Target> below{{m_undo.back().get(), HistoryEntry::End::Back}};
        bool ok = false;
        try {
            ok = m_pending->revert(bitmap, [&](const Bitmap& before,
                                               const HistoryEntry::Step& step) {
                keepStep(below, before, step);
            }) && m_pending->replay(bitmap, [](const Bitmap&, const HistoryEntry::Step&) {});
        } catch (const std::bad_alloc&) {
        }
        if (!ok) {
            loseEverything();
            return Outcome::HistoryLost;
        }
    }
    pushUndo(std::move(m_pending));
    trim();
    return Outcome::Done;
}

void History::clearSteps() {
    m_undo.clear();
    m_redo.clear();
    m_belowTops = 0;
}

void History::clearRedo() {
    for (size_t i = 0; i + 1 < m_redo.size(); ++i)
        m_belowTops -= m_redo[i]->bytes();
    m_redo.clear();
}

void History::clear() {
    loseEverything();
}

bool History::keepArea(const Bitmap& bitmap, const QRect& area) {
    try {
        keepStep(recorders(), bitmap, {HistoryEntry::Step::Kind::Area, area, {}});
    } catch (const std::bad_alloc&) {
        return false;
    }
    trim();
    return true;
}

bool History::keepChange(const BitmapChange& change, const std::vector<uchar>& strip) {
    try {
        for (const Target& t : recorders()) {
            // Each entry exchanges its own copy of the strip with the bitmap.
            if (change.kind == BitmapChange::Kind::Shift)
                t.entry->keep(HistoryEntry::Shift{change.offset, strip}, t.end);
            else
                t.entry->keep(HistoryEntry::Transform{change}, t.end);
        }
    } catch (const std::bad_alloc&) {
        loseEverything();
        return false;
    }
    trim();
    return true;
}

void History::keepWhole(const Bitmap& old) {
    try {
        keepStep(recorders(), old, {HistoryEntry::Step::Kind::Whole, {}, {}});
    } catch (const std::bad_alloc&) {
        loseEverything();
    }
    trim();
}

std::vector<uchar> History::pushedOffStrip(const Bitmap& bitmap, QPoint offset) {
    return readBytes(bitmap.image(), pushedOff(bitmap.size(), offset));
}

History::Outcome History::applyTop(Bitmap& bitmap, bool forward) {
    if (forward ? m_redo.empty() : m_undo.empty())
        return Outcome::NotApplicable;
    std::unique_ptr<HistoryEntry> entry = forward ? popRedo() : popUndo();
    // Only the pending snapshot keeps what this changes: the entries left on top of the two
    // stacks are relative to the states on either side of this one.
    const std::vector<Target> targets =
        m_pending ? std::vector<Target>{{m_pending.get(), HistoryEntry::End::Back}}
                  : std::vector<Target>{};
    const auto observer = [&](const Bitmap& before, const HistoryEntry::Step& step) {
        keepStep(targets, before, step);
    };
    bool ok = false;
    try {
        ok = forward ? entry->replay(bitmap, observer) : entry->revert(bitmap, observer);
    } catch (const std::bad_alloc&) {
    }
    if (!ok) {
        loseEverything();
        return Outcome::HistoryLost;
    }
    if (forward)
        pushUndo(std::move(entry));
    else
        pushRedo(std::move(entry));
    trim();
    return Outcome::Done;
}

History::Outcome History::undo(Bitmap& bitmap) {
    return applyTop(bitmap, false);
}

History::Outcome History::redo(Bitmap& bitmap) {
    return applyTop(bitmap, true);
}

History::Outcome History::restorePending(Bitmap& bitmap) {
    if (!m_pending)
        return Outcome::NotApplicable;
    std::vector<Target> targets = recorders();
    std::erase_if(targets, [this](const Target& t) { return t.entry == m_pending.get(); });
    const Bitmap* kept = m_pending->onlyWhole();
    if (kept && kept->size() == bitmap.size() && kept->format() == bitmap.format()) {
        if (kept->image().constBits() == bitmap.image().constBits())
            return Outcome::Done; // the same pixels already
        // The others keep what is replaced as they would for an exchange (an entry already
        // holding a whole bitmap keeps nothing); the pending snapshot keeps its bitmap, which
        // is still the state it brings back.
        try {
            keepStep(targets, bitmap, {HistoryEntry::Step::Kind::Whole, {}, {}});
        } catch (const std::bad_alloc&) {
            return Outcome::OutOfMemory;
        }
        if (!makeWritable(bitmap))
            return Outcome::OutOfMemory;
        copyPixels(kept->image(), bitmap.image());
        trim();
        return Outcome::Done;
    }
    bool ok = false;
    try {
        ok = m_pending->revert(bitmap, [&](const Bitmap& before, const HistoryEntry::Step& step) {
            keepStep(targets, before, step);
        });
    } catch (const std::bad_alloc&) {
    }
    if (!ok) {
        loseEverything();
        return Outcome::HistoryLost;
    }
    // The bitmap is the pending state now: nothing differs from it yet.
    m_pending = std::make_unique<HistoryEntry>();
    trim();
    return Outcome::Done;
}

History::Outcome History::restorePendingArea(Bitmap& bitmap, const QRect& area) {
    if (!m_pending || !m_pending->holdsTilesOnly() || bitmap.image().depth() < 8)
        return Outcome::NotApplicable;
    const QRect r = area.intersected(bitmap.rect());
    if (r.isEmpty())
        return Outcome::Done;
    // The pending snapshot itself needs nothing: the area becomes what it keeps.
    std::vector<Target> targets = recorders();
    std::erase_if(targets, [this](const Target& t) { return t.entry == m_pending.get(); });
    try {
        keepStep(targets, bitmap, {HistoryEntry::Step::Kind::Area, r, {}});
    } catch (const std::bad_alloc&) {
        return Outcome::OutOfMemory;
    }
    if (!makeWritable(bitmap))
        return Outcome::OutOfMemory;
    m_pending->copyKeptArea(bitmap, r);
    trim();
    return Outcome::Done;
}

std::unique_ptr<Bitmap> History::pendingState(const Bitmap& current) const {
    return m_pending ? m_pending->stateBefore(current) : nullptr;
}

void History::watch(const Bitmap& bitmap) {
    const bool keeping = !m_undo.empty() || !m_redo.empty() || m_pending;
    if (keeping && !bitmap.isNull()) {
        m_watched = bitmap.image();
        m_watchedFormat = bitmap.format();
    } else {
        m_watched = QImage();
    }
}

void History::noticeUnrecordedWrites(const Bitmap& bitmap) {
    if (m_watched.isNull())
        return;
    // While watched, a write through the bitmap's storage detaches it from m_watched, which
    // keeps the pixels as they were: those become a whole-bitmap record, without a copy.
    if (bitmap.image().constBits() != m_watched.constBits() || bitmap.format() != m_watchedFormat)
        keepWhole(Bitmap(m_watched, m_watchedFormat));
    m_watched = QImage();
}

bool History::makeWritable(Bitmap& bitmap) {
    QImage& image = bitmap.image();
    if (image.isNull() || image.isDetached())
        return true;
    QImage own = image.copy();
    if (own.isNull())
        return false;
    image = std::move(own);
    return true;
}

} // namespace vantrel
