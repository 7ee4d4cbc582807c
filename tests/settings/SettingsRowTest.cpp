// The settings row without a window: what a Null column shows, what a save stores, the
// read and write of the first row, and the globals.
#include "SettingsTestUtil.h"

#include "settings/InvoiceCounter.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsRow.h"
#include "support/EngineTest.h"
#include "support/TestDataDir.h"

#include <functional>

using namespace settingstest;
using settings::SettingsForm;
using settings::SettingsRow;

namespace {

SettingsForm expectedDefaults()
{
    SettingsForm f;
    f.年号 = QStringLiteral("和暦");
    f.税端数 = QStringLiteral("四捨五入");
    f.行端数 = QStringLiteral("四捨五入");
    f.税区分 = QStringLiteral("外税");
    f.印刷用紙 = QStringLiteral("A4白紙");
    f.入数列タイトル = QStringLiteral("入数");
    f.小数 = QStringLiteral("使用しない");
    f.商品表示順 = QStringLiteral("品名順");
    f.TopMargin = QStringLiteral("0");
    f.LeftMargin = QStringLiteral("0");
    f.罫線色 = QStringLiteral("0");
    f.消費税率 = QStringLiteral("5%");
    f.バックアップ間隔 = QStringLiteral("7");
    f.支払期限 = QStringLiteral("なし");
    f.支払期限日数 = QStringLiteral("30");
    return f;
}

} // namespace

TEST(SettingsRow, ANullRowShowsTheDefaults)
{
    EXPECT_EQ(settings::formFromRow(SettingsRow{}), expectedDefaults());
    EXPECT_EQ(settings::defaultForm(), expectedDefaults());
}

TEST(SettingsRow, ASaveStoresEmptyBoxesAsTheirDefaultsOrNull)
{
    // Everything empty: the combos their defaults, the texts, paths and link applications Null,
    // the margins 0, the colour Null, the own area not preselected.
    const SettingsRow empty = settings::rowFromForm(SettingsForm{});
    SettingsRow expected;
    expected.年号 = QStringLiteral("和暦");
    expected.税端数 = QStringLiteral("四捨五入");
    expected.行端数 = QStringLiteral("四捨五入");
    expected.税区分 = QStringLiteral("外税");
    expected.印刷用紙 = QStringLiteral("A4白紙");
    expected.入数列タイトル = QStringLiteral("入数");
    expected.小数 = QStringLiteral("使用しない");
    expected.商品表示順 = QStringLiteral("品名順");
    expected.白紙TopMargin = 0;
    expected.白紙LeftMargin = 0;
    expected.YubinLocalEriaSw = false;
    expected.消費税率 = 0.05;
    expected.バックアップ間隔 = 7;
    expected.支払期限日数 = 30;
    EXPECT_EQ(empty, expected);
}

TEST(SettingsRow, TheRateAndTheRegistrationNumberAsShownAndAsStored)
{
    const struct {
        std::optional<double> stored;
        const char *shown;
        std::optional<int> percent;
    } rates[] = {
        {std::nullopt, "5%", 5}, {0.05, "5%", 5}, {0.08, "8%", 8}, {0.1, "10%", 10},
        // A rate the program does not know shows as what it is and names no rate.
        {0.07, "7%", std::nullopt},
    };
    for (const auto &r : rates) {
        SettingsRow row;
        row.消費税率 = r.stored;
        const SettingsForm f = settings::formFromRow(row);
        EXPECT_EQ(f.消費税率, QString::fromUtf8(r.shown));
        EXPECT_EQ(settings::taxPercentFromText(f.消費税率), r.percent) << r.shown;
        if (r.percent)
            EXPECT_EQ(settings::rowFromForm(f).消費税率, *r.percent / 100.0) << r.shown;
    }

    const struct {
        const char *typed;
        std::optional<QString> stored; // nothing: refused
    } numbers[] = {
        {"T1234567890123", QStringLiteral("T1234567890123")},
        {"", QString()},
        {"  ", QString()},
        {"Ｔ１２３４５６７８９０１２３", QStringLiteral("T1234567890123")},
        {"t1234567890123", QStringLiteral("T1234567890123")},
        {"T1-2345-6789-0123", QStringLiteral("T1234567890123")},
        {"T 1234 5678 90123", QStringLiteral("T1234567890123")},
        {"1234567890123", std::nullopt},
        {"T123456789012", std::nullopt},
        {"T12345678901234", std::nullopt},
        {"T123456789012X", std::nullopt},
        {"TT1234567890123", std::nullopt},
        {"T1234567890123'", std::nullopt},
    };
    for (const auto &n : numbers) {
        EXPECT_EQ(settings::registrationNumber(QString::fromUtf8(n.typed)), n.stored) << n.typed;
        SettingsForm f;
        f.登録番号 = QString::fromUtf8(n.typed);
        if (n.stored)
            EXPECT_EQ(settings::rowFromForm(f).登録番号,
                      n.stored->isEmpty() ? std::nullopt : std::optional<QString>(*n.stored)) << n.typed;
    }
}

