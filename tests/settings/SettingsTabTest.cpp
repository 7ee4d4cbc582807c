// The settings tab, built offscreen and driven through its named controls; message boxes
// and choosers are answered by the recording presenter, results read back with SQL.
#include "SettingsTestUtil.h"

#include "data/Archive.h"
#include "settings/ColorSwatch.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsTab.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"

#include <QDateTime>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace settingstest;

namespace {

// The tab on the data database of either engine (Base EngineTest), or on a local data
// directory that the test makes itself (Base ::testing::Test).
template<class Base>
class SettingsTabFixture : public GlobalsReset<Base>
{
protected:
    // The start-up order of the main window: globals, lists and defaults, then the stored row.
    std::unique_ptr<SettingsTab> openTab()
    {
        ModQLNV::Read自社情報();
        auto tab = std::make_unique<SettingsTab>();
        tab->Read設定();
        tab->resize(900, 640);
        tab->show();
        tab->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(tab.get()));
        return tab;
    }

    template<class T>
    static T *child(const SettingsTab &tab, const char *name)
    {
        T *widget = tab.findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QComboBox *combo(const SettingsTab &tab, const char *name) { return child<QComboBox>(tab, name); }
    static QLineEdit *line(const SettingsTab &tab, const char *name) { return child<QLineEdit>(tab, name); }
    static void click(const SettingsTab &tab, const char *name)
    {
        QTest::mouseClick(child<QPushButton>(tab, name), Qt::LeftButton);
    }
    static void pick(const SettingsTab &tab, const char *name, const QString &text)
    {
        QComboBox *box = combo(tab, name);
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << name;
        box->setCurrentIndex(index);
    }

    RecordingPresenter boxes;
};
using SettingsTabTest = SettingsTabFixture<EngineTest>;
QUILLON_ON_BOTH_ENGINES(SettingsTabTest);
// The tab's own controls, and what only the local data file has.
using SettingsTabLocal = SettingsTabFixture<::testing::Test>;

// Typed characters as the input method delivers them; QTest::keyClicks knows ASCII only.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

const char *const kPickOnly[] = {"cmb年号", "cmb税端数", "cmb行端数", "cmb税区分", "cmb印刷用紙",
                                 "cmb小数", "cmb商品表示順", "cmb顧客リンクアプリ", "cmb商品リンクアプリ"};

} // namespace

TEST_P(SettingsTabTest, AFreshDatabaseShowsTheDefaultsAndTheFirstSaveAddsTheRow)
{
    auto tab = openTab();

    const std::pair<const char *, const char *> shown[] = {
        {"cmb年号", "和暦"},       {"cmb税端数", "四捨五入"},   {"cmb行端数", "四捨五入"},
        {"cmb税区分", "外税"},     {"cmb印刷用紙", "A4白紙"},  {"cmb入数列タイトル", "入数"},
        {"cmb小数", "使用しない"}, {"cmb商品表示順", "品名順"}, {"cmb顧客リンクアプリ", ""},
        {"cmb商品リンクアプリ", ""}, {"cmb消費税率", "5%"},
    };
    for (const auto &[name, text] : shown)
        EXPECT_EQ(combo(*tab, name)->currentText(), QString::fromUtf8(text)) << name;
    EXPECT_EQ(combo(*tab, "cmb年号")->count(), 2);
    EXPECT_EQ(combo(*tab, "cmb税端数")->itemText(2), QStringLiteral("切り上げ"));
    EXPECT_EQ(combo(*tab, "cmb商品表示順")->itemText(1), QStringLiteral("ふりがな順"));
    EXPECT_EQ(line(*tab, "numTopMargin")->text(), QStringLiteral("0"));
    EXPECT_EQ(line(*tab, "num白紙罫線色")->text(), QStringLiteral("0"));
    EXPECT_EQ(child<settings::ColorSwatch>(*tab, "Pic罫線色")->colorValue(), 0);

    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("設定 を登録します。よろしいですか"),
                                         QStringLiteral("設定 を登録しました。")}));
    EXPECT_EQ(count(QStringLiteral("自社情報")), 1);
    EXPECT_EQ(stored(QStringLiteral("税区分")).toString(), QStringLiteral("外税"));
    EXPECT_EQ(stored(QStringLiteral("入数列タイトル")).toString(), QStringLiteral("入数"));
    EXPECT_TRUE(stored(QStringLiteral("顧客リンクアプリ")).isNull());
    EXPECT_TRUE(stored(QStringLiteral("白紙罫線色")).isNull() || stored(QStringLiteral("白紙罫線色")).toInt() == 0);
    EXPECT_TRUE(stored(QStringLiteral("最大請求書番号")).isNull());
}

