#include "engine/engine.h"

#include "engine/browsers.h"
#include "engine/scope_match.h"

#include <cstdio>

namespace norvane {

Engine::Engine(EngineServices services) : services_(services)
{
    published_.store(CompiledRules::build({}));
    generation_.store(1, std::memory_order_release);
    services_.executor.attach(*this);
}

Engine::~Engine()
{
    services_.executor.detach(*this);
}

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
        // Freeing a large index takes time: the main thread does it. While
        // the hand-off ring is full the old rules stay in use a little longer.
        Handoff retire;
        retire.retired = cached_;
        if (!cached_ || send(retire)) {
            cached_ = published_.load();
            cachedGeneration_ = gen;
        }
    }
    return *cached_;
}

bool Engine::handle(InputEvent& event)
{
    Handoff out;
    bool deliver = true;
    switch (event.type) {
    case EventType::keyDown:
        deliver = handleKey(true, event, out);
        break;
    case EventType::keyUp:
        deliver = handleKey(false, event, out);
        break;
    case EventType::otherMouseDown:
        deliver = handleMouse(true, event, out);
        break;
    case EventType::otherMouseUp:
        deliver = handleMouse(false, event, out);
        break;
    }
    if (out.report || out.hit || out.perform) {
        send(out);
    }
    return deliver;
}

void Engine::observe(const InputEvent& event)
{
    if (event.type != EventType::otherMouseDown || !services_.switches.probeActive() ||
        services_.switches.recorderActive()) {
        return;
    }
    Context ctx(services_.frontmost, services_.pages);
    Handoff out;
    report(Trigger::mouse(event.button), nullptr, ctx, out);
    send(out);
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

bool Engine::handleKey(bool down, InputEvent& event, Handoff& out)
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
        report(Trigger::key(combo), match, ctx, out);
    }
    if (match == nullptr) {
        return true;
    }
    if (!repeat) {
        recordHit(*match, ctx, out);
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
    perform(*match, out);
    return false;
}

bool Engine::handleMouse(bool down, InputEvent& event, Handoff& out)
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
        report(Trigger::mouse(button), match, ctx, out);
    }
    if (match == nullptr) {
        return true;
    }
    recordHit(*match, ctx, out);
    swallowedButtons_.set(button, true);
    perform(*match, out);
    return false;
}

void Engine::report(Trigger trigger, const CompiledMapping* hit, Context& ctx, Handoff& out)
{
    out.report = true;
    out.trigger = trigger;
    out.mapping = hit;
    out.front = ctx.front();
    // The address is shown only for a known browser; reading it here keeps the
    // answer to what was in front when the event arrived.
    if (const auto& app = ctx.appID(); app && isBrowser(*app)) {
        out.url = ctx.url();
    }
}

void Engine::recordHit(const CompiledMapping& mapping, Context& ctx, Handoff& out)
{
    out.hit = true;
    out.mapping = &mapping;
    if (!out.front) {
        // The context is done with: its reference moves on (no count taken).
        out.front = ctx.takeFront();
    }
}

void Engine::perform(const CompiledMapping& mapping, Handoff& out)
{
    out.perform = true;
    out.mapping = &mapping;
}

bool Engine::send(Handoff& record)
{
    if (!handoffs_.push([&record](Handoff& slot) { slot = std::move(record); })) {
        if (!record.retired) { // a snapshot is retried with the next event, not lost
            dropped_.fetch_add(1, std::memory_order_relaxed);
        }
        return false;
    }
    // One wake until the main thread starts draining: it takes the whole
    // batch. (An exchange, not a load: the drain's exchange must see every
    // record pushed before a wake it answers.)
    if (!wakePending_.exchange(true, std::memory_order_acq_rel)) {
        services_.executor.wake();
    }
    return true;
}

void Engine::drain()
{
    // Reading the flag back pairs with the producer's exchange: every record
    // pushed before a skipped wake is visible to the drain below.
    (void)wakePending_.exchange(false, std::memory_order_acq_rel);
    handoffs_.drain([this](Handoff& h) {
        if (h.report) {
            ProbeInfo info;
            info.trigger = h.trigger;
            if (h.front) {
                info.appID = h.front->appID;
            }
            info.url = copyOf(h.url);
            if (h.mapping) {
                info.match = h.mapping->matchText();
            }
            services_.listener.probe(info);
        }
        if (h.hit) {
            services_.listener.recordHit(*h.mapping, h.front ? h.front->appID : Context::noApp());
        }
        if (h.perform) {
            runAction(*h.mapping);
        }
    });
    if (const std::uint64_t dropped = dropped_.load(std::memory_order_relaxed); dropped > droppedSaid_) {
        if (droppedSaid_ == 0) {
            std::fprintf(stderr,
                         "norvane: the window's thread fell behind; %llu probe reports, hits or actions were dropped\n",
                         static_cast<unsigned long long>(dropped));
        }
        droppedSaid_ = dropped;
    }
}

} // namespace norvane
