// Deleting all data from the settings tab: the confirmation, the all-or-nothing deletion and
// what is said afterwards.
#include "SettingsTestUtil.h"

#include "data/Archive.h"
#include "data/DataReset.h"
#include "settings/InvoiceCounter.h"
#include "settings/SettingsTab.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"

#include <QPushButton>
#include <QTest>

using namespace settingstest;

namespace {

const QString kConfirm = QStringLiteral("すべてのデータを初期化します。、よろしいですか");
const QString kDone = QStringLiteral("すべてのデータを初期化しました");
const QString kFailed = QStringLiteral("データの初期化に失敗しました。データは変更されていません。");

// A data file in use: a customer, a product, an invoice, the settings row, code entries.
void seed()
{
    run(QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 敬称) VALUES ('O''Brien 商会', '様')"));
    run(QStringLiteral("INSERT INTO 商品マスタ (品名, 単価) VALUES ('鉛筆', 50)"));
    run(QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名) VALUES (12, '2024-04-01', '山田')"));
    run(QStringLiteral("INSERT INTO 請求書 (伝票番号, 日付, 行番号, 品名) VALUES (12, '2024-04-01', 0, '鉛筆')"));
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 最大請求書番号) VALUES ('山田商店', 12)"));
    run(QStringLiteral("UPDATE コードマスタ SET sname = 'ダース' WHERE kcode = '入数' AND code = '01'"));
}

struct Counts {
    int customers, products, headers, lines, settings, codes, codeEntries;
    bool operator==(const Counts &) const = default;
};

Counts counts()
{
    return {count(QStringLiteral("顧客マスタ")),
            count(QStringLiteral("商品マスタ")),
            count(QStringLiteral("請求書ヘッダ")),
            count(QStringLiteral("請求書")),
            count(QStringLiteral("自社情報")),
            count(QStringLiteral("コードマスタ")),
            scalar(QStringLiteral("SELECT count(*) FROM コードマスタ WHERE sname IS NOT NULL")).toInt()};
}

void pressReset(SettingsTab &tab)
{
    QTest::mouseClick(tab.findChild<QPushButton *>(QStringLiteral("cmd初期化")), Qt::LeftButton);
}

class DataResetTest : public GlobalsReset<EngineTest>
{
protected:
    RecordingPresenter boxes;
};
QUILLON_ON_BOTH_ENGINES(DataResetTest);

} // namespace

TEST_P(DataResetTest, NoDeletesNothing)
{
    seed();
    const Counts before = counts();
    SettingsTab tab;
    boxes.answers << QMessageBox::No;
    pressReset(tab);
    EXPECT_EQ(boxes.texts(), QStringList{kConfirm});
    EXPECT_EQ(boxes.shown.first().defaultButton, QMessageBox::Yes);
    EXPECT_EQ(counts(), before);
}

TEST_P(DataResetTest, YesEmptiesTheMastersInvoicesAndSettingsButKeepsTheCodeSlots)
{
    seed();
    const int codes = count(QStringLiteral("コードマスタ"));
    ASSERT_GT(codes, 0);
    SettingsTab tab;
    pressReset(tab);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirm, kDone}));
    EXPECT_EQ(boxes.shown.last().icon, QMessageBox::Information);
    EXPECT_EQ(counts(), (Counts{0, 0, 0, 0, 0, codes, 0}));
    EXPECT_EQ(ModQLNV::Proc管理(QStringLiteral("最大請求書番号"), QStringLiteral("Get"), {}), QStringLiteral("1"));
}

// The copies of issued invoices are kept by law: the reset leaves them unless a second
// question, which says so, is answered Yes.
TEST_P(DataResetTest, TheArchiveOfIssuedInvoicesGoesOnlyAfterASecondYes)
{
    seed();
    archive::Issue issue;
    issue.伝票番号 = 12;
    issue.顧客名 = QStringLiteral("山田");
    issue.内容指紋 = QStringLiteral("a");
    issue.pdf = "%PDF-1.4 issued";
    ASSERT_TRUE(archive::recordIssue(db::data(), issue));
    const auto archived = [] { return QList<int>{count(QStringLiteral("保存書類")), count(QStringLiteral("保存書類内容")), count(QStringLiteral("保存記録"))}; };
    const int codes = count(QStringLiteral("コードマスタ"));
    SettingsTab tab;
    pressReset(tab); // Yes, then the default No
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirm, archive::resetQuestion(1), kDone}));
    EXPECT_EQ(boxes.shown.at(1).defaultButton, QMessageBox::No);
    EXPECT_TRUE(boxes.shown.at(1).text.contains(QStringLiteral("7 年間")));
    EXPECT_EQ(counts(), (Counts{0, 0, 0, 0, 0, codes, 0}));
    EXPECT_EQ(archived(), (QList<int>{1, 1, 1}));

    boxes.clear();
    boxes.answers << QMessageBox::Yes << QMessageBox::Yes;
    pressReset(tab);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirm, archive::resetQuestion(1), kDone}));
    EXPECT_EQ(archived(), (QList<int>{0, 0, 0}));
}

TEST_P(DataResetTest, AFailingStatementDeletesNothingAndSaysSo)
{
    // The table of the last delete is gone, so the earlier deletes have already run when
    // the failure comes.
    seed();
    run(QStringLiteral("DROP TABLE 請求書ヘッダ"));
    const auto countsWithoutHeaders = [] {
        return QList<int>{count(QStringLiteral("顧客マスタ")), count(QStringLiteral("商品マスタ")),
                          count(QStringLiteral("請求書")), count(QStringLiteral("自社情報")),
                          scalar(QStringLiteral("SELECT count(*) FROM コードマスタ WHERE sname IS NOT NULL")).toInt()};
    };
    const QList<int> before = countsWithoutHeaders();
    SettingsTab tab;
    pressReset(tab);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirm, kFailed}));
    EXPECT_EQ(countsWithoutHeaders(), before);
    EXPECT_EQ(ModQLNV::Proc管理(QStringLiteral("最大請求書番号"), QStringLiteral("Get"), {}), QStringLiteral("13"));
}

TEST(DataResetLocal, AMissingDataFileFails)
{
    TestDataDir missing(false);
    RecordingPresenter boxes;
    EXPECT_FALSE(resetAllData());
    SettingsTab tab;
    pressReset(tab);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirm, kFailed}));
}
