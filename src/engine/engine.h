#pragma once

#include "engine/compiled_rules.h"
#include "engine/engine_hooks.h"
#include "engine/event_context.h"
#include "engine/int_table.h"
#include "platform/event_output.h"
#include "platform/event_tap.h"
#include "platform/executor.h"
#include "platform/notifier.h"
#include "platform/page_address.h"
#include "platform/shared_snapshot.h"
#include "platform/spsc_ring.h"
#include "platform/workspace.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace norvane {

// Everything the engine reaches outside itself. All referenced objects must
// outlive the engine, and the engine must outlive the tasks it posted to the
// executor.
struct EngineServices {
    EventTap& tap;
    EventOutput& output;
    const FrontmostSource& frontmost;
    const PageAddressSource& pages;
    Workspace& workspace;
    Notifier& notifier;
    Executor& executor;
    const EngineSwitches& switches;
    EngineListener& listener;
};

// The remapping engine. For every tapped event it decides whether the event
// passes unchanged, passes rewritten in place, or is dropped and its rule's
// action performed.
//
// Threads: compile(), start() and the action helpers run on the main thread;
// handle() runs on the input thread. The compiled rules are one immutable
// snapshot published by compile() with an atomic swap; the input thread keeps
// its own reference and picks up a new one when the generation changes. The
// key-up and button-release bookkeeping belongs to the input thread alone.
// Work that must not delay an event (probe report, hit, action, in that
// order) goes to the main thread as one fixed-size record in a preallocated
// ring, with one executor wake per batch: a fired rule neither allocates nor
// locks on the input thread.
class Engine final : public InputHandler, private Executor::Queue {
public:
    using Context = EventContext;

    // What to do with the key-up of a key whose key-down a rule consumed.
    struct Pending {
        enum class Kind : std::uint8_t { rewrite, swallow };
        Kind kind = Kind::swallow;
        Combo combo; // the key-up becomes this combination's key-up (rewrite)
    };

    // Records waiting for the main thread at most; past that, hand-offs are
    // dropped (and said so once) rather than stalling the input thread.
    static constexpr std::size_t handoffCapacity = 2048;

    explicit Engine(EngineServices services);
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Main thread. Rebuilds the indexes from the full group list and publishes
    // them; never touches pending key-ups or swallowed buttons.
    void compile(const std::vector<RuleGroup>& groups);
    // Main thread. Installs the tap if it is not installed; true when running.
    bool start();
    [[nodiscard]] bool isRunning() const noexcept { return running_.load(std::memory_order_acquire); }
    // The rules most recently published by compile().
    [[nodiscard]] std::shared_ptr<const CompiledRules> rules() const;

    // Input thread: the tap callback. True delivers the (possibly changed)
    // event, false drops it.
    bool handle(InputEvent& event) override;
    // Input thread: an extra button of a mouse that is not held. Shown to the
    // live probe (as matching no rule); never fires a rule.
    void observe(const InputEvent& event) override;

    // Main thread: the pieces of performing an action.
    // A tagged key-down and key-up whose flags are exactly the combination's
    // modifiers; nothing for a key code no keyboard event can carry.
    static std::vector<InputEvent> makeKeyEvents(Combo combo);
    // One press (down, then up) of a media key type.
    void postMediaKey(MediaKey key);
    // Hides the application when it is in front, else opens it if installed.
    void toggleApp(const std::string& appID);
    // Runs a rule's action now.
    void runAction(const CompiledMapping& mapping);

    // Hand-offs waiting for the main thread (a hint, from any thread).
    [[nodiscard]] std::size_t handoffsWaiting() const noexcept { return handoffs_.size(); }
    // Hand-offs dropped so far because the ring was full (any thread).
    [[nodiscard]] std::uint64_t handoffsDropped() const noexcept { return dropped_.load(std::memory_order_relaxed); }

private:
    // What one event hands to the main thread: a probe report, a hit, an
    // action, or a superseded snapshot to free there. The ring keeps the
    // order: a snapshot is retired after every record that points into it,
    // so the main thread frees it only once those are done.
    struct Handoff {
        bool report = false;
        bool hit = false;
        bool perform = false;
        Trigger trigger = Trigger::mouse(0);
        const CompiledMapping* mapping = nullptr; // the rule that fired (none in a report that matched nothing)
        std::shared_ptr<const FrontApp> front;
        PageAddress url; // for the report, read from a browser
        std::shared_ptr<const CompiledRules> retired;
    };

    bool handleKey(bool down, InputEvent& event, Handoff& out);
    bool handleMouse(bool down, InputEvent& event, Handoff& out);
    const CompiledRules& currentRules();
    // First candidate whose scope accepts the context, or none.
    static const CompiledMapping* select(CompiledRules::Candidates candidates, Context& ctx);

    void report(Trigger trigger, const CompiledMapping* hit, Context& ctx, Handoff& out);
    void recordHit(const CompiledMapping& mapping, Context& ctx, Handoff& out);
    void perform(const CompiledMapping& mapping, Handoff& out);
    // Input thread: queues the record and wakes the main thread once per batch.
    bool send(Handoff& record);
    // Executor::Queue, main thread.
    void drain() override;

    EngineServices services_;
    std::atomic<bool> running_{false};

    // Published by the main thread.
    SharedSnapshot<CompiledRules> published_;
    std::atomic<std::uint64_t> generation_{0};

    // Input thread only.
    std::shared_ptr<const CompiledRules> cached_;
    std::uint64_t cachedGeneration_ = 0;
    IntTable<Pending> pendingKeys_;
    IntTable<bool> swallowedButtons_;

    // Input thread to main thread.
    SpscRing<Handoff, handoffCapacity> handoffs_;
    std::atomic<bool> wakePending_{false};
    std::atomic<std::uint64_t> dropped_{0};
    std::uint64_t droppedSaid_ = 0; // main thread
};

} // namespace norvane
