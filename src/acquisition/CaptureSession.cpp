#include "acquisition/CaptureSession.h"

#include "acquisition/CameraDevices.h"

#include <algorithm>
#include <chrono>
#include <gst/gst.h>
#include <gst/video/colorbalance.h>
#include <limits>
#include <numeric>
#include <optional>

namespace vantrel {

namespace {

using namespace std::chrono_literals;

// How long start() waits for the pipeline to run and its format to be fixed.
constexpr auto StartTimeout = 5s;
constexpr qint64 UnitsPerSecond = 10'000'000; // 100 ns units

struct CapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPtr = std::unique_ptr<GError, ErrorFree>;
struct MessageUnref {
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};
using MessagePtr = std::unique_ptr<GstMessage, MessageUnref>;
template <typename T> using ObjectPtr = std::unique_ptr<T, GstObjectUnref>;

// Takes over a newly made element's floating reference; null stays null.
GstElementPtr adopt(GstElement* element) {
    return GstElementPtr(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

qint64 durationOf(int numerator, int denominator) {
    if (numerator <= 0)
        return 0;
    return (UnitsPerSecond * denominator + numerator / 2) / numerator;
}

// Whether `field` (a single value, a list or a range) admits `value`.
bool admits(const GValue* field, const GValue* value) {
    return field && gst_value_can_intersect(field, value);
}
bool admitsInt(const GValue* field, int v) {
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_INT);
    g_value_set_int(&value, v);
    return admits(field, &value);
}
bool admitsRate(const GValue* field, int numerator, int denominator) {
    GValue value = G_VALUE_INIT;
    g_value_init(&value, GST_TYPE_FRACTION);
    gst_value_set_fraction(&value, numerator, denominator);
    const bool result = admits(field, &value);
    g_value_unset(&value);
    return result;
}

// The values of a single or list field of `type`; nullopt for a range or anything else.
std::optional<QList<const GValue*>> discrete(const GValue* field, GType type) {
    if (!field)
        return std::nullopt;
    if (G_VALUE_TYPE(field) == type)
        return QList<const GValue*>{field};
    if (!GST_VALUE_HOLDS_LIST(field))
        return std::nullopt;
    QList<const GValue*> values;
    for (guint i = 0; i < gst_value_list_get_size(field); ++i) {
        const GValue* v = gst_value_list_get_value(field, i);
        if (G_VALUE_TYPE(v) == type)
            values.append(v);
    }
    return values;
}

QList<QSize> sizesOf(const GstStructure* s) {
    const GValue* width = gst_structure_get_value(s, "width");
    const GValue* height = gst_structure_get_value(s, "height");
    QList<QSize> sizes;
    const auto widths = discrete(width, G_TYPE_INT);
    const auto heights = discrete(height, G_TYPE_INT);
    if (widths && heights) {
        for (const GValue* w : *widths)
            for (const GValue* h : *heights)
                sizes.append(QSize(g_value_get_int(w), g_value_get_int(h)));
        return sizes;
    }
    // A range: the common sizes it admits.
    static constexpr QSize common[] = {
        {1920, 1080}, {1280, 720}, {640, 480}, {320, 240}, {160, 120}};
    for (const QSize& size : common)
        if (admitsInt(width, size.width()) && admitsInt(height, size.height()))
            sizes.append(size);
    return sizes;
}

struct Rate {
    int numerator = 0;
    int denominator = 1;
};

QList<Rate> ratesOf(const GstStructure* s) {
    const GValue* field = gst_structure_get_value(s, "framerate");
    if (!field)
        return {Rate{}};
    QList<Rate> rates;
    if (const auto values = discrete(field, GST_TYPE_FRACTION)) {
        for (const GValue* v : *values)
            rates.append(
                {gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)});
        return rates;
    }
    for (int fps : {60, 30, 25, 15, 10, 5})
        if (admitsRate(field, fps, 1))
            rates.append({fps, 1});
    if (rates.isEmpty() && GST_VALUE_HOLDS_FRACTION_RANGE(field)) {
        const GValue* max = gst_value_get_fraction_range_max(field);
        rates.append(
            {gst_value_get_fraction_numerator(max), gst_value_get_fraction_denominator(max)});
    }
    return rates;
}

QList<CaptureFormat> formatsOf(const GstCaps* caps) {
    QList<CaptureFormat> formats;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        if (!gst_structure_has_name(s, "video/x-raw"))
            continue;
        for (const QSize& size : sizesOf(s)) {
            for (const Rate& rate : ratesOf(s)) {
                const CaptureFormat format{size.width(), size.height(), rate.numerator,
                                           rate.denominator,
                                           durationOf(rate.numerator, rate.denominator)};
                if (!formats.contains(format))
                    formats.append(format);
            }
        }
    }
    return formats;
}

// The frame rate meant by a duration in 100 ns units: a rate the device lists or a whole
// (or NTSC-style /1001) rate that rounds to the same duration, else the exact fraction.
std::optional<Rate> rateForDuration(qint64 duration, const QList<CaptureFormat>& offered) {
    if (duration <= 0 || duration > std::numeric_limits<int>::max())
        return std::nullopt;
    const auto close = [duration](int n, int d) {
        return n > 0 && qAbs(durationOf(n, d) - duration) <= 1;
    };
    for (const CaptureFormat& format : offered)
        if (close(format.rateNumerator, format.rateDenominator))
            return Rate{format.rateNumerator, format.rateDenominator};
    const int whole = int((UnitsPerSecond + duration / 2) / duration);
    if (close(whole, 1))
        return Rate{whole, 1};
    const int ntsc = int((UnitsPerSecond * 1001 + duration * 500) / (duration * 1000)) * 1000;
    if (close(ntsc, 1001))
        return Rate{ntsc, 1001};
    const qint64 gcd = std::gcd(UnitsPerSecond, duration);
    return Rate{int(UnitsPerSecond / gcd), int(duration / gcd)};
}

// What the device offers of `settings`, as caps for the filter after the source: size and
// rate together, else the size alone, else the rate alone; null when nothing applies.
CapsPtr wantedCaps(const CaptureSettings& settings, const GstCaps* offered,
                   const QList<CaptureFormat>& formats) {
    const bool size = settings.width > 0 && settings.height > 0;
    const std::optional<Rate> rate = rateForDuration(settings.frameDuration100ns, formats);
    const auto make = [&](bool withSize, bool withRate) {
        CapsPtr caps(gst_caps_new_empty_simple("video/x-raw"));
        if (withSize)
            gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, settings.width, "height",
                                G_TYPE_INT, settings.height, nullptr);
        if (withRate)
            gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, rate->numerator,
                                rate->denominator, nullptr);
        return caps;
    };
    const std::pair<bool, bool> tries[] = {{true, true}, {true, false}, {false, true}};
    for (const auto& [withSize, withRate] : tries) {
        if ((withSize && !size) || (withRate && !rate))
            continue;
        CapsPtr caps = make(withSize, withRate);
        if (gst_caps_can_intersect(caps.get(), offered))
            return caps;
    }
    return nullptr;
}

