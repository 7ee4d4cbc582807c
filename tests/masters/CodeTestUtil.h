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
    return scalar(db::data(),
                  QStringLiteral("SELECT group_concat(code || '=' || sname, ' ') FROM (SELECT code, sname "
                                 "FROM コードマスタ WHERE kcode = ? AND sname IS NOT NULL ORDER BY code)"),
                  {kcode})
        .toString();
}

inline int rowsOf(const QString &kcode)
{
    return scalar(db::data(), QStringLiteral("SELECT count(*) FROM コードマスタ WHERE kcode = ?"), {kcode})
        .toInt();
}

// Every row of コードマスタ but those of one category, as one text.
inline QString allBut(const QString &kcode)
{
    return scalar(db::data(),
                  QStringLiteral("SELECT group_concat(kcode || '|' || coalesce(code, '-') || '|' || "
                                 "coalesce(sname, '-'), ' ') FROM (SELECT * FROM コードマスタ "
                                 "WHERE kcode IS NOT ? ORDER BY kcode, code)"),
                  {kcode})
        .toString();
}

// The edit copy in the same form as named(), and its row count.
inline QString workNamed()
{
    return scalar(db::work(), QStringLiteral("SELECT group_concat(code || '=' || sname, ' ') FROM (SELECT "
                                             "code, sname FROM wコードマスタ WHERE sname IS NOT NULL "
                                             "ORDER BY 行番号)"))
        .toString();
}

// Puts a name into a slot of the edit copy, as the grid would.
inline void putName(const QString &code, const QVariant &name)
{
    run(db::work(), QStringLiteral("UPDATE wコードマスタ SET sname = ? WHERE code = ?"), {name, code});
}

// Every test starts from the globals of a fresh start.
class GlobalsReset : public ::testing::Test
{
protected:
    void SetUp() override { ModQLNV::resetSettingsGlobals(); }
    void TearDown() override { ModQLNV::resetSettingsGlobals(); }
};

} // namespace codestest