TEST_P(SettingsTabTest, TheRateAndARegistrationNumberOfTheRightFormAreStored)
{
    auto tab = openTab();
    QComboBox *rate = combo(*tab, "cmb消費税率");
    ASSERT_EQ(rate->count(), 3);
    EXPECT_EQ((QStringList{rate->itemText(0), rate->itemText(1), rate->itemText(2)}),
              (QStringList{QStringLiteral("5%"), QStringLiteral("8%"), QStringLiteral("10%")}));
    pick(*tab, "cmb消費税率", QStringLiteral("10%"));

    // The wrong form: nothing is stored and the user is told the form.
    line(*tab, "txt登録番号")->setText(QStringLiteral("T12345"));
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts(), QStringList{settings::registrationNumberForm()});
    EXPECT_EQ(count(QStringLiteral("自社情報")), 0);
    EXPECT_EQ(line(*tab, "txt登録番号")->text(), QStringLiteral("T12345")) << "the typed text stays to be mended";
    EXPECT_TRUE(line(*tab, "txt登録番号")->hasFocus());

    boxes.clear();
    line(*tab, "txt登録番号")->setText(QStringLiteral("Ｔ１２３４-５６７８-９０１２３"));
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts().size(), 2) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(stored(QStringLiteral("消費税率")).toDouble(), 0.1);
    EXPECT_EQ(stored(QStringLiteral("登録番号")).toString(), QStringLiteral("T1234567890123"));
    EXPECT_EQ(ModQLNV::消費税率, QStringLiteral("10%"));
    EXPECT_EQ(ModQLNV::登録番号, QStringLiteral("T1234567890123"));
    EXPECT_EQ(line(*tab, "txt登録番号")->text(), QStringLiteral("T1234567890123")) << "shown as stored";
}

TEST_P(SettingsTabTest, TheBankLinesAndTheDueDateRuleAreStored)
{
    auto tab = openTab();
    QLineEdit *days = line(*tab, "num支払期限日数");
    EXPECT_EQ(combo(*tab, "cmb支払期限")->currentText(), QStringLiteral("なし"));
    EXPECT_FALSE(days->isEnabled()) << "the days count for a number of days only";
    child<QPlainTextEdit>(*tab, "txt振込先")->setPlainText(QStringLiteral("みどり銀行 本店 普通 1234567\nヤマダショウテン"));
    pick(*tab, "cmb支払期限", QStringLiteral("日数指定"));
    EXPECT_TRUE(days->isEnabled());
    days->setText(QStringLiteral("45"));
    boxes.answers << QMessageBox::Yes;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(stored(QStringLiteral("振込先")).toString(), QStringLiteral("みどり銀行 本店 普通 1234567\nヤマダショウテン"));
    EXPECT_EQ(stored(QStringLiteral("支払期限")).toString(), QStringLiteral("日数指定"));
    EXPECT_EQ(stored(QStringLiteral("支払期限日数")).toInt(), 45);
    EXPECT_EQ(ModQLNV::支払期限, QStringLiteral("日数指定"));
    EXPECT_EQ(ModQLNV::支払期限日数, 45);
    EXPECT_EQ(ModQLNV::振込先, QStringLiteral("みどり銀行 本店 普通 1234567\nヤマダショウテン"));

    tab->Clear設定();
    tab->Read設定();
    EXPECT_EQ(combo(*tab, "cmb支払期限")->currentText(), QStringLiteral("日数指定"));
    EXPECT_EQ(days->text(), QStringLiteral("45"));
}

