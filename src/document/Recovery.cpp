#include "document/Recovery.h"

#include "document/CVantrelDoc.h"
#include "imaging/ImageFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSettings>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <limits>
#include <map>
#include <unistd.h>

namespace vantrel {

namespace {

const QString kPictureSuffix = QStringLiteral(".png");
const QString kRecordSuffix = QStringLiteral(".json");

QString readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.read(4096)).trimmed();
}

// Field 3 (state) and 22 (start time) of /proc/<pid>/stat; the name in field 2 may hold
// blanks and parentheses, so fields are counted from its closing parenthesis.
bool readProcessStat(qint64 pid, QString& state, QString& startTime) {
    const QString stat = readSmallFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype nameEnd = stat.lastIndexOf(QLatin1Char(')'));
    if (nameEnd < 0)
        return false;
    const QStringList fields = stat.mid(nameEnd + 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (fields.size() < 20)
        return false;
    state = fields.at(0);
    startTime = fields.at(19);
    return true;
}

bool isPictureFormat(qint64 code) {
    for (PixelFormat f : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                          PixelFormat::RGB24, PixelFormat::ARGB32, PixelFormat::PARGB32})
        if (code == qint64(f))
            return true;
    return false;
}

// The picture the file holds: premultiplied pixels are written as they are stored, labelled
// straight, so that they come back bit for bit.
QImage fileImage(const Bitmap& bitmap) {
    const QImage& image = bitmap.image();
    if (bitmap.format() != PixelFormat::PARGB32)
        return image;
    return QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                  QImage::Format_ARGB32);
}

// Fills `r` from the record file at `path`; false when it cannot be read or lacks a field.
bool readRecord(const QString& path, RecoveryRecord& r) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(file.read(1 << 20)).object();
    const auto field = [&o](const char* name) { return o.value(QLatin1String(name)); };
    const QSize size(field("width").toInt(), field("height").toInt());
    if (!field("pid").isDouble() || !isPictureFormat(field("format").toInteger()) || size.isEmpty())
        return false;
    r.path = field("path").toString();
    r.title = field("title").toString();
    r.format = PixelFormat(field("format").toInteger());
    r.size = size;
    r.palette.clear();
    for (const QJsonValue& c : field("palette").toArray())
        r.palette.append(QRgb(c.toInteger()));
    r.writer = {field("pid").toInteger(), field("processStart").toString(),
                field("bootId").toString()};
    r.written = QDateTime::fromString(field("written").toString(), Qt::ISODateWithMs);
    return true;
}

// Gives the snapshot pixels of its own, composed as a save composes them, so that the
// document's pixels are shared for the time of a copy rather than of the encoding: a write
// to a shared picture copies it on the user-interface thread. Left shared when memory runs
// out.
void takeOwnPixels(RecoverySnapshot& snapshot) {
    const Bitmap picture(snapshot.picture, snapshot.format);
    const std::unique_ptr<Bitmap> own =
        snapshot.floating.isNull()
            ? picture.clone()
            : CVantrelDoc::composeFloating(
                  picture, Bitmap(snapshot.floating, snapshot.floatingFormat), snapshot.floatingAt);
    if (!own)
        return;
    snapshot.picture = std::move(own->image());
    snapshot.floating = QImage();
}

} // namespace

int recoveryIntervalSeconds(const QSettings& settings) {
    bool ok = false;
    const int seconds = settings.value(kRecoveryIntervalKey).toInt(&ok);
    return ok && seconds >= 0 ? seconds : kDefaultRecoveryIntervalSeconds;
}

ProcessIdentity ProcessIdentity::current() {
    ProcessIdentity self = of(qint64(::getpid()));
    self.pid = qint64(::getpid()); // even without /proc
    return self;
}

