// The message catalogue: what each group and kind shows, and which answers count as Yes.
#include "app/Msg.h"
#include "support/RecordingPresenter.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace msg;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr auto YesNo = QMessageBox::Yes | QMessageBox::No;

struct CatalogueCase {
    const char16_t *group;
    const char16_t *kind;
    const char16_t *callerText;
    const char16_t *title;
    const char16_t *text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton defaultButton;
};

const CatalogueCase kCatalogue[] = {
    {u"登録", u"確認", u"設定", u"登録の確認", u"設定 を登録します。よろしいですか", YesNo, QMessageBox::Question, QMessageBox::Yes},
    {u"登録", u"完了", u"設定", u"登録完了", u"設定 を登録しました。", QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok},
    {u"登録", u"チェック", u"顧客名", u"入力項目のチェック", u"入力必須項目が空白です。", QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok},
    {u"削除", u"指定確認", u"請求書", u"削除の確認", u"指定された 請求書 を削除します。よろしいですか", YesNo, QMessageBox::Question, QMessageBox::No},
    {u"削除", u"伝票確認", u"123", u"削除の確認", u"伝票 123 を削除します。よろしいですか", YesNo, QMessageBox::Question, QMessageBox::No},
    {u"入力", u"必須入力なし", u"顧客リンクアプリ名が", u"入力注意", u"顧客リンクアプリ名が指定されていません。確認してください", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"入力", u"数字のみ", u"伝票番号", u"入力注意", u"伝票番号には数字以外使用できません", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"行指定", u"無効行", u"x", u"入力注意", u"無効な行が指定されています。行指定をやり直してください。", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"行指定", u"指定なし", u"x", u"入力注意", u"行が指定されていません。行指定してください。", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"行指定", u"重複", u"x", u"入力注意", u"指定行は１回に１行です。行指定をやり直してください。", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"行指定", u"余白なし", u"x", u"行挿入注意", u"行挿入する余白はありません。", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
    {u"その他", u"メッセージ", u"すべてのデータを初期化しました", u"QLNV 請求書", u"すべてのデータを初期化しました", QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok},
    {u"その他", u"ファイルなし", u"郵便番号辞書", u"QLNV 請求書", u"郵便番号辞書がありません。確認してください。", QMessageBox::Ok, QMessageBox::Information, QMessageBox::Ok},
    {u"その他", u"確認", u"すべてのデータを初期化します。", u"確認", u"すべてのデータを初期化します。、よろしいですか", YesNo, QMessageBox::Question, QMessageBox::Yes},
    {u"その他", u"注意", u"1行目には小計は作成できません。", u"注意", u"1行目には小計は作成できません。", QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok},
};

void PrintTo(const CatalogueCase &c, std::ostream *os)
{
    *os << QString::fromUtf16(c.group).toStdString() << "/" << QString::fromUtf16(c.kind).toStdString();
}

class CatalogueTest : public ::testing::TestWithParam<CatalogueCase>
{
};

// Calls the group's own routine, as the invoice save does with Msg登録.
bool callGroupRoutine(const QString &group, const QString &kind, const QString &text)
{
    if (group == u"登録") return Msg登録(kind, text);
    if (group == u"削除") return Msg削除(kind, text);
    if (group == u"入力") return Msg入力(kind, text);
    if (group == u"行指定") return Msg行指定(kind, text);
    return Msgその他(kind, text);
}

} // namespace

