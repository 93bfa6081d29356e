#pragma once

#include "imaging/Bitmap.h"

#include <QPoint>
#include <QRect>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <variant>
#include <vector>

namespace vantrel {

// A change of the whole document bitmap that can be undone from the operation alone (or, for a
// shift, from the strip it pushes off), without keeping the old pixels.
struct BitmapChange {
    enum class Kind { RotateFlip, InvertColours, Shift };
    Kind kind = Kind::InvertColours;
    RotateFlip how = RotateFlip::RotateNoneFlipNone;
    QPoint offset; // Shift: new (x, y) = old (x - dx, y - dy), uncovered pixels replaced

    static BitmapChange rotateFlip(RotateFlip how) { return {Kind::RotateFlip, how, {}}; }
    static BitmapChange invertColours() { return {Kind::InvertColours, {}, {}}; }
    static BitmapChange shift(int dx, int dy) { return {Kind::Shift, {}, {dx, dy}}; }

    // Whether undoing the change on a bitmap of `format` from the operation alone gives the
    // old pixels back exactly, when the change was made by the image operation of that name
    // (through a 32-bit copy for formats other than 32-bit ARGB).
    bool isExactFor(PixelFormat format) const;
};

// One undo step: what its changes replaced, as records in the order of the changes. Undo
// applies them in reverse and redo in order; each record exchanges what it holds with the
// bitmap, so after an undo the same record holds what redo puts back.
class HistoryEntry {
public:
    // Old bytes of the 64 x 64 tiles a change touched, row by row in the bitmap's own storage.
    struct Tiles {
        int width = 0, height = 0, depth = 0;              // the bitmap the tiles belong to
        std::unordered_map<int, std::vector<uchar>> tiles; // by tile number, row-major
    };
    // A whole bitmap (sharing its pixels with the bitmap it was taken from until either is
    // written).
    struct Whole {
        Bitmap bitmap;
    };
    // A change undone from the operation alone.
    struct Transform {
        BitmapChange change;
    };
    // A shift and the strip it pushed off.
    struct Shift {
        QPoint offset;
        std::vector<uchar> strip;
    };
    using Record = std::variant<Tiles, Whole, Transform, Shift>;

    // Which end a new record goes to: the back for an entry that may be undone next (changes
    // happen after everything it holds), the front for one that may be redone next (changes
    // happen before it would be replayed).
    enum class End { Back, Front };

    // A change about to be made to the bitmap while an entry is applied (to an area, of the
    // whole bitmap as an operation, or of the whole bitmap for another), told to the other
    // entries so that they keep what it replaces.
    struct Step {
        enum class Kind { Area, Change, Whole };
        Kind kind;
        QRect area;
        BitmapChange change;
    };
    using StepObserver = std::function<void(const Bitmap& before, const Step& step)>;

    qint64 bytes() const { return m_bytes; }
    bool isEmpty() const { return m_records.empty(); }
    // Only tiles of the bitmap as it is now: what changed can be copied back area by area.
    bool holdsTilesOnly() const;
    // The state before the entry's changes when the entry is that one whole bitmap alone,
    // else null.
    const Bitmap* onlyWhole() const;

    // Keeps what `area` of `bitmap` holds for every tile not kept yet. These throw
    // std::bad_alloc when memory runs out; what was kept before stays valid.
    void keepArea(const Bitmap& bitmap, const QRect& area, End end);
    // Keeps what the step about to be made to `bitmap` will replace.
    void keep(const Bitmap& bitmap, const Step& step, End end);
    // Keeps a record made by the caller.
    void keep(Record record, End end);

    // Undo (revert) and redo (replay) on `bitmap`; `observer` hears of each change first.
    // False when memory ran out part of the way (the bitmap is then in between).
    bool revert(Bitmap& bitmap, const StepObserver& observer);
    bool replay(Bitmap& bitmap, const StepObserver& observer);

    // Copies the kept pixels of `area` into `bitmap` without changing the entry (tiles only).
    void copyKeptArea(Bitmap& bitmap, const QRect& area) const;
    // The bitmap as it was before the entry's changes, made from `current` without changing
    // either; null when memory runs out.
    std::unique_ptr<Bitmap> stateBefore(const Bitmap& current) const;

private:
    bool apply(Record& record, Bitmap& bitmap, bool forward, const StepObserver& observer);
    void recount();

    std::vector<Record> m_records;
    qint64 m_bytes = 0;
};

// The undo and redo stacks of a document and its pending snapshot, all kept as entries that
// hold only what changed. Every change of the bitmap is reported here before it is made and
// kept by the entry on top of each stack and by the pending snapshot, so each of them can
// always bring back its state from the bitmap as it is. Steps beyond the memory budget are
// dropped oldest first; the most recent step always stays.
class History {
public:
    enum class Outcome {
        Done,
        NotApplicable, // nothing to apply, or (area restore) not possible by area
        OutOfMemory,   // nothing was changed
        HistoryLost,   // memory ran out part of the way: the history, no longer exact, is gone
    };

