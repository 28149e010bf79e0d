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

// Writes what `settings` holds; the reason when the file could not be
// written. QSettings replaces the file whole, so a failure leaves it as it
// was.
std::optional<QString> written(QSettings& settings)
{
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        return std::nullopt;
    case QSettings::AccessError:
        return settings.fileName() + QStringLiteral(": 无法写入（磁盘已满或没有权限）");
    case QSettings::FormatError:
        return settings.fileName() + QStringLiteral(": 文件格式有误");
    }
    return settings.fileName();
}

} // namespace

UserDefaults::UserDefaults(QString path) : path_(std::move(path)) {}

bool UserDefaults::masterEnabled() const
{
    const QVariant value = QSettings(path_, QSettings::IniFormat).value(masterKey);
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

std::optional<QString> UserDefaults::setMasterEnabled(bool on)
{
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(masterKey, on);
    if (auto error = written(settings)) {
        pendingMaster_ = on;
        return error;
    }
    pendingMaster_.reset();
    return std::nullopt;
}

HitCounts UserDefaults::restoreHitCounts()
{
    HitCounts counts;
    QSettings settings(path_, QSettings::IniFormat);
    settings.beginGroup(countsGroup);
    const QStringList keys = settings.childKeys();
    bool dropped = false;
    bool valid = true;
    for (const QString& key : keys) {
        const auto n = integerValue(settings.value(key));
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
    settings.endGroup();
    if (!valid) {
        counts.clear();
    }
    storeNeedsRewrite_ = dropped || !valid;
    return counts;
}

std::optional<QString> UserDefaults::flushCounts(const HitCounts& counts)
{
    QSettings settings(path_, QSettings::IniFormat);
    if (pendingMaster_) {
        settings.setValue(masterKey, *pendingMaster_);
    }
    if (storeNeedsRewrite_) {
        settings.remove(countsGroup);
    }
    settings.beginGroup(countsGroup);
    if (storeNeedsRewrite_) {
        for (const auto& [id, n] : counts) {
            settings.setValue(keyFor(id), static_cast<qlonglong>(n));
        }
    } else {
        for (const Uuid& id : changedCounts_) {
            if (const auto it = counts.find(id); it != counts.end()) {
                settings.setValue(keyFor(id), static_cast<qlonglong>(it->second));
            } else {
                settings.remove(keyFor(id));
            }
        }
    }
    settings.endGroup();
    if (auto error = written(settings)) {
        return error;
    }
    storeNeedsRewrite_ = false;
    changedCounts_.clear();
    pendingMaster_.reset();
    return std::nullopt;
}

} // namespace norvane
