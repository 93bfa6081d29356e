#include "acquisition/SaneScanner.h"

#include "imaging/ImageFile.h"

#include <QHash>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <thread>
#include <vector>

namespace vantrel {

namespace {

// SANE status -> library code, and the condition reported with it. UNSUPPORTED is reported
// through the condition ("Unknown capability requested"); a user's cancel is no failure of the
// source (condition 0); busy and out-of-memory have conditions of their own, everything else is
// "unknown causes". A device that cannot be opened gives -56 (condition 3, or 4 when busy); a
// status missing here counts as IO_ERROR.
struct StatusCode {
    SANE_Status status;
    int code;
    int condition;
};
// clang-format off
constexpr StatusCode StatusCodes[] = {
    {SANE_STATUS_GOOD,             0,  0},
    {SANE_STATUS_UNSUPPORTED,    -57,  6},
    {SANE_STATUS_CANCELLED,      -60,  0},
    {SANE_STATUS_DEVICE_BUSY,    -61,  4},
    {SANE_STATUS_INVAL,           -5, 10},
    {SANE_STATUS_EOF,            -33,  1}, // only when a frame brought no data at all
    {SANE_STATUS_JAMMED,         -45,  1},
    {SANE_STATUS_NO_DOCS,        -47,  1},
    {SANE_STATUS_COVER_OPEN,     -46,  1},
    {SANE_STATUS_IO_ERROR,       -19,  1},
    {SANE_STATUS_NO_MEM,         -14,  2},
    {SANE_STATUS_ACCESS_DENIED,  -56,  1},
};
// clang-format on

constexpr int CancelledCode = -60;
constexpr int OpenFailedCode = -56; // the device is missing or refuses to open
constexpr int UnknownCapability = 6;

// sane_init/sane_exit are process-wide: the first user initialises, the last one exits.
struct SaneLibrary {
    std::mutex mutex;
    int users = 0;
};

SaneLibrary& saneLibrary() {
    static SaneLibrary library;
    return library;
}

// One frame as the device sent it.
struct Frame {
    SANE_Parameters params;
    QByteArray data;
    int rows() const {
        const int complete = params.bytes_per_line > 0 ? data.size() / params.bytes_per_line : 0;
        return params.lines >= 0 ? std::min(params.lines, complete) : complete;
    }
};

// Sample `i` of a line, scaled to 8 bits: 16-bit samples are native-endian.
uchar sample8(const uchar* line, int depth, int i) {
    switch (depth) {
    case 16: {
        quint16 v;
        std::memcpy(&v, line + 2 * i, 2);
        return uchar(v >> 8);
    }
    case 1:
        return (line[i >> 3] >> (7 - (i & 7))) & 1 ? 255 : 0;
    default:
        return line[i];
    }
}

bool supportedDepth(int depth) {
    return depth == 1 || depth == 8 || depth == 16;
}

} // namespace

struct SaneScanner::State {
    bool holdsLibrary = false;
    SANE_Handle handle = nullptr;
    QString selected;
    QString opened;
    QHash<QString, QString> descriptions;
    bool wantColour = false;
    int condition = 0;
    QImage image;
    std::atomic<bool> cancelRequested{false};
    std::atomic<int> progress{0};

    int fail(int code, int cond) {
        condition = cond;
        return code;
    }
    int failStatus(SANE_Status status) {
        for (const StatusCode& s : StatusCodes)
            if (s.status == status)
                return fail(s.code, s.condition);
        return fail(-19, 1);
    }

    bool useLibrary() {
        if (holdsLibrary)
            return true;
        SaneLibrary& lib = saneLibrary();
        std::lock_guard lock(lib.mutex);
        if (lib.users == 0) {
            // Back ends hand data over through pipes whose reading end a cancel closes; the
            // writer must get EPIPE, not a signal that ends the whole program.
            std::signal(SIGPIPE, SIG_IGN);
            SANE_Int version = 0;
            if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
                return false;
        }
        ++lib.users;
        holdsLibrary = true;
        return true;
    }

