// Rounding of amounts, the postal-code form, input-method switching and the two dialogs.
#include "app/Helpers.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <limits>

using namespace ModQLNV;
using namespace Qt::Literals::StringLiterals;

namespace {

struct RoundingCase {
    const char16_t *method;
    double value;
    qint64 expected;
};

const RoundingCase kRounding[] = {
    {u"切り捨て", 1234.99, 1234},
    {u"切り捨て", -1234.99, -1234},
    {u"切り捨て", 2.9999999999, 3}, // stands for 3: the nudge keeps it there
    {u"切り捨て", 0.0, 0},
    {u"切り捨て", 9999999999.99, 9999999999},
    {u"四捨五入", 2.5, 3},
    {u"四捨五入", -2.5, -3},
    {u"四捨五入", 2.4999, 2},
    {u"四捨五入", 0.0, 0},
    {u"四捨五入", 1170.835, 1171},
    {u"切り上げ", 10.2, 11},
    {u"切り上げ", 10.000001, 10}, // a fraction below 0.00001 is dropped
    {u"切り上げ", -10.2, -11},
    {u"切り上げ", 10.0, 10},
    {u"切り上げ", -9999999999.99, -10000000000},
    {u"", 10.2, 11}, // any other method rounds up
    {u"round", -0.5, -1},
};

void PrintTo(const RoundingCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.method).toStdString() << " " << c.value;
}

class RoundingTest : public ::testing::TestWithParam<RoundingCase>
{
};

} // namespace

TEST_P(RoundingTest, RoundsToWholeYen)
{
    const RoundingCase &c = GetParam();
    EXPECT_EQ(Calc端数(c.value, QString::fromUtf16(c.method)), c.expected)
        << QString::fromUtf16(c.method).toStdString() << " " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Examples, RoundingTest, ::testing::ValuesIn(kRounding));

TEST(RoundingTest, OutOfRangeAndNonNumbersGiveZeroForEveryMethod)
{
    const double outside[] = {1e10, -1e10, 9999999999.995, 1e300, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (const char16_t *method : {u"切り捨て", u"四捨五入", u"切り上げ", u"?"}) {
        for (double v : outside)
            EXPECT_EQ(Calc端数(v, QString::fromUtf16(method)), 0) << v;
    }
}

TEST(PostalCodeTest, HyphenatesSevenDigitsOnly)
{
    const std::pair<QString, QString> cases[] = {
        {u"1234567"_s, u"123-4567"_s}, {u"123-4567"_s, u"123-4567"_s}, {u"12345"_s, u"12345"_s},
        {QString(), QString()},        {u"12-3456"_s, u"12-3456"_s},   {u"１２３４５６７"_s, u"１２３-４５６７"_s},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(Format郵便番号(in), out) << in.toStdString();
}

TEST(SetImeTest, SwitchesInputMethodOfTheControl)
{
    QLineEdit edit;
    edit.setInputMethodHints(Qt::ImhDigitsOnly);
    SetIME(&edit, false);
    EXPECT_FALSE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhPreferLatin));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhDigitsOnly)); // other hints stay
    SetIME(&edit, true);
    EXPECT_TRUE(edit.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_FALSE(edit.inputMethodHints().testFlag(Qt::ImhPreferLatin));
    EXPECT_FALSE(edit.inputMethodHints().testFlag(Qt::ImhNoPredictiveText));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhDigitsOnly));
    SetIME(nullptr, true);
}