ProcessIdentity ProcessIdentity::of(qint64 pid) {
    QString state;
    QString startTime;
    if (pid <= 0 || !readProcessStat(pid, state, startTime))
        return {};
    return {pid, startTime, readSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id"))};
}

bool ProcessIdentity::isRunning() const {
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // EPERM: the process exists but belongs to someone else.
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    QString state;
    QString nowStarted;
    if (!readProcessStat(pid, state, nowStarted))
        return true; // no /proc: the id alone has to do
    if (state == QLatin1String("Z") || state == QLatin1String("X"))
        return false;
    if (!startTime.isEmpty() && startTime != nowStarted)
        return false; // the id was given to a later process
    if (!bootId.isEmpty()) {
        const QString nowBoot = readSmallFile(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        if (!nowBoot.isEmpty() && nowBoot != bootId)
            return false;
    }
    return true;
}

RecoveryStore::RecoveryStore(QString folder, ProcessIdentity self)
    : m_folder(std::move(folder)), m_self(std::move(self)) {}

QString RecoveryStore::defaultFolder() {
    // Qt 6.4 has no state location of its own.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/vantrel/recovery");
}

QString RecoveryStore::newId() {
    return QStringLiteral("%1-%2-%3")
        .arg(m_self.pid)
        .arg(m_self.startTime.isEmpty() ? QStringLiteral("0") : m_self.startTime)
        .arg(m_nextNumber++);
}

QString RecoveryStore::picturePath(const QString& id) const {
    return m_folder + QLatin1Char('/') + id + kPictureSuffix;
}

QString RecoveryStore::recordPath(const QString& id) const {
    return m_folder + QLatin1Char('/') + id + kRecordSuffix;
}

QString RecoveryStore::write(const RecoverySnapshot& snapshot) const {
    if (snapshot.picture.isNull())
        return QStringLiteral("nothing to write");
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("cannot make the folder %1").arg(m_folder);
    const Bitmap picture(snapshot.picture, snapshot.format);
    std::unique_ptr<Bitmap> composed;
    if (!snapshot.floating.isNull()) {
        composed = CVantrelDoc::composeFloating(
            picture, Bitmap(snapshot.floating, snapshot.floatingFormat), snapshot.floatingAt);
        if (!composed)
            return QCoreApplication::translate("vantrel::RecoveryStore", "not enough memory");
    }
    const Bitmap& shown = composed ? *composed : picture;

    QSaveFile pictureFile(picturePath(snapshot.id));
    if (!pictureFile.open(QIODevice::WriteOnly))
        return pictureFile.errorString();
    QImageWriter writer(&pictureFile, "png");
    writer.setCompression(1); // fast: the copy is written often and read once
    if (!writer.write(fileImage(shown)))
        return writer.errorString();
    if (!pictureFile.commit())
        return pictureFile.errorString();

    QJsonObject record;
    record[QStringLiteral("path")] = snapshot.path;
    record[QStringLiteral("title")] = snapshot.title;
    record[QStringLiteral("format")] = qint64(snapshot.format);
    record[QStringLiteral("width")] = shown.width();
    record[QStringLiteral("height")] = shown.height();
    if (isIndexed(snapshot.format)) {
        QJsonArray palette;
        for (QRgb c : shown.image().colorTable())
            palette.append(qint64(c));
        record[QStringLiteral("palette")] = palette;
    }
    record[QStringLiteral("pid")] = m_self.pid;
    record[QStringLiteral("processStart")] = m_self.startTime;
    record[QStringLiteral("bootId")] = m_self.bootId;
    record[QStringLiteral("written")] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    QSaveFile recordFile(recordPath(snapshot.id));
    if (!recordFile.open(QIODevice::WriteOnly) ||
        recordFile.write(QJsonDocument(record).toJson()) < 0 || !recordFile.commit())
        return recordFile.errorString();
    return {};
}

std::vector<RecoveryRecord> RecoveryStore::abandoned() const {
    // Every id with a picture or a record; a picture alone was being written when its writer
    // stopped.
    std::map<QString, bool> ids; // id -> has a record
    const QFileInfoList files = QDir(m_folder).entryInfoList(
        {QLatin1Char('*') + kPictureSuffix, QLatin1Char('*') + kRecordSuffix}, QDir::Files);
    for (const QFileInfo& f : files) {
        const QString id = f.completeBaseName();
        ids[id] = ids[id] || f.fileName().endsWith(kRecordSuffix);
    }

    std::vector<RecoveryRecord> found;
    for (const auto& [id, hasRecord] : ids) {
        RecoveryRecord r;
        r.id = id;
        // The writer as the id names it ("pid-start-n"), for copies without a usable record.
        const QStringList parts = id.split(QLatin1Char('-'));
        r.writer.pid = parts.value(0).toLongLong();
        r.writer.startTime = parts.value(1) == QLatin1String("0") ? QString() : parts.value(1);
        r.title = id;
        const bool recordOk = hasRecord && readRecord(recordPath(id), r);
        if (r.writer.isRunning())
            continue;
        if (!hasRecord)
            r.damage = QCoreApplication::translate("vantrel::RecoveryStore",
                                                   "it was not written completely");
        else if (!recordOk)
            r.damage =
                QCoreApplication::translate("vantrel::RecoveryStore", "its record is damaged");
        else if (!QFileInfo::exists(picturePath(id)))
            r.damage =
                QCoreApplication::translate("vantrel::RecoveryStore", "its picture is missing");
        found.push_back(std::move(r));
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const RecoveryRecord& a, const RecoveryRecord& b) { return a.written < b.written; });
    return found;
}

RestoredPicture RecoveryStore::read(const RecoveryRecord& record) const {
    const auto failed = [&](const QString& why) {
        return RestoredPicture{nullptr, QStringLiteral("%1: %2").arg(record.title, why)};
    };
    QImageReader::setAllocationLimit(int(MaxDecodedBytes >> 20));
    QImageReader reader(picturePath(record.id), "png");
    QImage image;
    if (!reader.read(&image))
        return failed(reader.errorString());
    if (image.size() != record.size)
        return failed(QCoreApplication::translate("vantrel::RecoveryStore",
                                                  "the picture does not match its record"));

    const QImage::Format storage = storageFormat(record.format);
    if (record.format == PixelFormat::PARGB32) {
        if (image.format() != QImage::Format_ARGB32 ||
            !image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied))
            return failed(QCoreApplication::translate("vantrel::RecoveryStore",
                                                      "the picture has the wrong pixel format"));
    } else if (isIndexed(record.format)) {
        const QList<QRgb>& colours = record.palette;
        // Indices are kept when the file kept the palette; otherwise (a grey palette may be
        // written as grey levels) each pixel takes its colour's entry.
        if (image.colorTable() == colours && image.format() != storage)
            image.convertTo(storage);
        else if (image.colorTable() != colours)
            image = image.convertToFormat(storage, colours);
    } else if (image.format() != storage) {
        image.convertTo(storage);
    }
    if (image.isNull() || image.format() != storage)
        return failed(QCoreApplication::translate("vantrel::RecoveryStore", "not enough memory"));
    return {std::make_unique<Bitmap>(std::move(image), record.format), {}};
}

