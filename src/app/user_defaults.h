#pragma once

#include "app/app_types.h"

#include <QSettings>
#include <QString>

#include <optional>
#include <unordered_set>

namespace norvane {

// The per-user defaults: the master switch ("masterEnabled") and the hit
// counters ("hitCounts", one entry per mapping under its upper-case UUID).
// The switch is written at once; counter changes are gathered and written
// together by flushCounts(), so that a burst of hits costs one file write
// rather than one per hit. A write that fails (a full disk) leaves the file
// as it was, is reported, and is tried again by the next flushCounts().
//
// The file is shared with other parts of the app (the window geometry):
// each write opens it afresh, so that what others wrote in between is kept
// and a failure is reported by that write alone (QSettings keeps the first
// error it met for as long as it lives).
class UserDefaults {
public:
    explicit UserDefaults(QString path);

    // The stored boolean; true when absent or not a boolean.
    [[nodiscard]] bool masterEnabled() const;
    // Stores the switch now; the system's reason when that failed.
    std::optional<QString> setMasterEnabled(bool on);

    // The stored counters. Empty when any value is not an integer; entries
    // whose key is not a UUID (either letter case) are dropped; of two keys
    // naming the same UUID the larger count is kept. Anything dropped is
    // cleaned out of the store by the next flushCounts().
    HitCounts restoreHitCounts();
    // The counter of `id` changed; the store catches up at flushCounts().
    void countChanged(const Uuid& id) { changedCounts_.insert(id); }
    // Something is still to be written by flushCounts().
    [[nodiscard]] bool hasPendingWrites() const noexcept
    {
        return !changedCounts_.empty() || storeNeedsRewrite_ || pendingMaster_.has_value();
    }
    // Makes the store mirror `counts` (and a switch whose write failed). The
    // system's reason when the write failed; the changes then stay pending.
    std::optional<QString> flushCounts(const HitCounts& counts);

    [[nodiscard]] const QString& fileName() const noexcept { return path_; }

private:
    QString path_;
    std::unordered_set<Uuid> changedCounts_;
    bool storeNeedsRewrite_ = false;
    std::optional<bool> pendingMaster_;
};

} // namespace norvane
