#include "file_bytes.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane::ctl {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const noexcept { return fd_; }

private:
    int fd_;
};

} // namespace

bool readFileBytes(const char* path, std::size_t limit, std::string& bytes, std::string& why)
{
    // Opened without blocking, so that a FIFO with no writer (or a device)
    // is refused at once rather than waited on.
    const Descriptor file(::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        why = std::strerror(EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    bytes.clear();
    std::array<char, std::size_t{64} * 1024> buffer{};
    for (;;) {
        const auto n = ::read(file.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            why = std::strerror(errno);
            return false;
        }
        if (n == 0) {
            return true;
        }
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
        if (bytes.size() > limit) {
            why = "larger than " + std::to_string(limit) + " bytes";
            return false;
        }
    }
}

} // namespace norvane::ctl
