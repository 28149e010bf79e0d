#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvane {

struct AtomicWriteOptions {
    // Create the missing folders above the file first.
    bool makeFolders = false;
    // Replace a file that exists; when false an existing file is an error
    // and stays as it was.
    bool replace = true;
};

// Replaces the file at `path` with `bytes` so that it holds either the old
// contents or all of the new ones, never a part: the bytes go to a new file
// beside it, every write, the sync to disk and the close are checked (a
// full disk shows up at one of them), the new file's size is checked, and
// only then is it renamed over the old one. On any failure the new file is
// removed and the old one is untouched. A symbolic link at `path` is kept
// and the file it points to is replaced; an existing file keeps its
// permissions. The reason ("<path>: <system's message>") when it failed.
std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view bytes,
                                               AtomicWriteOptions options = {});

// Copies the file at `from` to `to` the same way.
std::optional<std::string> copyFileAtomically(const std::string& from, const std::string& to,
                                              AtomicWriteOptions options = {});

} // namespace norvane