    void close() {
        if (handle)
            sane_close(handle);
        handle = nullptr;
        opened.clear();
    }

    int open() {
        if (!useLibrary())
            return fail(-55, -55);
        if (handle)
            return 0;
        const QByteArray name = selected.toUtf8();
        const SANE_Status status =
            selected.isEmpty() ? SANE_STATUS_INVAL : sane_open(name.constData(), &handle);
        if (status != SANE_STATUS_GOOD) {
            handle = nullptr;
            return fail(OpenFailedCode, status == SANE_STATUS_DEVICE_BUSY ? 4 : 3);
        }
        opened = selected;
        return 0;
    }

    struct Option {
        SANE_Int index;
        const SANE_Option_Descriptor* desc;
    };
    std::optional<Option> findOption(const char* name) const {
        SANE_Int count = 0;
        if (sane_control_option(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) !=
            SANE_STATUS_GOOD)
            return std::nullopt;
        for (SANE_Int i = 1; i < count; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle, i);
            if (d && d->name && std::strcmp(d->name, name) == 0)
                return Option{i, d};
        }
        return std::nullopt;
    }

    SANE_Status setValue(const Option& o, void* value) {
        SANE_Int info = 0;
        return sane_control_option(handle, o.index, SANE_ACTION_SET_VALUE, value, &info);
    }

