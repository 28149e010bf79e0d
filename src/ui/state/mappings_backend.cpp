#include "ui/state/mappings_backend.h"

#include "app/app_model.h"
#include "ui/icons/symbols.h"
#include "ui/state/app_state.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace norvane::ui {

namespace {

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A trigger from its text form or from a recorder's map ({text: ...}).
std::optional<Trigger> triggerFrom(const QVariant& value)
{
    const QString form = value.typeId() == QMetaType::QVariantMap
                             ? value.toMap().value(QStringLiteral("text")).toString()
                             : value.toString();
    return Trigger::parse(form.toStdString());
}

std::vector<RuleGroup>::iterator findGroup(std::vector<RuleGroup>& groups, const std::optional<Uuid>& id)
{
    return std::find_if(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == id; });
}

} // namespace

MappingsBackend::MappingsBackend(AppState& state, QObject* parent) : QObject(parent), model_(state.model())
{
    connect(&model_, &AppModel::groupsChanged, this, &MappingsBackend::refresh);
    connect(&model_, &AppModel::countsChanged, this, &MappingsBackend::refreshCounts);
    connect(&state, &AppState::recorded, this, &MappingsBackend::onRecorded);
}

void MappingsBackend::setGroupId(const QString& id)
{
    if (id == groupId_) {
        return;
    }
    groupId_ = id;
    rows_.reset(currentRows());
    emit groupIdChanged();
}

QVariantList MappingsBackend::actionKinds()
{
    QVariantList out;
    for (const ActionKind kind : allActionKinds) {
        const auto& k = info(kind);
        out.append(QVariantMap{{QStringLiteral("id"), text(k.id)},
                               {QStringLiteral("title"), text(k.title)},
                               {QStringLiteral("shortTitle"), text(k.shortTitle)},
                               {QStringLiteral("symbol"), text(symbolName(k.icon))}});
    }
    return out;
}

QVariantList MappingsBackend::mediaKeys()
{
    QVariantList out;
    for (const MediaKey key : allMediaKeys) {
        const auto& k = info(key);
        out.append(QVariantMap{{QStringLiteral("id"), text(k.id)},
                               {QStringLiteral("title"), text(k.title)},
                               {QStringLiteral("symbol"), text(symbolName(k.icon))}});
    }
    return out;
}

std::vector<MappingListModel::Row> MappingsBackend::currentRows() const
{
    const auto& groups = model_.groups();
    const auto id = Uuid::parse(groupId_.toStdString());
    const auto group = std::find_if(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == id; });
    if (group == groups.end()) {
        return {};
    }

    // Asking the model for every mapping's warning costs a pass over the
    // group and the earlier groups per mapping; a group of 1,000 mappings
    // would take that a million times on every keystroke in a note. Only a
    // mapping whose trigger is used by another mapping of the group or of
    // an earlier group, or that has no modifier, can have a warning, so only
    // those are asked.
    std::unordered_set<Trigger> earlier;
    for (auto g = groups.begin(); g != group; ++g) {
        for (const Mapping& m : g->mappings) {
            if (g->enabled && m.enabled && m.trigger) {
                earlier.insert(*m.trigger);
            }
        }
    }
    struct Users {
        Uuid first;
        bool several = false; // another mapping id uses the trigger too
    };
    std::unordered_map<Trigger, Users> here;
    for (const Mapping& m : group->mappings) {
        if (m.enabled && m.trigger) {
            const auto [it, added] = here.try_emplace(*m.trigger, Users{m.id});
            it->second.several = it->second.several || (!added && it->second.first != m.id);
        }
    }
    const auto mayConflict = [&](const Mapping& m) {
        if (!m.enabled || !m.trigger) {
            return false;
        }
        const Trigger& t = *m.trigger;
        return (t.isKey() && !t.combo().hasModifiers()) || here.at(t).several || earlier.contains(t);
    };

    const auto& counts = model_.counts();
    std::vector<MappingListModel::Row> rows;
    rows.reserve(group->mappings.size());
    for (const Mapping& m : group->mappings) {
        const auto conflict = mayConflict(m) ? model_.conflict(m, *group) : std::nullopt;
        const auto hits = counts.find(m.id);
        rows.push_back(
            {m, conflict ? QString::fromStdString(*conflict) : QString(), hits == counts.end() ? 0 : hits->second});
    }
    return rows;
}

void MappingsBackend::refresh()
{
    rows_.update(currentRows());
}

void MappingsBackend::refreshCounts()
{
    const auto& counts = model_.counts();
    auto rows = rows_.rows();
    for (auto& row : rows) {
        const auto hits = counts.find(row.mapping.id);
        row.hits = hits == counts.end() ? 0 : hits->second;
    }
    rows_.update(std::move(rows));
}

