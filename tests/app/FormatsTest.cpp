// Shown forms of numbers and dates, typed dates and numbers, and code page 932 widths.
#include "app/Formats.h"

#include <gtest/gtest.h>

#include <limits>

using namespace formats;
using namespace Qt::Literals::StringLiterals;

namespace {

struct NumberCase {
    double value;
    NumberFormat format;
    const char *shown;
};

const NumberCase kNumbers[] = {
    {0, NumberFormat::Grouped, ""},
    {0.4, NumberFormat::Grouped, ""},
    {-0.4, NumberFormat::Grouped, ""},
    {1234, NumberFormat::Grouped, "1,234"},
    {-1234, NumberFormat::Grouped, "-1,234"},
    {1170.835, NumberFormat::Grouped, "1,171"},
    {2.5, NumberFormat::Grouped, "3"},
    {-2.5, NumberFormat::Grouped, "-3"},
    {999, NumberFormat::Grouped, "999"},
    {9999999999.99, NumberFormat::Grouped, "10,000,000,000"},
    {0, NumberFormat::GroupedZero, "0"},
    {-0.4, NumberFormat::GroupedZero, "0"},
    {1234567, NumberFormat::GroupedZero, "1,234,567"},
    {0, NumberFormat::GroupedTwoDecimals, "0.00"},
    {1.005, NumberFormat::GroupedTwoDecimals, "1.01"}, // as typed, not as stored in binary
    {-2.345, NumberFormat::GroupedTwoDecimals, "-2.35"},
    {-0.004, NumberFormat::GroupedTwoDecimals, "0.00"},
    {1234.5, NumberFormat::GroupedTwoDecimals, "1,234.50"},
    {1234.5, NumberFormat::Standard, "1,234.50"},
    {-1234567.891, NumberFormat::Standard, "-1,234,567.89"},
    {std::numeric_limits<double>::quiet_NaN(), NumberFormat::GroupedZero, ""},
    {std::numeric_limits<double>::infinity(), NumberFormat::Standard, ""},
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << c.value << " format " << int(c.format);
}

class NumberFormatTest : public ::testing::TestWithParam<NumberCase>
{
};

} // namespace

