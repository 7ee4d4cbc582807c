#pragma once
// The data control behind the history grid (dat履歴): the rows of w履歴リスト in the order the
// search wrote them, read page by page as the grid scrolls (a search may list every stored
// invoice), dates in the era or Western form, the amount invoiced, the payment due date, and the
// tick as a check box.
//
// Each page is read by a statement that runs to its end. A statement left open for lazy
// fetching (as QSqlTableModel does) would keep a read transaction on the work connection,
// and through it on the attached data file: after the next transaction on that connection
// the data file's snapshot stays pinned, and every later write through the work connection
// fails with "database is locked" once the data connection has saved anything.
#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <optional>

class HistoryListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // Grid columns, in the order they are shown.
    enum Column { TickColumn, NumberColumn, DateColumn, CustomerColumn, AmountColumn, DueColumn, SubjectColumn, ColumnCount };

    explicit HistoryListModel(QObject *parent = nullptr);

    // Reads the list again from its first row; false when it could not be read (the rows
    // shown are then dropped).
    bool select();
    // Drops the rows without reading.
    void clear();

    // "gee/mm/dd" when true, "yyyy/mm/dd" otherwise.
    void setEraDates(bool era);

    // The invoice number of a row; nothing for a row without one.
    std::optional<qint64> numberAt(int row) const;
    bool isTicked(int row) const;
    // Turns the row's tick over in w履歴リスト; false when it could not be written.
    bool toggleTick(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    struct Row {
        qint64 rowid = 0;
        std::optional<qint64> 伝票番号;
        QString 日付; // ISO
        QString 顧客名;
        QString 件名;
        bool チェック = false;
        std::optional<qint64> 請求金額;
        QString 支払期限; // ISO, empty: none
    };
    // The next page after the last row read; nothing when it failed.
    std::optional<QList<Row>> readPage() const;

    QList<Row> m_rows;
    bool m_atEnd = true;
    bool m_era = true;
};
