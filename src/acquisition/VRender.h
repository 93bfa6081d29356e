#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

// GStreamer's types, declared here so that users of this header need no GStreamer headers.
typedef struct _GstElement GstElement;
typedef struct _GstCaps GstCaps;

namespace vantrel {

// Releases one reference to a GStreamer object (gst_object_unref).
struct GstObjectUnref {
    void operator()(void* object) const;
};
using GstElementPtr = std::unique_ptr<GstElement, GstObjectUnref>;

// Receives the frames of a capture. Both calls come on GStreamer's streaming thread, never
// at the same time, so an implementation guards whatever it shares with its own thread.
class FrameOwner {
public:
    virtual ~FrameOwner() = default;
    // The size of the frames to come, once the stream's format is fixed and before its first
    // frame. Called again only if the stream is renegotiated to another size.
    virtual void frameFormat(int width, int height) = 0;
    // One frame: width x height 4-byte pixels (blue, green, red, unused), top row first,
    // `stride` bytes from one row to the next. The pixels are valid only during the call.
    virtual void frameData(const uchar* bgrx, int stride) = 0;
};

// What the renderer makes of a stream's media type.
enum class MediaCheck {
    Accepted,         // raw video frames in BGRx
    WrongFormatBlock, // not raw frames at all (compressed video, still images)
    Refused,          // raw, but not video, or video in another pixel format
};

// The end of a capture pipeline: an appsink that takes BGRx frames and hands each one to
// its owner, keeping nothing. The owner must outlive the pipeline's streaming.
class VRender {
public:
    explicit VRender(FrameOwner& owner);
    ~VRender();
    VRender(const VRender&) = delete;
    VRender& operator=(const VRender&) = delete;

    // The appsink; VRender holds a reference for its whole life. Add it to the pipeline.
    GstElement* element() const { return m_sink.get(); }

    // The negotiated format so far, from any thread: the frame size and the frame rate as a
    // fraction (0/1 when the stream does not say). Empty size before the format is fixed.
    struct Format {
        QSize size;
        int rateNumerator = 0;
        int rateDenominator = 1;
    };
    Format format() const;
    // Waits up to `timeout` for the format to be fixed; nullopt if it was not.
    std::optional<Format> waitForFormat(std::chrono::milliseconds timeout) const;

    // Classifies fixed caps (only the first structure counts).
    static MediaCheck checkMediaType(const GstCaps* caps);
    // The same for caps written as text ("video/x-raw,format=BGRx"); unparsable text is
    // refused.
    static MediaCheck checkMediaType(const QString& caps);

private:
    struct Callbacks;

    // Streaming thread: a caps event reached the sink.
    void capsFixed(GstCaps* caps);

    FrameOwner& m_owner;
    GstElementPtr m_sink;

    // The format published to other threads.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_formatFixed;
    Format m_format;
};

} // namespace vantrel
