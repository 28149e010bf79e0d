#include "platform/linux/workspace/icon_theme.h"

#include "platform/linux/workspace/glib_ptr.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

namespace norvane::linux_workspace {

namespace {

constexpr std::string_view extensions[] = {".png", ".svg", ".xpm"};

bool isFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Icon theme lists are separated by commas, not by GKeyFile's semicolons.
std::vector<std::string> commaList(GKeyFile* file, const char* group, const char* key)
{
    std::vector<std::string> items;
    const auto value = glib::take(g_key_file_get_string(file, group, key, nullptr));
    std::size_t start = 0;
    while (start < value.size()) {
        auto end = value.find(',', start);
        if (end == std::string::npos) {
            end = value.size();
        }
        auto item = value.substr(start, end - start);
        while (!item.empty() && item.back() == ' ') {
            item.pop_back();
        }
        while (!item.empty() && item.front() == ' ') {
            item.erase(0, 1);
        }
        if (!item.empty()) {
            items.push_back(std::move(item));
        }
        start = end + 1;
    }
    return items;
}

int keyInt(GKeyFile* file, const char* group, const char* key, int fallback)
{
    GError* error = nullptr;
    const int value = g_key_file_get_integer(file, group, key, &error);
    if (error) {
        g_error_free(error);
        return fallback;
    }
    return value;
}

} // namespace

IconTheme::Dirs IconTheme::defaultDirs()
{
    Dirs dirs;
    if (const char* home = std::getenv("HOME"); home && *home) {
        dirs.themeBases.push_back(std::string(home) + "/.icons");
    }
    dirs.themeBases.push_back(std::string(g_get_user_data_dir()) + "/icons");
    for (const char* const* d = g_get_system_data_dirs(); *d; ++d) {
        dirs.themeBases.push_back(std::string(*d) + "/icons");
        dirs.pixmapBases.push_back(std::string(*d) + "/pixmaps");
    }
    return dirs;
}

IconTheme::IconTheme(const std::string& themeName, Dirs dirs) : dirs_(std::move(dirs))
{
    load(themeName, 0);
    load("hicolor", 0);
}

void IconTheme::load(const std::string& name, int depth)
{
    if (name.empty() || depth > 8 ||
        std::any_of(chain_.begin(), chain_.end(), [&](const Theme& t) { return t.name == name; })) {
        return;
    }
    const glib::KeyFile index(g_key_file_new());
    bool found = false;
    for (const auto& base : dirs_.themeBases) {
        std::string path = base;
        path.append("/").append(name).append("/index.theme");
        if (g_key_file_load_from_file(index.get(), path.c_str(), G_KEY_FILE_NONE, nullptr)) {
            found = true;
            break;
        }
    }
    if (!found) {
        return;
    }
    Theme theme{name, {}};
    constexpr const char* main = "Icon Theme";
    for (const char* listKey : {"Directories", "ScaledDirectories"}) {
        for (const auto& dir : commaList(index.get(), main, listKey)) {
            const char* d = dir.c_str();
            SubDir sub;
            sub.path = dir;
            sub.size = keyInt(index.get(), d, "Size", 48);
            sub.scale = keyInt(index.get(), d, "Scale", 1);
            sub.minSize = keyInt(index.get(), d, "MinSize", sub.size);
            sub.maxSize = keyInt(index.get(), d, "MaxSize", sub.size);
            sub.threshold = keyInt(index.get(), d, "Threshold", 2);
            const auto type = glib::take(g_key_file_get_string(index.get(), d, "Type", nullptr));
            sub.type = type == "Fixed"      ? SubDir::Type::fixed
                       : type == "Scalable" ? SubDir::Type::scalable
                                            : SubDir::Type::threshold;
            theme.subdirs.push_back(std::move(sub));
        }
    }
    const auto parents = commaList(index.get(), main, "Inherits");
    chain_.push_back(std::move(theme));
    for (const auto& parent : parents) {
        load(parent, depth + 1);
    }
}

bool IconTheme::SubDir::matches(int wanted) const
{
    if (scale != 1) {
        return false;
    }
    switch (type) {
    case Type::fixed:
        return size == wanted;
    case Type::scalable:
        return minSize <= wanted && wanted <= maxSize;
    case Type::threshold:
        return size - threshold <= wanted && wanted <= size + threshold;
    }
    return false;
}

int IconTheme::SubDir::distance(int wanted) const
{
    const int s = scale;
    switch (type) {
    case Type::fixed:
        return std::abs(size * s - wanted);
    case Type::scalable:
        if (wanted < minSize * s) {
            return minSize * s - wanted;
        }
        return wanted > maxSize * s ? wanted - maxSize * s : 0;
    case Type::threshold:
        if (wanted < (size - threshold) * s) {
            return minSize * s - wanted;
        }
        return wanted > (size + threshold) * s ? wanted - maxSize * s : 0;
    }
    return INT_MAX;
}

std::optional<std::string> IconTheme::findInTheme(const Theme& theme, std::string_view name, int size) const
{
    std::optional<std::string> closest;
    int closestDistance = INT_MAX;
    for (const auto& sub : theme.subdirs) {
        for (const auto& base : dirs_.themeBases) {
            for (const auto ext : extensions) {
                auto path = base + "/" + theme.name + "/" + sub.path + "/" + std::string(name) + std::string(ext);
                if (!isFile(path)) {
                    continue;
                }
                if (sub.matches(size)) {
                    return path;
                }
                if (const int d = sub.distance(size); d < closestDistance) {
                    closestDistance = d;
                    closest = std::move(path);
                }
            }
        }
    }
    return closest;
}

std::optional<std::string> IconTheme::find(std::string_view name, int size) const
{
    if (name.empty() || name.find('/') != std::string_view::npos) {
        return std::nullopt;
    }
    for (const auto& theme : chain_) {
        if (auto path = findInTheme(theme, name, size)) {
            return path;
        }
    }
    for (const auto& base : dirs_.pixmapBases) {
        for (const auto ext : extensions) {
            auto path = base + "/" + std::string(name) + std::string(ext);
            if (isFile(path)) {
                return path;
            }
        }
    }
    return std::nullopt;
}

} // namespace norvane::linux_workspace