// The source's picture controls: the source itself, or an element inside a source bin.
GstElementPtr colorBalanceOf(GstElement* source) {
    if (!source)
        return nullptr;
    if (GST_IS_COLOR_BALANCE(source))
        return GstElementPtr(GST_ELEMENT(gst_object_ref(source)));
    if (GST_IS_BIN(source))
        return GstElementPtr(gst_bin_get_by_interface(GST_BIN(source), GST_TYPE_COLOR_BALANCE));
    return nullptr;
}

} // namespace

struct CaptureSession::Pipeline {
    GstElementPtr pipeline;
    GstElementPtr source;
    std::unique_ptr<VRender> render;
    QList<CaptureFormat> formats;

    // Setting NULL joins the streaming threads; only then do the renderer and the elements go.
    ~Pipeline() {
        if (pipeline)
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    }
};

CaptureSession::CaptureSession() = default;

CaptureSession::~CaptureSession() {
    stop();
}

void CaptureSession::stop() {
    m_pipeline.reset();
}

CaptureError CaptureSession::fail(CaptureError error, const QString& detail) {
    m_errorDetail = detail;
    return error;
}

CaptureError CaptureSession::busError(GstElement* pipeline, CaptureError fallback,
                                      const QString& fallbackDetail) {
    ObjectPtr<GstBus> bus(gst_element_get_bus(pipeline));
    MessagePtr message(bus ? gst_bus_pop_filtered(bus.get(), GST_MESSAGE_ERROR) : nullptr);
    if (!message)
        return fail(fallback, fallbackDetail);
    GError* raw = nullptr;
    gst_message_parse_error(message.get(), &raw, nullptr);
    ErrorPtr error(raw);
    const bool busy = error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_BUSY;
    return fail(busy ? CaptureError::DeviceBusy : CaptureError::StateChangeFailed,
                QString::fromUtf8(error->message));
}