void MappingsBackend::editMapping(const QString& id, const Edit& edit)
{
    const auto mappingID = Uuid::parse(id.toStdString());
    if (!mappingID) {
        return;
    }
    auto groups = model_.groups();
    const auto group = findGroup(groups, Uuid::parse(groupId_.toStdString()));
    if (group == groups.end()) {
        return;
    }
    auto& mappings = group->mappings;
    const auto m = std::find_if(mappings.begin(), mappings.end(), [&](const Mapping& x) { return x.id == mappingID; });
    if (m == mappings.end() || !edit(*m)) {
        return;
    }
    model_.setGroups(std::move(groups));
}

QString MappingsBackend::add()
{
    auto groups = model_.groups();
    const auto group = findGroup(groups, Uuid::parse(groupId_.toStdString()));
    if (group == groups.end()) {
        return {};
    }
    Mapping mapping;
    QString id = QString::fromStdString(mapping.id.string());
    model_.setAutoRecordID(QString::fromStdString(mapping.triggerRecorderID()));
    group->mappings.push_back(std::move(mapping));
    model_.setGroups(std::move(groups));
    return id;
}

void MappingsBackend::remove(const QString& id)
{
    const auto mappingID = Uuid::parse(id.toStdString());
    auto groups = model_.groups();
    const auto group = findGroup(groups, Uuid::parse(groupId_.toStdString()));
    if (!mappingID || group == groups.end()) {
        return;
    }
    const auto removed = std::erase_if(group->mappings, [&](const Mapping& m) { return m.id == *mappingID; });
    if (removed == 0) {
        return;
    }
    // A recorder of the deleted row would otherwise go on swallowing the
    // next key press for a mapping that is gone.
    const QString recorder = model_.recorderID();
    if (recorder == id + QStringLiteral("-t") || recorder == id + QStringLiteral("-a")) {
        model_.stopRecording();
    }
    model_.setGroups(std::move(groups));
}

void MappingsBackend::setEnabled(const QString& id, bool on)
{
    editMapping(id, [on](Mapping& m) { return std::exchange(m.enabled, on) != on; });
}

void MappingsBackend::setTrigger(const QString& id, const QVariant& trigger)
{
    const auto parsed = triggerFrom(trigger);
    if (!parsed) {
        return;
    }
    editMapping(id, [&](Mapping& m) { return std::exchange(m.trigger, parsed) != parsed; });
}

void MappingsBackend::setActionKind(const QString& id, const QString& kind)
{
    const auto chosen = actionKindFromRaw(kind.toStdString());
    if (!chosen) {
        return;
    }
    editMapping(id, [&](Mapping& m) {
        const ActionKind current = m.action ? m.action->kind() : ActionKind::keys;
        if (*chosen == current) {
            return false;
        }
        m.action = Action::empty(*chosen);
        return true;
    });
}

void MappingsBackend::setActionKeys(const QString& id, const QVariant& trigger)
{
    const auto parsed = triggerFrom(trigger);
    if (!parsed || !parsed->isKey()) {
        return;
    }
    const Combo combo = parsed->combo();
    editMapping(id, [&](Mapping& m) {
        std::optional<Action> next;
        if (!m.action || m.action->kind() == ActionKind::keys) {
            next = Action::keys(combo);
        } else if (const auto* send = m.action->as<SendKeysAction>()) {
            next = Action::sendKeys(send->app, combo);
        } else {
            return false;
        }
        return std::exchange(m.action, next) != next;
    });
}

void MappingsBackend::setMediaKey(const QString& id, const QString& key)
{
    const auto parsed = mediaKeyFromRaw(key.toStdString());
    if (!parsed) {
        return;
    }
    const std::optional<Action> next = Action::media(*parsed);
    editMapping(id, [&](Mapping& m) { return std::exchange(m.action, next) != next; });
}

void MappingsBackend::setActionApp(const QString& id, const QString& appId)
{
    const std::string app = appId.toStdString();
    editMapping(id, [&](Mapping& m) {
        std::optional<Action> next;
        if (const auto* send = m.action ? m.action->as<SendKeysAction>() : nullptr) {
            next = Action::sendKeys(app, send->combo);
        } else if (m.action && m.action->kind() == ActionKind::openApp) {
            next = Action::openApp(app);
        } else {
            return false;
        }
        return std::exchange(m.action, next) != next;
    });
}

void MappingsBackend::setNote(const QString& id, const QString& note)
{
    const std::string value = note.toStdString();
    editMapping(id, [&](Mapping& m) { return std::exchange(m.note, value) != value; });
}

void MappingsBackend::onRecorded(const QString& recorderId, const QVariantMap& trigger)
{
    const QString id = recorderId.chopped(std::min<qsizetype>(2, recorderId.size()));
    if (rows_.rowOf(id) < 0) {
        return;
    }
    if (recorderId.endsWith(QStringLiteral("-t"))) {
        setTrigger(id, trigger);
    } else if (recorderId.endsWith(QStringLiteral("-a"))) {
        setActionKeys(id, trigger);
    }
}

} // namespace norvane::ui