// The own electronic address: empty stands for the one of the registration number, which is
// not stored, so that it follows a new number; another one is stored as typed, in half-width.
TEST_P(SettingsTabTest, TheElectronicAddressDefaultsToTheRegistrationNumberAndIsCheckedOtherwise)
{
    auto tab = openTab();
    pick(*tab, "cmb消費税率", QStringLiteral("10%"));
    line(*tab, "txt登録番号")->setText(QStringLiteral("T1234567890123"));
    EXPECT_EQ(line(*tab, "txt電子アドレス")->placeholderText(), QStringLiteral("0188:1234567890123"));
    struct Case {
        const char *typed;
        const char *refused; // the start of the message; empty: stored
        QVariant stored;
        const char *global;
    };
    const Case cases[] = {
        {"", "", QVariant(), "0188:1234567890123"},
        {"0188:1234567890123", "", QVariant(), "0188:1234567890123"},
        {"０１８８：９８７６５４３２１０１２３", "", QStringLiteral("0188:9876543210123"), "0188:9876543210123"},
        {"9999:yamada_shop-1", "", QStringLiteral("9999:yamada_shop-1"), "9999:yamada_shop-1"},
        {"0188:12345", "電子アドレスは", QStringLiteral("9999:yamada_shop-1"), "9999:yamada_shop-1"},
        {"yamada@example.jp", "電子アドレスは", QStringLiteral("9999:yamada_shop-1"), "9999:yamada_shop-1"},
        {"0188:1234567890123'", "電子アドレスは", QStringLiteral("9999:yamada_shop-1"), "9999:yamada_shop-1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        boxes.clear();
        boxes.answers << QMessageBox::Yes;
        line(*tab, "txt電子アドレス")->setText(QString::fromUtf8(c.typed));
        click(*tab, "cmd設定登録");
        if (*c.refused) {
            EXPECT_EQ(boxes.texts().size(), 1);
            EXPECT_TRUE(boxes.texts().value(0).startsWith(QString::fromUtf8(c.refused))) << boxes.texts().join(u'|').toStdString();
            EXPECT_TRUE(line(*tab, "txt電子アドレス")->hasFocus());
        }
        EXPECT_EQ(stored(QStringLiteral("電子アドレス")).isNull(), c.stored.isNull());
        EXPECT_EQ(stored(QStringLiteral("電子アドレス")).toString(), c.stored.toString());
        EXPECT_EQ(ModQLNV::電子アドレス, QString::fromUtf8(c.global));
    }

    // A new registration number moves the default address with it.
    line(*tab, "txt電子アドレス")->clear();
    line(*tab, "txt登録番号")->setText(QStringLiteral("T3210987654321"));
    boxes.answers << QMessageBox::Yes;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(ModQLNV::電子アドレス, QStringLiteral("0188:3210987654321"));
}

TEST_P(SettingsTabTest, ARegistrationNumberAtFivePercentIsStoredOnlyAfterTheUserKeepsTheRate)
{
    auto tab = openTab();
    line(*tab, "txt登録番号")->setText(QStringLiteral("T1234567890123"));
    ASSERT_EQ(combo(*tab, "cmb消費税率")->currentText(), QStringLiteral("5%"));

    click(*tab, "cmd設定登録"); // answered with the default, No
    EXPECT_EQ(boxes.texts(), QStringList{settings::qualifiedAtFivePercentQuestion()});
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(count(QStringLiteral("自社情報")), 0);
    EXPECT_EQ(line(*tab, "txt登録番号")->text(), QStringLiteral("T1234567890123")) << "the edits stay";
    EXPECT_TRUE(combo(*tab, "cmb消費税率")->hasFocus());

    boxes.clear();
    boxes.answers << QMessageBox::Yes << QMessageBox::Yes;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts().size(), 3) << "the warning, the usual question and the notice";
    EXPECT_EQ(stored(QStringLiteral("消費税率")).toDouble(), 0.05);
    EXPECT_EQ(stored(QStringLiteral("登録番号")).toString(), QStringLiteral("T1234567890123"));

    // Without a registration number, or at 10 %, nothing is asked beyond the usual.
    for (const auto &[number, rate] : {std::pair{QString(), QStringLiteral("5%")}, std::pair{QStringLiteral("T1234567890123"), QStringLiteral("10%")}}) {
        boxes.clear();
        line(*tab, "txt登録番号")->setText(number);
        pick(*tab, "cmb消費税率", rate);
        click(*tab, "cmd設定登録");
        EXPECT_FALSE(boxes.texts().contains(settings::qualifiedAtFivePercentQuestion())) << rate.toStdString();
    }
}

TEST_F(SettingsTabLocal, ABackupIsTakenIntoTheChosenFolderAndRestoredAfterAQuestion)
{
    TestDataDir dir;
    QTemporaryDir out;
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 顧客マスタ (顧客名) VALUES ('O''Brien')")));
    auto tab = openTab();
    EXPECT_EQ(child<QLabel>(*tab, "lbl最終バックアップ")->text(), QStringLiteral("まだバックアップはありません"));

    boxes.fileAnswers << out.path();
    click(*tab, "cmdバックアップ");
    const QStringList copies = QDir(out.path()).entryList({QStringLiteral("QLNVData_*.mdb")});
    ASSERT_EQ(copies.size(), 1) << boxes.texts().join(u'|').toStdString();
    const QString copy = out.filePath(copies[0]);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("バックアップを作りました。\n") + QDir::toNativeSeparators(copy)});
    EXPECT_TRUE(child<QLabel>(*tab, "lbl最終バックアップ")->text().startsWith(QStringLiteral("最後のバックアップ: ")));
    EXPECT_EQ(stored(QStringLiteral("バックアップ先")).toString(), out.path());
    EXPECT_TRUE(QDateTime::fromString(stored(QStringLiteral("最終バックアップ")).toString(), Qt::ISODate).isValid());

    // The customer goes; the restore brings it back, after a Yes.
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("DELETE FROM 顧客マスタ")));
    QSignalSpy restored(tab.get(), &SettingsTab::dataRestored);
    boxes.clear();
    boxes.fileAnswers << copy;
    boxes.answers << QMessageBox::No;
    click(*tab, "cmd復元");
    EXPECT_EQ(restored.size(), 0);
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(count(QStringLiteral("顧客マスタ")), 0);

    boxes.clear();
    boxes.fileAnswers << copy;
    boxes.answers << QMessageBox::Yes;
    click(*tab, "cmd復元");
    EXPECT_EQ(restored.size(), 1);
    EXPECT_EQ(count(QStringLiteral("顧客マスタ")), 1);
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_TRUE(boxes.shown[1].text.contains(QStringLiteral(".before-restore-"))) << boxes.shown[1].text.toStdString();

    // Something that is no backup is refused before any question.
    boxes.clear();
    boxes.fileAnswers << out.filePath(QStringLiteral("none.mdb"));
    click(*tab, "cmd復元");
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("読めません")));
    EXPECT_EQ(restored.size(), 1);
}

