// How typed codes and readings are compared with the dictionary, the grid's kana keys, and
// the order of readings.
#include "postal/YubinText.h"
#include "support/QStringPrinter.h"

#include <gtest/gtest.h>

using namespace yubin;

TEST(PostalText, TypedPostalCodesBecomeSevenDigits)
{
    const struct { const char *typed, *code; } cases[] = {
        {"1000001", "1000001"},   {"100-0001", "1000001"},   {"１００－０００１", "1000001"},
        {"〒1000001", "1000001"}, {"〒 100 0001", "1000001"}, {"100ー0001", "1000001"},
        {"100", "100"},           {"〒", ""},                 {"12a", "12a"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(normalizePostalCode(QString::fromUtf8(c.typed)), QString::fromUtf8(c.code)) << c.typed;
}

TEST(PostalText, EveryFormOfKanaIsComparedAsHalfWidthKatakana)
{
    const struct { const char *typed, *kana; } cases[] = {
        {"がっこう", "ｶﾞｯｺｳ"},         {"ガッコウ", "ｶﾞｯｺｳ"},      {"ｶﾞｯｺｳ", "ｶﾞｯｺｳ"},
        {"か゛っこう", "ｶﾞｯｺｳ"},       {"カ\u3099ッコウ", "ｶﾞｯｺｳ"}, {"ｶ\uFF9Eｯｺｳ", "ｶﾞｯｺｳ"},
        {"ぱーく", "ﾊﾟｰｸ"},           {"ヶ丘", "ｹ丘"},             {"ホッカイドウ", "ﾎｯｶｲﾄﾞｳ"},
        {"ﾁｭｳｵｳ(1ｶｲ)", "ﾁｭｳｵｳ(1ｶｲ)"}, {"（１カイ）", "(1ｶｲ)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(toSearchKana(QString::fromUtf8(c.typed)), QString::fromUtf8(c.kana)) << c.typed;
}

TEST(PostalText, KeysOfAKanaKeyboardGiveTheirKana)
{
    const struct { uint code; const char *kana; } cases[] = {
        {'3', "ｱ"}, {'1', "ﾇ"},  {'q', "ﾀ"}, {'Q', "ﾀ"}, {'\\', "ﾛ"}, {']', "ﾑ"}, {0xB1, "ｱ"},
        {0xFF71, "ｱ"}, {0x3042, "ｱ"}, {0x30A2, "ｱ"}, {'@', ""}, {13, ""}, {0x6F22, ""}, {0x1F600, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ChgKeyKana(c.code), QString::fromUtf8(c.kana)) << c.code;
}

TEST(PostalText, AKanaKeyJumpsToTheFirstTownOfThatReading)
{
    const QStringList readings{QStringLiteral("ｶﾝﾀﾞ"), QStringLiteral("ｱｷﾊﾞﾗ"), QStringLiteral("ｱｻｸｻ"), QString()};
    EXPECT_EQ(ChgGridLinePress(readings, '3'), 1);
    EXPECT_EQ(ChgGridLinePress(readings, 0xFF71), 1);
    EXPECT_EQ(ChgGridLinePress(readings, 't'), 0);   // t is ｶ
    EXPECT_EQ(ChgGridLinePress(readings, 'z'), -1);  // ﾂ: none
    EXPECT_EQ(ChgGridLinePress(readings, 13), -1);
}

TEST(PostalText, ReadingsRankInJapaneseDictionaryOrder)
{
    // By code point ﾜ (U+FF9C) sorts before the voiced mark ﾞ (U+FF9E), so ｶﾜｾﾞ would come first.
    const QStringList texts{QStringLiteral("ｶﾜｾﾞ"), QStringLiteral("ｶﾞｯｺｳ"), QStringLiteral("ｱ"),
                            QStringLiteral("ｶﾜｾﾞ"), QString()};
    const std::vector<int> ranks = collationRanks(texts);
    ASSERT_EQ(ranks.size(), 5u);
    EXPECT_LT(ranks[4], ranks[2]);
    EXPECT_LT(ranks[2], ranks[1]);
    EXPECT_LT(ranks[1], ranks[0]);
    EXPECT_EQ(ranks[0], ranks[3]);
}
