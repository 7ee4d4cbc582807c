#include "masters/CodeTable.h"

#include "app/Database.h"
#include "data/MasterChanges.h"

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

bool Readコード表(const QSqlDatabase &work, const QString &key, qint64 *readAt)
{
    db::Crossing crossing(work);
    if (!crossing)
        return false;
    const auto at = masterchanges::current(crossing.dataSide(), masterchanges::Codes);
    if (!at)
        return false;
    // The category's names by code; a master row whose code is not one of the slot codes
    // simply finds no slot.
    QHash<QString, QVariant> names;
    {
        QSqlQuery q(crossing.dataSide());
        q.setForwardOnly(true);
        if (!db::exec(q, QStringLiteral(R"(SELECT "code", "sname" FROM "コードマスタ" WHERE "kcode" = ?)"), {key}))
            return false;
        while (q.next())
            names.insert(q.value(0).toString(), q.value(1));
        if (!db::readToEnd(q))
            return false;
    }
    QList<QVariantList> copy;
    copy.reserve(SlotCount);
    const QVariant free(QMetaType::fromType<QString>());
    for (int n = 1; n <= SlotCount; ++n) {
        const QString code = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        copy.append({n, 0, code, names.value(code, free)});
    }
    if (!db::exec(work, QStringLiteral(R"(DELETE FROM "wコードマスタ")"))
        || !db::insertRows(work, QStringLiteral("wコードマスタ"),
                           {QStringLiteral("行番号"), QStringLiteral("チェック"), QStringLiteral("code"), QStringLiteral("sname")}, copy)
        || !crossing.commit())
        return false;
    if (readAt)
        *readAt = *at;
    return true;
}

std::optional<QStringList> duplicateNames(const QSqlDatabase &work)
{
    const auto rows = readSlots(work);
    if (!rows)
        return std::nullopt;
    return duplicatesIn(*rows);
}

bool Entryコード表(const QSqlDatabase &work, const QString &key, qint64 *readAt, bool *changed)
{
    if (changed)
        *changed = false;
    db::Crossing crossing(work);
    if (!crossing)
        return false;
    const auto rows = readSlots(work);
    // A short or empty edit copy (never read, or emptied elsewhere) would wipe the category.
    if (!rows || rows->size() != SlotCount || !duplicatesIn(*rows).isEmpty())
        return false;
    QList<QVariantList> kept;
    kept.reserve(rows->size());
    const QVariant free(QMetaType::fromType<QString>());
    for (const Slot &slot : *rows) {
        const QString name = slot.name.toString();
        kept.append({key, slot.code, isFreeName(name) ? free : QVariant(name)});
    }
    const auto now = masterchanges::count(crossing.dataSide(), masterchanges::Codes);
    if (!now)
        return false;
    if (readAt && *now != *readAt + 1) {
        if (changed)
            *changed = true;
        return false;
    }
    if (!db::exec(crossing.dataSide(), QStringLiteral(R"(DELETE FROM "コードマスタ" WHERE "kcode" = ?)"), {key})
        || !db::insertRows(crossing.dataSide(), QStringLiteral("コードマスタ"),
                           {QStringLiteral("kcode"), QStringLiteral("code"), QStringLiteral("sname")}, kept)
        || !crossing.commit())
        return false;
    if (readAt)
        *readAt = *now;
    return true;
}

} // namespace codes