// A restore of a backup older than some issued invoices first says how many of their archived
// copies it would take out of the archive.
TEST_F(SettingsTabLocal, ARestoreSaysFirstHowManyIssuedInvoicesWouldLeaveTheArchive)
{
    TestDataDir dir;
    QTemporaryDir out;
    archive::Issue issue;
    issue.伝票番号 = 1;
    issue.顧客名 = QStringLiteral("山田");
    issue.内容指紋 = QStringLiteral("before the backup");
    issue.pdf = "%PDF-1.4 one";
    ASSERT_TRUE(archive::recordIssue(db::data(), issue));
    auto tab = openTab();
    boxes.fileAnswers << out.path();
    click(*tab, "cmdバックアップ");
    const QStringList copies = QDir(out.path()).entryList({QStringLiteral("QLNVData_*.mdb")});
    ASSERT_EQ(copies.size(), 1) << boxes.texts().join(u'|').toStdString();
    for (int number : {2, 3}) {
        issue.伝票番号 = number;
        issue.内容指紋 = QString::number(number);
        ASSERT_TRUE(archive::recordIssue(db::data(), issue));
    }
    issue.伝票番号 = 1; // issued again: the copy is in the backup
    issue.内容指紋 = QStringLiteral("before the backup");
    ASSERT_TRUE(archive::recordIssue(db::data(), issue));

    boxes.clear();
    boxes.fileAnswers << out.filePath(copies[0]);
    click(*tab, "cmd復元"); // the default No
    EXPECT_EQ(boxes.texts(), QStringList{archive::restoreQuestion(2)});
    EXPECT_EQ(boxes.shown.at(0).defaultButton, QMessageBox::No);
    EXPECT_EQ(count(QStringLiteral("保存書類")), 3);

    boxes.clear();
    boxes.fileAnswers << out.filePath(copies[0]);
    boxes.answers << QMessageBox::Yes << QMessageBox::Yes;
    click(*tab, "cmd復元");
    ASSERT_EQ(boxes.texts().size(), 3) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(count(QStringLiteral("保存書類")), 1);
}

TEST_P(SettingsTabTest, NullColumnsLoadAsDefaults)
{
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 最大請求書番号) VALUES ('山田商店', 12)"));
    auto tab = openTab();
    EXPECT_EQ(line(*tab, "txt自社名")->text(), QStringLiteral("山田商店"));
    EXPECT_EQ(combo(*tab, "cmb税区分")->currentText(), QStringLiteral("外税"));
    EXPECT_EQ(combo(*tab, "cmb入数列タイトル")->currentText(), QStringLiteral("入数"));
    EXPECT_EQ(combo(*tab, "cmb商品表示順")->currentText(), QStringLiteral("品名順"));
    EXPECT_EQ(line(*tab, "numLeftMargin")->text(), QStringLiteral("0"));
    EXPECT_EQ(line(*tab, "num白紙罫線色")->text(), QStringLiteral("0"));
    EXPECT_TRUE(combo(*tab, "cmb顧客リンクアプリ")->currentText().isEmpty());
}

