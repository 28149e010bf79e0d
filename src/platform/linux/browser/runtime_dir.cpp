#include "platform/linux/browser/runtime_dir.h"

#include "platform/linux/browser/bridge_protocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace norvane::linux_browser {

namespace {

bool ownedDirectory(const std::string& dir, struct stat& st, std::string& error)
{
    if (::lstat(dir.c_str(), &st) != 0) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = dir + ": not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        error = dir + ": owned by another user";
        return false;
    }
    return true;
}

} // namespace

std::optional<std::string> bridgeDirectory(std::string& error)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return std::string(runtime) + "/norvane";
    }
    const std::string fallback = "/run/user/" + std::to_string(::geteuid());
    struct stat st {};
    if (ownedDirectory(fallback, st, error)) {
        return fallback + "/norvane";
    }
    error = "XDG_RUNTIME_DIR is not set";
    return std::nullopt;
}

std::optional<std::string> bridgeSocketPath(std::string& error)
{
    auto dir = bridgeDirectory(error);
    if (!dir) {
        return std::nullopt;
    }
    return *dir + "/" + std::string(socketFileName);
}

bool ensurePrivateDirectory(const std::string& dir, std::string& error)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (!ownedDirectory(dir, st, error)) {
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(dir.c_str(), 0700) != 0) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool isPrivateDirectory(const std::string& dir, std::string& error)
{
    struct stat st {};
    if (!ownedDirectory(dir, st, error)) {
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        error = dir + ": other users have access";
        return false;
    }
    return true;
}

} // namespace norvane::linux_browser
