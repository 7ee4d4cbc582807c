#pragma once
// The code tables: small lists of names (units, pack sizes) kept in コードマスタ of the data
// file, one list per category key kcode, each of 99 slots with the codes "01" to "99". A slot
// whose name is Null is free; the invoice's drop-downs skip free slots and fill the first one
// with a new name.
//
// One category at a time is edited in wコードマスタ of the work file. Both routines run on the
// work connection, which has the data file attached as "data", so that each is one
// transaction over both files.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace codes {

// The category key of the units; the pack sizes go by ModQLNV::入数列タイトル.
inline constexpr char16_t UnitKind[] = u"単位";
// Every category has exactly this many slots once registered.
inline constexpr int SlotCount = 99;

// Refills wコードマスタ with the 99 slots of key: 行番号 1..99, code "01".."99", チェック 0,
// sname the master's name of that slot or Null. Master rows of other codes ("1", "100", Null)
// have no slot and are passed over. False, with the work table as it was, on failure. readAt,
// when given, gets the change number of コードマスタ the slots were read at (masterchanges).
bool Readコード表(const QSqlDatabase &work, const QString &key, qint64 *readAt = nullptr);

// Replaces the category key in コードマスタ by every row of wコードマスタ in 行番号 order, free
// slots too, so that the category again holds all its slots. An empty or all-blank name is
// stored as Null (free); other names are stored as typed. Refused when a name stands in two
// slots. False, with the category exactly as before, on any failure; other categories are
// never touched. With readAt, also refused (false, *changed set) when コードマスタ was written
// to since the slots were read, by anyone (a unit an invoice added counts); *readAt then
// moves to the number of this write.
bool Entryコード表(const QSqlDatabase &work, const QString &key, qint64 *readAt = nullptr, bool *changed = nullptr);

// The names that stand in more than one slot of wコードマスタ, in slot order of their first
// appearance; blank names do not count. Nothing when the table cannot be read.
std::optional<QStringList> duplicateNames(const QSqlDatabase &work);

// Whether a name marks its slot as free: empty or nothing but blanks (also full-width ones).
bool isFreeName(const QString &name);

} // namespace codes