TEST(ColorTest, RgbLongKeepsRedInTheLowByte)
{
    EXPECT_EQ(rgbLongFromColor(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(colorFromRgbLong(0x563412), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(colorFromRgbLong(0x0000FF), QColor(Qt::red));
    EXPECT_FALSE(colorFromRgbLong(-1).isValid());
    EXPECT_FALSE(colorFromRgbLong(0x1000000).isValid());
    EXPECT_EQ(rgbLongFromColor(QColor()), -1);
}

TEST(ColorTest, ChoiceAndCancel)
{
    RecordingPresenter dialogs;
    dialogs.colorAnswers << QColor(0x00, 0x80, 0xFF) << std::nullopt;
    EXPECT_EQ(GetColor(nullptr, 0x0000FF), 0xFF8000);
    EXPECT_EQ(GetColor(nullptr, 0xFF8000), -1);
    EXPECT_EQ(GetColor(nullptr, 0xFF8000), -1); // nothing scripted: cancelled

    ASSERT_EQ(dialogs.colorRequests.size(), 3);
    EXPECT_EQ(dialogs.colorRequests.at(0).initial, QColor(Qt::red));
    EXPECT_EQ(dialogs.colorRequests.at(0).customColors, QList<QColor>(16, QColor(Qt::white)));
}

TEST(OpenFileTest, BarFiltersBecomeQtFilters)
{
    const std::pair<QString, QStringList> cases[] = {
        {u"MDB ファイル(*.mdb)|orbdata.mdb|"_s, {u"MDB ファイル(*.mdb) (orbdata.mdb)"_s}},
        {u"テキスト|*.txt;*.csv|すべて|*.*|"_s, {u"テキスト (*.txt *.csv)"_s, u"すべて (*.*)"_s}},
        {u"MDB|*.mdb"_s, {u"MDB (*.mdb)"_s}}, // without the closing bar
        {u"説明だけ|"_s, {u"説明だけ (*)"_s}},
        {QString(), {}},
    };
    for (const auto &[bar, qt] : cases)
        EXPECT_EQ(qtFileFilters(bar), qt) << bar.toStdString();
}

TEST(OpenFileTest, ChoiceFillsPathAndFileTitle)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"orbdata.mdb"_s);
    RecordingPresenter dialogs;
    dialogs.fileAnswers << file;

    OpenFileRequest request;
    request.filter = u"テキスト|*.txt|MDB ファイル(*.mdb)|orbdata.mdb|"_s;
    request.filterIndex = 2;
    request.title = u"顧客リンク参照"_s;
    request.initialDir = dir.path();
    EXPECT_NE(GetOpenFile(nullptr, request), 0);
    EXPECT_EQ(request.path, file);
    EXPECT_EQ(request.fileTitle, u"orbdata.mdb"_s);

    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    const auto &asked = dialogs.fileRequests.at(0);
    EXPECT_EQ(asked.title, u"顧客リンク参照"_s);
    EXPECT_EQ(asked.filter, u"テキスト (*.txt);;MDB ファイル(*.mdb) (orbdata.mdb)"_s);
    EXPECT_EQ(asked.selectedFilter, u"MDB ファイル(*.mdb) (orbdata.mdb)"_s);
    EXPECT_EQ(QDir(asked.dir), QDir(dir.path()));
}

TEST(OpenFileTest, CancelLeavesTheRequestAlone)
{
    RecordingPresenter dialogs; // nothing scripted: cancelled
    OpenFileRequest request;
    request.filter = u"MDB ファイル(*.mdb)|orbdata.mdb|"_s;
    request.filterIndex = 9; // out of range: the first filter
    request.initialDir = u"c:\\"_s;
    request.path = u"/old/orbdata.mdb"_s;
    request.fileTitle = u"orbdata.mdb"_s;
    EXPECT_EQ(GetOpenFile(nullptr, request), 0);
    EXPECT_EQ(request.path, u"/old/orbdata.mdb"_s);
    EXPECT_EQ(request.fileTitle, u"orbdata.mdb"_s);

    ASSERT_EQ(dialogs.fileRequests.size(), 1);
    EXPECT_EQ(dialogs.fileRequests.at(0).selectedFilter, u"MDB ファイル(*.mdb) (orbdata.mdb)"_s);
    EXPECT_EQ(dialogs.fileRequests.at(0).dir, QDir::homePath()); // a Windows folder means home
}

TEST(OpenFileTest, MissingFolderOpensHome)
{
    EXPECT_EQ(openFileDirectory(u"/no/such/folder/here"_s), QDir::homePath());
    EXPECT_EQ(openFileDirectory(QString()), QDir::homePath());
    EXPECT_EQ(openFileDirectory(u"D:/data"_s), QDir::homePath());
    QTemporaryDir dir;
    EXPECT_EQ(openFileDirectory(dir.path()), QDir(dir.path()).absolutePath());
}
