#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace norvane {
class PageAddressSource;
class Workspace;
struct RuleGroup;
} // namespace norvane

namespace norvane::ui {

class AppState;

// Behind the group page: the selected group's header and scope card. Every
// edit writes the group back into the model at once (recompile and a
// scheduled save follow there). Follows the selection by itself.
class GroupBackend final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString groupId READ groupId NOTIFY changed)
    Q_PROPERTY(bool exists READ exists NOTIFY changed)
    Q_PROPERTY(QString name READ name NOTIFY changed)
    Q_PROPERTY(bool groupEnabled READ groupEnabled NOTIFY changed)
    // "3 个映射 · 累计触发 12 次"
    Q_PROPERTY(QString statistics READ statistics NOTIFY changed)
    Q_PROPERTY(QString iconApp READ iconApp NOTIFY changed)
    Q_PROPERTY(QString iconStyle READ iconStyle NOTIFY changed)
    // "all", "only" or "except"
    Q_PROPERTY(QString mode READ mode NOTIFY changed)
    // The scope's applications in order: {id, name}.
    Q_PROPERTY(QVariantList apps READ apps NOTIFY changed)
    Q_PROPERTY(QStringList appIds READ appIds NOTIFY changed)
    Q_PROPERTY(QStringList urls READ urls NOTIFY changed)
    // Why the last fill from the browser found nothing; empty otherwise.
    Q_PROPERTY(QString hint READ hint NOTIFY hintChanged)

public:
    GroupBackend(AppState& state, Workspace& workspace, const PageAddressSource& pages, QObject* parent = nullptr);

    [[nodiscard]] QString groupId() const { return groupId_; }
    [[nodiscard]] bool exists() const;
    [[nodiscard]] QString name() const;
    [[nodiscard]] bool groupEnabled() const;
    [[nodiscard]] QString statistics() const;
    [[nodiscard]] QString iconApp() const;
    [[nodiscard]] QString iconStyle() const;
    [[nodiscard]] QString mode() const;
    [[nodiscard]] QVariantList apps() const;
    [[nodiscard]] QStringList appIds() const;
    [[nodiscard]] QStringList urls() const;
    [[nodiscard]] QString hint() const { return hint_; }

    Q_INVOKABLE void setName(const QString& name);
    Q_INVOKABLE void setGroupEnabled(bool on);
    Q_INVOKABLE void setMode(const QString& mode);
    Q_INVOKABLE void addApp(const QString& id);
    // Removes every occurrence.
    Q_INVOKABLE void removeApp(const QString& id);
    // True when the keyword went in (the field then empties); false for a
    // blank or an already listed keyword.
    Q_INVOKABLE bool addKeyword(const QString& text);
    Q_INVOKABLE void removeKeyword(const QString& keyword);
    // Adds the keyword of the page the user was just looking at in a
    // browser, and that browser to the applications; sets `hint` when no
    // browser has an address.
    Q_INVOKABLE void fillFromBrowser();

signals:
    void changed();
    void hintChanged();

private:
    [[nodiscard]] const RuleGroup* group() const;
    // Copies the groups, lets `edit` change this group, writes them back.
    template <typename Edit> void write(Edit edit);
    void setHint(const QString& hint);
    void follow();

    AppState& state_;
    Workspace& workspace_;
    const PageAddressSource& pages_;
    QString groupId_;
    QString hint_;
};

} // namespace norvane::ui
