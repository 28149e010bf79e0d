#pragma once

#include <functional>

namespace norvane {

// A first-in first-out queue onto the main thread. post() may be called from
// any thread, never blocks on the main thread's work, and returns at once;
// tasks run on the main thread in the order they were posted.
class Executor {
public:
    using Task = std::function<void()>;
    virtual ~Executor() = default;
    virtual void post(Task task) = 0;
};

} // namespace norvane