TEST_P(SettingsTabTest, B5AndMarginsSurviveTheSaveAndReload)
{
    auto tab = openTab();
    pick(*tab, "cmb印刷用紙", QStringLiteral("B5白紙"));
    pick(*tab, "cmb税区分", QStringLiteral("内税"));
    pick(*tab, "cmb商品表示順", QStringLiteral("ふりがな順"));
    line(*tab, "numTopMargin")->setText(QStringLiteral("120.5"));
    line(*tab, "numLeftMargin")->setText(QStringLiteral("-30"));
    click(*tab, "cmd設定登録");

    EXPECT_EQ(combo(*tab, "cmb印刷用紙")->currentText(), QStringLiteral("B5白紙"));
    EXPECT_EQ(line(*tab, "numTopMargin")->text(), QStringLiteral("120.5"));
    EXPECT_EQ(line(*tab, "numLeftMargin")->text(), QStringLiteral("-30"));
    EXPECT_EQ(stored(QStringLiteral("白紙TopMargin")).toDouble(), 120.5);
    EXPECT_EQ(stored(QStringLiteral("商品表示順")).toString(), QStringLiteral("ふりがな順"));
    // The register button reloads the globals.
    EXPECT_EQ(ModQLNV::印刷用紙, QStringLiteral("B5白紙"));
    EXPECT_EQ(ModQLNV::白紙LeftMargin, -30);
    EXPECT_EQ(ModQLNV::税区分, QStringLiteral("内税"));

    // A fresh tab reads the same back.
    auto again = openTab();
    EXPECT_EQ(combo(*again, "cmb印刷用紙")->currentText(), QStringLiteral("B5白紙"));
    EXPECT_EQ(line(*again, "numTopMargin")->text(), QStringLiteral("120.5"));
    EXPECT_EQ(combo(*again, "cmb商品表示順")->currentText(), QStringLiteral("ふりがな順"));
}

TEST_P(SettingsTabTest, AnEmptyLinkApplicationStoresNull)
{
    run(QStringLiteral("INSERT INTO 自社情報 (顧客リンクアプリ, 顧客リンクパス, 商品リンクアプリ) "
                       "VALUES ('Orb顧客管理', '/x/orbdata.mdb', 'QLNV請求書')"));
    auto tab = openTab();
    EXPECT_EQ(combo(*tab, "cmb顧客リンクアプリ")->currentText(), QStringLiteral("Orb顧客管理"));
    pick(*tab, "cmb顧客リンクアプリ", QString());
    line(*tab, "txt顧客リンクパス")->clear();
    click(*tab, "cmd設定登録");

    EXPECT_TRUE(stored(QStringLiteral("顧客リンクアプリ")).isNull());
    EXPECT_TRUE(stored(QStringLiteral("顧客リンクパス")).isNull());
    EXPECT_EQ(stored(QStringLiteral("商品リンクアプリ")).toString(), QStringLiteral("QLNV請求書"));
    EXPECT_TRUE(combo(*tab, "cmb顧客リンクアプリ")->currentText().isEmpty());
}

TEST_P(SettingsTabTest, EveryBoxStoresApostrophesAndLongTextAsTyped)
{
    auto tab = openTab();
    const QString name = QStringLiteral("O'Brien's 商店 '; DROP TABLE 自社情報; --");
    const QString info = QStringLiteral("〒100-0001\n東京都 'A' \"B\"\n") + QString(8000, QChar(u'亜'));
    const QString title = QStringLiteral("規'格") + QString(3000, QChar(u'x'));
    const QString path = QStringLiteral("/no/such/dir/it's/") + QString(2000, QChar(u'p')) + QStringLiteral(".mdb");
    line(*tab, "txt自社名")->setText(name);
    child<QPlainTextEdit>(*tab, "txt自社情報")->setPlainText(info);
    combo(*tab, "cmb入数列タイトル")->setCurrentText(title);
    pick(*tab, "cmb顧客リンクアプリ", QStringLiteral("OrbⅡ顧客管理"));
    line(*tab, "txt顧客リンクパス")->setText(path);
    pick(*tab, "cmb商品リンクアプリ", QStringLiteral("QLNV請求書"));
    line(*tab, "txt商品リンクパス")->setText(path + QStringLiteral("'"));
    click(*tab, "cmd設定登録");

    EXPECT_EQ(stored(QStringLiteral("自社名")).toString(), name);
    EXPECT_EQ(stored(QStringLiteral("自社情報")).toString(), info);
    EXPECT_EQ(stored(QStringLiteral("入数列タイトル")).toString(), title);
    EXPECT_EQ(stored(QStringLiteral("顧客リンクアプリ")).toString(), QStringLiteral("OrbⅡ顧客管理"));
    EXPECT_EQ(stored(QStringLiteral("顧客リンクパス")).toString(), path);
    EXPECT_EQ(stored(QStringLiteral("商品リンクパス")).toString(), path + QStringLiteral("'"));
    EXPECT_EQ(line(*tab, "txt自社名")->text(), name);
    // A typed title is a value, not a new entry of the suggestions.
    EXPECT_EQ(combo(*tab, "cmb入数列タイトル")->count(), 2);
}

