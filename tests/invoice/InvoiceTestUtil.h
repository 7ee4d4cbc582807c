#pragma once
// Helpers for the invoice tests: statements on the data and work files, lines of w明細, and
// the settings globals put back after each test.
#include "app/Database.h"
#include "invoice/InvoiceCalc.h"
#include "invoice/InvoiceData.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/QStringPrinter.h"
#include "support/SqlTestUtil.h"

#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <ostream>

// A line as failure output shows it: number, texts, numbers and flags.
inline void PrintTo(const DetailLine &l, std::ostream *os)
{
    const auto number = [](const auto &v) { return v ? std::to_string(*v) : std::string("-"); };
    *os << l.行番号 << ":" << l.品名.toStdString() << "|" << l.入数.toStdString() << "|" << number(l.数量) << "|"
        << l.単位.toStdString() << "|" << number(l.単価) << "|" << number(l.金額) << "|" << l.小計 << l.非課税 << "|"
        << l.ふりがな.toStdString();
}

namespace invoicetest {

using sqltest::run;
using sqltest::scalar;

inline void addProduct(const QString &name, const QVariant &packSize, const QVariant &unit, const QVariant &price,
                       bool taxFree = false, const QVariant &reading = {}, bool reduced = false)
{
    run(db::data(),
        QStringLiteral("INSERT INTO 商品マスタ (品名, 入数, 単位, 単価, 非課税, ふりがな, 軽減税率) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {name, packSize, unit, price, taxFree ? 1 : 0, reading, reduced ? 1 : 0});
}

inline void addCustomer(const QString &name, const QVariant &info, const QVariant &reading, const QVariant &honorific)
{
    run(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, ふりがな, 敬称) VALUES (?, ?, ?, ?)"), {name, info, reading, honorific});
}

inline DetailLine line(int number)
{
    const auto l = detail::readLine(db::work(), number);
    EXPECT_TRUE(l.has_value()) << "line " << number;
    return l.value_or(DetailLine{});
}

// A line with a name and an amount (and, optionally, the rest).
inline DetailLine amountLine(int number, const QString &name, std::optional<qint64> amount, bool taxFree = false)
{
    DetailLine l;
    l.行番号 = number;
    l.品名 = name;
    l.金額 = amount;
    l.非課税 = taxFree;
    return l;
}

inline void write(const DetailLine &l)
{
    EXPECT_TRUE(detail::writeLine(db::work(), l)) << db::lastError().toStdString();
}

inline QString names(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << line(i).品名;
    return out.join(u'|');
}

// Every test starts from the globals of a fresh start.
class GlobalsReset : public ::testing::Test
{
protected:
    void SetUp() override { ModQLNV::resetSettingsGlobals(); }
    void TearDown() override { ModQLNV::resetSettingsGlobals(); }
};

// The same for the tests of the data, each on a fresh data directory (dir()) on the local file
// and on the server.
class DataTest : public EngineTest
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

} // namespace invoicetest
