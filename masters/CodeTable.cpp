#include "masters/CodeTable.h"

#include "app/Database.h"

#include <QList>
#include <QHash>
#include <QSqlQuery>
#include <QVariant>

namespace codes {

namespace {

struct Slot {
    QVariant code;
    QVariant name;
};

// Every row of the edit copy in slot order. The query is read to its end, which finishes it:
// an open read on the work connection would pin the attached data file to an old snapshot.
std::optional<QList<Slot>> readSlots(const QSqlDatabase &work)
{
    QSqlQuery q(work);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral(R"(SELECT "code", "sname" FROM "wコードマスタ" ORDER BY "行番号")")))
        return std::nullopt;
    QList<Slot> rows;
    rows.reserve(SlotCount);
    while (q.next())
        rows.append({q.value(0), q.value(1)});
    return rows;
}

QStringList duplicatesIn(const QList<Slot> &rows)
{
    QHash<QString, int> uses;
    for (const Slot &slot : rows) {
        const QString name = slot.name.toString();
        if (!isFreeName(name))
            ++uses[name];
    }
    QStringList twice;
    for (const Slot &slot : rows) {
        const QString name = slot.name.toString();
        if (uses.value(name) > 1 && !twice.contains(name))
            twice << name;
    }
    return twice;
}

} // namespace

bool isFreeName(const QString &name)
{
    return name.trimmed().isEmpty();
}

bool Readコード表(const QSqlDatabase &work, const QString &key)
{
    db::DataAttached data(work);
    db::Transaction tx(work);
    if (!data || !tx.isActive())
        return false;
    // The 99 slots and the category's names in one statement: a master row whose code is not
    // one of the slot codes simply finds no slot.
    return db::exec(work, QStringLiteral(R"(DELETE FROM "wコードマスタ")"))
        && db::exec(work,
                    QStringLiteral(R"(INSERT INTO "wコードマスタ" ("行番号", "チェック", "code", "sname")
                       WITH RECURSIVE "slot"("n", "code") AS (
                           SELECT 1, '01'
                           UNION ALL
                           SELECT "n" + 1, printf('%02d', "n" + 1) FROM "slot" WHERE "n" < ?)
                       SELECT "slot"."n", 0, "slot"."code", "m"."sname"
                       FROM "slot" LEFT JOIN data."コードマスタ" AS "m"
                           ON "m"."kcode" = ? AND "m"."code" = "slot"."code"
                       ORDER BY "slot"."n")"),
                    {SlotCount, key})
        && tx.commit();
}

std::optional<QStringList> duplicateNames(const QSqlDatabase &work)
{
    const auto rows = readSlots(work);
    if (!rows)
        return std::nullopt;
    return duplicatesIn(*rows);
}

bool Entryコード表(const QSqlDatabase &work, const QString &key)
{
    db::DataAttached data(work);
    db::Transaction tx(work);
    if (!data || !tx.isActive())
        return false;
    const auto rows = readSlots(work);
    // A short or empty edit copy (never read, or emptied elsewhere) would wipe the category.
    if (!rows || rows->size() != SlotCount || !duplicatesIn(*rows).isEmpty())
        return false;
    if (!db::exec(work, QStringLiteral(R"(DELETE FROM data."コードマスタ" WHERE "kcode" = ?)"), {key}))
        return false;
    {
        db::Statement insert(work, QStringLiteral(R"(INSERT INTO data."コードマスタ" ("kcode", "code", "sname")
                                                     VALUES (?, ?, ?))"));
        const QVariant free(QMetaType::fromType<QString>());
        for (const Slot &slot : *rows) {
            const QString name = slot.name.toString();
            if (!insert.run({key, slot.code, isFreeName(name) ? free : QVariant(name)}))
                return false;
        }
    }
    return tx.commit();
}

} // namespace codes
