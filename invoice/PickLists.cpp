#include "invoice/PickLists.h"

#include "app/Database.h"
#include "data/MasterChanges.h"

#include <QSqlQuery>
#include <QVariant>

namespace picklists {

namespace {

std::optional<QString> textOrNothing(const QVariant &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toString();
}

bool fillCodeList(db::Crossing &crossing, const QString &table, const QString &kind)
{
    return db::exec(crossing.workSide(), QStringLiteral("DELETE FROM %1").arg(table))
        && crossing.toWork(QStringLiteral("SELECT sname FROM コードマスタ WHERE kcode = ? AND sname IS NOT NULL ORDER BY %1")
                               .arg(db::textOrder(crossing.dataSide(), QStringLiteral("code"))),
                           {kind}, table, {QStringLiteral("sname")});
}

} // namespace

QString packSizeCaption(const QString &setting)
{
    if (setting.isEmpty() || setting == u"入数")
        return QStringLiteral("入　数");
    if (setting == u"規格")
        return QStringLiteral("規　格");
    return setting;
}

std::optional<QStringList> customerNames(const QSqlDatabase &data)
{
    QSqlQuery q(data);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral("SELECT 顧客名 FROM 顧客マスタ WHERE 顧客名 IS NOT NULL ORDER BY %1, rowid")
                         .arg(db::textOrder(data, QStringLiteral("ふりがな")))))
        return std::nullopt;
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

bool SetDD品名(const QSqlDatabase &work, const QString &productOrder)
{
    const QString order = productOrder == u"品名順" ? QStringLiteral("品名") : QStringLiteral("ふりがな");
    const QStringList columns{QStringLiteral("品名"), QStringLiteral("入数"), QStringLiteral("単位"), QStringLiteral("単価"),
                              QStringLiteral("非課税"), QStringLiteral("ふりがな"), QStringLiteral("軽減税率")};
    db::Crossing crossing(work);
    return crossing && db::exec(work, QStringLiteral("DELETE FROM w商品参照"))
        && crossing.toWork(QStringLiteral("SELECT 品名, 入数, 単位, 単価, 非課税, ふりがな, 軽減税率 FROM 商品マスタ "
                                          "ORDER BY %1, rowid")
                               .arg(db::textOrder(crossing.dataSide(), order)),
                           {}, QStringLiteral("w商品参照"), columns)
        && crossing.commit();
}

std::optional<Customer> Seek顧客情報(const QSqlDatabase &data, const QString &name)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT 顧客情報, 敬称 FROM 顧客マスタ WHERE 顧客名 = ?"), {name}) || !q.next())
        return std::nullopt;
    return Customer{textOrNothing(q.value(0)), textOrNothing(q.value(1))};
}

Product Seek商品(const QSqlDatabase &data, const QString &name)
{
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT 単位, 単価, 非課税, ふりがな, 軽減税率 FROM 商品マスタ WHERE 品名 = ?"), {name})
        || !q.next())
        return {};
    Product p;
    p.単位 = q.value(0).toString();
    p.単価 = q.value(1).isNull() ? 0.0 : q.value(1).toDouble();
    p.非課税 = q.value(2).toInt() != 0;
    p.ふりがな = q.value(3).toString();
    p.軽減税率 = q.value(4).toInt() != 0;
    p.found = true;
    return p;
}

bool Readコード表(const QSqlDatabase &work, const QString &kind, const QString &packSizeKind)
{
    const bool all = kind == AllKinds;
    db::Crossing crossing(work);
    if (!crossing)
        return false;
    if ((all || kind == UnitKind) && !fillCodeList(crossing, QStringLiteral("w単位参照"), UnitKind))
        return false;
    if ((all || kind == packSizeKind) && !fillCodeList(crossing, QStringLiteral("w入数参照"), packSizeKind))
        return false;
    return crossing.commit();
}

std::optional<bool> registerCodeName(const QSqlDatabase &data, const QString &kind, const QString &name)
{
    if (name.isEmpty())
        return false;
    // The free slot is taken only while it is still free: on the server another PC may fill it
    // between the choice and the write, and its name is kept; the next free slot is tried then.
    const QString put = QStringLiteral("UPDATE コードマスタ SET sname = ? WHERE sname IS NULL AND rowid = ("
                                       "SELECT rowid FROM コードマスタ WHERE kcode = ? AND sname IS NULL "
                                       "ORDER BY %1 LIMIT 1)")
                            .arg(db::textOrder(data, QStringLiteral("code")));
    for (;;) {
        QSqlQuery counts(data);
        if (!db::exec(counts, QStringLiteral("SELECT count(CASE WHEN sname = ? THEN 1 END), count(CASE WHEN sname IS NULL THEN 1 END) "
                                            "FROM コードマスタ WHERE kcode = ?"),
                      {name, kind})
            || !counts.next())
            return std::nullopt;
        // Known already, or no free slot (a full or missing kind).
        if (counts.value(0).toInt() > 0 || counts.value(1).toInt() == 0)
            return false;
        counts.finish();
        QSqlQuery write(data);
        if (!db::exec(write, put, {name, kind}))
            return std::nullopt;
        if (write.numRowsAffected() > 0) {
            if (!masterchanges::count(data, masterchanges::Codes))
                return std::nullopt;
            return true;
        }
    }
}

bool AutoEntryコードマスタ(const QSqlDatabase &data, const QString &kind, const QString &name)
{
    return registerCodeName(data, kind, name).value_or(false);
}

} // namespace picklists
