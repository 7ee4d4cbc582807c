#pragma once
// Helpers for the code-table tests: statements on the data and work files and compact views
// of コードマスタ and wコードマスタ for assertions.
#include "MastersTestUtil.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

namespace codestest {

const QString kUnits = QStringLiteral("単位");
// The units of a freshly provisioned data file, in the form of named().
const QString kProvisionedUnits =
    QStringLiteral("01=個 02=本 03=枚 04=箱 05=式 06=台 07=冊 08=回 09=時間 10=日 11=月 12=kg 13=m");

using masterstest::run;
using masterstest::scalar;

// The named slots of a category in code order, "05=箱 13=m"; free slots are left out.
inline QString named(const QString &kcode)
{
    return masterstest::column(db::data(),
                               QStringLiteral("SELECT code || '=' || sname FROM コードマスタ "
                                              "WHERE kcode = ? AND sname IS NOT NULL ORDER BY code"),
                               {kcode})
        .join(u' ');
}

inline int rowsOf(const QString &kcode)
{
    return scalar(db::data(), QStringLiteral("SELECT count(*) FROM コードマスタ WHERE kcode = ?"), {kcode})
        .toInt();
}

// Every row of コードマスタ but those of one category, as one text.
inline QString allBut(const QString &kcode)
{
    return masterstest::column(db::data(),
                               QStringLiteral("SELECT kcode || '|' || coalesce(code, '-') || '|' || coalesce(sname, '-') "
                                              "FROM コードマスタ WHERE kcode <> ? OR kcode IS NULL "
                                              "ORDER BY kcode, code, sname"),
                               {kcode})
        .join(u' ');
}

// The edit copy in the same form as named().
inline QString workNamed()
{
    return masterstest::column(db::work(), QStringLiteral("SELECT code || '=' || sname FROM wコードマスタ "
                                                          "WHERE sname IS NOT NULL ORDER BY 行番号"))
        .join(u' ');
}

// Puts a name into a slot of the edit copy, as the grid would.
inline void putName(const QString &code, const QVariant &name)
{
    run(db::work(), QStringLiteral("UPDATE wコードマスタ SET sname = ? WHERE code = ?"), {name, code});
}

} // namespace codestest
