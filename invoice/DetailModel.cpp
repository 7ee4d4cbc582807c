#include "invoice/DetailModel.h"

#include "invoice/CellChecks.h"

#include <cmath>

using namespace cells;

DetailModel::DetailModel(const QSqlDatabase &work, QObject *parent)
    : QSqlTableModel(parent, work)
{
    setTable(QStringLiteral("w明細"));
    setSort(Col行番号, Qt::AscendingOrder);
    setEditStrategy(QSqlTableModel::OnManualSubmit);
    // The table keeps 小計 before 非課税 and ふりがな; the grid's hidden columns go by name.
    m_subtotalColumn = fieldIndex(QStringLiteral("小計"));
}

void DetailModel::setQuantityFormat(formats::NumberFormat format)
{
    if (format == m_quantityFormat)
        return;
    m_quantityFormat = format;
    if (rowCount() > 0)
        emit dataChanged(index(0, Col数量), index(rowCount() - 1, Col単価), {Qt::DisplayRole});
}

bool DetailModel::reload()
{
    if (!select())
        return false;
    while (canFetchMore())
        fetchMore();
    return true;
}

void DetailModel::refreshRows(const QList<int> &rows)
{
    for (int row : rows) {
        if (row >= 0 && row < rowCount())
            selectRow(row);
    }
}

bool DetailModel::isSubtotalRow(int row) const
{
    return QSqlTableModel::data(index(row, m_subtotalColumn), Qt::EditRole).toInt() != 0;
}

QSqlRecord DetailModel::storedRecord(int row) const
{
    QSqlRecord r = record();
    for (int column = 0; column < r.count(); ++column)
        r.setValue(column, QSqlTableModel::data(index(row, column), Qt::EditRole));
    return r;
}

bool DetailModel::toggleReducedRate(int row)
{
    if (!m_editHandler || row < 0 || row >= rowCount())
        return false;
    const bool marked = QSqlTableModel::data(index(row, Col軽減税率), Qt::EditRole).toInt() != 0;
    return m_editHandler(row, Col軽減税率, marked ? QString() : ReducedMark);
}

QVariant DetailModel::shown(const QModelIndex &index) const
{
    const QVariant raw = QSqlTableModel::data(index, Qt::EditRole);
    if (raw.isNull())
        return QString();
    switch (index.column()) {
    case Col軽減税率:
        return raw.toInt() != 0 ? ReducedMark : QString();
    case Col数量:
    case Col単価: {
        // Without decimals in use a stored fraction (an older invoice, a product's price)
        // still shows, so that the line's amount adds up on screen.
        const double value = raw.toDouble();
        const bool fraction = std::trunc(value) != value;
        return formats::formatNumber(value, fraction && m_quantityFormat == formats::NumberFormat::Grouped
                                                ? formats::NumberFormat::GroupedTwoDecimals
                                                : m_quantityFormat);
    }
    case Col金額:
        return formats::formatNumber(raw.toLongLong(), formats::NumberFormat::Grouped);
    default:
        return raw;
    }
}

QVariant DetailModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return shown(index);
    case Qt::EditRole: {
        // The editor gets the plain number: no separators, no padding decimals.
        const QVariant raw = QSqlTableModel::data(index, Qt::EditRole);
        if (raw.isNull())
            return QString();
        if (index.column() == Col軽減税率)
            return shown(index);
        if (index.column() == Col数量 || index.column() == Col単価)
            return QString::number(raw.toDouble(), 'g', 15);
        return raw.toString();
    }
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case Col数量:
        case Col単価:
        case Col金額:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case Col単位:
        case Col軽減税率:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        default:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
    case Qt::BackgroundRole:
        if (m_subtotalBackground.isValid() && isSubtotalRow(index.row()))
            return m_subtotalBackground;
        return {};
    default:
        return QSqlTableModel::data(index, role);
    }
}

bool DetailModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !m_editHandler)
        return false;
    return m_editHandler(index.row(), index.column(), value.toString());
}

Qt::ItemFlags DetailModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() >= Col品名 && index.column() <= Col金額)
        f |= Qt::ItemIsEditable;
    return f;
}