TEST_F(SettingsTabLocal, PickOnlyCombosIgnoreTypingAndDelete)
{
    TestDataDir dir;
    auto tab = openTab();
    for (const char *name : kPickOnly) {
        QComboBox *box = combo(*tab, name);
        box->setFocus();
        const int before = box->currentIndex();
        // A first letter of every list would jump to its item in a plain combo box.
        QTest::keyClicks(box, QStringLiteral("BOQx"));
        typeText(box, QStringLiteral("西切外使ふ内非"));
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_Backspace);
        EXPECT_EQ(box->currentIndex(), before) << name;
        EXPECT_FALSE(box->isEditable()) << name;
    }
    // The arrow keys still choose.
    QComboBox *era = combo(*tab, "cmb年号");
    QTest::keyClick(era, Qt::Key_Down);
    EXPECT_EQ(era->currentText(), QStringLiteral("西暦"));

    // The pack-size title takes any text.
    QComboBox *title = combo(*tab, "cmb入数列タイトル");
    title->lineEdit()->selectAll();
    typeText(title->lineEdit(), QStringLiteral("容量"));
    EXPECT_EQ(title->currentText(), QStringLiteral("容量"));
}

TEST_F(SettingsTabLocal, NumberBoxesTakeNumbersOnly)
{
    TestDataDir dir;
    auto tab = openTab();
    struct Case {
        const char *box, *typed, *shown;
    };
    const Case cases[] = {
        {"numTopMargin", "-12.5x", "-12.5"}, {"numTopMargin", "1e3", "13"},  {"numLeftMargin", "１２０．２５", "120.25"},
        {"numLeftMargin", "1.234", "1.23"},  {"num白紙罫線色", "-5a", "5"}, {"num白紙罫線色", "99999999", "9999999"},
    };
    for (const Case &c : cases) {
        QLineEdit *box = line(*tab, c.box);
        box->clear();
        typeText(box, QString::fromUtf8(c.typed));
        EXPECT_EQ(box->text(), QString::fromUtf8(c.shown)) << c.box << " " << c.typed;
    }
    // A typed colour shows in the swatch.
    line(*tab, "num白紙罫線色")->setText(QStringLiteral("255"));
    auto *swatch = child<settings::ColorSwatch>(*tab, "Pic罫線色");
    EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_P(SettingsTabTest, ClearResetsTheTabButNotTheOrderMarginsOrColourAndSavesNothing)
{
    auto tab = openTab();
    line(*tab, "txt自社名")->setText(QStringLiteral("山田商店"));
    pick(*tab, "cmb税区分", QStringLiteral("非課税"));
    pick(*tab, "cmb商品表示順", QStringLiteral("ふりがな順"));
    pick(*tab, "cmb顧客リンクアプリ", QStringLiteral("Ormel顧客管理"));
    line(*tab, "txt顧客リンクパス")->setText(QStringLiteral("/x"));
    line(*tab, "numTopMargin")->setText(QStringLiteral("50"));
    line(*tab, "num白紙罫線色")->setText(QStringLiteral("255"));
    click(*tab, "cmd設定クリア");

    EXPECT_TRUE(line(*tab, "txt自社名")->text().isEmpty());
    EXPECT_EQ(combo(*tab, "cmb税区分")->currentText(), QStringLiteral("外税"));
    EXPECT_EQ(combo(*tab, "cmb税区分")->count(), 3);
    EXPECT_TRUE(combo(*tab, "cmb顧客リンクアプリ")->currentText().isEmpty());
    EXPECT_TRUE(line(*tab, "txt顧客リンクパス")->text().isEmpty());
    EXPECT_EQ(combo(*tab, "cmb商品表示順")->currentText(), QStringLiteral("ふりがな順"));
    EXPECT_EQ(combo(*tab, "cmb商品表示順")->count(), 2);
    EXPECT_EQ(line(*tab, "numTopMargin")->text(), QStringLiteral("50"));
    EXPECT_EQ(line(*tab, "num白紙罫線色")->text(), QStringLiteral("255"));
    EXPECT_EQ(count(QStringLiteral("自社情報")), 0);
}

TEST_P(SettingsTabTest, AnsweringNoSavesNothingAndShowsTheStoredValuesAgain)
{
    run(QStringLiteral("INSERT INTO 自社情報 (税区分) VALUES ('内税')"));
    auto tab = openTab();
    pick(*tab, "cmb税区分", QStringLiteral("非課税"));
    boxes.answers << QMessageBox::No;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(stored(QStringLiteral("税区分")).toString(), QStringLiteral("内税"));
    EXPECT_EQ(combo(*tab, "cmb税区分")->currentText(), QStringLiteral("内税"));
}

TEST_P(SettingsTabTest, AFailedSaveSaysSoAndKeepsTheEdits)
{
    struct Case {
        const char *name;
        bool provision;
        const char *breakIt;
    };
    const Case cases[] = {
        {"settings table gone", true, "DROP TABLE 自社情報"},
        {"data folder missing", false, nullptr}, // last: the locations stay on the missing folder
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.provision && onServer())
            continue; // a folder of the local data file
        boxes.clear();
        std::optional<TestDataDir> missing;
        if (!c.provision)
            missing.emplace(false);
        if (c.breakIt)
            run(QString::fromUtf8(c.breakIt));
        auto tab = openTab();
        EXPECT_EQ(combo(*tab, "cmb税区分")->currentText(), QStringLiteral("外税")); // the defaults
        pick(*tab, "cmb税区分", QStringLiteral("内税"));
        click(*tab, "cmd設定登録");
        EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("設定 を登録します。よろしいですか"),
                                             QStringLiteral("設定を登録できませんでした。")}));
        EXPECT_EQ(boxes.shown.last().icon, QMessageBox::Warning);
        EXPECT_EQ(combo(*tab, "cmb税区分")->currentText(), QStringLiteral("内税"));
        EXPECT_EQ(ModQLNV::税区分, QStringLiteral("外税"));
    }
}

