// norvanectl simulate --config FILE: runs the real engine on the simulated
// platform, one script step per line of standard input, and prints what
// happens to each event and what the system does because of it.
#include "commands.h"
#include "engine/engine.h"
#include "file_bytes.h"
#include "model/config_loader.h"
#include "platform/sim/sim_platform.h"
#include "simulate_script.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace norvane::ctl {

namespace {

void emit(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

std::string orDash(const std::optional<std::string>& text)
{
    return text ? *text : std::string("-");
}

std::string mediaName(MediaKey key)
{
    return std::string(info(key).id);
}

// Prints the app model's side of the deferred work.
class PrintingListener final : public EngineListener {
public:
    void recordHit(const CompiledMapping& mapping, const std::optional<std::string>& /*appID*/) override
    {
        emit("  hit " + mapping.matchText());
    }
    void probe(const ProbeInfo& info) override
    {
        emit("  probe " + info.trigger.string() + " app=" + orDash(info.appID) + " url=" + orDash(info.url) +
             " match=" + orDash(info.match));
    }
};

// A key press posted as one tagged down and up whose flags are exactly the
// combination's modifiers reads as one combination; anything else is spelled out.
std::string describeKeyEvents(const std::vector<InputEvent>& events)
{
    if (events.size() == 2 && events[0].type == EventType::keyDown && events[1].type == EventType::keyUp &&
        events[0].keyCode == events[1].keyCode && events[0].flags == events[1].flags &&
        (events[0].flags & ~relevantMask) == 0 && events[0].isSynthetic() && events[1].isSynthetic()) {
        return Combo(events[0].keyCode, events[0].flags).string();
    }
    std::string out;
    for (const auto& e : events) {
        char flags[32];
        std::snprintf(flags, sizeof flags, "%#llx", static_cast<unsigned long long>(e.flags));
        out += std::string(out.empty() ? "" : ", ") + (e.type == EventType::keyDown ? "down " : "up ") +
               Combo(e.keyCode, e.flags).string() + " flags=" + flags + (e.isSynthetic() ? "" : " untagged");
    }
    return out.empty() ? "nothing" : out;
}

void printEffects(const std::vector<sim::Effect>& effects)
{
    using Kind = sim::Effect::Kind;
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const auto& e = effects[i];
        switch (e.kind) {
        case Kind::readURL:
            emit("  read-url " + e.appID);
            break;
        case Kind::keyEvents:
            if (e.pid == 0) {
                emit("  post " + describeKeyEvents(e.events));
            } else {
                emit("  send " + (e.appID.empty() ? "pid:" + std::to_string(e.pid) : e.appID) + " " +
                     describeKeyEvents(e.events));
            }
            break;
        case Kind::media:
            // A press is a down followed by its up: one line.
            if (e.media.down && i + 1 < effects.size() && effects[i + 1].kind == Kind::media &&
                effects[i + 1].media == MediaKeyEvent{e.media.key, false}) {
                emit("  media " + mediaName(e.media.key));
                ++i;
            } else {
                emit(std::string("  media-") + (e.media.down ? "down " : "up ") + mediaName(e.media.key));
            }
            break;
        case Kind::open:
            emit("  open " + e.appID);
            break;
        case Kind::hide:
            emit("  hide " + e.appID);
            break;
        case Kind::notice:
            if (e.shown) {
                emit("  hud " + e.notice.title + (e.notice.subtitle ? " | " + *e.notice.subtitle : ""));
            }
            break;
        }
    }
}

std::optional<LoadedDocument> load(const std::string& path, std::string& why)
{
    std::string bytes;
    if (!readFileBytes(path.c_str(), maxConfigBytes, bytes, why)) {
        return std::nullopt;
    }
    auto doc = readConfigDocument(bytes);
    if (!doc) {
        why = "not a configuration document";
    }
    return doc;
}

std::string verdict(bool delivered, const InputEvent& before, const InputEvent& after)
{
    if (!delivered) {
        return "drop";
    }
    if (after.keyCode == before.keyCode && after.flags == before.flags) {
        return "pass";
    }
    return "pass " + Combo(after.keyCode, after.flags).string();
}

class Simulation {
public:
    Simulation()
        : engine_(EngineServices{platform_.tap, platform_.output, platform_.frontmost, platform_.pages,
                                 platform_.workspace, platform_.notifier, platform_.executor, switches_, listener_})
    {
        platform_.frontmost.clear();
        engine_.start();
    }