void RecoveryStore::remove(const QString& id) const {
    // The record first: a picture without one is never offered.
    QFile::remove(recordPath(id));
    QFile::remove(picturePath(id));
}

RecoveryWriter::RecoveryWriter(RecoveryStore store)
    : m_store(std::move(store)), m_thread([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void RecoveryWriter::write(RecoverySnapshot snapshot) {
    {
        const std::lock_guard lock(m_mutex);
        auto waiting = std::find_if(m_jobs.begin(), m_jobs.end(), [&](const Job& j) {
            return j.id == snapshot.id && j.snapshot;
        });
        // Replaced only when nothing queued after it (a removal) would then come first.
        if (waiting != m_jobs.end() && waiting + 1 == m_jobs.end()) {
            *waiting->snapshot = std::move(snapshot);
        } else {
            QString id = snapshot.id;
            m_jobs.push_back(
                {std::move(id), std::make_unique<RecoverySnapshot>(std::move(snapshot))});
        }
    }
    m_wake.notify_one();
}

void RecoveryWriter::remove(QString id) {
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back({std::move(id), nullptr});
    }
    m_wake.notify_one();
}

void RecoveryWriter::finish() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void RecoveryWriter::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, with everything done
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        if (job.snapshot) {
            takeOwnPixels(*job.snapshot);
            const QString error = m_store.write(*job.snapshot);
            if (!error.isEmpty())
                qWarning("vantrel: could not write the recovery copy of %s: %s",
                         qPrintable(job.snapshot->title), qPrintable(error));
        } else {
            m_store.remove(job.id);
        }
        job.snapshot.reset(); // freed outside the lock
        lock.lock();
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

} // namespace vantrel