TEST(SettingsRow, NumberBoxesAreReadAsTheProgramShowsThem)
{
    struct Case {
        const char *top, *colour;
        double storedTop;
        std::optional<qint32> storedColour;
    };
    const Case cases[] = {
        {"", "", 0, std::nullopt},
        {"-12.5", "255", -12.5, 255},
        {"１２", "１６７７７２１５", 12, 0xFFFFFF},
        {"-", "16777216", 0, std::nullopt}, // half-typed margin; a colour beyond white
        {"1,440", "-1", 1440, std::nullopt},
    };
    for (const Case &c : cases) {
        SettingsForm f;
        f.TopMargin = QString::fromUtf8(c.top);
        f.罫線色 = QString::fromUtf8(c.colour);
        const SettingsRow row = settings::rowFromForm(f);
        EXPECT_EQ(row.白紙TopMargin, c.storedTop) << c.top;
        EXPECT_EQ(row.白紙罫線色, c.storedColour) << c.colour;
    }
}

TEST(SettingsRow, LinkFileFiltersByApplication)
{
    const std::pair<const char *, const char *> cases[] = {
        {"Orb顧客管理", "MDB ファイル(*.mdb)|orbdata.mdb|すべてのファイル|*|"},
        {"OrbⅡ顧客管理", "MDB ファイル(*.mdb)|orb2data.mdb|すべてのファイル|*|"},
        {"Ormel顧客管理", "すべてのファイル|*|"},
        {"QLNV請求書", "MDB ファイル(*.mdb)|Vyxdata.mdb|すべてのファイル|*|"},
    };
    for (const auto &[application, filter] : cases)
        EXPECT_EQ(settings::linkFileFilter(QString::fromUtf8(application)), QString::fromUtf8(filter));
}

class SettingsRowFile : public GlobalsReset<EngineTest> {};
QUILLON_ON_BOTH_ENGINES(SettingsRowFile);

TEST_P(SettingsRowFile, TheFirstWriteAddsTheRowAndLaterWritesChangeIt)
{
    EXPECT_EQ(settings::readSettingsRow().status, settings::ReadStatus::NoRow);

    SettingsRow row = settings::rowFromForm(SettingsForm{});
    row.自社名 = QStringLiteral("O'Brien's 商店");
    row.自社情報 = QStringLiteral("〒100-0001\n東京都千代田区 '1-1'\n") + QString(5000, QChar(u'長'));
    row.顧客リンクアプリ = QStringLiteral("OrbⅡ顧客管理");
    row.顧客リンクパス = QStringLiteral("/no/such/folder/it's/orb2data.mdb");
    row.白紙TopMargin = 120.25;
    row.白紙罫線色 = 0x123456;
    ASSERT_TRUE(settings::writeSettingsRow(row));
    EXPECT_EQ(count(QStringLiteral("自社情報")), 1);

    row.税区分 = QStringLiteral("内税");
    ASSERT_TRUE(settings::writeSettingsRow(row));
    EXPECT_EQ(count(QStringLiteral("自社情報")), 1);

    const settings::SettingsRead read = settings::readSettingsRow();
    ASSERT_EQ(read.status, settings::ReadStatus::Found);
    row.更新番号 = 1; // the insert's Null, raised by the update
    EXPECT_EQ(read.row, row);
}

