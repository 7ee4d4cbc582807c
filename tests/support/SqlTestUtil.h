#pragma once
// Statements for tests on any connection: a failing statement fails the test, and results
// are read back in the forms assertions want.
#include "app/Database.h"
#include "support/QStringPrinter.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

namespace sqltest {

inline void run(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    EXPECT_TRUE(db::exec(database, sql, values)) << db::lastError().toStdString();
}

// The first value of the first row; an invalid QVariant when there is no row.
inline QVariant scalar(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(database);
    if (!db::exec(q, sql, values)) {
        ADD_FAILURE() << db::lastError().toStdString();
        return {};
    }
    return q.next() ? q.value(0) : QVariant();
}

// One column of every row of a query, as text ("<Null>" for Null).
inline QStringList column(const QSqlDatabase &database, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(database);
    QStringList out;
    if (!db::exec(q, sql, values)) {
        ADD_FAILURE() << db::lastError().toStdString();
        return out;
    }
    while (q.next())
        out << (q.value(0).isNull() ? QStringLiteral("<Null>") : q.value(0).toString());
    return out;
}

} // namespace sqltest
