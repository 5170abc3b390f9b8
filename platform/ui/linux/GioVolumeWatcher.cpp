#include "platform/ui/DesktopVolumes.h"

#include <gio/gio.h>

namespace vorn::platform {

namespace {

MountedVolume Describe(GMount* mount) {
    MountedVolume volume;
    if (GFile* root = g_mount_get_root(mount)) {
        if (char* path = g_file_get_path(root)) {
            volume.mountPoint = path;
            g_free(path);
        }
        g_object_unref(root);
    }
    if (char* name = g_mount_get_name(mount)) {
        volume.name = name;
        g_free(name);
    }
    return volume;
}

class GioVolumeWatcher final : public VolumeWatcher {
public:
    GioVolumeWatcher() : monitor_(g_volume_monitor_get()) {}
    ~GioVolumeWatcher() override {
        Stop();
        g_object_unref(monitor_);
    }
    GioVolumeWatcher(const GioVolumeWatcher&) = delete;
    GioVolumeWatcher& operator=(const GioVolumeWatcher&) = delete;

    void Start(Callback added, Callback removed) override {
        Stop();
        added_ = std::move(added);
        removed_ = std::move(removed);
        addedId_ =
            g_signal_connect_data(monitor_, "mount-added", reinterpret_cast<GCallback>(&OnAdded),
                                  this, nullptr, GConnectFlags{});
        removedId_ = g_signal_connect_data(monitor_, "mount-removed",
                                           reinterpret_cast<GCallback>(&OnRemoved), this, nullptr,
                                           GConnectFlags{});
    }

    void Stop() override {
        for (gulong* id : {&addedId_, &removedId_}) {
            if (*id != 0) {
                g_signal_handler_disconnect(monitor_, *id);
                *id = 0;
            }
        }
    }

    std::string FileSystemType(const std::filesystem::path& mountPoint) override {
        std::string type;
        GFile* file = g_file_new_for_path(mountPoint.c_str());
        if (GFileInfo* info = g_file_query_filesystem_info(file, G_FILE_ATTRIBUTE_FILESYSTEM_TYPE,
                                                           nullptr, nullptr)) {
            if (const char* value =
                    g_file_info_get_attribute_string(info, G_FILE_ATTRIBUTE_FILESYSTEM_TYPE)) {
                type = value;
            }
            g_object_unref(info);
        }
        g_object_unref(file);
        return type;
    }

private:
    static void OnAdded(GVolumeMonitor*, GMount* mount, gpointer self) {
        static_cast<GioVolumeWatcher*>(self)->Report(mount, true);
    }
    static void OnRemoved(GVolumeMonitor*, GMount* mount, gpointer self) {
        static_cast<GioVolumeWatcher*>(self)->Report(mount, false);
    }
    void Report(GMount* mount, bool added) {
        // A shadowed mount is shown to the user through another one.
        if (g_mount_is_shadowed(mount)) {
            return;
        }
        const MountedVolume volume = Describe(mount);
        if (volume.mountPoint.empty()) {
            return;  // not a local folder (a network share without a path)
        }
        const Callback& callback = added ? added_ : removed_;
        if (callback) {
            callback(volume);
        }
    }

    GVolumeMonitor* monitor_;
    Callback added_;
    Callback removed_;
    gulong addedId_ = 0;
    gulong removedId_ = 0;
};

}  // namespace

std::unique_ptr<VolumeWatcher> CreateDesktopVolumeWatcher() {
    return std::make_unique<GioVolumeWatcher>();
}

}  // namespace vorn::platform
