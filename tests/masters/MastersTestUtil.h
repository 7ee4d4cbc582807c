#pragma once
// Helpers for the master tests: rows put into and read back from the data and work files.
#include "app/Database.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/SqlTestUtil.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

namespace masterstest {

using sqltest::column;
using sqltest::run;
using sqltest::scalar;

// Asked before a master window closes over changes not registered.
const QString kCloseQuestion = QStringLiteral("登録されていない変更があります。閉じてもよろしいですか？");

inline void addCustomer(const QString &name, const QString &reading, const QString &info = QString(),
                        const QString &honorific = QStringLiteral("様"))
{
    run(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES (?, ?, ?, ?)"),
        {name, db::textOrNull(info), reading, honorific});
}

inline void addProduct(const QString &name, const QString &reading, const QVariant &price = 100,
                       const QString &unit = QStringLiteral("個"), int exempt = 0, const QString &pack = QString())
{
    run(db::data(), QStringLiteral("INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな) VALUES (?, ?, ?, ?, ?, ?)"),
        {name, db::textOrNull(pack), unit, price, exempt, reading});
}

inline QStringList customerNames()
{
    return column(db::data(), QStringLiteral("SELECT 顧客名 FROM 顧客マスタ ORDER BY 顧客名"));
}

inline QStringList productNames()
{
    return column(db::data(), QStringLiteral("SELECT 品名 FROM 商品マスタ ORDER BY 品名"));
}

// From now on every row added to table of the data database (with column = value, when a
// column is given) is refused by the engine, as a full disk or a broken constraint would
// refuse it: a trigger in the local file, a check on the server.
inline void refuseRows(const QString &table, const QString &column = QString(), const QString &value = QString())
{
    const QString literal = u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\'';
    if (db::isServer(db::data())) {
        const QString check = column.isEmpty() ? QStringLiteral("false") : QStringLiteral("NOT (%1 = %2)").arg(column, literal);
        run(db::data(), QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT refused CHECK (%2) NOT VALID").arg(table, check));
        return;
    }
    const QString when = column.isEmpty() ? QString() : QStringLiteral("WHEN NEW.%1 = %2 ").arg(column, literal);
    run(db::data(), QStringLiteral("CREATE TRIGGER refused BEFORE INSERT ON %1 %2BEGIN SELECT RAISE(ABORT, 'refused'); END")
                        .arg(table, when));
}

// Every test starts from a fresh data directory, on the local file or on the server, and the
// globals of a fresh start.
class MastersTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ModQLNV::resetSettingsGlobals();
    }
    void TearDown() override
    {
        ModQLNV::resetSettingsGlobals();
        EngineTest::TearDown();
    }
};

} // namespace masterstest
