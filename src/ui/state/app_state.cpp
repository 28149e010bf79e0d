#include "ui/state/app_state.h"

#include "app/app_model.h"
#include "app/templates.h"
#include "model/app_names.h"
#include "ui/icons/symbols.h"
#include "ui/state/app_directory.h"

#include <QCollator>
#include <QColor>

#include <algorithm>
#include <set>

namespace norvane::ui {

namespace {

std::optional<Uuid> uuidOf(const QString& id)
{
    return Uuid::parse(id.toStdString());
}

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

AppState::AppState(AppModel& model, AppDirectory& apps, QObject* parent)
    : QObject(parent), model_(model), apps_(apps), detailPage_(detailPage()), shownSelection_(model.selection())
{
    groups_.update(model_.groups());
    connect(&model_, &AppModel::groupsChanged, this, &AppState::groupsChanged);
    connect(&model_, &AppModel::masterEnabledChanged, this, &AppState::masterEnabledChanged);
    connect(&model_, &AppModel::inputAccessGrantedChanged, this, &AppState::accessGrantedChanged);
    connect(&model_, &AppModel::selectionChanged, this, [this] {
        // Another page ends a recording in progress.
        if (model_.selection() != shownSelection_) {
            shownSelection_ = model_.selection();
            model_.stopRecording();
        }
        emit selectionChanged();
        groupsChanged();
    });
    connect(&model_, &AppModel::showTemplatesChanged, this, &AppState::showTemplatesChanged);
    connect(&model_, &AppModel::recorderIDChanged, this, &AppState::recorderIDChanged);
    connect(&model_, &AppModel::autoRecordIDChanged, this, &AppState::autoRecordIDChanged);
    connect(&model_, &AppModel::permissionHelpChanged, this, &AppState::permissionHelpChanged);
    connect(&model_, &AppModel::loadErrorChanged, this, &AppState::loadErrorChanged);
    connect(&model_, &AppModel::saveErrorChanged, this, &AppState::saveErrorChanged);
    connect(&model_, &AppModel::outsideEditNoticeChanged, this, &AppState::outsideEditNoticeChanged);
}

void AppState::groupsChanged()
{
    groups_.update(model_.groups());
    const auto page = detailPage();
    if (page != detailPage_) {
        detailPage_ = page;
        emit detailPageChanged();
    }
}

bool AppState::masterEnabled() const
{
    return model_.masterEnabled();
}

void AppState::setMasterEnabled(bool on)
{
    model_.setMasterEnabled(on);
}

bool AppState::accessGranted() const
{
    return model_.inputAccessGranted();
}

QString AppState::selectionKind() const
{
    const auto& s = model_.selection();
    if (!s) {
        return {};
    }
    switch (s->kind) {
    case SidebarItem::Kind::group:
        return QStringLiteral("group");
    case SidebarItem::Kind::activity:
        return QStringLiteral("activity");
    case SidebarItem::Kind::general:
        break;
    }
    return QStringLiteral("general");
}

QString AppState::selectedGroupId() const
{
    const auto& s = model_.selection();
    return s && s->kind == SidebarItem::Kind::group ? text(s->groupID.string()) : QString();
}

QString AppState::detailPage() const
{
    const auto& s = model_.selection();
    if (!s) {
        return QStringLiteral("empty");
    }
    if (s->kind == SidebarItem::Kind::group) {
        const auto& groups = model_.groups();
        const bool found =
            std::any_of(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == s->groupID; });
        return found ? QStringLiteral("group") : QStringLiteral("empty");
    }
    return selectionKind();
}

bool AppState::showTemplates() const
{
    return model_.showTemplates();
}

void AppState::setShowTemplates(bool on)
{
    model_.setShowTemplates(on);
}

QString AppState::recorderID() const
{
    return model_.recorderID();
}

QString AppState::autoRecordID() const
{
    return model_.autoRecordID();
}

void AppState::setAutoRecordID(const QString& id)
{
    model_.setAutoRecordID(id);
}

QString AppState::permissionHelp() const
{
    return model_.permissionHelp();
}

QString AppState::loadError() const
{
    return model_.loadError();
}

QString AppState::saveError() const
{
    return model_.saveError();
}

QString AppState::outsideEditNotice() const
{
    return model_.outsideEditNotice();
}

void AppState::clearOutsideEditNotice()
{
    model_.clearOutsideEditNotice();
}

void AppState::select(const QString& kind, const QString& groupId)
{
    if (kind == QLatin1String("group")) {
        if (const auto id = uuidOf(groupId)) {
            model_.setSelection(SidebarItem::group(*id));
        }
    } else if (kind == QLatin1String("activity")) {
        model_.setSelection(SidebarItem::activity());
    } else if (kind == QLatin1String("general")) {
        model_.setSelection(SidebarItem::general());
    } else {
        model_.setSelection(std::nullopt);
    }
}

void AppState::selectDefault()
{
    if (model_.selection()) {
        return;
    }
    const auto& groups = model_.groups();
    model_.setSelection(groups.empty() ? SidebarItem::general() : SidebarItem::group(groups.front().id));
}

void AppState::addGroup()
{
    model_.addGroup();
}

void AppState::duplicateGroup(const QString& id)
{
    if (const auto uuid = uuidOf(id)) {
        model_.duplicateGroup(*uuid);
    }
}

void AppState::deleteGroup(const QString& id)
{
    if (const auto uuid = uuidOf(id)) {
        model_.deleteGroup(*uuid);
    }
}

void AppState::toggleGroup(const QString& id)
{
    const auto uuid = uuidOf(id);
    auto groups = model_.groups();
    const auto it = std::find_if(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == uuid; });
    if (!uuid || it == groups.end()) {
        return;
    }
    it->enabled = !it->enabled;
    model_.setGroups(std::move(groups));
}

