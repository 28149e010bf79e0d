#include "platform/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace norvane {

namespace {

namespace fs = std::filesystem;

// Reads and writes fill a file in pieces of this size.
constexpr std::size_t chunk = std::size_t{64} * 1024;

std::string reason(const std::string& path, int error)
{
    return path + ": " + std::generic_category().message(error);
}

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const noexcept { return fd_; }
    // Closes now; close can report a write error the earlier calls missed.
    int close() noexcept
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// 0 or the errno of the failed write.
int writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return EIO;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// The file a path names: the target of a symbolic link (so that a
// configuration kept elsewhere and linked in stays linked), else the path.
std::string resolvedTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
        return path; // a dangling link is replaced by the file
    }
    std::string target(real);
    std::free(real); // NOLINT(cppcoreguidelines-no-malloc): realpath allocates with malloc
    return target;
}

std::string temporaryName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    const fs::path path(target);
    return (path.parent_path() / ("." + path.filename().string() + ".new-" + std::to_string(::getpid()) + "-" +
                                  std::to_string(seed ^ counter.fetch_add(1))))
        .string();
}

void syncFolder(const std::string& target)
{
    // Makes the rename itself durable; a folder that cannot be synced (some
    // file systems refuse) does not make the write fail.
    const std::string folder = fs::path(target).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Creates the new file beside `path`, lets `fill` write it (returning 0 or an
// errno, and counting the bytes it wrote), checks that the file on disk has
// that size, and puts it in place.
using Fill = std::function<int(int fd, std::size_t& written)>;

std::optional<std::string> commitNewFile(const std::string& path, AtomicWriteOptions options, const Fill& fill)
{
    const std::string target = resolvedTarget(path);
    if (options.makeFolders) {
        std::error_code ec;
        const fs::path folder = fs::path(target).parent_path();
        if (!folder.empty()) {
            fs::create_directories(folder, ec);
            if (ec) {
                return reason(folder.string(), ec.value());
            }
        }
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && !options.replace) {
        return reason(target, EEXIST);
    }

    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = temporaryName(target);
        // 0666 less the umask, as any new file; an existing file's
        // permissions are carried over below.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return reason(target, errno);
        }
    }
    if (fd < 0) {
        return reason(target, EEXIST);
    }
    Descriptor file(fd);
    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return reason(target, error);
    };

    std::size_t size = 0;
    if (const int error = fill(file.get(), size)) {
        return fail(error);
    }
    if (existed && ::fchmod(file.get(), old.st_mode & 07777) != 0) {
        return fail(errno);
    }
    // Space is only certain once the data is on disk: some file systems
    // report a full disk at fsync or close rather than at write.
    if (::fsync(file.get()) != 0) {
        return fail(errno);
    }
    struct stat written {};
    if (::fstat(file.get(), &written) != 0) {
        return fail(errno);
    }
    if (static_cast<std::size_t>(written.st_size) != size) {
        return fail(EIO);
    }
    if (file.close() != 0) {
        return fail(errno);
    }
    if (options.replace) {
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            return fail(errno);
        }
    } else {
        // link() fails when the target appeared meanwhile: nothing is
        // overwritten.
        const int linked = ::link(temporary.c_str(), target.c_str());
        const int error = errno;
        ::unlink(temporary.c_str());
        if (linked != 0) {
            return reason(target, error);
        }
    }
    syncFolder(target);
    return std::nullopt;
}

} // namespace

std::optional<std::string> writeFileAtomically(const std::string& path, std::string_view bytes,
                                               AtomicWriteOptions options)
{
    return commitNewFile(path, options, [bytes](int fd, std::size_t& written) {
        written = bytes.size();
        return writeAll(fd, bytes.data(), bytes.size());
    });
}

std::optional<std::string> copyFileAtomically(const std::string& from, const std::string& to,
                                              AtomicWriteOptions options)
{
    Descriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (source.get() < 0) {
        return reason(from, errno);
    }
    struct stat st {};
    if (::fstat(source.get(), &st) != 0) {
        return reason(from, errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return reason(from, EINVAL);
    }
    int readError = 0;
    auto fill = [&](int fd, std::size_t& written) {
        std::string buffer(chunk, '\0');
        for (;;) {
            const ssize_t n = ::read(source.get(), buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                readError = errno;
                return readError;
            }
            if (n == 0) {
                return 0;
            }
            if (const int error = writeAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
                return error;
            }
            written += static_cast<std::size_t>(n);
        }
    };
    auto result = commitNewFile(to, options, fill);
    if (result && readError != 0) {
        return reason(from, readError);
    }
    return result;
}

} // namespace norvane
