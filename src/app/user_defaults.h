#pragma once

#include "app/app_types.h"

#include <QSettings>
#include <QString>

#include <unordered_set>

namespace norvane {

// The per-user defaults: the master switch ("masterEnabled") and the hit
// counters ("hitCounts", one entry per mapping under its upper-case UUID).
// Writes go to memory at once and reach the file shortly after, from the
// event loop (or at sync() / destruction). Counter changes are gathered and
// written together by flushCounts(), so that a burst of hits costs one file
// write rather than one per hit.
class UserDefaults {
public:
    explicit UserDefaults(const QString& path);

    // The stored boolean; true when absent or not a boolean.
    [[nodiscard]] bool masterEnabled() const;
    void setMasterEnabled(bool on);

    // The stored counters. Empty when any value is not an integer; entries
    // whose key is not a UUID (either letter case) are dropped; of two keys
    // naming the same UUID the larger count is kept. Anything dropped is
    // cleaned out of the store by the next flushCounts().
    HitCounts restoreHitCounts();
    // The counter of `id` changed; the store catches up at flushCounts().
    void countChanged(const Uuid& id) { changedCounts_.insert(id); }
    [[nodiscard]] bool hasChangedCounts() const noexcept { return !changedCounts_.empty(); }
    // Makes the store mirror `counts` as a whole.
    void flushCounts(const HitCounts& counts);

    void sync() { settings_.sync(); }
    [[nodiscard]] QString fileName() const { return settings_.fileName(); }

private:
    void replaceHitCounts(const HitCounts& counts);

    QSettings settings_;
    std::unordered_set<Uuid> changedCounts_;
    bool storeNeedsRewrite_ = false;
};

} // namespace norvane
