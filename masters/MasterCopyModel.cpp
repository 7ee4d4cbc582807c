#include "masters/MasterCopyModel.h"

#include "app/Database.h"

#include <QSignalBlocker>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

MasterCopyModel::MasterCopyModel(const QString &table, const QSqlDatabase &work, QObject *parent)
    : QSqlTableModel(parent, work)
{
    setTable(table);
    setEditStrategy(QSqlTableModel::OnManualSubmit);
}

void MasterCopyModel::setNumberColumn(int column, formats::NumberFormat format, NumberCheck check)
{
    m_numberColumn = column;
    m_numberFormat = format;
    m_numberCheck = std::move(check);
}

void MasterCopyModel::setNumberFormat(formats::NumberFormat format)
{
    m_numberFormat = format;
    if (m_numberColumn >= 0 && rowCount() > 0)
        emit dataChanged(index(0, m_numberColumn), index(rowCount() - 1, m_numberColumn), {Qt::DisplayRole});
}

QString MasterCopyModel::orderByClause() const
{
    // The rows come in the order they were written: the order the copy was filled in.
    return QStringLiteral("ORDER BY rowid");
}

bool MasterCopyModel::select()
{
    m_pending = false;
    m_rowids.clear();
    // The view hears of the new rows once: told of every batch of 256 while twenty thousand
    // rows are read, it would lay itself out again each time.
    beginResetModel();
    bool read = false;
    {
        const QSignalBlocker quiet(this);
        read = QSqlTableModel::select();
        // Read to the end, so that no statement stays open on the work connection.
        while (read && canFetchMore())
            fetchMore();
    }
    QSqlQuery q(database());
    if (read && db::exec(q, QStringLiteral("SELECT rowid FROM \"%1\" ORDER BY rowid").arg(tableName()))) {
        while (q.next())
            m_rowids << q.value(0).toLongLong();
    }
    read = read && m_rowids.size() == rowCount();
    if (read) {
        const QSignalBlocker quiet(this);
        appendBlankRow();
    }
    endResetModel();
    return read;
}

void MasterCopyModel::appendBlankRow()
{
    insertRow(rowCount());
}

bool MasterCopyModel::post()
{
    if (!m_pending)
        return true;
    return submitAll();
}

QVariant MasterCopyModel::value(int row, int column) const
{
    // The rows of record() lose Null on the way (a Null text comes back as an empty one).
    return QSqlTableModel::data(index(row, column), Qt::EditRole);
}

QVariant MasterCopyModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (m_checkColumns.contains(column)) {
        if (role == Qt::CheckStateRole)
            return QSqlTableModel::data(index, Qt::EditRole).toInt() != 0 ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::DisplayRole)
            return {};
        return QSqlTableModel::data(index, role);
    }
    if (column == m_numberColumn) {
        const QVariant raw = QSqlTableModel::data(index, Qt::EditRole);
        switch (role) {
        case Qt::DisplayRole:
            return raw.isNull() ? QString() : formats::formatNumber(raw.toDouble(), m_numberFormat);
        case Qt::EditRole:
            // The editor gets the plain number: no separators, no padding decimals.
            return raw.isNull() ? QString() : QString::number(raw.toDouble(), 'g', 15);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        default:
            break;
        }
    }
    return QSqlTableModel::data(index, role);
}

bool MasterCopyModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid())
        return false;
    const int column = index.column();
    QVariant stored;
    if (m_checkColumns.contains(column)) {
        if (role != Qt::CheckStateRole && role != Qt::EditRole)
            return false;
        const bool on = role == Qt::CheckStateRole ? value.toInt() == Qt::Checked : value.toInt() != 0;
        stored = on ? 1 : 0;
    } else if (role != Qt::EditRole) {
        return false;
    } else if (column == m_numberColumn) {
        const QString typed = value.toString();
        if (typed.trimmed().isEmpty()) {
            stored = QVariant(QMetaType::fromType<double>());
        } else {
            const auto number = m_numberCheck ? m_numberCheck(typed) : formats::parseNumber(typed);
            if (!number)
                return false;
            stored = *number;
        }
    } else {
        stored = db::textOrNull(value.toString());
    }

    const QVariant current = QSqlTableModel::data(index, Qt::EditRole);
    if (current.isNull() == stored.isNull() && (stored.isNull() || current == stored))
        return true;
    const bool wasNewRow = isBlankRow(index.row());
    if (!QSqlTableModel::setData(index, stored, Qt::EditRole))
        return false;
    m_pending = true;
    if (column != m_tickColumn)
        m_changed = true;
    // Typing into the blank row makes it a new entry; another blank row follows it.
    if (wasNewRow)
        appendBlankRow();
    return true;
}

Qt::ItemFlags MasterCopyModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QSqlTableModel::flags(index);
    if (index.isValid() && m_checkColumns.contains(index.column()))
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool MasterCopyModel::isBlank(const QSqlRecord &values) const
{
    for (int i = 0; i < values.count(); ++i) {
        if (!values.isGenerated(i) || m_checkColumns.contains(i))
            continue;
        const QVariant v = values.value(i);
        if (!v.isNull() && !v.toString().isEmpty())
            return false;
    }
    return true;
}

bool MasterCopyModel::updateRowInTable(int row, const QSqlRecord &values)
{
    if (row < 0 || row >= m_rowids.size())
        return false;
    QStringList sets;
    QVariantList binds;
    for (int i = 0; i < values.count(); ++i) {
        if (!values.isGenerated(i))
            continue;
        sets << QStringLiteral("\"%1\" = ?").arg(values.fieldName(i));
        binds << values.value(i);
    }
    if (sets.isEmpty())
        return true;
    binds << m_rowids.at(row);
    return db::exec(database(), QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?").arg(tableName(), sets.join(u',')),
                    binds);
}

bool MasterCopyModel::insertRowIntoTable(const QSqlRecord &values)
{
    // A blank row, or one where only the tick was set, is no entry.
    if (isBlank(values))
        return true;
    QStringList names;
    QStringList marks;
    QVariantList binds;
    for (int i = 0; i < values.count(); ++i) {
        if (!values.isGenerated(i))
            continue;
        names << QStringLiteral("\"%1\"").arg(values.fieldName(i));
        marks << QStringLiteral("?");
        binds << values.value(i);
    }
    return db::exec(database(),
                    QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(tableName(), names.join(u','), marks.join(u',')),
                    binds);
}

bool MasterCopyModel::deleteRowFromTable(int)
{
    // Rows leave the copy only through the window's actions.
    return false;
}