TEST_P(SettingsTabTest, LeavingTheCompanyBoxesWithANewTextSavesSilently)
{
    run(QStringLiteral("INSERT INTO 自社情報 (自社名, 税区分) VALUES ('旧商店', '内税')"));
    auto tab = openTab();
    // What the invoice tab shows, as the main window keeps it.
    QString nameShown = QStringLiteral("旧商店");
    QString infoShown;
    tab->setCompanyLinesShown(nameShown, infoShown);
    QObject::connect(tab.get(), &SettingsTab::companyLinesStored, [&](const QString &name, const QString &info) {
        nameShown = name;
        infoShown = info;
    });

    // Leaving with the label's text writes nothing.
    run(QStringLiteral("UPDATE 自社情報 SET 税区分 = '非課税'"));
    tab->focusCompanyName();
    line(*tab, "txt顧客リンクパス")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(stored(QStringLiteral("税区分")).toString(), QStringLiteral("非課税"));

    tab->focusCompanyName();
    EXPECT_TRUE(line(*tab, "txt自社名")->hasFocus());
    line(*tab, "txt自社名")->setText(QStringLiteral("新'商店"));
    line(*tab, "txt顧客リンクパス")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(stored(QStringLiteral("自社名")).toString(), QStringLiteral("新'商店"));
    EXPECT_EQ(stored(QStringLiteral("税区分")).toString(), QStringLiteral("内税")); // the whole tab is saved
    EXPECT_EQ(nameShown, QStringLiteral("新'商店"));
    EXPECT_EQ(ModQLNV::自社名, QStringLiteral("旧商店")); // the globals are not reloaded

    tab->focusCompanyInfo();
    child<QPlainTextEdit>(*tab, "txt自社情報")->setPlainText(QStringLiteral("東京都\nTEL 03"));
    line(*tab, "txt自社名")->setFocus(Qt::BacktabFocusReason);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(stored(QStringLiteral("自社情報")).toString(), QStringLiteral("東京都\nTEL 03"));
    EXPECT_EQ(infoShown, QStringLiteral("東京都\nTEL 03"));
    EXPECT_EQ(count(QStringLiteral("自社情報")), 1);
}

TEST_P(SettingsTabTest, ASilentSaveThatFailsSaysSoAndLeavesTheLabel)
{
    run(QStringLiteral("DROP TABLE 自社情報"));
    auto tab = openTab();
    tab->setCompanyLinesShown(QString(), QString());
    int stored = 0;
    QObject::connect(tab.get(), &SettingsTab::companyLinesStored, [&] { ++stored; });
    tab->focusCompanyName();
    line(*tab, "txt自社名")->setText(QStringLiteral("山田商店"));
    line(*tab, "txt顧客リンクパス")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("設定を登録できませんでした。")});
    EXPECT_EQ(stored, 0);
}

