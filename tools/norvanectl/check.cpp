// norvanectl check FILE: reads a configuration file the way Norvane loads it
// and prints the document Norvane would then save. Standard error says why a
// file was refused, or lists each value that was replaced by its default, so
// that a person editing the file by hand can find the mistake.
#include "commands.h"
#include "file_bytes.h"
#include "model/config_document.h"
#include "model/config_loader.h"

#include <cstdio>
#include <string>

namespace norvane::ctl {

namespace {

// The messages quote the file, which may hold anything: control characters
// are shown as '?' rather than reaching the terminal.
void report(const char* path, std::string line)
{
    for (auto& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20U || byte == 0x7FU) {
            c = '?';
        }
    }
    std::fprintf(stderr, "norvanectl check: %s: %s\n", path, line.c_str());
}

int fail(const char* path, const std::string& why)
{
    report(path, why);
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
    ConfigDiagnostics diagnostics;
    auto loaded = readConfigDocument(bytes, &error, &diagnostics);
    if (!loaded) {
        std::string reason = describe(error);
        if (!diagnostics.refusal.empty()) {
            reason += ": " + diagnostics.refusal;
        }
        return fail(path, reason);
    }
    for (const auto& line : diagnostics.replaced) {
        report(path, line);
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
