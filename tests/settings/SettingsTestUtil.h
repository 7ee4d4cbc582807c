#pragma once
// Helpers for the settings tests: statements on the data file and readable failure output.
#include "app/Database.h"
#include "settings/ModQLNVSettings.h"
#include "support/QStringPrinter.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

namespace settingstest {

// Runs a statement on the data file; a failure fails the test.
inline void run(const QString &sql, const QVariantList &values = {})
{
    EXPECT_TRUE(db::exec(db::data(), sql, values)) << db::lastError().toStdString();
}

// The first value of the first row; an invalid QVariant when there is no row.
inline QVariant scalar(const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db::data());
    if (!db::exec(q, sql, values)) {
        ADD_FAILURE() << db::lastError().toStdString();
        return {};
    }
    return q.next() ? q.value(0) : QVariant();
}

inline int count(const QString &table)
{
    return scalar(QStringLiteral("SELECT count(*) FROM ") + table).toInt();
}

// A column of the settings row.
inline QVariant stored(const QString &column)
{
    return scalar(QStringLiteral("SELECT %1 FROM 自社情報 ORDER BY rowid LIMIT 1").arg(db::identifier(column)));
}

// Every test starts from the globals of a fresh start, around the set-up of Base (a gtest
// fixture such as EngineTest).
template<class Base = ::testing::Test>
class GlobalsReset : public Base
{
protected:
    void SetUp() override
    {
        ModQLNV::resetSettingsGlobals();
        Base::SetUp();
    }
    void TearDown() override
    {
        Base::TearDown();
        ModQLNV::resetSettingsGlobals();
    }
};

} // namespace settingstest
