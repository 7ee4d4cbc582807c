#include "records/HistoryListModel.h"

#include "app/Database.h"
#include "app/Formats.h"
#include "records/HistoryList.h"

#include <QDate>
#include <QSqlQuery>

namespace {

// About two screens of rows; the grid asks for the next page as it scrolls.
constexpr int kPageRows = 256;

} // namespace

HistoryListModel::HistoryListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("dat履歴"));
}

std::optional<QList<HistoryListModel::Row>> HistoryListModel::readPage() const
{
    const qint64 after = m_rows.isEmpty() ? 0 : m_rows.last().rowid;
    QSqlQuery q(db::work());
    q.setForwardOnly(true);
    // The rows were written newest first, so rowid order is the list's order.
    if (!db::exec(q,
                  QStringLiteral("SELECT rowid, 伝票番号, 日付, 顧客名, 件名, チェック, 請求金額, 支払期限 FROM w履歴リスト "
                                 "WHERE rowid > ? ORDER BY rowid LIMIT ?"),
                  {after, kPageRows}))
        return std::nullopt;
    QList<Row> page;
    page.reserve(kPageRows);
    while (q.next()) {
        Row r;
        r.rowid = q.value(0).toLongLong();
        if (!q.value(1).isNull())
            r.伝票番号 = q.value(1).toLongLong();
        r.日付 = q.value(2).toString();
        r.顧客名 = q.value(3).toString();
        r.件名 = q.value(4).toString();
        r.チェック = q.value(5).toInt() != 0;
        if (!q.value(6).isNull())
            r.請求金額 = q.value(6).toLongLong();
        r.支払期限 = q.value(7).toString();
        page << r;
    }
    return page;
}

bool HistoryListModel::select()
{
    beginResetModel();
    m_rows.clear();
    const auto page = readPage();
    if (page) {
        m_rows = *page;
        m_atEnd = page->size() < kPageRows;
    } else {
        m_atEnd = true;
    }
    endResetModel();
    return page.has_value();
}

void HistoryListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_atEnd = true;
    endResetModel();
}

bool HistoryListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void HistoryListModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    const auto page = readPage();
    // A page that cannot be read ends the list here rather than asking again on every scroll.
    if (!page || page->size() < kPageRows)
        m_atEnd = true;
    if (!page || page->isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page->size() - 1));
    m_rows += *page;
    endInsertRows();
}

void HistoryListModel::setEraDates(bool era)
{
    if (m_era == era)
        return;
    m_era = era;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, DateColumn), index(rowCount() - 1, DateColumn), {Qt::DisplayRole});
}

std::optional<qint64> HistoryListModel::numberAt(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    return m_rows.at(row).伝票番号;
}

bool HistoryListModel::isTicked(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows.at(row).チェック;
}

bool HistoryListModel::toggleTick(int row)
{
    if (row < 0 || row >= m_rows.size() || !m_rows.at(row).伝票番号)
        return false;
    Row &r = m_rows[row];
    if (!records::history::setTicked(db::work(), r.rowid, !r.チェック))
        return false;
    r.チェック = !r.チェック;
    emit dataChanged(index(row, TickColumn), index(row, TickColumn), {Qt::CheckStateRole});
    return true;
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryListModel::data(const QModelIndex &idx, int role) const
{
    if (!idx.isValid() || idx.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(idx.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (idx.column()) {
        case NumberColumn:
            return r.伝票番号 ? QVariant(*r.伝票番号) : QVariant();
        case DateColumn:
        case DueColumn:
            return formats::formatDate(QDate::fromString(idx.column() == DateColumn ? r.日付 : r.支払期限, Qt::ISODate),
                                       m_era ? formats::DateFormat::EraLetterSlash : formats::DateFormat::WesternSlash);
        case CustomerColumn:
            return r.顧客名;
        case AmountColumn:
            return r.請求金額 ? QVariant(formats::formatNumber(*r.請求金額, formats::NumberFormat::GroupedZero)) : QVariant();
        case SubjectColumn:
            return r.件名;
        default:
            return {};
        }
    case Qt::EditRole:
        switch (idx.column()) {
        case TickColumn:
            return r.チェック;
        case NumberColumn:
            return r.伝票番号 ? QVariant(*r.伝票番号) : QVariant();
        case DateColumn:
            return r.日付;
        case DueColumn:
            return r.支払期限;
        case AmountColumn:
            return r.請求金額 ? QVariant(*r.請求金額) : QVariant();
        default:
            return data(idx, Qt::DisplayRole);
        }
    case Qt::CheckStateRole:
        if (idx.column() == TickColumn)
            return r.チェック ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (idx.column() == NumberColumn || idx.column() == AmountColumn)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (idx.column() == DateColumn || idx.column() == DueColumn)
            return QVariant(Qt::AlignCenter);
        return {};
    default:
        return {};
    }
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TickColumn:
        return QStringLiteral("選択");
    case NumberColumn:
        return QStringLiteral("伝票番号");
    case DateColumn:
        return QStringLiteral("日付");
    case CustomerColumn:
        return QStringLiteral("顧客名");
    case AmountColumn:
        return QStringLiteral("請求金額");
    case DueColumn:
        return QStringLiteral("支払期限");
    case SubjectColumn:
        return QStringLiteral("件名");
    default:
        return {};
    }
}

Qt::ItemFlags HistoryListModel::flags(const QModelIndex &idx) const
{
    // The list is a copy of the stored headers: nothing is edited in place. The tick turns
    // over by a double-click or the space bar (see the history tab), not by a single click,
    // so that a double-click never toggles it twice.
    return idx.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
