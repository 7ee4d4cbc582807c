#include "invoice/PickListModels.h"

WorkListModel::WorkListModel(const QString &table, const QSqlDatabase &work, QObject *parent)
    : QSqlTableModel(parent, work)
{
    setTable(table);
    setEditStrategy(QSqlTableModel::OnManualSubmit);
}

bool WorkListModel::reload()
{
    if (!select())
        return false;
    while (canFetchMore())
        fetchMore();
    return true;
}

Qt::ItemFlags WorkListModel::flags(const QModelIndex &index) const
{
    return QSqlTableModel::flags(index) & ~Qt::ItemIsEditable;
}

QString WorkListModel::selectStatement() const
{
    // The tables are filled in list order and have no key: rowid keeps that order.
    return QSqlTableModel::selectStatement() + QStringLiteral(" ORDER BY rowid");
}

ProductListModel::ProductListModel(const QSqlDatabase &work, QObject *parent)
    : WorkListModel(QStringLiteral("w商品参照"), work, parent)
{
}

void ProductListModel::setPackSizeTitle(const QString &title)
{
    setHeaderData(Col品名, Qt::Horizontal, QStringLiteral("品　　名"));
    setHeaderData(Col入数, Qt::Horizontal, title);
    setHeaderData(Col単位, Qt::Horizontal, QStringLiteral("単位"));
    setHeaderData(Col単価, Qt::Horizontal, QStringLiteral("単 価"));
}

QVariant ProductListModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole && index.column() == Col単価) {
        const QVariant raw = QSqlTableModel::data(index, Qt::EditRole);
        return raw.isNull() ? QVariant(QString()) : QVariant(formats::formatNumber(raw.toDouble(), m_priceFormat));
    }
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case Col単位:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case Col単価:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    return QSqlTableModel::data(index, role);
}
