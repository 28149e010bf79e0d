#include "platform/sim/sim_journal.h"

namespace norvane::sim {

void Journal::add(Effect effect)
{
    const std::lock_guard lock(mutex_);
    effects_.push_back(std::move(effect));
}

std::vector<Effect> Journal::take()
{
    const std::lock_guard lock(mutex_);
    std::vector<Effect> out;
    out.swap(effects_);
    return out;
}

std::vector<Effect> Journal::entries() const
{
    const std::lock_guard lock(mutex_);
    return effects_;
}

void Journal::clear()
{
    const std::lock_guard lock(mutex_);
    effects_.clear();
}

} // namespace norvane::sim
