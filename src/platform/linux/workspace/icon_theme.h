#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::linux_workspace {

// Finds icon files by name the way the freedesktop icon theme rules say:
// the chosen theme, the themes it inherits, hicolor, then the plain pixmaps
// directories. Immutable after construction, so it may be shared.
class IconTheme {
public:
    struct Dirs {
        std::vector<std::string> themeBases;  // directories that hold themes
        std::vector<std::string> pixmapBases; // last-resort flat directories
    };
    // ~/.icons, $XDG_DATA_HOME/icons, $XDG_DATA_DIRS/icons, then …/pixmaps.
    static Dirs defaultDirs();

    explicit IconTheme(const std::string& themeName = "hicolor", Dirs dirs = defaultDirs());

    // The best file for `name` at `size` pixels: an exact size match in the
    // nearest theme, else its closest size, else a pixmap.
    [[nodiscard]] std::optional<std::string> find(std::string_view name, int size) const;

private:
    struct SubDir {
        std::string path;
        int size = 48;
        int scale = 1;
        int minSize = 48;
        int maxSize = 48;
        int threshold = 2;
        enum class Type { fixed, scalable, threshold } type = Type::threshold;

        [[nodiscard]] bool matches(int wanted) const;
        [[nodiscard]] int distance(int wanted) const;
    };
    struct Theme {
        std::string name;
        std::vector<SubDir> subdirs;
    };

    void load(const std::string& name, int depth);
    [[nodiscard]] std::optional<std::string> findInTheme(const Theme& theme, std::string_view name, int size) const;

    Dirs dirs_;
    std::vector<Theme> chain_;
};

} // namespace norvane::linux_workspace