    // The largest value an option allows, in its own unit (fixed-point unscaled).
    static std::optional<double> maximum(const SANE_Option_Descriptor* d) {
        double best;
        if (d->constraint_type == SANE_CONSTRAINT_RANGE)
            best = d->constraint.range->max;
        else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list[0] > 0)
            best = *std::max_element(d->constraint.word_list + 1,
                                     d->constraint.word_list + 1 + d->constraint.word_list[0]);
        else
            return std::nullopt;
        return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(best) : best;
    }

    // Switches to the device's colour mode when asked for and offered.
    int applyColour() {
        if (!wantColour)
            return 0;
        const auto mode = findOption(SANE_NAME_SCAN_MODE);
        if (!mode || mode->desc->type != SANE_TYPE_STRING ||
            mode->desc->constraint_type != SANE_CONSTRAINT_STRING_LIST ||
            !SANE_OPTION_IS_SETTABLE(mode->desc->cap) || !SANE_OPTION_IS_ACTIVE(mode->desc->cap))
            return 0;
        for (const SANE_String_Const* s = mode->desc->constraint.string_list; *s; ++s) {
            if (std::strcmp(*s, SANE_VALUE_SCAN_MODE_COLOR) == 0) {
                QByteArray value(std::max<int>(mode->desc->size, 8), '\0');
                std::strcpy(value.data(), SANE_VALUE_SCAN_MODE_COLOR);
                const SANE_Status status = setValue(*mode, value.data());
                return status == SANE_STATUS_GOOD ? 0 : failStatus(status);
            }
        }
        return 0;
    }

    // Ends a cycle that failed. Some back ends (SANE's test scanner) tear down their reader
    // thread unsafely when sane_cancel comes before it has delivered anything, and then hang;
    // a failure on the very first read therefore gives the reader a moment first.
    void endCycle(bool dataSeen) {
        if (!dataSeen)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sane_cancel(handle);
    }

    int acquire() {
        const int code = scanFrames();
        cancelRequested = false;
        return code;
    }

    // The whole acquisition cycle: every frame read to its end, then sane_cancel.
    int scanFrames() {
        image = QImage();
        progress = 0;
        if (const int code = open())
            return code;
        if (cancelRequested)
            return fail(CancelledCode, 0);
        if (const int code = applyColour())
            return code;

        std::vector<Frame> frames;
        std::vector<char> buffer(64 * 1024);
        qint64 done = 0;
        for (;;) {
            Frame frame{};
            SANE_Status status = sane_start(handle);
            if (status == SANE_STATUS_GOOD)
                status = sane_get_parameters(handle, &frame.params);
            if (status != SANE_STATUS_GOOD) {
                sane_cancel(handle);
                return failStatus(status);
            }
            const SANE_Parameters& p = frame.params;
            const bool separate = p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN ||
                                  p.format == SANE_FRAME_BLUE;
            const qint64 expected =
                p.lines < 0 ? -1 : qint64(p.bytes_per_line) * p.lines * (separate ? 3 : 1);
            if (expected > 0)
                frame.data.reserve(qsizetype(qint64(p.bytes_per_line) * p.lines));
            for (;;) {
                SANE_Int length = 0;
                status = sane_read(handle, reinterpret_cast<SANE_Byte*>(buffer.data()),
                                   SANE_Int(buffer.size()), &length);
                if (length > 0) {
                    frame.data.append(buffer.data(), length);
                    done += length;
                    progress =
                        expected < 0 ? -1 : int(std::min<qint64>(100, done * 100 / expected));
                }
                if (status == SANE_STATUS_EOF)
                    break;
                if (status != SANE_STATUS_GOOD) {
                    endCycle(done > 0);
                    return failStatus(status);
                }
                // Checked only after a buffer came: cancelling straight after sane_start can
                // hang some back ends. After sane_cancel the back end ends with CANCELLED.
                if (cancelRequested) {
                    sane_cancel(handle);
                    while (sane_read(handle, reinterpret_cast<SANE_Byte*>(buffer.data()),
                                     SANE_Int(buffer.size()), &length) == SANE_STATUS_GOOD) {
                    }
                    return fail(CancelledCode, 0);
                }
            }
            if (frame.data.isEmpty()) {
                endCycle(done > 0);
                return failStatus(SANE_STATUS_EOF);
            }
            const bool last = p.last_frame;
            frames.push_back(std::move(frame));
            if (last)
                break;
        }
        sane_cancel(handle);
        return buildImage(frames);
    }

    int buildImage(const std::vector<Frame>& frames) {
        for (const Frame& f : frames)
            if (!supportedDepth(f.params.depth))
                return fail(-26, 1);
        const Frame& first = frames.front();
        const int width = first.params.pixels_per_line;
        int height = first.rows();
        for (const Frame& f : frames)
            height = std::min(height, f.rows());
        if (width <= 0 || height <= 0) {
            image = QImage();
            return fail(0, 0);
        }
        const int depth = first.params.depth;
        const auto line = [](const Frame& f, int y) {
            return reinterpret_cast<const uchar*>(f.data.constData()) +
                   qsizetype(y) * f.params.bytes_per_line;
        };

        if (frames.size() == 1 && first.params.format == SANE_FRAME_GRAY && depth == 1) {
            // Line art: SANE's 1 is black, the editor's palette has black at 0.
            image = QImage(width, height, QImage::Format_Mono);
            image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            const int bytes = (width + 7) / 8;
            for (int y = 0; y < height; ++y) {
                uchar* out = image.scanLine(y);
                const uchar* in = line(first, y);
                for (int i = 0; i < bytes; ++i)
                    out[i] = uchar(~in[i]);
            }
        } else if (frames.size() == 1 && first.params.format == SANE_FRAME_GRAY) {
            image = QImage(width, height, QImage::Format_Grayscale8);
            for (int y = 0; y < height; ++y) {
                uchar* out = image.scanLine(y);
                for (int x = 0; x < width; ++x)
                    out[x] = sample8(line(first, y), depth, x);
            }
        } else if (frames.size() == 1 && first.params.format == SANE_FRAME_RGB) {
            image = QImage(width, height, QImage::Format_RGB888);
            for (int y = 0; y < height; ++y) {
                uchar* out = image.scanLine(y);
                for (int i = 0; i < width * 3; ++i)
                    out[i] = sample8(line(first, y), depth, i);
            }
        } else {
            // One frame per colour, in whatever order the device sent them.
            image = QImage(width, height, QImage::Format_RGB888);
            image.fill(Qt::black);
            for (const Frame& f : frames) {
                const int channel = f.params.format == SANE_FRAME_RED     ? 0
                                    : f.params.format == SANE_FRAME_GREEN ? 1
                                    : f.params.format == SANE_FRAME_BLUE  ? 2
                                                                          : -1;
                if (channel < 0 || f.params.pixels_per_line < width)
                    return fail(-26, 1);
                for (int y = 0; y < height; ++y) {
                    uchar* out = image.scanLine(y);
                    for (int x = 0; x < width; ++x)
                        out[3 * x + channel] = sample8(line(f, y), f.params.depth, x);
                }
            }
        }
        if (image.isNull())
            return fail(-14, 2);
        progress = 100;
        return fail(0, 0);
    }
};

