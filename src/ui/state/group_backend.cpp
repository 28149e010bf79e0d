#include "ui/state/group_backend.h"

#include "app/app_model.h"
#include "app/page_keyword.h"
#include "model/app_names.h"
#include "ui/state/app_state.h"
#include "ui/state/group_style.h"

#include <algorithm>

namespace norvane::ui {

namespace {

QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

const char* modeName(ScopeMode mode)
{
    switch (mode) {
    case ScopeMode::only:
        return "only";
    case ScopeMode::except:
        return "except";
    case ScopeMode::all:
        break;
    }
    return "all";
}

} // namespace

GroupBackend::GroupBackend(AppState& state, Workspace& workspace, const PageAddressSource& pages, QObject* parent)
    : QObject(parent), state_(state), workspace_(workspace), pages_(pages)
{
    auto& model = state_.model();
    connect(&model, &AppModel::groupsChanged, this, &GroupBackend::follow);
    connect(&model, &AppModel::countsChanged, this, &GroupBackend::changed);
    connect(&state_, &AppState::selectionChanged, this, &GroupBackend::follow);
    follow();
}

void GroupBackend::follow()
{
    const QString id = state_.selectionKind() == QLatin1String("group") ? state_.selectedGroupId() : QString();
    if (id != groupId_) {
        // The keyword hint belongs to the page of one group.
        groupId_ = id;
        setHint({});
    }
    emit changed();
}

const RuleGroup* GroupBackend::group() const
{
    const auto uuid = Uuid::parse(groupId_.toStdString());
    if (!uuid) {
        return nullptr;
    }
    const auto& groups = state_.model().groups();
    const auto it = std::find_if(groups.begin(), groups.end(), [&](const RuleGroup& g) { return g.id == *uuid; });
    return it == groups.end() ? nullptr : &*it;
}

template <typename Edit> void GroupBackend::write(Edit edit)
{
    const auto* current = group();
    if (current == nullptr) {
        return;
    }
    auto& model = state_.model();
    auto groups = model.groups();
    auto& target = groups[static_cast<std::size_t>(current - model.groups().data())];
    if (!edit(target)) {
        return;
    }
    model.setGroups(std::move(groups));
}

bool GroupBackend::exists() const
{
    return group() != nullptr;
}

QString GroupBackend::name() const
{
    const auto* g = group();
    return g ? text(g->name) : QString();
}

bool GroupBackend::groupEnabled() const
{
    const auto* g = group();
    return g && g->enabled;
}

QString GroupBackend::statistics() const
{
    const auto* g = group();
    if (g == nullptr) {
        return {};
    }
    QString out = QString::number(g->mappings.size()) + QStringLiteral(" 个映射");
    if (!g->enabled) {
        return out + QStringLiteral(" · 已停用");
    }
    const auto total = state_.model().totalCount(*g);
    if (total >= 1) {
        out += QStringLiteral(" · 累计触发 ") + QString::number(total) + QStringLiteral(" 次");
    }
    return out;
}

QString GroupBackend::iconApp() const
{
    const auto* g = group();
    if (g == nullptr) {
        return {};
    }
    const auto icon = groupIcon(*g);
    return icon.appID ? text(*icon.appID) : QString();
}

QString GroupBackend::iconStyle() const
{
    const auto* g = group();
    return QString::fromLatin1(styleName(g ? groupIcon(*g).style : GroupStyle::command));
}

QString GroupBackend::mode() const
{
    const auto* g = group();
    return QString::fromLatin1(modeName(g ? g->scope.mode : ScopeMode::all));
}

QVariantList GroupBackend::apps() const
{
    QVariantList out;
    if (const auto* g = group()) {
        for (const auto& id : g->scope.apps) {
            out.push_back(QVariantMap{{QStringLiteral("id"), text(id)}, {QStringLiteral("name"), text(appName(id))}});
        }
    }
    return out;
}

QStringList GroupBackend::appIds() const
{
    QStringList out;
    if (const auto* g = group()) {
        for (const auto& id : g->scope.apps) {
            out.push_back(text(id));
        }
    }
    return out;
}

QStringList GroupBackend::urls() const
{
    QStringList out;
    if (const auto* g = group()) {
        for (const auto& keyword : g->scope.urls) {
            out.push_back(text(keyword));
        }
    }
    return out;
}

void GroupBackend::setName(const QString& name)
{
    write([&](RuleGroup& g) {
        auto value = name.toStdString();
        if (g.name == value) {
            return false;
        }
        g.name = std::move(value);
        return true;
    });
}

void GroupBackend::setGroupEnabled(bool on)
{
    write([&](RuleGroup& g) {
        if (g.enabled == on) {
            return false;
        }
        g.enabled = on;
        return true;
    });
}

void GroupBackend::setMode(const QString& mode)
{
    ScopeMode value = ScopeMode::all;
    if (mode == QLatin1String("only")) {
        value = ScopeMode::only;
    } else if (mode == QLatin1String("except")) {
        value = ScopeMode::except;
    } else if (mode != QLatin1String("all")) {
        return;
    }
    // The applications and keywords stay as they are in every mode.
    write([&](RuleGroup& g) {
        if (g.scope.mode == value) {
            return false;
        }
        g.scope.mode = value;
        return true;
    });
}

void GroupBackend::addApp(const QString& id)
{
    if (id.isEmpty()) {
        return;
    }
    write([&](RuleGroup& g) {
        auto value = id.toStdString();
        if (std::find(g.scope.apps.begin(), g.scope.apps.end(), value) != g.scope.apps.end()) {
            return false;
        }
        g.scope.apps.push_back(std::move(value));
        return true;
    });
}

void GroupBackend::removeApp(const QString& id)
{
    write([&](RuleGroup& g) { return std::erase(g.scope.apps, id.toStdString()) > 0; });
}

bool GroupBackend::addKeyword(const QString& keyword)
{
    bool added = false;
    write([&](RuleGroup& g) {
        added = norvane::addKeyword(g.scope, keyword.toStdString()) == KeywordAdded::added;
        return added;
    });
    if (added) {
        setHint({});
    }
    return added;
}

void GroupBackend::removeKeyword(const QString& keyword)
{
    write([&](RuleGroup& g) { return std::erase(g.scope.urls, keyword.toStdString()) > 0; });
}

void GroupBackend::fillFromBrowser()
{
    const auto* g = group();
    if (g == nullptr) {
        return;
    }
    const auto found = currentPageKeyword(state_.model().lastExternalApp(), g->scope, workspace_, pages_);
    if (!found) {
        setHint(QStringLiteral("没读到网页地址：先在浏览器里打开目标网页，并在「通用设置」里为该浏览器装好岚枢扩展。"));
        return;
    }
    bool added = false;
    write([&](RuleGroup& target) {
        added = norvane::addKeyword(target.scope, found->keyword) == KeywordAdded::added;
        const bool listed =
            std::find(target.scope.apps.begin(), target.scope.apps.end(), found->browser) != target.scope.apps.end();
        if (!listed) {
            target.scope.apps.push_back(found->browser);
        }
        return added || !listed;
    });
    if (added) {
        setHint({});
    }
}

void GroupBackend::setHint(const QString& hint)
{
    if (hint_ == hint) {
        return;
    }
    hint_ = hint;
    emit hintChanged();
}

} // namespace norvane::ui
