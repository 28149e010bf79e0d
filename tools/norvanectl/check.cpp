// norvanectl check FILE: reads a configuration file the way Norvane loads it
// and prints the document Norvane would then save.
#include "commands.h"
#include "file_bytes.h"
#include "model/config_document.h"
#include "model/config_loader.h"

#include <cstdio>
#include <string>

namespace norvane::ctl {

namespace {

const char* reason(ConfigReadError error)
{
    switch (error) {
    case ConfigReadError::tooLarge:
        return "file is too large to be a configuration";
    case ConfigReadError::tooDeep:
        return "JSON is nested too deeply to be a configuration";
    case ConfigReadError::notJson:
        return "not valid JSON";
    case ConfigReadError::notConfig:
        return "neither a version-2 nor a legacy configuration document";
    }
    return "unreadable";
}

int fail(const char* path, const std::string& why)
{
    std::fprintf(stderr, "norvanectl check: %s: %s\n", path, why.c_str());
    return exitFailure;
}

} // namespace

int runCheck(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: norvanectl check FILE\n", stderr);
        return exitUsage;
    }
    const char* path = argv[1];
    std::string bytes;
    std::string why;
    if (!readFileBytes(path, maxConfigBytes, bytes, why)) {
        return fail(path, why);
    }
    auto error = ConfigReadError::notConfig;
    auto loaded = readConfigDocument(bytes, &error);
    if (!loaded) {
        return fail(path, reason(error));
    }
    // At start-up a legacy file leaves the default preferences in place.
    ConfigFile file;
    file.groups = std::move(loaded->groups);
    file.preferences = loaded->preferences.value_or(Preferences{});
    const auto text = encodeConfig(file);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        return fail(path, "cannot write standard output");
    }
    return exitOK;
}

} // namespace norvane::ctl