SaneScanner::SaneScanner() : m_state(std::make_unique<State>()) {}

SaneScanner::~SaneScanner() {
    m_state->close();
    if (m_state->holdsLibrary) {
        SaneLibrary& lib = saneLibrary();
        std::lock_guard lock(lib.mutex);
        if (--lib.users == 0)
            sane_exit();
    }
}

int SaneScanner::sourceNames(QStringList& names) {
    names.clear();
    if (!m_state->useLibrary())
        return m_state->fail(-55, -55);
    const SANE_Device** devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        return m_state->failStatus(status);
    m_state->descriptions.clear();
    for (const SANE_Device** d = devices; d && *d; ++d) {
        const QString name = QString::fromUtf8((*d)->name);
        names.append(name);
        m_state->descriptions.insert(name,
                                     QStringLiteral("%1 %2").arg(QString::fromUtf8((*d)->vendor),
                                                                 QString::fromUtf8((*d)->model)));
    }
    return m_state->fail(0, 0);
}

QString SaneScanner::sourceDescription(const QString& name) {
    if (!m_state->descriptions.contains(name)) {
        QStringList names;
        sourceNames(names);
    }
    return m_state->descriptions.value(name);
}

void SaneScanner::selectSource(const QString& name) {
    if (name != m_state->opened)
        m_state->close();
    m_state->selected = name;
    m_state->cancelRequested = false;
}

int SaneScanner::setAcquisition(int capability, int value) {
    if (capability == 5 && value == 2) {
        m_state->wantColour = true;
        return m_state->fail(0, 0);
    }
    return m_state->fail(-5, 10);
}