    // A version-2 file brings its notice preference; a legacy file has none,
    // which leaves the current one (the default at start).
    void load(const LoadedDocument& doc)
    {
        if (doc.preferences) {
            platform_.notifier.setShowHUD(doc.preferences->showHUD);
        }
        engine_.compile(doc.groups);
    }

    // Returns false with `why` set when the step cannot be carried out.
    bool run(const SimStep& step, std::string& why)
    {
        using Kind = SimStep::Kind;
        switch (step.kind) {
        case Kind::app:
            platform_.setFrontmost(step.text);
            break;
        case Kind::url:
            platform_.pages.setAddress(step.text);
            break;
        case Kind::running:
            platform_.workspace.setRunning(step.words);
            break;
        case Kind::installed:
            platform_.workspace.setInstalled(step.words);
            break;
        case Kind::master:
            switches_.setMasterEnabled(step.on);
            break;
        case Kind::probe:
            switches_.setProbeActive(step.on);
            break;
        case Kind::recording:
            switches_.setRecorderActive(step.on);
            break;
        case Kind::hud:
            platform_.notifier.setShowHUD(step.on);
            break;
        case Kind::config: {
            auto doc = ctl::load(*step.text, why);
            if (!doc) {
                why = *step.text + ": " + why;
                return false;
            }
            load(*doc);
            break;
        }
        case Kind::event:
            feed(step.event);
            break;
        }
        return true;
    }

private:
    void feed(InputEvent event)
    {
        const InputEvent before = event;
        const bool delivered = platform_.tap.feed(event);
        emit(verdict(delivered, before, event));
        printEffects(platform_.journal.take());
        // The main thread's turn: the deferred work of this event, in order.
        while (platform_.executor.runOne()) {
            printEffects(platform_.journal.take());
        }
    }

    sim::Platform platform_;
    EngineSwitches switches_;
    PrintingListener listener_;
    Engine engine_;
};

int usage()
{
    std::fputs("usage: norvanectl simulate --config FILE < SCRIPT\n", stderr);
    return exitUsage;
}

} // namespace

int runSimulate(int argc, char** argv)
{
    std::string configPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--config" && i + 1 < argc) {
            configPath = argv[++i];
        } else if (arg.starts_with("--config=")) {
            configPath = std::string(arg.substr(9));
        } else {
            return usage();
        }
    }
    if (configPath.empty()) {
        return usage();
    }

    std::string why;
    const auto doc = load(configPath, why);
    if (!doc) {
        std::fprintf(stderr, "norvanectl simulate: %s: %s\n", configPath.c_str(), why.c_str());
        return exitFailure;
    }
    Simulation sim;
    sim.load(*doc);

    std::string line;
    for (long number = 1; std::getline(std::cin, line); ++number) {
        const auto parsed = parseStepLine(line);
        if (const auto* bad = std::get_if<StepError>(&parsed)) {
            std::fflush(stdout);
            std::fprintf(stderr, "norvanectl simulate: line %ld: %s: %s\n", number, bad->why.c_str(), line.c_str());
            return exitUsage;
        }
        if (const auto* step = std::get_if<SimStep>(&parsed)) {
            if (!sim.run(*step, why)) {
                std::fflush(stdout);
                std::fprintf(stderr, "norvanectl simulate: line %ld: %s\n", number, why.c_str());
                return exitFailure;
            }
        }
    }
    return std::fflush(stdout) == 0 ? exitOK : exitFailure;
}

} // namespace norvane::ctl