void AppState::moveGroup(int from, int to)
{
    auto groups = model_.groups();
    const int n = static_cast<int>(groups.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) {
        return;
    }
    const auto first = groups.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
    model_.setGroups(std::move(groups));
}

void AppState::requestAccess()
{
    model_.requestInputAccess();
}

QVariantList AppState::templates() const
{
    QVariantList out;
    for (const Template& t : norvane::templates()) {
        QVariantList colors;
        for (const Rgb& c : t.colors) {
            colors.append(QVariant::fromValue(
                QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green), static_cast<float>(c.blue))));
        }
        out.append(QVariantMap{{QStringLiteral("id"), text(std::string(t.id))},
                               {QStringLiteral("title"), text(std::string(t.title))},
                               {QStringLiteral("subtitle"), text(std::string(t.subtitle))},
                               {QStringLiteral("symbol"), text(std::string(symbolName(t.icon)))},
                               {QStringLiteral("colors"), colors},
                               {QStringLiteral("preview"), templatePreview(std::string(t.id))}});
    }
    return out;
}

QVariantMap AppState::templatePreview(const std::string& id) const
{
    const auto mapping = model_.templatePreview(id);
    if (!mapping || !mapping->trigger || !mapping->action || !mapping->action->isComplete()) {
        return {};
    }
    QVariantMap out{{QStringLiteral("trigger"), triggerInfo(*mapping->trigger)}};
    const auto* keys = mapping->action->as<KeysAction>();
    if (keys != nullptr && keys->combo) {
        out.insert(QStringLiteral("keys"), triggerInfo(Trigger::key(*keys->combo)));
    } else {
        out.insert(QStringLiteral("summary"), text(mapping->action->summary()));
    }
    return out;
}

void AppState::addTemplate(const QString& id)
{
    model_.addTemplate(id.toStdString());
    model_.setShowTemplates(false);
}

void AppState::startRecording(const QString& id, bool allowMouse)
{
    model_.startRecording(id, allowMouse,
                          [this, id](const Trigger& trigger) { emit recorded(id, triggerInfo(trigger)); });
}

void AppState::stopRecording()
{
    model_.stopRecording();
}

QVariantMap AppState::triggerInfo(const QString& text) const
{
    const auto trigger = Trigger::parse(text.toStdString());
    return trigger ? triggerInfo(*trigger) : QVariantMap{{QStringLiteral("valid"), false}};
}

QVariantMap AppState::triggerInfo(const Trigger& trigger)
{
    QStringList symbols;
    if (trigger.isKey()) {
        for (const auto& s : trigger.combo().symbols()) {
            symbols << text(s);
        }
    }
    return {{QStringLiteral("valid"), true},
            {QStringLiteral("mouse"), trigger.isMouse()},
            {QStringLiteral("text"), text(trigger.string())},
            {QStringLiteral("label"), text(trigger.label())},
            {QStringLiteral("symbols"), symbols},
            {QStringLiteral("button"), trigger.isMouse() ? static_cast<qlonglong>(trigger.button()) : 0},
            {QStringLiteral("buttonName"), trigger.isMouse() ? text(mouseButtonName(trigger.button())) : QString()}};
}

QVariantMap AppState::groupInfo(const QString& id, int, int) const
{
    const int row = groups_.rowOf(id);
    if (row < 0) {
        return {};
    }
    QVariantMap out;
    const auto at = groups_.index(row);
    const auto roles = groups_.roleNames();
    for (auto it = roles.begin(); it != roles.end(); ++it) {
        out.insert(QString::fromLatin1(it.value()), groups_.data(at, it.key()));
    }
    return out;
}

QString AppState::appName(const QString& id) const
{
    return text(norvane::appName(id.toStdString()));
}

QVariantList AppState::runningApps(const QStringList& exclude) const
{
    struct Named {
        std::string id;
        QString name;
    };
    std::vector<Named> list;
    std::set<std::string> seen;
    for (auto& id : apps_.running()) {
        if (id == model_.ownAppID() || !seen.insert(id).second) {
            continue;
        }
        list.push_back({id, text(norvane::appName(id))});
    }
    QCollator collator;
    std::stable_sort(list.begin(), list.end(),
                     [&](const Named& a, const Named& b) { return collator.compare(a.name, b.name) < 0; });
    QVariantList out;
    for (const auto& app : list) {
        if (exclude.contains(text(app.id))) {
            continue;
        }
        out.append(QVariantMap{{QStringLiteral("id"), text(app.id)}, {QStringLiteral("name"), app.name}});
    }
    return out;
}

QVariantList AppState::installedApps() const
{
    QVariantList out;
    for (const auto& app : apps_.installed()) {
        out.append(QVariantMap{{QStringLiteral("id"), text(app.id)}, {QStringLiteral("name"), text(app.name)}});
    }
    return out;
}

} // namespace norvane::ui
