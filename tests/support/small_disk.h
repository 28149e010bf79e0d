#pragma once

// A tiny tmpfs mounted over a test folder, to see what writers do when the
// disk is full. The mount lives in a private mount namespace of the test
// process (a user namespace too when not root), so nothing outside sees it
// and it goes away with the process.

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace norvane::test {

class SmallDisk {
public:
    // Mounts a tmpfs of `kib` KiB over the folder `dir`, which must exist.
    // Empty when mounted, else why it could not be (the test then skips).
    static std::string mountOver(const std::string& dir, int kib = 64)
    {
        if (auto why = enterPrivateNamespace(); !why.empty()) {
            return why;
        }
        const std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
        if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            return "mount tmpfs: " + std::string(std::strerror(errno));
        }
        return {};
    }

    // Fills the file system that holds `dir` with one file; true when the
    // disk is then full (a one-byte write fails with ENOSPC).
    static bool fill(const std::string& dir) { return fillWith(dir + "/filler"); }

    static bool fillWith(const std::string& path)
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) {
            return false;
        }
        const std::string block(4096, 'x');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, block.data(), 1) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    static std::string enterPrivateNamespace()
    {
        static std::string result = [] {
            if (::geteuid() != 0) {
                const auto uid = ::geteuid();
                const auto gid = ::getegid();
                // Only a single-threaded process may enter a user namespace.
                if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                    return "no user namespace: " + std::string(std::strerror(errno));
                }
                std::ofstream("/proc/self/setgroups") << "deny";
                std::ofstream("/proc/self/uid_map") << uid << ' ' << uid << " 1";
                std::ofstream("/proc/self/gid_map") << gid << ' ' << gid << " 1";
            } else if (::unshare(CLONE_NEWNS) != 0) {
                return "no mount namespace: " + std::string(std::strerror(errno));
            }
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                return "mount --make-rprivate /: " + std::string(std::strerror(errno));
            }
            return std::string();
        }();
        return result;
    }
};

} // namespace norvane::test