// Settings read at one version are stored only over it: another PC's save of the settings
// since stops them (the caller asks); the counter's moves and the remembered folders do not.
TEST_P(SettingsRowFile, SettingsAreStoredOnlyOverTheVersionTheyWereReadAt)
{
    SettingsRow first = settings::rowFromForm(SettingsForm{});
    first.自社名 = QStringLiteral("最初");
    ASSERT_TRUE(settings::writeSettingsRow(first));
    const struct {
        const char *name;
        std::function<void()> meanwhile;
        bool changed;
    } cases[] = {
        {"nothing", [] {}, false},
        {"the counter moves", [] { EXPECT_TRUE(counter::setMaxInvoiceNumber(500)); }, false},
        {"a folder is remembered", [] { EXPECT_TRUE(settings::writeRemembered(settings::Remembered::PdfFolder, QStringLiteral("/tmp"))); }, false},
        {"another PC saves the settings",
         [] {
             SettingsRow other = settings::readSettingsRow().row;
             other.自社名 = QStringLiteral("よそ");
             EXPECT_TRUE(settings::writeSettingsRow(other));
         },
         true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRow mine = settings::readSettingsRow().row;
        ASSERT_TRUE(mine.更新番号);
        c.meanwhile();
        const auto storedBefore = settings::readSettingsRow().row;
        mine.自社名 = QStringLiteral("こちら");
        bool changed = false;
        qint64 version = 0;
        EXPECT_EQ(settings::writeSettingsRow(mine, &changed, &version), !c.changed);
        EXPECT_EQ(changed, c.changed);
        if (!c.changed) {
            EXPECT_EQ(version, *mine.更新番号 + 1);
            EXPECT_EQ(settings::readSettingsRow().row.自社名, QStringLiteral("こちら"));
            continue;
        }
        EXPECT_EQ(settings::readSettingsRow().row, storedBefore);
        // Stored all the same when the user says so.
        mine.更新番号.reset();
        ASSERT_TRUE(settings::writeSettingsRow(mine, nullptr, &version));
        EXPECT_EQ(version, *storedBefore.更新番号 + 1);
        EXPECT_EQ(settings::readSettingsRow().row.自社名, QStringLiteral("こちら"));
    }
}

TEST_P(SettingsRowFile, AWriteLeavesTheCounterTheS101MarginsAndThePostalColumnsAlone)
{
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 最大請求書番号, S101TopMargin, S101LeftMargin, "
                       "YubinLocalEriaSw, YubinLocalEria) VALUES ('旧', 41, 11.5, 12, 1, '東京都千代田区')"));
    // A second row is never read or written: only the first one counts.
    run(QStringLiteral("INSERT INTO 自社情報 (自社名) VALUES ('二行目')"));

    // A row that does not carry the own area (none but the settings tab's does) leaves it.
    SettingsRow row = settings::rowFromForm(SettingsForm{});
    row.YubinLocalEriaSw.reset();
    row.YubinLocalEria.reset();
    ASSERT_TRUE(settings::writeSettingsRow(row));

    EXPECT_TRUE(stored(QStringLiteral("自社名")).isNull());
    EXPECT_EQ(stored(QStringLiteral("最大請求書番号")).toInt(), 41);
    EXPECT_EQ(stored(QStringLiteral("S101TopMargin")).toDouble(), 11.5);
    EXPECT_EQ(stored(QStringLiteral("YubinLocalEria")).toString(), QStringLiteral("東京都千代田区"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT 自社名 FROM 自社情報 ORDER BY rowid DESC LIMIT 1")).toString(),
              QStringLiteral("二行目"));

    SettingsForm area;
    area.YubinLocalEriaSw = true;
    area.YubinLocalEria = QStringLiteral(" 東京都府中市 ");
    ASSERT_TRUE(settings::writeSettingsRow(settings::rowFromForm(area)));
    EXPECT_EQ(stored(QStringLiteral("YubinLocalEriaSw")).toInt(), 1);
    EXPECT_EQ(stored(QStringLiteral("YubinLocalEria")).toString(), QStringLiteral("東京都府中市"));
}

TEST_P(SettingsRowFile, AMissingOrBrokenDataFileFailsTheReadAndTheWrite)
{
    run(QStringLiteral("DROP TABLE 自社情報"));
    EXPECT_EQ(settings::readSettingsRow().status, settings::ReadStatus::Failed);
    EXPECT_FALSE(settings::writeSettingsRow(settings::rowFromForm(SettingsForm{})));
}

TEST(SettingsRowFileOnly, AMissingDataFileFailsTheReadAndTheWrite)
{
    TestDataDir missing(false);
    EXPECT_EQ(settings::readSettingsRow().status, settings::ReadStatus::Failed);
    EXPECT_FALSE(settings::writeSettingsRow(settings::rowFromForm(SettingsForm{})));
}

