#include "app/user_defaults.h"

#include <algorithm>

namespace norvane {

namespace {

const QString masterKey = QStringLiteral("masterEnabled");
const QString countsGroup = QStringLiteral("hitCounts");

std::optional<std::int64_t> integerValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::QString: {
        // What the file holds; anything with a fraction, an exponent or
        // surrounding text is not an integer.
        bool ok = false;
        const qlonglong n = value.toString().toLongLong(&ok, 10);
        return ok ? std::optional<std::int64_t>(n) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

QString keyFor(const Uuid& id)
{
    return QString::fromStdString(id.string());
}

} // namespace

UserDefaults::UserDefaults(const QString& path) : settings_(path, QSettings::IniFormat) {}

bool UserDefaults::masterEnabled() const
{
    const QVariant value = settings_.value(masterKey);
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("false")) {
            return false;
        }
    }
    return true;
}

void UserDefaults::setMasterEnabled(bool on)
{
    settings_.setValue(masterKey, on);
}

HitCounts UserDefaults::restoreHitCounts()
{
    HitCounts counts;
    settings_.beginGroup(countsGroup);
    const QStringList keys = settings_.childKeys();
    bool dropped = false;
    bool valid = true;
    for (const QString& key : keys) {
        const auto n = integerValue(settings_.value(key));
        if (!n) {
            valid = false;
            break;
        }
        const auto id = Uuid::parse(key.toStdString());
        if (!id || key != keyFor(*id)) {
            // Not a UUID, or one not written the way this program writes it.
            dropped = true;
            if (!id) {
                continue;
            }
        }
        auto [it, inserted] = counts.try_emplace(*id, *n);
        if (!inserted) {
            it->second = std::max(it->second, *n);
        }
    }
    settings_.endGroup();
    if (!valid) {
        counts.clear();
    }
    storeNeedsRewrite_ = dropped || !valid;
    return counts;
}

void UserDefaults::flushCounts(const HitCounts& counts)
{
    if (storeNeedsRewrite_) {
        replaceHitCounts(counts);
        storeNeedsRewrite_ = false;
        changedCounts_.clear();
        return;
    }
    settings_.beginGroup(countsGroup);
    for (const Uuid& id : changedCounts_) {
        if (const auto it = counts.find(id); it != counts.end()) {
            settings_.setValue(keyFor(id), static_cast<qlonglong>(it->second));
        } else {
            settings_.remove(keyFor(id));
        }
    }
    settings_.endGroup();
    changedCounts_.clear();
}

void UserDefaults::replaceHitCounts(const HitCounts& counts)
{
    settings_.remove(countsGroup);
    settings_.beginGroup(countsGroup);
    for (const auto& [id, n] : counts) {
        settings_.setValue(keyFor(id), static_cast<qlonglong>(n));
    }
    settings_.endGroup();
}

} // namespace norvane
