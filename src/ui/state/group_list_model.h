#pragma once

#include "model/rules.h"

#include <QAbstractListModel>

#include <vector>

namespace norvane::ui {

// The rule groups as the sidebar lists them. Rows change in place when the
// groups keep their order, so a list of 1,000 groups does not rebuild on
// every edit.
class GroupListModel final : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        NameRole,        // as stored
        DisplayNameRole, // "未命名" for an empty name
        EnabledRole,
        MappingCountRole,
        SubtitleRole, // "3 个映射 · 所有应用"
        IconAppRole,  // the application whose icon stands for the group, or ""
        IconStyleRole // mouse | media | application | command
    };
    Q_ENUM(Role)

    explicit GroupListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    void update(const std::vector<RuleGroup>& groups);

    [[nodiscard]] int count() const { return static_cast<int>(rows_.size()); }
    // The row of the group with this id, or -1.
    [[nodiscard]] int rowOf(const QString& id) const;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    struct Row {
        QString id;
        QString name;
        bool enabled = true;
        int mappings = 0;
        QString subtitle;
        QString iconApp;
        QString iconStyle;
        friend bool operator==(const Row&, const Row&) = default;
    };
    static Row rowFor(const RuleGroup& group);

    std::vector<Row> rows_;
};

} // namespace norvane::ui
