#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace norvane::linux_workspace {

// One installed desktop entry, as far as identity, names and icons need it.
struct DesktopEntry {
    std::string id;             // entry id without ".desktop": org.gnome.Terminal, kde-foo
    std::string path;           // the .desktop file
    std::string name;           // display name in the catalog's language
    std::string icon;           // Icon= value: a theme icon name or an absolute path; may be empty
    std::string startupWMClass; // StartupWMClass=, may be empty
    std::string sandboxID;      // X-Flatpak= or X-SnapInstanceName=, may be empty
    bool shown = true;          // meant for menus and pickers (not NoDisplay, fits this desktop)
};

// An immutable set of entries with the look-ups identity resolution needs.
class DesktopEntries {
public:
    explicit DesktopEntries(std::vector<DesktopEntry> entries);

    [[nodiscard]] const std::vector<DesktopEntry>& all() const noexcept { return entries_; }
    [[nodiscard]] const DesktopEntry* find(std::string_view id) const;
    // Entry id compared without regard to ASCII case.
    [[nodiscard]] const DesktopEntry* findCaseless(std::string_view id) const;
    // StartupWMClass compared without regard to ASCII case.
    [[nodiscard]] const DesktopEntry* findByWMClass(std::string_view wmClass) const;
    // A Flatpak application id or a snap name.
    [[nodiscard]] const DesktopEntry* findBySandbox(std::string_view sandboxID) const;

private:
    [[nodiscard]] const DesktopEntry* at(const std::unordered_map<std::string, std::size_t>& map,
                                         std::string_view key) const;

    std::vector<DesktopEntry> entries_;
    std::unordered_map<std::string, std::size_t> byID_;
    std::unordered_map<std::string, std::size_t> byLowerID_;
    std::unordered_map<std::string, std::size_t> byLowerWMClass_;
    std::unordered_map<std::string, std::size_t> bySandbox_;
};

// The installed entries, read through GIO (which applies the XDG data
// directories, their precedence and Hidden=) and read again on the index's
// own thread whenever GIO reports a change. Thread-safe.
class DesktopEntryIndex {
public:
    // `locale` picks the translated names: "zh_CN" reads Name[zh_CN], then
    // Name[zh], then Name.
    explicit DesktopEntryIndex(std::string locale = "zh_CN");
    ~DesktopEntryIndex();
    DesktopEntryIndex(const DesktopEntryIndex&) = delete;
    DesktopEntryIndex& operator=(const DesktopEntryIndex&) = delete;

    [[nodiscard]] std::shared_ptr<const DesktopEntries> entries();

    // Called on the index's own thread each time the installed entries change.
    void setChangeListener(std::function<void()> listener);

private:
    struct Monitor;
    void changed();

    std::string locale_;
    std::mutex lock_;
    std::shared_ptr<const DesktopEntries> entries_;
    std::mutex listenerLock_;
    std::function<void()> listener_;
    std::unique_ptr<Monitor> monitor_;
};

// ASCII lower case, as desktop shells compare classes and ids.
std::string asciiLower(std::string_view text);

} // namespace norvane::linux_workspace