TEST_P(CatalogueTest, ShowsTheCataloguedBoxAndOnlyYesToAQuestionCounts)
{
    const CatalogueCase &c = GetParam();
    const QString group = QString::fromUtf16(c.group);
    const QString kind = QString::fromUtf16(c.kind);
    const QString text = QString::fromUtf16(c.callerText);
    const bool asks = c.buttons.testFlag(QMessageBox::Yes);

    RecordingPresenter boxes;
    boxes.answers << QMessageBox::Yes << QMessageBox::No << QMessageBox::NoButton << QMessageBox::Yes;
    EXPECT_EQ(Msg表示(group, kind, text), asks);
    EXPECT_FALSE(Msg表示(group, kind, text));
    EXPECT_FALSE(Msg表示(group, kind, text)); // closed without an answer
    EXPECT_EQ(callGroupRoutine(group, kind, text), asks);

    ASSERT_EQ(boxes.shown.size(), 4);
    const MessageBoxSpec expected{QString::fromUtf16(c.title), QString::fromUtf16(c.text), c.buttons, c.icon,
                                  c.defaultButton};
    for (const MessageBoxSpec &box : boxes.shown) {
        EXPECT_EQ(box.title, expected.title);
        EXPECT_EQ(box.text, expected.text);
        EXPECT_EQ(box.buttons, expected.buttons);
        EXPECT_EQ(box.icon, expected.icon);
        EXPECT_EQ(box.defaultButton, expected.defaultButton);
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, CatalogueTest, ::testing::ValuesIn(kCatalogue));

TEST(MsgTest, EnterAtOnceTakesTheDefault)
{
    RecordingPresenter boxes; // no scripted answers: every box gets its default button
    EXPECT_TRUE(Msg表示(u"登録"_s, u"確認"_s, u"設定"_s));
    EXPECT_FALSE(Msg表示(u"削除"_s, u"伝票確認"_s, u"12"_s));
    EXPECT_FALSE(Msg表示(u"削除"_s, u"指定確認"_s, u"請求書"_s));
    EXPECT_TRUE(Msg表示(u"その他"_s, u"確認"_s, u"x"_s));
}

TEST(MsgTest, UnknownGroupOrKindShowsNothing)
{
    RecordingPresenter boxes;
    boxes.answers << QMessageBox::Yes << QMessageBox::Yes << QMessageBox::Yes << QMessageBox::Yes;
    EXPECT_FALSE(Msg表示(u"登録"_s, u"承認"_s, u"x"_s));
    EXPECT_FALSE(Msg表示(u"印刷"_s, u"確認"_s, u"x"_s));
    EXPECT_FALSE(Msg表示(QString(), QString(), QString()));
    EXPECT_FALSE(Msg削除(u"確認"_s, u"x"_s)); // a kind of another group
    EXPECT_FALSE(Msg行指定(u"注意"_s, u"x"_s));
    EXPECT_TRUE(boxes.shown.isEmpty());
}

TEST(MsgTest, FailureNoticeUsesTheGeneralTitle)
{
    RecordingPresenter boxes;
    showFailure(u"請求書は保存されませんでした。"_s);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.at(0), (MessageBoxSpec{u"QLNV 請求書"_s, u"請求書は保存されませんでした。"_s, QMessageBox::Ok,
                                                QMessageBox::Warning, QMessageBox::Ok}));
}

TEST(MsgTest, RecordingPresenterPutsBackThePreviousOne)
{
    MessagePresenter *real = &messagePresenter();
    {
        RecordingPresenter outer;
        {
            RecordingPresenter inner;
            EXPECT_EQ(&messagePresenter(), &inner);
        }
        EXPECT_EQ(&messagePresenter(), &outer);
    }
    EXPECT_EQ(&messagePresenter(), real);
}

namespace {

// Presses a key on the message box as soon as it is up.
void pressOnBox(int key, bool closeInstead = false)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, key, closeInstead] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        if (closeInstead)
            box->close();
        else
            QTest::keyClick(box, Qt::Key(key));
    });
    timer->start();
}

} // namespace

// The real QMessageBox presenter: Enter takes the default, Escape and the close box count as No.
TEST(MsgTest, RealBoxAnswersEnterEscapeAndClose)
{
    ASSERT_EQ(&messagePresenter(), setMessagePresenter(nullptr)); // no recorder is installed

    pressOnBox(Qt::Key_Return);
    EXPECT_TRUE(Msg表示(u"登録"_s, u"確認"_s, u"設定"_s));
    pressOnBox(Qt::Key_Return);
    EXPECT_FALSE(Msg表示(u"削除"_s, u"伝票確認"_s, u"1"_s));
    pressOnBox(Qt::Key_Escape);
    EXPECT_FALSE(Msg表示(u"その他"_s, u"確認"_s, u"x"_s));
    pressOnBox(0, true);
    EXPECT_FALSE(Msg表示(u"登録"_s, u"確認"_s, u"設定"_s));

    pressOnBox(Qt::Key_Return);
    EXPECT_EQ(present(MessageBoxSpec{u"t"_s, u"x"_s, QMessageBox::Ok, QMessageBox::Warning, QMessageBox::Ok}),
              QMessageBox::Ok);
}
