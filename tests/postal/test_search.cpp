// The searches of the postal-code window on the dictionary of all Japan, writing the work
// tables of a provisioned data directory.
#include "PostalTestUtil.h"

#include "postal/YubinSearch.h"
#include "support/QStringPrinter.h"
#include "support/TestDataDir.h"

#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace yubin;

namespace {

class PostalSearch : public ::testing::Test
{
protected:
    TestDataDir dir;
    YubinSearch search{{postaltest::realDictionary(), dir.dataMdb(), dir.workMdb()}};

    // The results as "code 県 市 町" lines, in the order of the grid.
    QStringList results() const
    {
        return postaltest::column(dir.workMdb(), QStringLiteral("SELECT 番号 || ' ' || 県漢字 || ' ' || 市町村漢字 || ' ' ||"
                                                                " 町名漢字 FROM w郵便番号 ORDER BY rowid"));
    }
    QStringList codes() const
    {
        return postaltest::column(dir.workMdb(), QStringLiteral("SELECT 番号 FROM w郵便番号 ORDER BY rowid"));
    }
    // The same rows straight from the dictionary, by a plain scan.
    QStringList scan(const QString &where, const QString &order, const QVariant &value) const
    {
        return postaltest::column(postaltest::realDictionary(),
                                  QStringLiteral("SELECT 番号 FROM 郵便番号 WHERE %1 ORDER BY %2, rowid").arg(where, order),
                                  {value});
    }
};

} // namespace

