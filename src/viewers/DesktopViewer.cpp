#include "viewers/DesktopViewer.h"

#include <gio/gio.h>

#include <cerrno>
#include <memory>

namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

// GIO reports a failed start as a spawn error; the window shows errno texts.
int ErrnoFor(const GError* error)
{
    if (error->domain != G_SPAWN_ERROR)
        return EIO;
    switch (error->code) {
    case G_SPAWN_ERROR_NOENT: return ENOENT;
    case G_SPAWN_ERROR_ACCES: return EACCES;
    case G_SPAWN_ERROR_PERM: return EPERM;
    case G_SPAWN_ERROR_NOEXEC: return ENOEXEC;
    case G_SPAWN_ERROR_NOMEM: return ENOMEM;
    default: return EIO;
    }
}

} // namespace

LaunchResult StartDesktopDefault(const std::string& contentType, const std::string& file)
{
    GObjectPtr<GAppInfo> program(g_app_info_get_default_for_type(contentType.c_str(), FALSE));
    if (!program) {
        errno = ENOENT;
        return LaunchResult::NotFound;
    }
    GObjectPtr<GFile> target(g_file_new_for_path(file.c_str()));
    GList files = {target.get(), nullptr, nullptr};
    GError* error = nullptr;
    if (g_app_info_launch(program.get(), &files, nullptr, &error))
        return LaunchResult::Started;
    const int code = ErrnoFor(error);
    g_error_free(error);
    errno = code;
    return code == ENOENT ? LaunchResult::NotFound : LaunchResult::Failed;
}