CaptureError CaptureSession::start(const QString& cameraName, CaptureSettings& settings,
                                   FrameOwner& owner) {
    stop();
    m_errorDetail.clear();
    if (cameraName.isEmpty())
        return fail(CaptureError::NoCameraName, QStringLiteral("No camera is selected."));
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return fail(CaptureError::NoDeviceMonitor, QStringLiteral("GStreamer is not available."));
    const QList<CameraDevice> cameras = enumerateCameras();
    const auto camera = std::find_if(cameras.begin(), cameras.end(),
                                     [&](const CameraDevice& c) { return c.name == cameraName; });
    if (camera == cameras.end())
        return fail(CaptureError::CameraNotFound, cameraName);
    m_cameraName = cameraName;
    m_owner = &owner;

    const auto deadline = std::chrono::steady_clock::now() + StartTimeout;
    auto p = std::make_unique<Pipeline>();
    if (!camera->sourceDescription.isEmpty()) {
        // GStreamer's parser takes a caps filter written as caps ("! video/x-raw,width=3")
        // only between two elements, so the description is closed with an identity element.
        const QByteArray description = camera->sourceDescription.toUtf8() + " ! identity";
        GError* raw = nullptr;
        p->source = adopt(gst_parse_bin_from_description(description.constData(), TRUE, &raw));
        ErrorPtr error(raw);
        if (!p->source)
            return fail(CaptureError::ElementNotAdded,
                        error ? QString::fromUtf8(error->message) : camera->sourceDescription);
    } else {
        ObjectPtr<GstDeviceMonitor> monitor(gst_device_monitor_new());
        if (!monitor)
            return fail(CaptureError::NoDeviceMonitor, QStringLiteral("No device monitor."));
        gst_device_monitor_add_filter(monitor.get(), "Video/Source", nullptr);
        GList* devices = gst_device_monitor_get_devices(monitor.get());
        for (GList* d = devices; d && !p->source; d = d->next) {
            gchar* name = gst_device_get_display_name(GST_DEVICE(d->data));
            if (name && QString::fromUtf8(name) == cameraName)
                p->source = adopt(gst_device_create_element(GST_DEVICE(d->data), nullptr));
            g_free(name);
        }
        g_list_free_full(devices, gst_object_unref);
        if (!p->source)
            return fail(CaptureError::CameraNotFound, cameraName);
    }

    GstElementPtr filter = adopt(gst_element_factory_make("capsfilter", nullptr));
    GstElementPtr convert = adopt(gst_element_factory_make("videoconvert", nullptr));
    if (!convert)
        return fail(CaptureError::NoConverter, QStringLiteral("videoconvert is not installed."));
    p->render = std::make_unique<VRender>(owner);
    if (!filter || !p->render->element())
        return fail(CaptureError::ElementNotAdded,
                    QStringLiteral("capsfilter or appsink is not installed."));
    p->pipeline = adopt(gst_pipeline_new("capture"));
    for (GstElement* element :
         {p->source.get(), filter.get(), convert.get(), p->render->element()}) {
        if (!gst_bin_add(GST_BIN(p->pipeline.get()), element))
            return fail(CaptureError::ElementNotAdded, QString::fromUtf8(GST_OBJECT_NAME(element)));
    }
    if (!gst_element_link_many(p->source.get(), filter.get(), convert.get(), p->render->element(),
                               nullptr))
        return fail(CaptureError::CannotLink,
                    QStringLiteral("The camera gives no pictures the converter takes."));

    // In READY the device is open and reports what it really offers.
    if (gst_element_set_state(p->pipeline.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE)
        return busError(p->pipeline.get(), CaptureError::StateChangeFailed,
                        QStringLiteral("The camera cannot be opened."));
    {
        ObjectPtr<GstPad> filterSink(gst_element_get_static_pad(filter.get(), "sink"));
        ObjectPtr<GstPad> sourcePad(gst_pad_get_peer(filterSink.get()));
        CapsPtr offered(sourcePad ? gst_pad_query_caps(sourcePad.get(), nullptr) : nullptr);
        if (offered) {
            p->formats = formatsOf(offered.get());
            CapsPtr wanted = wantedCaps(settings, offered.get(), p->formats);
            if (wanted)
                g_object_set(filter.get(), "caps", wanted.get(), nullptr);
        }
    }

    const GstStateChangeReturn change = gst_element_set_state(p->pipeline.get(), GST_STATE_PLAYING);
    const auto left = [&] {
        return std::max(std::chrono::nanoseconds(0), deadline - std::chrono::steady_clock::now());
    };
    const GstStateChangeReturn result =
        change == GST_STATE_CHANGE_FAILURE
            ? change
            : gst_element_get_state(p->pipeline.get(), nullptr, nullptr, left().count());
    if (result == GST_STATE_CHANGE_FAILURE)
        return busError(p->pipeline.get(), CaptureError::StateChangeFailed,
                        QStringLiteral("The camera did not start."));
    if (result == GST_STATE_CHANGE_ASYNC)
        return busError(p->pipeline.get(), CaptureError::StateChangeFailed,
                        QStringLiteral("The camera did not start in time."));

    if (const auto format = p->render->waitForFormat(
            std::chrono::duration_cast<std::chrono::milliseconds>(left()))) {
        settings.width = format->size.width();
        settings.height = format->size.height();
        if (format->rateNumerator > 0)
            settings.frameDuration100ns =
                durationOf(format->rateNumerator, format->rateDenominator);
    }
    m_pipeline = std::move(p);
    return CaptureError::None;
}

CaptureError CaptureSession::restart(const CaptureFormat& format, CaptureSettings& settings) {
    settings.width = format.width;
    settings.height = format.height;
    settings.frameDuration100ns = format.frameDuration100ns;
    if (!m_owner)
        return fail(CaptureError::NoCameraName, QStringLiteral("No camera was started."));
    return start(m_cameraName, settings, *m_owner);
}

CaptureError CaptureSession::checkForError() {
    if (!m_pipeline)
        return CaptureError::None;
    const CaptureError error = busError(m_pipeline->pipeline.get(), CaptureError::None, QString());
    if (error != CaptureError::None)
        stop();
    return error;
}

QList<CaptureFormat> CaptureSession::formats() const {
    return m_pipeline ? m_pipeline->formats : QList<CaptureFormat>();
}

QList<DeviceControl> CaptureSession::controls() const {
    QList<DeviceControl> controls;
    const GstElementPtr balance = colorBalanceOf(m_pipeline ? m_pipeline->source.get() : nullptr);
    if (!balance)
        return controls;
    GstColorBalance* cb = GST_COLOR_BALANCE(balance.get());
    for (const GList* c = gst_color_balance_list_channels(cb); c; c = c->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(c->data);
        controls.append({QString::fromUtf8(channel->label), channel->min_value, channel->max_value,
                         gst_color_balance_get_value(cb, channel)});
    }
    return controls;
}

void CaptureSession::setControl(const QString& label, int value) {
    const GstElementPtr balance = colorBalanceOf(m_pipeline ? m_pipeline->source.get() : nullptr);
    if (!balance)
        return;
    GstColorBalance* cb = GST_COLOR_BALANCE(balance.get());
    for (const GList* c = gst_color_balance_list_channels(cb); c; c = c->next) {
        auto* channel = GST_COLOR_BALANCE_CHANNEL(c->data);
        if (QString::fromUtf8(channel->label) == label)
            gst_color_balance_set_value(cb, channel,
                                        std::clamp(value, channel->min_value, channel->max_value));
    }
}

} // namespace vantrel