TEST_F(PostalSearch, ACodeOfSevenDigitsGivesEveryTownOfIt)
{
    for (const char *typed : {"1000001", "100-0001", "〒１００－０００１"}) {
        QString prefecture;
        ASSERT_TRUE(search.Seek郵便番号(QString::fromUtf8(typed), &prefecture)) << search.lastError().toStdString();
        EXPECT_EQ(results(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")}) << typed;
        EXPECT_EQ(prefecture, QStringLiteral("東京都"));
    }
    QString prefecture;
    ASSERT_TRUE(search.Seek郵便番号(QStringLiteral("0288407"), &prefecture));
    EXPECT_EQ(results(), (QStringList{QStringLiteral("0288407 岩手県 下閉伊郡田野畑村 川平"),
                                      QStringLiteral("0288407 岩手県 下閉伊郡田野畑村 菅窪"),
                                      QStringLiteral("0288407 岩手県 下閉伊郡田野畑村 田野畑"),
                                      QStringLiteral("0288407 岩手県 下閉伊郡田野畑村 和野")}));
    // One code of two prefectures: the prefecture box follows the first row.
    ASSERT_TRUE(search.Seek郵便番号(QStringLiteral("4980000"), &prefecture));
    EXPECT_EQ(results(), (QStringList{QStringLiteral("4980000 愛知県 弥富市 "), QStringLiteral("4980000 三重県 桑名郡木曽岬町 ")}));
    EXPECT_EQ(prefecture, QStringLiteral("愛知県"));
}

// Fewer than seven digits: the codes that begin with them, in code order, then the codes that
// hold them further on, in code order. Three digits and more go through the trigram index,
// fewer through a scan.
TEST_F(PostalSearch, AFragmentOfACodeListsTheCodesBeginningWithItFirst)
{
    const struct { const char *typed, *digits; int beginning, elsewhere; const char *first, *firstElsewhere; } cases[] = {
        {"1", "1", 4018, 69933, "1000000", "0010000"},   {"10", "10", 1750, 13360, "1000000", "0010000"},
        {"100", "100", 466, 3954, "1000000", "0010000"}, {"0600", "0600", 59, 470, "0600000", "0060000"},
        {"０６００", "0600", 59, 470, "0600000", "0060000"}, {"060-0", "0600", 59, 470, "0600000", "0060000"},
        {"06040", "06040", 0, 11, "", "1706040"},        {"000001", "000001", 0, 6, "", "1000001"},
        {"99999", "99999", 0, 0, "", ""},                {"x1", "x1", 0, 0, "", ""},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(search.Seek郵便番号(QString::fromUtf8(c.typed))) << search.lastError().toStdString();
        const QString digits = QString::fromUtf8(c.digits);
        const QStringList found = codes();
        const auto split = std::find_if_not(found.begin(), found.end(), [&](const QString &code) { return code.startsWith(digits); });
        const QStringList beginning(found.begin(), split), elsewhere(split, found.end());
        EXPECT_EQ(beginning.size(), c.beginning) << c.typed;
        EXPECT_EQ(elsewhere.size(), c.elsewhere) << c.typed;
        EXPECT_TRUE(std::is_sorted(beginning.begin(), beginning.end())) << c.typed;
        EXPECT_TRUE(std::is_sorted(elsewhere.begin(), elsewhere.end())) << c.typed;
        EXPECT_TRUE(std::all_of(elsewhere.begin(), elsewhere.end(), [&](const QString &code) { return code.indexOf(digits) > 0; }))
            << c.typed;
        EXPECT_EQ(beginning.value(0), QString::fromUtf8(c.first)) << c.typed;
        EXPECT_EQ(elsewhere.value(0), QString::fromUtf8(c.firstElsewhere)) << c.typed;
        EXPECT_EQ(search.resultCount(), found.size()) << c.typed;
    }
}

// Three characters and more go through the trigram index, fewer through a scan; both must give
// what a plain scan of the dictionary gives, in the same order.
TEST_F(PostalSearch, KanaFragmentsFindWhatAPlainScanFinds)
{
    const struct { int mode; const char *column, *kana; } kana[] = {
        {ByCityKana, "市町村かな", "ｱ"},     {ByCityKana, "市町村かな", "ｻｯ"},  {ByCityKana, "市町村かな", "ｻｯﾎﾟﾛｼ"},
        {ByTownKana, "町名かな", "ﾞ"},       {ByTownKana, "町名かな", "ｶﾞｯｺｳ"}, {ByTownKana, "町名かな", "(1ｶｲ)"},
        {ByTownKana, "町名かな", "SS30"},    {ByTownKana, "町名かな", "\"ｱ"},   {ByTownKana, "町名かな", "ｱ'ｲ"},
    };
    for (const auto &k : kana) {
        ASSERT_TRUE(search.Seek市町村かな(k.mode, QString::fromUtf8(k.kana))) << search.lastError().toStdString();
        const QString column = QString::fromUtf8(k.column);
        EXPECT_EQ(codes(), scan(QStringLiteral("instr(%1, ?) > 0").arg(column), column + QStringLiteral("順, 番号"),
                                QString::fromUtf8(k.kana)))
            << k.kana;
    }
}

// Whichever search found a row, it carries the three readings of the dictionary.
TEST_F(PostalSearch, EverySearchFillsTheThreeReadings)
{
    const struct { const char *what; std::function<bool()> run; const char *first; } cases[] = {
        {"code", [&] { return search.Seek郵便番号(QStringLiteral("1050011")); }, "1050011 ﾄｳｷｮｳﾄ ﾐﾅﾄｸ ｼﾊﾞｺｳｴﾝ 東京都 港区 芝公園"},
        {"two digits", [&] { return search.Seek郵便番号(QStringLiteral("06")); }, "0600000 ﾎｯｶｲﾄﾞｳ ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ  北海道 札幌市中央区 "},
        {"four digits", [&] { return search.Seek郵便番号(QStringLiteral("0288")); }, "0288111 ｲﾜﾃｹﾝ ｸｼﾞｼ ｳﾍﾞﾁｮｳ 岩手県 久慈市 宇部町"},
        {"city reading", [&] { return search.Seek市町村かな(ByCityKana, QStringLiteral("さっぽろしちゅうおうく")); },
         "0600000 ﾎｯｶｲﾄﾞｳ ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ  北海道 札幌市中央区 "},
        {"town reading", [&] { return search.Seek市町村かな(ByTownKana, QStringLiteral("ｶﾞ")); },
         "0680010 ﾎｯｶｲﾄﾞｳ ｲﾜﾐｻﾞﾜｼ 10ｼﾞｮｳﾋｶﾞｼ 北海道 岩見沢市 十条東"},
        {"city", [&] { return search.read町名(QStringLiteral("東京都"), QStringLiteral("港区")); }, "1050000 ﾄｳｷｮｳﾄ ﾐﾅﾄｸ  東京都 港区 "},
        {"town", [&] { return search.ReadGrid町名(QStringLiteral("岩手県"), QStringLiteral("下閉伊郡田野畑村"), QStringLiteral("和野")); },
         "0288407 ｲﾜﾃｹﾝ ｼﾓﾍｲｸﾞﾝﾀﾉﾊﾀﾑﾗ ﾜﾉ 岩手県 下閉伊郡田野畑村 和野"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(c.run()) << c.what << ": " << search.lastError().toStdString();
        const QStringList rows = postaltest::column(
            dir.workMdb(), QStringLiteral("SELECT 番号 || ' ' || 県かな || ' ' || 市町村かな || ' ' || 町名かな || ' ' || 県漢字 || ' ' ||"
                                          " 市町村漢字 || ' ' || 町名漢字 FROM w郵便番号 ORDER BY rowid"));
        ASSERT_FALSE(rows.isEmpty()) << c.what;
        EXPECT_EQ(rows.first(), QString::fromUtf8(c.first)) << c.what;
        EXPECT_EQ(postaltest::column(dir.workMdb(), QStringLiteral("SELECT count(*) FROM w郵便番号 WHERE 県かな = '' OR 市町村かな = ''"
                                                                   " OR (町名かな = '') <> (町名漢字 = '')")),
                  QStringList{QStringLiteral("0")})
            << c.what;
    }
}

TEST_F(PostalSearch, KanaInAnyFormGivesTheSameTowns)
{
    ASSERT_TRUE(search.Seek市町村かな(ByCityKana, QStringLiteral("ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ")));
    const QStringList halfWidth = results();
    EXPECT_EQ(halfWidth.size(), 89);
    for (const char *typed : {"さっぽろしちゅうおうく", "サッポロシチュウオウク", "さっほ゜ろしちゅうおうく"}) {
        ASSERT_TRUE(search.Seek市町村かな(ByCityKana, QString::fromUtf8(typed)));
        EXPECT_EQ(results(), halfWidth) << typed;
    }
    ASSERT_TRUE(search.Seek市町村かな(ByTownKana, QStringLiteral("がっこう")));
    const QStringList schools = results();
    ASSERT_TRUE(search.Seek市町村かな(ByTownKana, QStringLiteral("ガッコウ")));
    EXPECT_EQ(results(), schools);
    EXPECT_FALSE(schools.isEmpty());
}

TEST_F(PostalSearch, PrefectureCityAndTownFillTheListsInTurn)
{
    ASSERT_TRUE(search.Seek郵便番号(QStringLiteral("1000001")));
    ASSERT_TRUE(search.read市町村(QStringLiteral("東京都")));
    const QStringList cities = postaltest::column(dir.workMdb(), QStringLiteral("SELECT 市町村漢字 FROM 郵便番号_市町村漢字 ORDER BY rowid"));
    EXPECT_EQ(cities.size(), 62);
    EXPECT_EQ(cities.mid(0, 3), (QStringList{QStringLiteral("千代田区"), QStringLiteral("中央区"), QStringLiteral("港区")}));
    EXPECT_TRUE(results().isEmpty()) << "a new prefecture empties the results";

    ASSERT_TRUE(search.read町名(QStringLiteral("東京都"), QStringLiteral("千代田区")));
    const QStringList towns = postaltest::column(dir.workMdb(), QStringLiteral("SELECT 町名漢字 FROM w郵便番号 ORDER BY rowid"));
    EXPECT_GT(towns.size(), 100);
    EXPECT_EQ(towns.first(), QString()) << "the code of the whole ward comes first (its reading is empty)";
    EXPECT_TRUE(towns.contains(QStringLiteral("千代田")));
    const QStringList readings = postaltest::column(dir.workMdb(), QStringLiteral("SELECT 町名かな FROM w郵便番号 ORDER BY rowid"));
    EXPECT_EQ(readings.mid(1, 2), (QStringList{QStringLiteral("ｲｲﾀﾞﾊﾞｼ"), QStringLiteral("ｲﾁﾊﾞﾝﾁｮｳ")}));

    ASSERT_TRUE(search.ReadGrid町名(QStringLiteral("東京都"), QStringLiteral("千代田区"), QStringLiteral("千代田")));
    EXPECT_EQ(results(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")});
}

TEST_F(PostalSearch, NamesWithApostrophesAreJustText)
{
    ASSERT_TRUE(search.read市町村(QStringLiteral("O'Hare県")));
    ASSERT_TRUE(search.read町名(QStringLiteral("東京都"), QStringLiteral("千代田区'; DROP TABLE w郵便番号; --")));
    ASSERT_TRUE(search.ReadGrid町名(QStringLiteral("東京都"), QStringLiteral("千代田区"), QStringLiteral("'")));
    ASSERT_TRUE(search.Seek市町村かな(ByTownKana, QStringLiteral("'")));
    ASSERT_TRUE(search.Seek郵便番号(QStringLiteral("1'0")));
    EXPECT_TRUE(results().isEmpty());
}

TEST_F(PostalSearch, TheOwnAreaIsSplitAtAPrefectureOfTheList)
{
    const struct { int sw; const char *eria, *prefecture, *city; } cases[] = {
        {1, "東京都府中市", "東京都", "府中市"},   {1, "京都府京都市中京区", "京都府", "京都市中京区"},
        {1, "北海道札幌市中央区", "北海道", "札幌市中央区"}, {1, "神奈川県 横浜市", "神奈川県", "横浜市"},
        {1, "府中市", "", ""},                   {0, "東京都府中市", "", ""},
    };
    for (const auto &c : cases) {
        postaltest::run(dir.dataMdb(), QStringLiteral("DELETE FROM 自社情報"));
        postaltest::run(dir.dataMdb(), QStringLiteral("INSERT INTO 自社情報 (YubinLocalEriaSw, YubinLocalEria) VALUES (?, ?)"),
                        {c.sw, QString::fromUtf8(c.eria)});
        bool ok = false;
        const LocalArea area = search.ChkLocalEria(&ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(area.prefecture + u'|' + area.city, QString::fromUtf8(c.prefecture) + u'|' + QString::fromUtf8(c.city)) << c.eria;
    }
    const QStringList prefectures = search.read都道府県();
    EXPECT_EQ(prefectures.size(), 47);
    EXPECT_EQ(prefectures.first(), QStringLiteral("北海道"));
}

// A dictionary that is missing, empty, damaged or of another program: the search says so,
// writes nothing, and the caller's files go on working.
TEST_F(PostalSearch, ABadDictionaryFailsCleanly)
{
    QTemporaryDir other;
    const QString empty = other.filePath(QStringLiteral("empty.mdb"));
    const QString garbage = other.filePath(QStringLiteral("garbage.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(QByteArray(8192, 'x'));
    g.close();
    ASSERT_TRUE(search.Seek郵便番号(QStringLiteral("1000001")));

    const qsizetype connections = QSqlDatabase::connectionNames().size();
    for (const QString &path : {other.filePath(QStringLiteral("missing.mdb")), empty, garbage, dir.dataMdb()}) {
        YubinSearch bad({path, dir.dataMdb(), dir.workMdb()});
        EXPECT_FALSE(bad.Seek郵便番号(QStringLiteral("1000002"))) << path.toStdString();
        EXPECT_FALSE(bad.Seek市町村かな(ByTownKana, QStringLiteral("ｱ")));
        EXPECT_FALSE(bad.read市町村(QStringLiteral("東京都")));
        EXPECT_FALSE(bad.lastError().isEmpty());
        EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections) << "what a failed search opened is closed";
        EXPECT_EQ(results(), QStringList{QStringLiteral("1000001 東京都 千代田区 千代田")}) << "the last results stay";
    }
    EXPECT_FALSE(QFile::exists(other.filePath(QStringLiteral("missing.mdb")))) << "never created";
    EXPECT_EQ(QFile(empty).size(), 0);
    EXPECT_TRUE(YubinSearch({other.filePath(QStringLiteral("missing.mdb")), dir.dataMdb(), dir.workMdb()}).GridClear());
    EXPECT_TRUE(results().isEmpty());
}