int SaneScanner::physicalSize(qint32& width, qint32& height) {
    if (const int code = m_state->open())
        return code;
    // The area counts from 0, so the largest bottom-right corner is the size.
    std::optional<double> size[2];
    const char* names[2] = {SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
    for (int i = 0; i < 2; ++i) {
        const auto option = m_state->findOption(names[i]);
        if (option && SANE_OPTION_IS_ACTIVE(option->desc->cap))
            size[i] = State::maximum(option->desc);
    }
    // A device without an active geometry (a hand scanner) chooses its own area.
    if (!size[0] || !size[1])
        return m_state->fail(-57, UnknownCapability);
    width = qint32(std::lround(*size[0] * 1000));
    height = qint32(std::lround(*size[1] * 1000));
    return m_state->fail(0, 0);
}

int SaneScanner::acquireArea(const ScanArea& area) {
    if (const int code = m_state->open())
        return code;
    const std::pair<const char*, qint32> corners[] = {{SANE_NAME_SCAN_TL_X, area.left},
                                                      {SANE_NAME_SCAN_TL_Y, area.top},
                                                      {SANE_NAME_SCAN_BR_X, area.right},
                                                      {SANE_NAME_SCAN_BR_Y, area.bottom}};
    for (const auto& [name, thousandths] : corners) {
        const auto option = m_state->findOption(name);
        if (!option || !SANE_OPTION_IS_ACTIVE(option->desc->cap))
            continue;
        const double units = thousandths / 1000.0;
        SANE_Word word =
            option->desc->type == SANE_TYPE_FIXED ? SANE_FIX(units) : SANE_Word(std::lround(units));
        const SANE_Status status = m_state->setValue(*option, &word);
        if (status != SANE_STATUS_GOOD)
            return m_state->failStatus(status);
    }
    return m_state->acquire();
}

int SaneScanner::acquireDefault() {
    return m_state->acquire();
}

int SaneScanner::condition() {
    return m_state->condition;
}

QSize SaneScanner::imageSize() const {
    return m_state->image.size();
}

int SaneScanner::writeBmp(const QString& path) {
    const QImage& image = m_state->image;
    if (image.isNull())
        return m_state->fail(-42, 1);
    std::unique_ptr<Bitmap> bitmap;
    if (image.format() == QImage::Format_Mono) {
        bitmap = std::make_unique<Bitmap>(image, PixelFormat::Indexed1);
    } else if (image.format() == QImage::Format_Grayscale8) {
        // The same bytes as indices into a grey ramp.
        QImage indexed(image.size(), QImage::Format_Indexed8);
        QList<QRgb> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[i] = qRgb(i, i, i);
        indexed.setColorTable(greys);
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(indexed.scanLine(y), image.constScanLine(y), size_t(image.width()));
        bitmap = std::make_unique<Bitmap>(std::move(indexed), PixelFormat::Indexed8);
    } else {
        bitmap = std::make_unique<Bitmap>(image.convertToFormat(QImage::Format_RGB888),
                                          PixelFormat::RGB24);
    }
    const QString error = saveImageFile(*bitmap, path);
    if (error.isEmpty())
        return m_state->fail(0, 0);
    return m_state->fail(error.contains(qt_error_string(ENOSPC)) ? -3 : -10, 1);
}

void SaneScanner::release() {
    m_state->image = QImage();
}

void SaneScanner::cancel() {
    m_state->cancelRequested = true;
}

int SaneScanner::progressPercent() const {
    return m_state->progress;
}

int SaneScanner::setOption(const QString& name, const QString& value) {
    if (const int code = m_state->open())
        return code;
    const auto option = m_state->findOption(name.toUtf8().constData());
    if (!option)
        return m_state->fail(-57, UnknownCapability);
    const SANE_Option_Descriptor* d = option->desc;
    SANE_Status status = SANE_STATUS_INVAL;
    // One value only: options holding a list of words are left alone.
    bool ok = d->type == SANE_TYPE_STRING || d->type == SANE_TYPE_BUTTON ||
              d->size == SANE_Int(sizeof(SANE_Word));
    switch (d->type) {
    case SANE_TYPE_BOOL: {
        const QString v = value.toLower();
        SANE_Word word = v == u"yes" || v == u"true" || v == u"1";
        ok = ok && (word || v == u"no" || v == u"false" || v == u"0");
        if (ok)
            status = m_state->setValue(*option, &word);
        break;
    }
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED: {
        bool number_ok = false;
        const double number = value.toDouble(&number_ok);
        ok = ok && number_ok;
        SANE_Word word =
            d->type == SANE_TYPE_FIXED ? SANE_FIX(number) : SANE_Word(std::lround(number));
        if (ok)
            status = m_state->setValue(*option, &word);
        break;
    }
    case SANE_TYPE_STRING: {
        QByteArray text = value.toUtf8();
        ok = ok && text.size() < d->size;
        text.resize(std::max<qsizetype>(d->size, text.size() + 1), '\0');
        if (ok)
            status = m_state->setValue(*option, text.data());
        break;
    }
    case SANE_TYPE_BUTTON:
        status = m_state->setValue(*option, nullptr);
        break;
    default:
        ok = false;
        break;
    }
    if (!ok)
        return m_state->fail(-5, 10);
    return status == SANE_STATUS_GOOD ? m_state->fail(0, 0) : m_state->failStatus(status);
}

} // namespace vantrel
