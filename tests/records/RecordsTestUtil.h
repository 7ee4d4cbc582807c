#pragma once
// Helpers for the records tests: invoices and lines to save, statements on the data and
// work files, and readable failure output.
#include "app/Database.h"
#include "app/Locations.h"
#include "invoice/InvoiceData.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QList>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QVariant &value, std::ostream *os)
{
    if (value.isNull())
        *os << "Null";
    else if (value.typeId() == QMetaType::QString)
        *os << '"' << value.toString().toStdString() << '"';
    else
        *os << value.toString().toStdString();
}

namespace recordstest {

inline InvoiceHeader header(qint64 number, const QString &customer = QStringLiteral("山田商店"),
                            QDate date = QDate(2026, 4, 1))
{
    InvoiceHeader h;
    h.伝票番号 = number;
    h.日付 = date;
    h.顧客名 = customer;
    h.顧客情報 = QStringLiteral("〒100-0001\n東京都千代田区1-1");
    h.敬称 = QStringLiteral("様");
    h.件名 = QStringLiteral("4月分");
    h.メモ = QStringLiteral("月末締め");
    h.税抜計 = 1000;
    h.消費税 = 50;
    h.合計 = 1050;
    h.請求金額 = 1050;
    return h;
}

// A priced line: quantity times price, amount filled in as the grid would.
inline DetailLine line(const QString &name, std::optional<double> quantity = 1, const QString &unit = QStringLiteral("個"),
                       std::optional<double> price = 100)
{
    DetailLine l;
    l.品名 = name;
    l.数量 = quantity;
    l.単位 = unit;
    l.単価 = price;
    if (quantity && price)
        l.金額 = qint64(*quantity * *price);
    return l;
}

// Puts lines into w明細 as rows 1..n; a failure fails the test.
inline void putWorkLines(const QList<DetailLine> &lines)
{
    ASSERT_TRUE(detail::replaceLines(db::work(), lines)) << db::lastError().toStdString();
}

inline QList<QVariantList> rows(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    QList<QVariantList> result;
    QSqlQuery q(database);
    if (!db::exec(q, sql, values)) {
        ADD_FAILURE() << db::lastError().toStdString();
        return result;
    }
    while (q.next()) {
        QVariantList row;
        // Null of any kind compares as QVariant(), so that expected rows can say so; the
        // server's true and false as the 1 and 0 that SQLite gives.
        for (int i = 0; i < q.record().count(); ++i) {
            const QVariant v = q.value(i);
            row << (v.isNull() ? QVariant() : v.typeId() == QMetaType::Bool ? QVariant(v.toBool() ? 1 : 0) : v);
        }
        result << row;
    }
    return result;
}

inline QVariant scalar(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    const auto r = rows(database, sql, values);
    return r.isEmpty() ? QVariant() : r.first().value(0);
}

inline void run(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    EXPECT_TRUE(db::exec(database, sql, values)) << db::lastError().toStdString();
}

inline qint64 count(const QString &table, const QString &where = {}, const QVariantList &values = {})
{
    const QSqlDatabase database = table.startsWith(u'w') ? db::work() : db::data();
    return scalar(database, QStringLiteral("SELECT count(*) FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where),
                  values)
        .toLongLong();
}

inline QVariant storedMax()
{
    return scalar(db::data(), QStringLiteral("SELECT 最大請求書番号 FROM 自社情報 ORDER BY rowid LIMIT 1"));
}

// The stored invoices made unreadable: the data file removed, or on the server the headers'
// table dropped.
inline void loseStoredInvoices()
{
    if (db::isServer(db::data())) {
        run(db::data(), QStringLiteral("DROP TABLE 請求書ヘッダ"));
        return;
    }
    db::closeAll();
    ASSERT_TRUE(QFile::remove(ModQLNV::DataMdbPath));
}

// Makes every event ("INSERT" or "DELETE") on a row of table for which condition (on NEW or
// OLD) holds fail, on either engine, to break a write half-way.
inline void refuse(const QString &name, const QString &table, const QString &event,
                   const QString &condition = QStringLiteral("true"))
{
    const QSqlDatabase data = db::data();
    if (!db::isServer(data)) {
        run(data, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 WHEN %4 BEGIN SELECT RAISE(ABORT, '%1'); END")
                      .arg(name, event, table, condition));
        return;
    }
    run(data, QStringLiteral("CREATE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                             "IF %2 THEN RAISE EXCEPTION '%1'; END IF; "
                             "IF TG_OP = 'DELETE' THEN RETURN OLD; END IF; RETURN NEW; END $$")
                  .arg(name, condition));
    run(data, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()").arg(name, event, table));
}

// Makes every statement that writes a line named "boom" fail, to break a save half-way.
inline void breakLinesNamedBoom()
{
    refuse(QStringLiteral("boom"), QStringLiteral("請求書"), QStringLiteral("INSERT"), QStringLiteral("NEW.品名 = 'boom'"));
}

} // namespace recordstest
