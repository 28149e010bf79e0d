#pragma once

#include "model/rules.h"

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <vector>

namespace norvane::ui {

// The mappings of one group as the mappings card lists them, one row each,
// with the conflict warning and hit count that go with them. An update
// changes only what differs: edited rows get dataChanged for the roles that
// changed, added and removed mappings are inserted and removed in place, so
// the rows on screen (and a note being typed) stay where they are.
class MappingListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        MappingIdRole = Qt::UserRole + 1, // upper-case UUID text
        MappingEnabledRole,
        TriggerRole,     // text form ("ctrl+k", "mouse:3"), "" without one
        TriggerInfoRole, // the map AppState.triggerInfo() gives, null without one
        ActionKindRole,  // keys | media | sendKeys | openApp; keys without an action
        ActionComboRole, // the action's combination as a trigger map, null without one
        ActionKeysRole,  // its text form, "" without one
        MediaKeyRole,    // raw value of a media action's key, else ""
        AppIdRole,       // application of a sendKeys or openApp action, else ""
        AppNameRole,     // its display name, else ""
        NoteRole,
        HitTextRole,    // "12 次"; "" for no hits
        ConflictRole,   // the warning, "" without one
        ShowDividerRole // every row but the last
    };
    Q_ENUM(Role)

    struct Row {
        Mapping mapping;
        QString conflict;
        std::int64_t hits = 0;
    };

    explicit MappingListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    // Shows `rows` in place of the current ones.
    void update(std::vector<Row> rows);
    // Starts over with `rows` (another group).
    void reset(std::vector<Row> rows);

    [[nodiscard]] int count() const { return static_cast<int>(rows_.size()); }
    [[nodiscard]] const std::vector<Row>& rows() const noexcept { return rows_; }
    // The row of the first mapping with this id, or -1.
    [[nodiscard]] int rowOf(const QString& id) const;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    static QString hitText(std::int64_t hits);

signals:
    void countChanged();

private:
    static QList<int> changedRoles(const Row& before, const Row& after);
    void replaceRow(std::size_t i, Row row);

    std::vector<Row> rows_;
    std::vector<QString> ids_; // rows_[i].mapping.id as text, for lookups
};

} // namespace norvane::ui
