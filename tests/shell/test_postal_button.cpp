// The invoice's postal-code button with the real component: the search window opens from the
// program's directory, and what the user chooses goes into an empty customer information.
#include "invoice/InvoiceTab.h"
#include "postal/DictionaryBuilder.h"
#include "shell/PostalLookup.h"
#include "shell/QLNV.h"

#include "support/QStringPrinter.h"
#include "support/RecordingPresenter.h"
#include "support/TestDataDir.h"

#include <QApplication>
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

class PostalButton : public ::testing::Test
{
protected:
    void SetUp() override { w.Form_Load(dir.programDir()); }
    void press()
    {
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmd郵便")), Qt::LeftButton);
    }
    QPlainTextEdit *info() const { return w.findChild<QPlainTextEdit *>(QStringLiteral("txt顧客情報")); }
    QString yubinMdb() const { return dir.dataDir() + QStringLiteral("/yubin.mdb"); }

    TestDataDir dir;
    RecordingPresenter boxes;
    QLNV w;
};

} // namespace

TEST_F(PostalButton, TheChosenAddressFillsAnEmptyCustomerInformationOnly)
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
TEST_F(PostalButton, ADictionaryThatIsMissingOrDamagedIsOneMessage)
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

TEST(PostalLookup, AComponentThatCannotBeLoadedIsNamed)
{
    const PostalLookup found = lookUpPostalCode(QStringLiteral("/no/such/folder"), QString(), QString(), QString());
    EXPECT_FALSE(found.ok);
    EXPECT_TRUE(found.error.startsWith(QStringLiteral("郵便番号検索（Postora）を読み込めません"))) << found.error.toStdString();
}
