#include "acquisition/CameraDevices.h"

#include <gst/gst.h>

namespace vantrel {

QList<CameraDevice> parseExtraCameras(const QString& value) {
    QList<CameraDevice> cameras;
    for (const QString& entry : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString name = entry.left(eq).trimmed();
        const QString description = entry.mid(eq + 1).trimmed();
        if (!name.isEmpty() && !description.isEmpty())
            cameras.append({name, description});
    }
    return cameras;
}

QList<CameraDevice> enumerateCameras() {
    QList<CameraDevice> cameras;
    // GStreamer keeps itself initialised for the rest of the process once asked.
    if (gst_init_check(nullptr, nullptr, nullptr)) {
        GstDeviceMonitor* monitor = gst_device_monitor_new();
        gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* d = devices; d; d = d->next) {
            gchar* name = gst_device_get_display_name(GST_DEVICE(d->data));
            if (name)
                cameras.append({QString::fromUtf8(name), {}});
            g_free(name);
        }
        g_list_free_full(devices, gst_object_unref);
        gst_object_unref(monitor);
    }
    cameras.append(parseExtraCameras(qEnvironmentVariable("VANTREL_EXTRA_CAMERAS")));
    return cameras;
}

} // namespace vantrel