    void setBudget(qint64 bytes) { m_budget = bytes; }
    // Without steps (a batch run) nothing is kept for undo or redo; the pending snapshot still
    // works.
    void setKeepsSteps(bool keep);

    int undoCount() const { return int(m_undo.size()); }
    int redoCount() const { return int(m_redo.size()); }
    bool hasPending() const { return m_pending != nullptr; }
    // The memory the history holds: every entry's kept pixels.
    qint64 bytes() const;
    qint64 pendingBytes() const { return m_pending ? m_pending->bytes() : 0; }

    // A new step: the redo stack goes and an empty entry starts on the undo stack.
    void beginStep();
    void savePending();
    // The pending snapshot becomes the newest step; the redo stack goes. `bitmap` is left as
    // it is (it passes through the pending state and back).
    Outcome commitPending(Bitmap& bitmap);
    void clearSteps();
    // Drops the steps and the pending snapshot.
    void clear();

    // Reports a change about to be made to `bitmap`. False when memory ran out: the change
    // must not be made (whatever was kept is still valid).
    bool keepArea(const Bitmap& bitmap, const QRect& area);
    // Reports a change just made to the whole bitmap; `strip` (for a shift) is what it pushed
    // off, read by pushedOffStrip() before. False when memory ran out: the history could no
    // longer be exact and was emptied.
    bool keepChange(const BitmapChange& change, const std::vector<uchar>& strip = {});
    // Reports that the bitmap is about to be replaced as a whole; `old` shares its pixels.
    void keepWhole(const Bitmap& old);
    // The bytes a shift of `bitmap` by `offset` pushes off the edge.
    static std::vector<uchar> pushedOffStrip(const Bitmap& bitmap, QPoint offset);

    // Undo and redo of the top entry.
    Outcome undo(Bitmap& bitmap);
    Outcome redo(Bitmap& bitmap);
    // Brings the bitmap back to the pending snapshot's state; it stays pending. When that
    // state is one whole bitmap of the same size and format, its pixels are copied into the
    // bitmap's own memory: a preview restoring again and again allocates nothing.
    Outcome restorePending(Bitmap& bitmap);
    // Brings `area` back to the pending state at the cost of the area alone: possible when the
    // pending snapshot holds tiles only, of a bitmap with 8 or more bits per pixel.
    Outcome restorePendingArea(Bitmap& bitmap, const QRect& area);
    // The pending snapshot's state as a bitmap of its own; null when memory runs out.
    std::unique_ptr<Bitmap> pendingState(const Bitmap& current) const;

    // Writes made to the bitmap behind the history's back: watch() remembers the pixels after a
    // reported change without copying them; noticeUnrecordedWrites() keeps them as a whole
    // bitmap when the bitmap has been written since.
    void watch(const Bitmap& bitmap);
    void noticeUnrecordedWrites(const Bitmap& bitmap);

    // Gives `bitmap` pixels of its own (copying when they are shared); false when memory runs out.
    static bool makeWritable(Bitmap& bitmap);

private:
    struct Target {
        HistoryEntry* entry;
        HistoryEntry::End end;
    };
    // The entries that keep changes: the tops of both stacks and the pending snapshot.
    std::vector<Target> recorders() const;
    // Only the tops of the stacks change size; the bytes of the entries below are summed as
    // they leave or join the top.
    void pushUndo(std::unique_ptr<HistoryEntry> entry);
    void pushRedo(std::unique_ptr<HistoryEntry> entry);
    std::unique_ptr<HistoryEntry> popUndo();
    std::unique_ptr<HistoryEntry> popRedo();
    void keepStep(const std::vector<Target>& targets, const Bitmap& before,
                  const HistoryEntry::Step& step);
    Outcome applyTop(Bitmap& bitmap, bool forward);
    void clearRedo();
    void trim();
    void loseEverything();

    std::deque<std::unique_ptr<HistoryEntry>> m_undo;  // oldest first
    std::vector<std::unique_ptr<HistoryEntry>> m_redo; // next to redo last
    std::unique_ptr<HistoryEntry> m_pending;
    qint64 m_belowTops = 0; // bytes of the entries under the tops of both stacks
    qint64 m_budget = qint64(4096) * 1024 * 1024;
    bool m_keepsSteps = true;
    QImage m_watched; // shares the bitmap's pixels while anything is kept
    PixelFormat m_watchedFormat = PixelFormat::ARGB32;
};

} // namespace vantrel
