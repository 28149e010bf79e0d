#include "engine/engine.h"

#include "engine/browsers.h"
#include "engine/scope_match.h"

namespace norvane {

Engine::Engine(EngineServices services) : services_(services)
{
    published_.store(CompiledRules::build({}));
    generation_.store(1, std::memory_order_release);
}

Engine::~Engine() = default;

void Engine::compile(const std::vector<RuleGroup>& groups)
{
    published_.store(CompiledRules::build(groups));
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

bool Engine::start()
{
    if (isRunning()) {
        return true;
    }
    if (!services_.tap.start(*this)) {
        return false;
    }
    running_.store(true, std::memory_order_release);
    return true;
}

std::shared_ptr<const CompiledRules> Engine::rules() const
{
    return published_.load();
}

const CompiledRules& Engine::currentRules()
{
    // One atomic load per event; the published snapshot is taken only when
    // compile() has published something new.
    const std::uint64_t gen = generation_.load(std::memory_order_acquire);
    if (gen != cachedGeneration_) [[unlikely]] {
        auto fresh = published_.load();
        if (cached_) {
            // Freeing a large index takes time: let the main thread do it.
            services_.executor.post([old = std::move(cached_)] {});
        }
        cached_ = std::move(fresh);
        cachedGeneration_ = gen;
    }
    return *cached_;
}

Engine::MappingRef Engine::keep(const CompiledMapping* mapping) const
{
    // Shares ownership of the whole snapshot: no copy, no allocation.
    return mapping != nullptr ? MappingRef(cached_, mapping) : MappingRef();
}

bool Engine::handle(InputEvent& event)
{
    switch (event.type) {
    case EventType::keyDown:
        return handleKey(true, event);
    case EventType::keyUp:
        return handleKey(false, event);
    case EventType::otherMouseDown:
        return handleMouse(true, event);
    case EventType::otherMouseUp:
        return handleMouse(false, event);
    }
    return true;
}

void Engine::observe(const InputEvent& event)
{
    if (event.type != EventType::otherMouseDown || !services_.switches.probeActive() ||
        services_.switches.recorderActive()) {
        return;
    }
    Context ctx(services_.frontmost, services_.pages);
    report(Trigger::mouse(event.button), nullptr, ctx);
}

const CompiledMapping* Engine::select(CompiledRules::Candidates candidates, Context& ctx)
{
    for (const CompiledMapping* candidate : candidates) {
        if (scopeAccepts(candidate->scope, ctx)) {
            return candidate;
        }
    }
    return nullptr;
}

bool Engine::handleKey(bool down, InputEvent& event)
{
    if (event.isSynthetic()) {
        return true;
    }
    const std::int64_t code = event.keyCode;

    if (!down) {
        // Completes whatever the key-down started, whatever changed since.
        const auto pending = pendingKeys_.take(code);
        if (!pending) {
            return true;
        }
        if (pending->kind == Pending::Kind::swallow) {
            return false;
        }
        event.keyCode = pending->combo.keyCode;
        event.flags = (event.flags & ~relevantMask) | pending->combo.modifiers;
        return true;
    }

    const EngineSwitches& switches = services_.switches;
    if (switches.recorderActive()) {
        return true;
    }
    const bool repeat = event.autorepeat != 0;
    const Combo combo(code, event.flags);

    CompiledRules::Candidates candidates;
    if (switches.masterEnabled()) {
        candidates = currentRules().keyCandidates(combo);
    }
    const bool probe = switches.probeActive();
    if (candidates.empty() && (!probe || repeat)) {
        return true;
    }

    Context ctx(services_.frontmost, services_.pages);
    const CompiledMapping* match = select(candidates, ctx);
    if (probe && !repeat) {
        report(Trigger::key(combo), match, ctx);
    }
    if (match == nullptr) {
        return true;
    }
    if (!repeat) {
        recordHit(*match, ctx);
    }

    if (const auto* keys = match->action.as<KeysAction>(); keys != nullptr && keys->combo) {
        const Combo target = *keys->combo;
        event.keyCode = target.keyCode;
        event.flags = (event.flags & ~relevantMask) | target.modifiers;
        pendingKeys_.set(code, Pending{Pending::Kind::rewrite, target});
        return true;
    }

    pendingKeys_.set(code, Pending{Pending::Kind::swallow, {}});
    if (repeat && !match->action.repeats()) {
        return false;
    }
    perform(*match);
    return false;
}

bool Engine::handleMouse(bool down, InputEvent& event)
{
    const std::int64_t button = event.button;
    if (!down) {
        return !swallowedButtons_.take(button).has_value();
    }

    const EngineSwitches& switches = services_.switches;
    if (switches.recorderActive()) {
        return true;
    }
    CompiledRules::Candidates candidates;
    if (switches.masterEnabled()) {
        candidates = currentRules().buttonCandidates(button);
    }
    const bool probe = switches.probeActive();
    if (candidates.empty() && !probe) {
        return true;
    }

    Context ctx(services_.frontmost, services_.pages);
    const CompiledMapping* match = select(candidates, ctx);
    if (probe) {
        report(Trigger::mouse(button), match, ctx);
    }
    if (match == nullptr) {
        return true;
    }
    recordHit(*match, ctx);
    swallowedButtons_.set(button, true);
    perform(*match);
    return false;
}

void Engine::report(Trigger trigger, const CompiledMapping* hit, Context& ctx)
{
    // The address is shown only for a known browser; reading it here keeps the
    // answer to what was in front when the event arrived.
    std::optional<std::string> url;
    if (const auto& app = ctx.appID(); app && isBrowser(*app)) {
        url = ctx.url();
    }
    services_.executor.post(
        [&listener = services_.listener, trigger, front = ctx.front(), url = std::move(url), hit = keep(hit)] {
            ProbeInfo info;
            info.trigger = trigger;
            if (front) {
                info.appID = front->appID;
            }
            info.url = url;
            if (hit) {
                info.match = hit->matchText();
            }
            listener.probe(info);
        });
}

void Engine::recordHit(const CompiledMapping& mapping, const Context& ctx)
{
    services_.executor.post([&listener = services_.listener, front = ctx.front(), hit = keep(&mapping)] {
        listener.recordHit(*hit, front ? front->appID : Context::noApp());
    });
}

void Engine::perform(const CompiledMapping& mapping)
{
    services_.executor.post([this, hit = keep(&mapping)] { runAction(*hit); });
}

} // namespace norvane
