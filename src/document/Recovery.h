#pragma once

#include "imaging/Bitmap.h"

#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QSettings;

namespace vantrel {

// How often modified documents are copied for recovery, in seconds; 0 turns it off.
inline const QString kRecoveryIntervalKey = QStringLiteral("Recovery/Interval Seconds");
inline constexpr int kDefaultRecoveryIntervalSeconds = 60;
// The stored interval when it is a whole number of 0 or more (as a number or as text), else the
// default.
int recoveryIntervalSeconds(const QSettings& settings);

// A process as the kernel knows it: its id, when it started and in which boot. The start time
// and boot tell a process that still runs from a later one that was given the same id.
struct ProcessIdentity {
    qint64 pid = 0;
    QString startTime; // clock ticks after boot (/proc/<pid>/stat); empty when unknown
    QString bootId;    // /proc/sys/kernel/random/boot_id; empty when unknown

    static ProcessIdentity current();
    // The process that has `pid` now; a null identity (pid 0) when none has.
    static ProcessIdentity of(qint64 pid);
    // Whether this very process still runs (a zombie does not).
    bool isRunning() const;
};

// What one document shows at a moment, taken on the user-interface thread without copying
// pixels: the images share the document's storage, which detaches on its next write, so the
// copies can be read on another thread.
struct RecoverySnapshot {
    QString id; // names the copy's files; one per document in this process
    QImage picture;
    PixelFormat format = PixelFormat::ARGB32;
    QImage floating; // null without a floating selection
    PixelFormat floatingFormat = PixelFormat::ARGB32;
    QPoint floatingAt;
    QString path; // the document's file; empty for one never saved
    QString title;
};

// The small record written beside each recovery picture.
struct RecoveryRecord {
    QString id;
    QString path;
    QString title;
    PixelFormat format = PixelFormat::ARGB32;
    QSize size;
    QList<QRgb> palette; // of an indexed picture
    ProcessIdentity writer;
    QDateTime written;
    QString damage; // why the copy cannot be restored; empty when it looks whole
};

struct RestoredPicture {
    std::unique_ptr<Bitmap> bitmap; // null when the picture could not be read
    QString error;
};

// The recovery folder: a lossless picture (PNG, fast compression) and a record per document,
// each replaced atomically, the record after the picture. Reading and writing keep no state,
// so writes may run on a worker thread while the user-interface thread lists or removes.
class RecoveryStore {
public:
    explicit RecoveryStore(QString folder, ProcessIdentity self = ProcessIdentity::current());

    // $XDG_STATE_HOME/vantrel/recovery, ~/.local/state/vantrel/recovery by default.
    static QString defaultFolder();

    const QString& folder() const { return m_folder; }
    const ProcessIdentity& self() const { return m_self; }
    // A file name for the copies of a new document of this process.
    QString newId();

    // Writes the picture the snapshot shows (its floating selection composed as a save does),
    // then the record. Empty on success, else why it failed.
    QString write(const RecoverySnapshot& snapshot) const;
    // Copies whose writer no longer runs, oldest first; those that cannot be restored carry a
    // damage text. Copies of running editors, this one included, are left out.
    std::vector<RecoveryRecord> abandoned() const;
    // The picture of a copy, in the document's pixel format.
    RestoredPicture read(const RecoveryRecord& record) const;
    void remove(const QString& id) const;

private:
    QString picturePath(const QString& id) const;
    QString recordPath(const QString& id) const;

    QString m_folder;
    ProcessIdentity m_self;
    int m_nextNumber = 1;
};

// Runs a store's writes and removals on a thread of its own, in the order they were asked for.
// A write still waiting is replaced by a newer one of the same document.
class RecoveryWriter {
public:
    explicit RecoveryWriter(RecoveryStore store);
    // Finishes what was asked for, then ends the thread.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    void write(RecoverySnapshot snapshot);
    void remove(QString id);
    // Waits until everything asked for so far is done.
    void finish();

private:
    struct Job {
        QString id;
        std::unique_ptr<RecoverySnapshot> snapshot; // null: remove the copy
    };
    void run();

    RecoveryStore m_store;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread; // last: starts once the members above exist
};

} // namespace vantrel
