// Imports from linked applications' files into the edit copies: the customer information as
// the customer programs' fields give it, the reading order, the telephone table, the product
// defaults, and files that cannot be read leaving the edit copy as it was.
#include "MastersTestUtil.h"

#include "masters/LinkImport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>

using namespace masterstest;
using linkimport::Status;

namespace {

// A linked application's file as SQLite, made by the statements given.
QString linkedFile(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase file = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        file.setDatabaseName(path);
        EXPECT_TRUE(file.open());
        for (const QString &sql : statements) {
            QSqlQuery q(file);
            EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        }
        file.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    return path;
}

const QString kOrbTable = QStringLiteral(
    "CREATE TABLE 顧客マスタ (code INTEGER, 名称 TEXT, 郵便番号 TEXT, 住所1 TEXT, 住所2 TEXT, tel TEXT, fax TEXT, "
    "ふりがな TEXT, 敬称 TEXT, メモ TEXT)");

TEST(ComposeCustomerInfo, EachPartOnlyWhenItsFieldIsThere)
{
    using linkimport::LinkedCustomer;
    const QVariant none;
    const QVariant empty = QString();
    const struct {
        const char *what;
        QString application;
        LinkedCustomer customer;
        QString phone;
        QString info;
    } cases[] = {
        {"full Orb record", linkimport::Orb, {QStringLiteral("1000001"), QStringLiteral("東京都千代田区"), QStringLiteral("1-1"), QStringLiteral("03-1111-2222"), QStringLiteral("03-1111-3333")}, {},
         QStringLiteral("〒100-0001\r\n東京都千代田区\r\n1-1\r\nTEL 03-1111-2222 FAX 03-1111-3333")},
        {"no postal code", linkimport::Orb2, {none, QStringLiteral("大阪府"), none, QStringLiteral("06"), none}, {},
         QStringLiteral("大阪府\r\nTEL 06")},
        {"hyphenated code as stored", linkimport::Orb, {QStringLiteral("100-0001"), none, none, none, none}, {},
         QStringLiteral("〒100-0001\r\n")},
        {"six digits as stored", linkimport::Orb, {QStringLiteral("100001"), none, none, none, none}, {},
         QStringLiteral("〒100001\r\n")},
        {"a code stored as a number", linkimport::Orb, {qint64(1000001), none, none, none, none}, {},
         QStringLiteral("〒100-0001\r\n")},
        {"fax without telephone", linkimport::Orb, {none, QStringLiteral("京都"), none, empty, QStringLiteral("075")}, {},
         QStringLiteral("京都\r\n FAX 075")},
        {"neither number ends on the address line", linkimport::Orb, {none, QStringLiteral("京都"), QStringLiteral("2F"), empty, none}, {},
         QStringLiteral("京都\r\n2F\r\n")},
        {"nothing at all", linkimport::Orb, {empty, empty, empty, empty, empty}, {}, QString()},
        {"Ormel with a telephone", linkimport::Ormel, {QStringLiteral("4600002"), QStringLiteral("名古屋市"), none, QStringLiteral("ignored"), QStringLiteral("ignored")},
         QStringLiteral("052-111"), QStringLiteral("〒460-0002\r\n名古屋市\r\nTEL 052-111\r\n")},
        {"Ormel without one", linkimport::Ormel, {none, QStringLiteral("名古屋市"), none, none, none}, {}, QStringLiteral("名古屋市\r\n")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(linkimport::compose顧客情報(c.application, c.customer, c.phone), c.info) << c.what;
}

class LinkImportTest : public MastersTest
{
protected:
    QString path(const char *name) { return dir().dataDir() + u'/' + QString::fromUtf8(name); }
    QStringList copy(const QString &sql) const { return column(db::work(), sql); }
    void putEditCopy()
    {
        run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名) VALUES ('編集中の顧客')"));
        run(db::work(), QStringLiteral("INSERT INTO w商品マスタ (品名) VALUES ('編集中の品')"));
    }
    void expectEditCopyAsItWas()
    {
        EXPECT_EQ(copy(QStringLiteral("SELECT 顧客名 FROM w顧客マスタ")), QStringList{QStringLiteral("編集中の顧客")});
        EXPECT_EQ(copy(QStringLiteral("SELECT 品名 FROM w商品マスタ")), QStringList{QStringLiteral("編集中の品")});
    }
};

QUILLON_ON_BOTH_ENGINES(LinkImportTest);

TEST_P(LinkImportTest, OrbCustomersComeInReadingOrderWithTheirInformation)
{
    addCustomer(QStringLiteral("登録済み"), QStringLiteral("とうろく"));
    // The linked application knows nothing of electronic invoices: those fields stay by name.
    run(db::work(), QStringLiteral("INSERT INTO w顧客マスタ (顧客名, 登録番号, 電子アドレス) VALUES ('O''Brien', 'T3210987654321', '0188:3210987654321')"));
    const QString file = linkedFile(path("orbdata.mdb"), {kOrbTable,
        QStringLiteral("INSERT INTO 顧客マスタ VALUES (1, '山田商店', '1000001', '東京都千代田区', NULL, '03-1', '03-2', 'やまだ', '様', 'x')"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES (2, 'O''Brien', '', '', '', '', '', 'おぶらいえん', NULL, NULL)"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES (3, '山田商店', NULL, '横浜', '', NULL, NULL, 'やまだ', '殿', NULL)"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES (4, '阿部', NULL, NULL, NULL, NULL, NULL, NULL, '御中', NULL)")});
    const auto outcome = linkimport::importCustomers(db::work(), linkimport::Orb, file);
    ASSERT_EQ(outcome.status, Status::Imported) << outcome.problem.toStdString();
    EXPECT_EQ(outcome.rows, 4);
    EXPECT_TRUE(outcome.missing.isEmpty());
    // The same name twice comes in twice; the registration check tells the user.
    EXPECT_EQ(copy(QStringLiteral("SELECT 顧客名 || '|' || coalesce(顧客情報, '<Null>') || '|' || coalesce(敬称, '<Null>') "
                                  "|| チェック FROM w顧客マスタ ORDER BY rowid")),
              (QStringList{QStringLiteral("阿部|<Null>|御中0"), QStringLiteral("O'Brien|<Null>|<Null>0"),
                           QStringLiteral("山田商店|〒100-0001\r\n東京都千代田区\r\nTEL 03-1 FAX 03-2|様0"),
                           QStringLiteral("山田商店|横浜\r\n|殿0")}));
    EXPECT_EQ(copy(QStringLiteral("SELECT 顧客名 || 登録番号 || 電子アドレス FROM w顧客マスタ WHERE 登録番号 IS NOT NULL")),
              QStringList{QStringLiteral("O'BrienT32109876543210188:3210987654321")});
    EXPECT_EQ(customerNames(), QStringList{QStringLiteral("登録済み")}) << "the master waits for 登録";
}

TEST_P(LinkImportTest, OrmelCustomersTakeTheirFirstTelephoneByCodeThenNumber)
{
    const QString file = linkedFile(path("ormel.db"), {
        QStringLiteral("CREATE TABLE 顧客マスタ (名称 TEXT, 郵便番号 TEXT, 住所1 TEXT, 住所2 TEXT, ふりがな TEXT, 敬称 TEXT)"),
        QStringLiteral("CREATE TABLE 電話番号 (code INTEGER, no INTEGER, 名称 TEXT, 電話番号 TEXT)"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES ('O''Neil商会', '5300001', '大阪市', NULL, 'おにーる', '様'), "
                       "('鈴木', NULL, '名古屋市', NULL, 'すずき', '様'), ('無番号', NULL, '札幌市', NULL, 'むばんごう', '様')"),
        QStringLiteral("INSERT INTO 電話番号 VALUES (10, 2, 'O''Neil商会', '06-2222'), (10, 1, 'O''Neil商会', '06-1111'), "
                       "(9, 5, '鈴木', ''), (9, 7, '鈴木', '052-999'), (2, 1, '鈴木', NULL), (11, 1, '鈴木', '052-000')")});
    const auto outcome = linkimport::importCustomers(db::work(), linkimport::Ormel, file);
    ASSERT_EQ(outcome.status, Status::Imported) << outcome.problem.toStdString();
    EXPECT_EQ(copy(QStringLiteral("SELECT 顧客情報 FROM w顧客マスタ ORDER BY rowid")),
              (QStringList{QStringLiteral("〒530-0001\r\n大阪市\r\nTEL 06-1111\r\n"), QStringLiteral("名古屋市\r\nTEL 052-999\r\n"),
                           QStringLiteral("札幌市\r\n")}));

    // Without the telephone table the customers come in all the same, and the notice says so.
    const QString noPhones = linkedFile(path("ormel-nophones.db"), {
        QStringLiteral("CREATE TABLE 顧客マスタ (名称 TEXT, 住所1 TEXT, ふりがな TEXT)"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES ('鈴木', '名古屋市', 'すずき')")});
    const auto partial = linkimport::importCustomers(db::work(), linkimport::Ormel, noPhones);
    ASSERT_EQ(partial.status, Status::Imported);
    EXPECT_EQ(partial.missing, (QStringList{QStringLiteral("顧客マスタ.郵便番号"), QStringLiteral("顧客マスタ.住所2"),
                                            QStringLiteral("顧客マスタ.敬称"), QStringLiteral("電話番号")}));
    EXPECT_EQ(copy(QStringLiteral("SELECT 顧客情報 FROM w顧客マスタ")), QStringList{QStringLiteral("名古屋市\r\n")});
}

TEST_P(LinkImportTest, OrbTwoReadsItsTelephoneFromTel1)
{
    const QString file = linkedFile(path("orb2data.mdb"), {
        QStringLiteral("CREATE TABLE 顧客マスタ (名称 TEXT, 郵便番号 TEXT, 住所1 TEXT, 住所2 TEXT, tel TEXT, tel1 TEXT, fax TEXT, ふりがな TEXT, 敬称 TEXT)"),
        QStringLiteral("INSERT INTO 顧客マスタ VALUES ('二', NULL, NULL, NULL, 'not this', '011-1', NULL, 'に', '様')")});
    ASSERT_EQ(linkimport::importCustomers(db::work(), linkimport::Orb2, file).status, Status::Imported);
    EXPECT_EQ(copy(QStringLiteral("SELECT 顧客情報 FROM w顧客マスタ")), QStringList{QStringLiteral("TEL 011-1")});
}

TEST_P(LinkImportTest, ProductsComeWithDefaultPackSizeAndTick)
{
    const QString file = linkedFile(path("Vyxdata.mdb"), {
        QStringLiteral("CREATE TABLE 商品マスタ (品名 TEXT, 入数 TEXT, 単位 TEXT, 単価 REAL, 非課税 INTEGER, ふりがな TEXT)"),
        QStringLiteral("INSERT INTO 商品マスタ VALUES ('印紙', '10枚', '枚', 200, -1, 'いんし'), ('鉛筆', '12本', '本', 80.5, 0, 'えんぴつ'), "
                       "('作業', NULL, NULL, NULL, NULL, 'さぎょう'), ('謎', NULL, NULL, 'abc', 1, NULL)")});
    putEditCopy();
    const auto outcome = linkimport::importProducts(db::work(), linkimport::Qlnv, file);
    ASSERT_EQ(outcome.status, Status::Imported) << outcome.problem.toStdString();
    EXPECT_EQ(copy(QStringLiteral("SELECT 品名 || '|' || coalesce(入数, '<Null>') || '|' || coalesce(単価, '<Null>') || '|' || "
                                  "非課税 || チェック FROM w商品マスタ ORDER BY rowid")),
              (QStringList{QStringLiteral("謎|<Null>|<Null>|10"), QStringLiteral("印紙|<Null>|200.0|10"),
                           QStringLiteral("鉛筆|<Null>|80.5|00"), QStringLiteral("作業|<Null>|<Null>|00")}));
    EXPECT_TRUE(productNames().isEmpty()) << "the master waits for 登録";
}

// "QLNV請求書" is this program's own kind of file: another data directory, or this one while it
// is open.
TEST_P(LinkImportTest, ProductsComeFromAFileOfThisProgramWhileItIsOpen)
{
    if (onServer())
        GTEST_SKIP() << "only a data directory whose data is its local file is its own linked file";
    addProduct(QStringLiteral("自分の品"), QStringLiteral("じぶん"), 300, QStringLiteral("個"), 1, QStringLiteral("箱入"));
    const auto outcome = linkimport::importProducts(db::work(), linkimport::Qlnv, dir().dataMdb());
    ASSERT_EQ(outcome.status, Status::Imported) << outcome.problem.toStdString();
    EXPECT_EQ(copy(QStringLiteral("SELECT 品名 || coalesce(入数, '-') || 単価 || 非課税 FROM w商品マスタ")),
              QStringList{QStringLiteral("自分の品-300.01")});
    addProduct(QStringLiteral("後の品"), QStringLiteral("あと"));
    EXPECT_EQ(productNames().size(), 2) << "the file is still written by its own program";
}

TEST_P(LinkImportTest, WhatCannotBeImportedLeavesTheEditCopyAsItWas)
{
    QFile text(path("notes.mdb"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("これはデータベースではありません\n");
    text.close();
    QFile(path("empty.mdb")).open(QIODevice::WriteOnly);
    const QString noTable = linkedFile(path("other.db"), {QStringLiteral("CREATE TABLE 別の表 (a)")});
    const QString good = linkedFile(path("good.db"), {kOrbTable,
        QStringLiteral("INSERT INTO 顧客マスタ (名称, ふりがな) VALUES ('甲', 'こう')"),
        QStringLiteral("CREATE TABLE 商品マスタ (品名 TEXT, 単位 TEXT, 単価 REAL, 非課税 INTEGER, ふりがな TEXT)"),
        QStringLiteral("INSERT INTO 商品マスタ (品名) VALUES ('乙')")});
    putEditCopy();

    const struct {
        const char *what;
        QString file;
        QString application;
        Status status;
        QString problem; // a part of it
    } cases[] = {
        {"a text file named .mdb", path("notes.mdb"), linkimport::Orb, Status::Failed, QStringLiteral("データベース")},
        {"zero bytes", path("empty.mdb"), linkimport::Orb, Status::Failed, QStringLiteral("空")},
        {"a missing path", path("gone.mdb"), linkimport::Orb, Status::Failed, QStringLiteral("ありません")},
        {"a folder", dir().dataDir(), linkimport::Orb, Status::Failed, QStringLiteral("フォルダ")},
        {"no customer table", noTable, linkimport::Orb, Status::Failed, QStringLiteral("顧客マスタ")},
        {"an Access file of another program", QStringLiteral(QUILLON_TEST_DATA "/testUnicodeCompV2003.mdb"), linkimport::Orb,
         Status::Failed, QStringLiteral("顧客マスタ")},
        {"an unknown application", good, QStringLiteral("他社顧客管理"), Status::NotKnown, QString()},
    };
    for (const auto &c : cases) {
        const auto outcome = linkimport::importCustomers(db::work(), c.application, c.file);
        EXPECT_EQ(outcome.status, c.status) << c.what;
        EXPECT_TRUE(outcome.problem.contains(c.problem)) << c.what << ": " << outcome.problem.toStdString();
        expectEditCopyAsItWas();
    }
    EXPECT_EQ(linkimport::importProducts(db::work(), linkimport::Orb, good).status, Status::NotKnown);

    // Cancelled while reading, or a write refused half-way: the same.
    const auto stop = [](qint64, qint64) { return false; };
    EXPECT_EQ(linkimport::importCustomers(db::work(), linkimport::Orb, good, stop).status, Status::Cancelled);
    EXPECT_EQ(linkimport::importProducts(db::work(), linkimport::Qlnv, good, stop).status, Status::Cancelled);
    run(db::work(), QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON w顧客マスタ BEGIN SELECT RAISE(ABORT, 'full'); END"));
    EXPECT_EQ(linkimport::importCustomers(db::work(), linkimport::Orb, good).status, Status::Failed);
    expectEditCopyAsItWas();
}

} // namespace