TEST_P(NumberFormatTest, Shows)
{
    EXPECT_EQ(formatNumber(GetParam().value, GetParam().format), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Cases, NumberFormatTest, ::testing::ValuesIn(kNumbers));

TEST(NumberFormatTest, WholeYenAndFormatNames)
{
    EXPECT_EQ(formatNumber(qint64(0), NumberFormat::Grouped), QString());
    EXPECT_EQ(formatNumber(qint64(-1234), NumberFormat::Grouped), u"-1,234"_s);
    EXPECT_EQ(formatNumber(qint64(123456789012), NumberFormat::GroupedZero), u"123,456,789,012"_s);
    EXPECT_EQ(formatNumber(5, NumberFormat::Standard), u"5.00"_s);

    EXPECT_EQ(numberFormatFromText(u"#,###"_s), NumberFormat::Grouped);
    EXPECT_EQ(numberFormatFromText(u"#,##0"_s), NumberFormat::GroupedZero);
    EXPECT_EQ(numberFormatFromText(u"#,##0.00"_s), NumberFormat::GroupedTwoDecimals);
    EXPECT_EQ(numberFormatFromText(u"Standard"_s), NumberFormat::Standard);
    EXPECT_EQ(numberFormatFromText(u"0.0"_s), std::nullopt);
}

namespace {

struct DateCase {
    QDate date;
    DateFormat format;
    const char *shown;
};

const DateCase kDates[] = {
    {QDate(2026, 12, 7), DateFormat::EraDate, "令和08年12月07日"},
    {QDate(2026, 12, 7), DateFormat::EraLetterSlash, "R08/12/07"},
    {QDate(2026, 12, 7), DateFormat::EraDateSpaced, "令和 08年12月07日"},
    {QDate(2026, 12, 7), DateFormat::WesternDate, "2026年12月07日"},
    {QDate(2026, 12, 7), DateFormat::WesternSlash, "2026/12/07"},
    {QDate(2026, 12, 7), DateFormat::WesternCompact, "20261207"},
    {QDate(2026, 12, 7), DateFormat::EraMonthTitle, "令和08年12月"},
    {QDate(2026, 12, 7), DateFormat::WesternMonthTitle, "2026年12月"},
    {QDate(2026, 12, 7), DateFormat::EraMonthTitleSpaced, "令和 08年 12月"},
    {QDate(2026, 12, 7), DateFormat::WesternMonthTitleSpaced, "2026年 12月"},
    // era boundaries
    {QDate(1989, 1, 7), DateFormat::EraDate, "昭和64年01月07日"},
    {QDate(1989, 1, 8), DateFormat::EraDate, "平成01年01月08日"},
    {QDate(2019, 4, 30), DateFormat::EraDate, "平成31年04月30日"},
    {QDate(2019, 5, 1), DateFormat::EraDate, "令和01年05月01日"},
    {QDate(1989, 1, 7), DateFormat::EraLetterSlash, "S64/01/07"},
    {QDate(1989, 1, 8), DateFormat::EraLetterSlash, "H01/01/08"},
    {QDate(2019, 4, 30), DateFormat::EraLetterSlash, "H31/04/30"},
    {QDate(2019, 5, 1), DateFormat::EraLetterSlash, "R01/05/01"},
    {QDate(1926, 12, 25), DateFormat::EraDate, "昭和01年12月25日"},
    {QDate(1926, 12, 24), DateFormat::EraLetterSlash, "T15/12/24"},
    {QDate(), DateFormat::EraDate, ""},
    {QDate(), DateFormat::WesternSlash, ""},
};

void PrintTo(const DateCase &c, std::ostream *os)
{
    *os << c.date.toString(Qt::ISODate).toStdString() << " format " << int(c.format);
}

class DateFormatTest : public ::testing::TestWithParam<DateCase>
{
};

} // namespace

TEST_P(DateFormatTest, Shows)
{
    EXPECT_EQ(formatDate(GetParam().date, GetParam().format), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Cases, DateFormatTest, ::testing::ValuesIn(kDates));

TEST(DateFormatTest, EraOfADate)
{
    const auto era = eraYearOf(QDate(2019, 5, 1));
    ASSERT_TRUE(era);
    EXPECT_EQ(era->name, u"令和"_s);
    EXPECT_EQ(era->letter, u"R"_s);
    EXPECT_EQ(era->year, 1);
    EXPECT_EQ(formatDate(QDate(2026, 3, 4), u"gg e/m/d yy"_s), u"令 8/3/4 26"_s);
}

namespace {

struct ParseCase {
    const char *typed;
    QDate date; // invalid: refused
};

const ParseCase kTypedDates[] = {
    {"令和8年12月7日", QDate(2026, 12, 7)},
    {"令和08年12月07日", QDate(2026, 12, 7)},
    {"令和 08年12月07日", QDate(2026, 12, 7)},
    {"R8/12/7", QDate(2026, 12, 7)},
    {"r08.12.07", QDate(2026, 12, 7)},
    {"Ｒ８／１２／７", QDate(2026, 12, 7)},
    {"H31/4/30", QDate(2019, 4, 30)},
    {"令和元年5月1日", QDate(2019, 5, 1)},
    {"平成元年1月8日", QDate(1989, 1, 8)},
    {"S64/1/7", QDate(1989, 1, 7)},
    {"2026/12/07", QDate(2026, 12, 7)},
    {"2026-12-7", QDate(2026, 12, 7)},
    {"2026.12.07", QDate(2026, 12, 7)},
    {"2026年12月7日", QDate(2026, 12, 7)},
    {"20261207", QDate(2026, 12, 7)},
    {"２０２６／１２／０７", QDate(2026, 12, 7)},
    {" 2024/2/29 ", QDate(2024, 2, 29)},
    // refused
    {"平成32年1月1日", QDate()},  // 平成 ended in its 31st year
    {"令和1年4月30日", QDate()},  // before the first day of 令和
    {"R1/4/30", QDate()},
    {"S64/1/8", QDate()},
    {"H1/1/7", QDate()},
    {"令和8年2月30日", QDate()},
    {"令和0年5月1日", QDate()},
    {"X8/1/1", QDate()},
    {"2026/02/30", QDate()},
    {"2026/13/01", QDate()},
    {"2025/2/29", QDate()},
    {"20261301", QDate()},
    {"2026/12-07", QDate()},
    {"2026/12/07 x", QDate()},
    {"0999/01/01", QDate()},
    {"", QDate()},
    {"令和", QDate()},
};

void PrintTo(const ParseCase &c, std::ostream *os)
{
    *os << '"' << c.typed << '"';
}

class ParseDateTest : public ::testing::TestWithParam<ParseCase>
{
};

} // namespace

TEST_P(ParseDateTest, ReadsTypedDate)
{
    const auto parsed = parseDate(QString::fromUtf8(GetParam().typed));
    if (GetParam().date.isValid()) {
        ASSERT_TRUE(parsed) << GetParam().typed;
        EXPECT_EQ(*parsed, GetParam().date) << GetParam().typed;
    } else {
        EXPECT_FALSE(parsed) << GetParam().typed << " read as " << parsed->toString(Qt::ISODate).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseDateTest, ::testing::ValuesIn(kTypedDates));

// Whatever the date box shows, it must read back as the same day.
TEST(ParseDateTest, EveryShownDayFormReadsBack)
{
    const DateFormat forms[] = {DateFormat::EraDate, DateFormat::EraLetterSlash, DateFormat::EraDateSpaced,
                                DateFormat::WesternDate, DateFormat::WesternSlash, DateFormat::WesternCompact};
    const QDate days[] = {QDate(1989, 1, 7), QDate(1989, 1, 8), QDate(2019, 4, 30), QDate(2019, 5, 1),
                          QDate(2000, 2, 29), QDate(2026, 12, 31), QDate(1912, 7, 30)};
    for (const QDate &day : days) {
        for (DateFormat form : forms) {
            const QString shown = formatDate(day, form);
            EXPECT_EQ(parseDate(shown), day) << shown.toStdString();
        }
    }
}

namespace {

struct SjisCase {
    const char16_t *text;
    int bytes;
};

const SjisCase kSjisLengths[] = {
    {u"", 0},
    {u"abc", 3},
    {u"ｱｲｳﾞ", 4},     // half-width katakana: one byte each
    {u"漢字", 4},
    {u"アイ", 4},
    {u"①～", 4},      // in code page 932, not in plain Shift_JIS
    {u"aｱ漢", 4},
    {u"𠮷", 1},        // not in the code page: one '?'
    {u"é", 1},
    {u"\xD800", 1},   // a lone surrogate
};

} // namespace

TEST(SjisTest, ByteLengths)
{
    for (const SjisCase &c : kSjisLengths)
        EXPECT_EQ(sjisByteLength(QString::fromUtf16(c.text)), c.bytes) << QString::fromUtf16(c.text).toStdString();
}

TEST(SjisTest, CutNeverSplitsACharacter)
{
    const std::tuple<QString, int, QString> cases[] = {
        {u"漢字abc"_s, 3, u"漢"_s}, {u"漢字abc"_s, 4, u"漢字"_s}, {u"漢字abc"_s, 100, u"漢字abc"_s},
        {u"aｱ漢"_s, 2, u"aｱ"_s},    {u"a漢"_s, 2, u"a"_s},        {u"𠮷a"_s, 1, u"𠮷"_s},
        {u"a𠮷"_s, 1, u"a"_s},      {u"abc"_s, 0, QString()},     {u"abc"_s, -1, QString()},
    };
    for (const auto &[text, max, cut] : cases)
        EXPECT_EQ(sjisLeft(text, max), cut) << text.toStdString() << " " << max;

    // Every cut of a mixed text is a whole-character beginning that fits, and one more
    // character would not fit.
    const QString mixed = u"株式会社ｸｲﾙ𠮷ｎ1－ア"_s;
    for (int max = 0; max <= sjisByteLength(mixed) + 1; ++max) {
        const QString cut = sjisLeft(mixed, max);
        ASSERT_TRUE(mixed.startsWith(cut));
        EXPECT_LE(sjisByteLength(cut), max);
        EXPECT_FALSE(cut.endsWith(QChar(0xD842))) << max; // the high half of 𠮷
        if (cut.size() < mixed.size()) {
            const int next = mixed.at(cut.size()).isHighSurrogate() ? 2 : 1;
            EXPECT_GT(sjisByteLength(mixed.left(cut.size() + next)), max);
        }
    }
}

namespace {

struct NumberInputCase {
    const char16_t *typed;
    std::optional<double> value;
};

const NumberInputCase kNumberInput[] = {
    {u"1234", 1234},
    {u"１２３４", 1234},
    {u"1,234.5", 1234.5},
    {u"－１，２３４．５", -1234.5},
    {u"−5", -5},
    {u"+5", 5},
    {u".5", 0.5},
    {u"12.", 12},
    {u"\u3000７\u3000", 7},
    {u"9999999999.99", 9999999999.99},
    {u"-9999999999.99", -9999999999.99},
    {u"", std::nullopt},
    {u"-", std::nullopt},
    {u".", std::nullopt},
    {u"ー5", std::nullopt}, // prolonged sound mark, not a minus
    {u"1e3", std::nullopt},
    {u"1e300", std::nullopt},
    {u"0x10", std::nullopt},
    {u"1 234", std::nullopt},
    {u"nan", std::nullopt},
    {u"inf", std::nullopt},
    {u"1.2.3", std::nullopt},
    {u"1.2,3", std::nullopt},
    {u",5", std::nullopt},
    {u"1-2", std::nullopt},
    {u"¥100", std::nullopt},
    {u"10000000000", std::nullopt},
};

} // namespace

TEST(NumberInputTest, ParsesPlainDecimalsOnly)
{
    for (const NumberInputCase &c : kNumberInput)
        EXPECT_EQ(parseNumber(QString::fromUtf16(c.typed)), c.value) << QString::fromUtf16(c.typed).toStdString();
}

TEST(NumberInputTest, NormalisesWidthAndSeparators)
{
    EXPECT_EQ(normalizeNumericInput(u"１，２３４．５"_s), u"1234.5"_s);
    EXPECT_EQ(normalizeNumericInput(u"－１２"_s), u"-12"_s);
    EXPECT_EQ(normalizeNumericInput(u"ー5"_s), u"ー5"_s);
    EXPECT_EQ(normalizeNumericInput(u" 12 "_s), u"12"_s);

    EXPECT_EQ(parseWholeNumber(u"１２３"_s), 123);
    EXPECT_EQ(parseWholeNumber(u"1,000"_s), 1000);
    EXPECT_EQ(parseWholeNumber(u"-5"_s), -5);
    EXPECT_EQ(parseWholeNumber(u"12.0"_s), std::nullopt);
    EXPECT_EQ(parseWholeNumber(u"12a"_s), std::nullopt);
    EXPECT_EQ(parseWholeNumber(u"99999999999"_s), std::nullopt);
}
