#pragma once
// The edit copies of the customer and product masters: a work table that the master window's
// grid edits, read from the master, written back over it as a whole, and the ticked rows
// deleted from both.
//
// Every function runs on the work connection, where the data file is attached as "data", so
// that moving rows between the two files is one statement and one transaction. Names are
// bound values: apostrophes, quotes and percent signs are names like any other.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace masters {

// One master and its edit copy.
struct MasterTable {
    QString master;      // in the data file
    QString copy;        // in the work file
    QString key;         // the name column: unique in the master, empty in the grid's blank rows
    QStringList columns; // the columns moved between the two, in the master's order
};

const MasterTable &customers(); // 顧客マスタ / w顧客マスタ by 顧客名
const MasterTable &products();  // 商品マスタ / w商品マスタ by 品名

// The orders of the lists: customers by reading; products by name or by reading
// (the setting 商品表示順 "品名順" or anything else).
QStringList customerOrder();
QStringList productOrder(const QString &商品表示順);

// Empties the edit copy and fills it from the master in that order (text columns of the
// master). One transaction: on failure the copy is as it was. readAt, when given, gets the
// master's change number the copy was read at (masterchanges).
bool readCopy(const QSqlDatabase &work, const MasterTable &table, const QStringList &orderBy, qint64 *readAt = nullptr);

// Empties the edit copy; the master is untouched.
bool clearCopy(const QSqlDatabase &work, const MasterTable &table);

// A name that is Null, empty or only blanks (half- or full-width) is no name.
QString hasNameSql(const QString &column);

enum class RegisterStatus {
    Registered,
    Duplicates, // the copy holds a name twice: nothing was written
    Changed,    // the master was written to since the copy was read: nothing was written
    Failed,     // a statement failed: nothing was written
};
struct RegisterOutcome {
    RegisterStatus status = RegisterStatus::Failed;
    QStringList duplicates; // with Duplicates: each name once, in sort order
    int rows = 0;           // with Registered: the rows the master now holds
};

// Replaces the whole master by the named rows of the edit copy, in one transaction; rows
// without a name are the grid's blank rows and are left out. With readAt (the change number the
// copy was read at), only when nobody wrote to the master since; *readAt then moves to the
// number of this write.
RegisterOutcome registerCopy(const QSqlDatabase &work, const MasterTable &table, qint64 *readAt = nullptr);

// Deletes the ticked rows from the master (by name) and from the edit copy, in one
// transaction. The number of ticked rows of the copy; nothing when a statement failed
// (then nothing was deleted). *readAt, when given, moves on with this write when it was the
// only one since the copy was read.
std::optional<int> deleteTicked(const QSqlDatabase &work, const MasterTable &table, qint64 *readAt = nullptr);

struct CustomerRow {
    QString 顧客名;
    QString 顧客情報;
    QString ふりがな;
    QString 敬称;
    QString 登録番号;     // "T" and 13 digits, or empty
    QString 電子アドレス; // scheme:id, or empty
};

// Writes one customer straight into the master: the row of that name is overwritten, or a new
// one added. Empty fields are stored as Null. False when nothing was written.
bool saveCustomer(const QSqlDatabase &data, const CustomerRow &row);

} // namespace masters
