#include "file_bytes.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace norvane::ctl {

bool readFileBytes(const char* path, std::size_t limit, std::string& bytes, std::string& why)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) {
        why = std::strerror(errno);
        return false;
    }
    bytes.clear();
    std::array<char, std::size_t{64} * 1024> buffer{};
    for (;;) {
        const auto n = std::fread(buffer.data(), 1, buffer.size(), file.get());
        bytes.append(buffer.data(), n);
        if (bytes.size() > limit) {
            why = "larger than " + std::to_string(limit) + " bytes";
            return false;
        }
        if (n < buffer.size()) {
            break;
        }
    }
    if (std::ferror(file.get()) != 0) {
        why = std::strerror(errno); // e.g. a directory: "Is a directory"
        return false;
    }
    return true;
}

} // namespace norvane::ctl
