#pragma once

#include <functional>

namespace norvane {

// A first-in first-out queue onto the main thread. post() may be called from
// any thread, never blocks on the main thread's work, and returns at once;
// tasks run on the main thread in the order they were posted.
//
// post() may allocate and lock. A thread that must do neither (the input
// thread) keeps its own preallocated queue instead, attaches it here and
// calls wake() after filling it: the main thread then drains it.
class Executor {
public:
    using Task = std::function<void()>;

    // A queue filled on another thread and emptied on the main thread.
    class Queue {
    public:
        virtual ~Queue() = default;
        // Main thread: handles everything queued so far.
        virtual void drain() = 0;
    };

    virtual ~Executor() = default;
    virtual void post(Task task) = 0;

    // Main thread. An attached queue is drained after every wake() until it
    // is detached; once detach() returns it is not drained again.
    virtual void attach(Queue& queue) = 0;
    virtual void detach(Queue& queue) = 0;
    // Any thread: has the attached queues drained on the main thread soon.
    // Allocates nothing and takes no lock the main thread can hold; wakes
    // that come before the drain runs may be served by one drain.
    virtual void wake() noexcept = 0;
};

} // namespace norvane