TEST_F(SettingsTabLocal, ChoosingALinkFile)
{
    TestDataDir dir;
    auto tab = openTab();

    // Without an application: the input warning, no dialog.
    click(*tab, "cmd顧客リンクパス");
    click(*tab, "cmd商品リンクパス");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("顧客リンクアプリ名が指定されていません。確認してください"),
                                         QStringLiteral("商品リンクアプリ名が指定されていません。確認してください")}));
    EXPECT_EQ(boxes.shown.first().title, QStringLiteral("入力注意"));
    EXPECT_TRUE(boxes.fileRequests.isEmpty());
    EXPECT_TRUE(combo(*tab, "cmb商品リンクアプリ")->hasFocus());

    struct Case {
        const char *application, *appBox, *button, *pathBox, *title, *pattern;
    };
    const Case cases[] = {
        {"Orb顧客管理", "cmb顧客リンクアプリ", "cmd顧客リンクパス", "txt顧客リンクパス", "顧客リンクパスを指定する",
         "orbdata.mdb"},
        {"OrbⅡ顧客管理", "cmb顧客リンクアプリ", "cmd顧客リンクパス", "txt顧客リンクパス",
         "顧客リンクパスを指定する", "orb2data.mdb"},
        {"Ormel顧客管理", "cmb顧客リンクアプリ", "cmd顧客リンクパス", "txt顧客リンクパス",
         "顧客リンクパスを指定する", nullptr},
        {"QLNV請求書", "cmb商品リンクアプリ", "cmd商品リンクパス", "txt商品リンクパス", "商品リンクパスを指定する",
         "Vyxdata.mdb"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.application);
        boxes.clear();
        pick(*tab, c.appBox, QString::fromUtf8(c.application));
        line(*tab, c.pathBox)->setText(QStringLiteral("kept"));

        click(*tab, c.button); // cancelled
        EXPECT_EQ(line(*tab, c.pathBox)->text(), QStringLiteral("kept"));

        const QString chosen = dir.programDir() + QStringLiteral("/chosen.mdb");
        boxes.fileAnswers << chosen;
        click(*tab, c.button);
        EXPECT_EQ(line(*tab, c.pathBox)->text(), chosen);

        click(*tab, c.button); // cancelled again: the choice stays
        EXPECT_EQ(line(*tab, c.pathBox)->text(), chosen);

        ASSERT_EQ(boxes.fileRequests.size(), 3);
        const auto &request = boxes.fileRequests.first();
        EXPECT_EQ(request.title, QString::fromUtf8(c.title));
        if (c.pattern) {
            EXPECT_TRUE(request.filter.startsWith(QStringLiteral("MDB ファイル(*.mdb)"))) << request.filter.toStdString();
            EXPECT_TRUE(request.filter.contains(QString::fromUtf8(c.pattern))) << request.filter.toStdString();
        }
        EXPECT_TRUE(request.filter.endsWith(QStringLiteral("すべてのファイル (*)"))) << request.filter.toStdString();
        // The next dialog opens where the chosen file is.
        EXPECT_EQ(boxes.fileRequests.last().dir, dir.programDir());
        EXPECT_TRUE(boxes.shown.isEmpty());
    }
    EXPECT_EQ(count(QStringLiteral("自社情報")), 0); // nothing saved until the user saves
}

TEST_P(SettingsTabTest, DoubleClickingTheSwatchChoosesTheRuleColour)
{
    auto tab = openTab();
    auto *swatch = child<settings::ColorSwatch>(*tab, "Pic罫線色");

    QTest::mouseDClick(swatch, Qt::LeftButton); // cancelled
    EXPECT_EQ(line(*tab, "num白紙罫線色")->text(), QStringLiteral("0"));

    boxes.colorAnswers << QColor(0x12, 0x34, 0x56);
    QTest::mouseDClick(swatch, Qt::LeftButton);
    EXPECT_EQ(boxes.colorRequests.size(), 2);
    EXPECT_EQ(line(*tab, "num白紙罫線色")->text(), QString::number(0x563412));
    EXPECT_EQ(swatch->palette().color(QPalette::Window), QColor(0x12, 0x34, 0x56));

    click(*tab, "cmd設定登録");
    EXPECT_EQ(stored(QStringLiteral("白紙罫線色")).toInt(), 0x563412);
    EXPECT_EQ(ModQLNV::白紙罫線色, 0x563412);
}

// Settings another PC saved after the tab read them are saved over only when the user says so;
// No keeps the edits on screen and the other PC's settings stored.
TEST_P(SettingsTabTest, SettingsSavedElsewhereMeanwhileAreReplacedOnlyWhenTheUserSaysSo)
{
    settings::SettingsRow first = settings::rowFromForm(settings::SettingsForm{});
    first.自社名 = QStringLiteral("最初");
    ASSERT_TRUE(settings::writeSettingsRow(first));
    auto tab = openTab();
    settings::SettingsRow other = settings::readSettingsRow().row;
    other.自社名 = QStringLiteral("よそ");
    ASSERT_TRUE(settings::writeSettingsRow(other));

    line(*tab, "txt自社名")->setText(QStringLiteral("こちら"));
    boxes.answers << QMessageBox::Yes << QMessageBox::No;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("設定 を登録します。よろしいですか"),
                                         settings::SettingsChangedElsewhereQuestion}));
    EXPECT_EQ(boxes.shown.last().defaultButton, QMessageBox::No);
    EXPECT_EQ(stored(QStringLiteral("自社名")).toString(), QStringLiteral("よそ"));
    EXPECT_EQ(line(*tab, "txt自社名")->text(), QStringLiteral("こちら")) << "the edits stay on screen";

    boxes.clear();
    boxes.answers << QMessageBox::Yes << QMessageBox::Yes;
    click(*tab, "cmd設定登録");
    EXPECT_EQ(stored(QStringLiteral("自社名")).toString(), QStringLiteral("こちら"));
    // The tab's own save is not another PC's: the next one asks nothing more.
    boxes.clear();
    click(*tab, "cmd設定登録");
    EXPECT_EQ(boxes.texts().size(), 2) << boxes.texts().join(u'|').toStdString();
}
