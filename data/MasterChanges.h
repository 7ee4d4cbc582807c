#pragma once
// The change numbers of the masters (顧客マスタ, 商品マスタ, コードマスタ) in マスタ更新: every
// write that may change a master's rows raises its number in the writer's transaction, so that
// a window holding a copy read at one number can tell, when it registers the copy, whether
// another PC (or another window) wrote to the master since.
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>

#include <initializer_list>
#include <optional>

namespace masterchanges {

inline const QString Customers = QStringLiteral("顧客マスタ");
inline const QString Products = QStringLiteral("商品マスタ");
inline const QString Codes = QStringLiteral("コードマスタ");

// The change number of master: 0 when it has not changed since the file was made. Nothing when
// it could not be read.
std::optional<qint64> current(const QSqlDatabase &data, const QString &master);

// Counts a write to master, in the caller's transaction on data, and returns the new number
// (nothing on failure). On the server the master's row stays locked until the transaction ends,
// so two writers are counted one after the other.
std::optional<qint64> count(const QSqlDatabase &data, const QString &master);

// Counts a write to each of masters (a reset, a restore, an import); false on failure.
bool countAll(const QSqlDatabase &data, std::initializer_list<QString> masters = {Customers, Products, Codes});

// The change numbers of the three masters, before data is replaced by a restore.
using Numbers = QHash<QString, qint64>;
std::optional<Numbers> currentAll(const QSqlDatabase &data);
// After the rows of data were replaced (a restore of an older file, whose numbers may be lower):
// each master's number goes one beyond both what it was before and what the rows brought, so
// that no copy read before the restore is registered over the restored masters.
bool moveBeyond(const QSqlDatabase &data, const Numbers &before);

} // namespace masterchanges
