#pragma once
// Small helpers for the data-directory tests: run a statement, read its rows.
#include "app/Database.h"

#include <QList>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace datatest {

// The rows of a statement; a failing statement fails the test.
inline QList<QVariantList> rows(const QSqlDatabase &database, const QString &sql,
                                const QVariantList &values = {})
{
    QList<QVariantList> result;
    QSqlQuery q(database);
    if (!db::exec(q, sql, values)) {
        ADD_FAILURE() << db::lastError().toStdString();
        return result;
    }
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        result << row;
    }
    return result;
}

// The first value of the first row, or an invalid QVariant when there is no row.
inline QVariant scalar(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    const auto result = rows(database, sql, values);
    return result.isEmpty() || result.first().isEmpty() ? QVariant() : result.first().first();
}

// The statements that store an invoice of that number with two lines, separated by semicolons.
inline QString invoiceSql(int number)
{
    return QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 合計) VALUES (%1, '2026-12-08', '山田商店', 100); "
                          "INSERT INTO 請求書 (伝票番号, 顧客名, 日付, 伝票区分, 行番号, 品名, 金額) VALUES "
                          "(%1, '山田商店', '2026-12-08', 1, 0, '鉛筆', 60), (%1, '山田商店', '2026-12-08', 1, 1, '紙', 40)")
        .arg(number);
}

} // namespace datatest
