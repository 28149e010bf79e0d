#pragma once

// Owning pointers for the GLib/GIO objects used in this folder.

#include <gio/gio.h>
#include <memory>
#include <string>

namespace norvane::linux_workspace::glib {

struct ObjectUnref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct Free {
    void operator()(gpointer p) const noexcept { g_free(p); }
};
struct StrvFree {
    void operator()(gchar** v) const noexcept { g_strfreev(v); }
};
struct KeyFileFree {
    void operator()(GKeyFile* k) const noexcept { g_key_file_unref(k); }
};
struct ErrorFree {
    void operator()(GError* e) const noexcept { g_error_free(e); }
};

template <typename T> using Object = std::unique_ptr<T, ObjectUnref>;
using String = std::unique_ptr<gchar, Free>;
using Strv = std::unique_ptr<gchar*, StrvFree>;
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;
using Error = std::unique_ptr<GError, ErrorFree>;

// The text of an owned GLib string, empty for null.
inline std::string take(gchar* s)
{
    const String owned(s);
    return owned ? std::string(owned.get()) : std::string();
}

} // namespace norvane::linux_workspace::glib