TEST_P(SettingsRowFile, ReadingIntoTheGlobals)
{

    // No row: the globals keep what they hold (the defaults of a fresh start).
    EXPECT_FALSE(ModQLNV::Read自社情報());
    EXPECT_EQ(ModQLNV::税区分, QStringLiteral("外税"));
    EXPECT_EQ(ModQLNV::行端数, QStringLiteral("四捨五入"));
    EXPECT_EQ(ModQLNV::入数列タイトル, QStringLiteral("入数"));

    // Null columns give the defaults.
    ModQLNV::税区分 = QStringLiteral("非課税");
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 最大請求書番号) VALUES ('山田商店', 3)"));
    EXPECT_TRUE(ModQLNV::Read自社情報());
    EXPECT_EQ(ModQLNV::自社名, QStringLiteral("山田商店"));
    EXPECT_EQ(ModQLNV::税区分, QStringLiteral("外税"));
    EXPECT_EQ(ModQLNV::年号, QStringLiteral("和暦"));
    EXPECT_EQ(ModQLNV::白紙TopMargin, 0);
    EXPECT_EQ(ModQLNV::白紙罫線色, 0);
    EXPECT_TRUE(ModQLNV::顧客リンクアプリ.isEmpty());

    // Stored values, the carried ones included.
    run(QStringLiteral("UPDATE 自社情報 SET 税区分 = '内税', 印刷用紙 = 'B5白紙', 白紙TopMargin = -40.5, "
                       "S101LeftMargin = 7, 白紙罫線色 = 255, 入数列タイトル = '規格', YubinLocalEriaSw = 1, "
                       "YubinLocalEria = '大阪府大阪市'"));
    EXPECT_TRUE(ModQLNV::Read自社情報());
    EXPECT_EQ(ModQLNV::税区分, QStringLiteral("内税"));
    EXPECT_EQ(ModQLNV::印刷用紙, QStringLiteral("B5白紙"));
    EXPECT_EQ(ModQLNV::白紙TopMargin, -40.5);
    EXPECT_EQ(ModQLNV::S101LeftMargin, 7);
    EXPECT_EQ(ModQLNV::白紙罫線色, 255);
    EXPECT_EQ(ModQLNV::入数列タイトル, QStringLiteral("規格"));
    EXPECT_TRUE(ModQLNV::YubinLocalEriaSw);
    EXPECT_EQ(ModQLNV::YubinLocalEria, QStringLiteral("大阪府大阪市"));

    // After the data reset removed the row, the globals keep their values until a save.
    run(QStringLiteral("DELETE FROM 自社情報"));
    EXPECT_FALSE(ModQLNV::Read自社情報());
    EXPECT_EQ(ModQLNV::税区分, QStringLiteral("内税"));
}

TEST(SettingsRow, TheDueDateOfANewInvoiceFollowsTheRule)
{
    const QString none = QStringLiteral("なし");
    const QString monthEnd = QStringLiteral("翌月末");
    const QString days = QStringLiteral("日数指定");
    const struct {
        QString rule;
        int days;
        QDate invoice;
        QDate due; // invalid: none
    } cases[] = {
        {none, 30, QDate(2026, 12, 9), {}},
        {monthEnd, 30, QDate(2026, 12, 9), QDate(2027, 1, 31)},
        {monthEnd, 30, QDate(2026, 1, 31), QDate(2026, 2, 28)},
        {monthEnd, 30, QDate(2028, 1, 1), QDate(2028, 2, 29)},  // a leap year
        {monthEnd, 30, QDate(2100, 1, 15), QDate(2100, 2, 28)}, // a century that is none
        {monthEnd, 30, QDate(2000, 1, 15), QDate(2000, 2, 29)}, // and one that is
        {monthEnd, 30, QDate(2026, 3, 31), QDate(2026, 4, 30)},
        {monthEnd, 30, QDate(2026, 11, 30), QDate(2026, 12, 31)},
        {days, 30, QDate(2026, 12, 9), QDate(2027, 1, 8)},
        {days, 1, QDate(2028, 2, 28), QDate(2028, 2, 29)},
        {days, 365, QDate(2027, 3, 1), QDate(2028, 2, 29)},
        {days, 0, QDate(2026, 12, 9), {}},   // a number the tab does not take decides none
        {days, 366, QDate(2026, 12, 9), {}},
        {QStringLiteral("来月"), 30, QDate(2026, 12, 9), {}},
        {monthEnd, 30, QDate(), {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(settings::dueDateFor(c.rule, c.days, c.invoice), c.due)
            << c.rule.toStdString() << " " << c.days << " " << c.invoice.toString(Qt::ISODate).toStdString();

    // As stored: none is Null, the days stay within the tab's range.
    SettingsForm form = settings::defaultForm();
    form.振込先 = QStringLiteral("みどり銀行 本店 普通 1234567\nヤマダショウテン");
    form.支払期限 = days;
    form.支払期限日数 = QStringLiteral("45");
    SettingsRow row = settings::rowFromForm(form);
    EXPECT_EQ(row.振込先, form.振込先);
    EXPECT_EQ(row.支払期限, days);
    EXPECT_EQ(row.支払期限日数, 45);
    EXPECT_EQ(settings::formFromRow(row).支払期限日数, QStringLiteral("45"));
    form.支払期限 = none;
    form.支払期限日数 = QStringLiteral("999");
    row = settings::rowFromForm(form);
    EXPECT_FALSE(row.支払期限);
    EXPECT_EQ(row.支払期限日数, 30);
    row.支払期限 = QStringLiteral("毎月10日"); // a rule this program does not know shows as none
    EXPECT_EQ(settings::formFromRow(row).支払期限, none);
}
