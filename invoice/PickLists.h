#pragma once
// The pick-lists and lookups of the invoice tab: customer names, the product drop-down table
// w商品参照, the unit and pack-size tables w単位参照 and w入数参照, the customer and product
// lookups by name, and the registration of new units and pack sizes in the code table.
//
// Names reach SQL only as bound values, so apostrophes and any other character work.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

namespace picklists {

// The kind word that rebuilds both code lists.
inline const QString AllKinds = QStringLiteral("すべて");
inline const QString UnitKind = QStringLiteral("単位");

// The caption of the pack-size columns for the setting 入数列タイトル: "入数" and an empty
// setting give "入　数", "規格" gives "規　格" (ideographic spaces), anything else itself.
QString packSizeCaption(const QString &setting);

// The 顧客名 of every customer that has one, in reading (ふりがな) order. Nothing when the
// master cannot be read.
std::optional<QStringList> customerNames(const QSqlDatabase &data);

// Refills w商品参照 from the product master of the attached data file, by name when
// productOrder is "品名順", by reading otherwise. One transaction on the work connection.
bool SetDD品名(const QSqlDatabase &work, const QString &productOrder);

struct Customer {
    std::optional<QString> 顧客情報; // nothing for Null
    std::optional<QString> 敬称;
};
// The customer of exactly this name; nothing when there is none (or the master is unreadable).
std::optional<Customer> Seek顧客情報(const QSqlDatabase &data, const QString &name);

struct Product {
    QString 単位;       // empty when the product has none
    double 単価 = 0;    // 0 when it has none
    bool 非課税 = false;
    QString ふりがな;
    bool 軽減税率 = false;
    bool found = false;
    bool operator==(const Product &) const = default;
};
// The product of exactly this name; an unknown name gives an empty unit, 0, false, no reading.
Product Seek商品(const QSqlDatabase &data, const QString &name);

// Rebuilds the unit list (kind "単位"), the pack-size list (kind packSizeKind) or both
// ("すべて") from the named slots of the code table, in code order. One transaction.
bool Readコード表(const QSqlDatabase &work, const QString &kind, const QString &packSizeKind);

// Puts name into the first free slot (sname Null) of kind, unless the kind already holds it.
// True when it was written. An empty name, a known name, a full or missing kind write nothing
// (false); nothing at all when a statement failed, so that a caller's transaction can roll
// back. Runs on the given connection inside the caller's transaction, if any.
std::optional<bool> registerCodeName(const QSqlDatabase &data, const QString &kind, const QString &name);

// The same for the grid, where a failure only means nothing was registered.
bool AutoEntryコードマスタ(const QSqlDatabase &data, const QString &kind, const QString &name);

} // namespace picklists
