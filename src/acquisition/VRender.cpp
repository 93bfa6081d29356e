#include "acquisition/VRender.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

namespace vantrel {

void GstObjectUnref::operator()(void* object) const {
    if (object)
        gst_object_unref(object);
}

namespace {

struct CapsUnref {
    void operator()(GstCaps* caps) const { gst_caps_unref(caps); }
};
using CapsPtr = std::unique_ptr<GstCaps, CapsUnref>;

struct SampleUnref {
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
};

} // namespace

// The appsink's and the sink pad's callbacks, all on the streaming thread.
struct VRender::Callbacks {
    static GstFlowReturn newSample(GstAppSink* sink, gpointer data) {
        auto* render = static_cast<VRender*>(data);
        std::unique_ptr<GstSample, SampleUnref> sample(gst_app_sink_pull_sample(sink));
        if (!sample)
            return GST_FLOW_EOS;
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample.get());
        if (!caps || !gst_video_info_from_caps(&info, caps))
            return GST_FLOW_NOT_NEGOTIATED;
        GstVideoFrame frame;
        if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ))
            return GST_FLOW_ERROR;
        render->m_owner.frameData(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                  GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0));
        gst_video_frame_unmap(&frame);
        return GST_FLOW_OK;
    }

    static GstPadProbeReturn event(GstPad*, GstPadProbeInfo* info, gpointer data) {
        GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
            GstCaps* caps = nullptr;
            gst_event_parse_caps(event, &caps);
            static_cast<VRender*>(data)->capsFixed(caps);
        }
        return GST_PAD_PROBE_OK;
    }
};

VRender::VRender(FrameOwner& owner) : m_owner(owner) {
    gst_init_check(nullptr, nullptr, nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    if (!sink)
        return;
    m_sink.reset(GST_ELEMENT(gst_object_ref_sink(sink)));
    CapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
    // Frames are handed over as they come; the sink keeps no copy of the last one.
    g_object_set(sink, "caps", caps.get(), "max-buffers", 1u, "drop", TRUE, "enable-last-sample",
                 FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &Callbacks::newSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &Callbacks::event, this, nullptr);
    gst_object_unref(pad);
}

VRender::~VRender() {
    // The pipeline is stopped by now; the sink may still be referenced elsewhere, so it must
    // not call back into this object.
    if (m_sink) {
        GstAppSinkCallbacks none{};
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &none, nullptr, nullptr);
    }
}

void VRender::capsFixed(GstCaps* caps) {
    GstVideoInfo info;
    if (checkMediaType(caps) != MediaCheck::Accepted || !gst_video_info_from_caps(&info, caps))
        return;
    Format format;
    format.size = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
    format.rateNumerator = GST_VIDEO_INFO_FPS_N(&info);
    format.rateDenominator = GST_VIDEO_INFO_FPS_D(&info);
    bool newSize = false;
    {
        std::lock_guard lock(m_mutex);
        newSize = format.size != m_format.size;
        m_format = format;
    }
    m_formatFixed.notify_all();
    // Caps events and frames are serialised on the sink pad, so this call precedes the
    // frames of this format.
    if (newSize)
        m_owner.frameFormat(format.size.width(), format.size.height());
}

VRender::Format VRender::format() const {
    std::lock_guard lock(m_mutex);
    return m_format;
}

std::optional<VRender::Format> VRender::waitForFormat(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    if (!m_formatFixed.wait_for(lock, timeout, [this] { return !m_format.size.isEmpty(); }))
        return std::nullopt;
    return m_format;
}

MediaCheck VRender::checkMediaType(const GstCaps* caps) {
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return MediaCheck::Refused;
    const GstStructure* s = gst_caps_get_structure(caps, 0);
    const char* name = gst_structure_get_name(s);
    if (g_str_equal(name, "video/x-raw")) {
        const char* format = gst_structure_get_string(s, "format");
        return format && g_str_equal(format, "BGRx") ? MediaCheck::Accepted : MediaCheck::Refused;
    }
    return g_str_has_suffix(name, "/x-raw") ? MediaCheck::Refused : MediaCheck::WrongFormatBlock;
}

MediaCheck VRender::checkMediaType(const QString& caps) {
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return MediaCheck::Refused;
    CapsPtr parsed(gst_caps_from_string(caps.toUtf8().constData()));
    return checkMediaType(parsed.get());
}

} // namespace vantrel
