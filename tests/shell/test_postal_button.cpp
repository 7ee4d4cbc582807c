// The invoice's postal-code button with the real component: the search window opens from the
// program's directory, and what the user chooses goes into an empty customer information.
#include "app/Database.h"
#include "invoice/InvoiceTab.h"
#include "postal/DictionaryBuilder.h"
#include "shell/PostalLookup.h"
#include "shell/QLNV.h"

#include "support/QStringPrinter.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A dictionary of a few real rows: enough for the window, quick to build.
void writeDictionary(const QString &path)
{
    const QString csv = path + QStringLiteral(".csv");
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"k(13101,"100  ","1000001","ﾄｳｷｮｳﾄ","ﾁﾖﾀﾞｸ","ﾁﾖﾀﾞ","東京都","千代田区","千代田",0,0,0,0,0,0
13101,"101  ","1010021","ﾄｳｷｮｳﾄ","ﾁﾖﾀﾞｸ","ｿﾄｶﾝﾀﾞ","東京都","千代田区","外神田",0,0,1,0,0,0
)k");
    f.close();
    const yubin::DictionaryBuild build = yubin::buildDictionary(csv, path);
    ASSERT_TRUE(build.error.isEmpty()) << build.error.toStdString();
}

// Once the search window is up: a code typed with Enter, then F10 ("選択") or Escape.
void answerSearchWindow(const QString &code, Qt::Key last)
{
    QTimer::singleShot(0, [code, last] {
        QWidget *window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr) << "the search window is open";
        if (!code.isEmpty()) {
            auto *box = window->findChild<QLineEdit *>(QStringLiteral("TXT郵便番号"));
            ASSERT_NE(box, nullptr);
            box->setFocus();
            QTest::keyClicks(box, code);
            QTest::keyClick(box, Qt::Key_Return);
        }
        QTest::keyClick(window, last);
    });
}

// The component reads the prefectures and the own area from the data database, on the
// local file or on the server (handed over as its URI).
class PostalButton : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        window = std::make_unique<QLNV>();
        window->Form_Load(dir().programDir());
    }
    void TearDown() override
    {
        window.reset();
        EngineTest::TearDown();
    }
    void press()
    {
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmd郵便")), Qt::LeftButton);
    }
    QPlainTextEdit *info() const { return window->findChild<QPlainTextEdit *>(QStringLiteral("txt顧客情報")); }
    QString yubinMdb() { return dir().dataDir() + QStringLiteral("/yubin.mdb"); }

    RecordingPresenter boxes;
    std::unique_ptr<QLNV> window;
};

} // namespace

TEST_P(PostalButton, TheOwnAreaOfTheSettingsIsPreselected)
{
    writeDictionary(yubinMdb());
    // A fresh data database has no settings row yet.
    ASSERT_TRUE(db::exec(db::data(), QStringLiteral("INSERT INTO 自社情報 (YubinLocalEriaSw, YubinLocalEria) VALUES (1, ?)"),
                         {QStringLiteral("東京都千代田区")}));
    QString prefecture, city;
    QTimer::singleShot(0, [&] {
        QWidget *search = QApplication::activeModalWidget();
        ASSERT_NE(search, nullptr) << "the search window is open";
        prefecture = search->findChild<QComboBox *>(QStringLiteral("cmb都道府県"))->currentText();
        city = search->findChild<QComboBox *>(QStringLiteral("cmb市町村"))->currentText();
        QTest::keyClick(search, Qt::Key_Escape);
    });
    press();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(prefecture, QStringLiteral("東京都"));
    EXPECT_EQ(city, QStringLiteral("千代田区"));
}

TEST_P(PostalButton, TheChosenAddressFillsAnEmptyCustomerInformationOnly)
{
    writeDictionary(yubinMdb());
    answerSearchWindow(QStringLiteral("1000001"), Qt::Key_F10);
    press();
    EXPECT_EQ(info()->toPlainText(), QStringLiteral("〒100-0001\n東京都千代田区千代田"));
    EXPECT_TRUE(boxes.shown.isEmpty());

    info()->setPlainText(QStringLiteral("山田商店様"));
    answerSearchWindow(QStringLiteral("1010021"), Qt::Key_F10);
    press();
    EXPECT_EQ(info()->toPlainText(), QStringLiteral("山田商店様")) << "a filled one stays";

    info()->clear();
    answerSearchWindow(QStringLiteral("1010021"), Qt::Key_Escape);
    press();
    EXPECT_EQ(info()->toPlainText(), QString()) << "closed without choosing";
}

// Without a dictionary, or with one that cannot be read, the user is told once and the
// invoice stays as it is.
TEST_P(PostalButton, ADictionaryThatIsMissingOrDamagedIsOneMessage)
{
    info()->setPlainText(QString());
    press();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("郵便番号辞書がありません。確認してください。")});

    QFile damaged(yubinMdb());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    boxes.clear();
    press();
    EXPECT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(info()->toPlainText(), QString());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

QUILLON_ON_BOTH_ENGINES(PostalButton);

TEST(PostalLookup, AComponentThatCannotBeLoadedIsNamed)
{
    const PostalLookup found = lookUpPostalCode(QStringLiteral("/no/such/folder"), QString(), QString(), QString());
    EXPECT_FALSE(found.ok);
    EXPECT_TRUE(found.error.startsWith(QStringLiteral("郵便番号検索（Postora）を読み込めません"))) << found.error.toStdString();
}
