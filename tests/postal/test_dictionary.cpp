// Japan Post's file into the dictionary: reading the three kinds of source, cleaning the towns,
// and a build that never leaves a broken dictionary behind.
#include "PostalTestUtil.h"

#include "postal/DictionaryBuilder.h"
#include "postal/KenAllClean.h"
#include "postal/KenAllSource.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

#include <memory>

using namespace yubin;

namespace {

KenAllSource readCsv(const QString &utf8Lines, bool sjis = true)
{
    const QByteArray bytes = sjis ? postaltest::toSjis(utf8Lines) : utf8Lines.toUtf8();
    return readKenAllBytes(bytes, QStringLiteral("KEN_ALL.CSV"));
}

QString town(const KenAllRow &r)
{
    return r.town + u'|' + r.townKana;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The first lines of KEN_ALL.CSV in the zip the project carries, read with libzip.
QByteArray firstLines(int count)
{
    std::unique_ptr<zip_t, int (*)(zip_t *)> archive(zip_open(QUILLON_POSTAL_ZIP, ZIP_RDONLY, nullptr), zip_close);
    EXPECT_TRUE(archive);
    if (!archive)
        return {};
    std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen(archive.get(), "KEN_ALL.CSV", 0), zip_fclose);
    QByteArray text(64 * 1024, Qt::Uninitialized);
    text.resize(file ? qsizetype(zip_fread(file.get(), text.data(), zip_uint64_t(text.size()))) : 0);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i)
        end = text.indexOf("\r\n", end) + 2;
    return text.left(end);
}

// text deflated into a zip at path with the one entry KEN_ALL.CSV, as Japan Post publishes it.
QByteArray zipAs(const QString &path, const QByteArray &text)
{
    std::unique_ptr<zip_t, void (*)(zip_t *)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr), zip_discard);
    zip_source_t *source = archive ? zip_source_buffer(archive.get(), text.constData(), zip_uint64_t(text.size()), 0) : nullptr;
    const zip_int64_t entry = source ? zip_file_add(archive.get(), "KEN_ALL.CSV", source, 0) : -1;
    EXPECT_GE(entry, 0);
    EXPECT_EQ(zip_set_file_compression(archive.get(), zip_uint64_t(entry), ZIP_CM_DEFLATE, 9), 0);
    EXPECT_EQ(zip_close(archive.release()), 0);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

// Real rows of KEN_ALL, each with the town and reading the dictionary keeps.
TEST(PostalDictionary, TownsAreCleanedIntoWhatGoesOnAnEnvelope)
{
    const struct { const char *why, *rows, *expected; } cases[] = {
        {"placeholder: the code gives the whole city",
         R"k(01101,"060  ","0600000","ﾎｯｶｲﾄﾞｳ","ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ","ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ","北海道","札幌市中央区","以下に掲載がない場合",0,0,0,0,0,0)k",
         "|"},
        {"except buildings",
         R"k(04101,"980  ","9800021","ﾐﾔｷﾞｹﾝ","ｾﾝﾀﾞｲｼｱｵﾊﾞｸ","ﾁｭｳｵｳ(ﾂｷﾞﾉﾋﾞﾙｦﾉｿﾞｸ)","宮城県","仙台市青葉区","中央（次のビルを除く）",0,0,1,0,0,0)k",
         "中央|ﾁｭｳｵｳ"},
        {"banchi follows a town",
         R"k(42212,"85724","8572427","ﾅｶﾞｻｷｹﾝ","ｻｲｶｲｼ","ｵｵｼﾏﾁｮｳﾉﾂｷﾞﾆﾊﾞﾝﾁｶﾞｸﾙﾊﾞｱｲ","長崎県","西海市","大島町の次に番地がくる場合",0,0,0,0,0,0)k",
         "大島町|ｵｵｼﾏﾁｮｳ"},
        {"banchi follows the town of the county's name",
         R"k(08546,"30604","3060433","ｲﾊﾞﾗｷｹﾝ","ｻｼﾏｸﾞﾝｻｶｲﾏﾁ","ｻｶｲﾏﾁﾉﾂｷﾞﾆﾊﾞﾝﾁｶﾞｸﾙﾊﾞｱｲ","茨城県","猿島郡境町","境町の次に番地がくる場合",0,0,0,0,0,0)k",
         "|"},
        {"banchi follows the city",
         R"k(20204,"394  ","3940091","ﾅｶﾞﾉｹﾝ","ｵｶﾔｼ","ｵｶﾔｼﾉﾂｷﾞﾆﾊﾞﾝﾁｶﾞｸﾙﾊﾞｱｲ","長野県","岡谷市","岡谷市の次に番地がくる場合",0,0,0,0,0,0)k",
         "|"},
        {"the whole village",
         R"k(13362,"10003","1000301","ﾄｳｷｮｳﾄ","ﾄｼﾏﾑﾗ","ﾄｼﾏﾑﾗｲﾁｴﾝ","東京都","利島村","利島村一円",0,0,0,0,0,0)k",
         "|"},
        {"the whole village of a county",
         R"k(15586,"958  ","9580061","ﾆｲｶﾞﾀｹﾝ","ｲﾜﾌﾈｸﾞﾝｱﾜｼﾏｳﾗﾑﾗ","ｱﾜｼﾏｳﾗﾑﾗｲﾁｴﾝ","新潟県","岩船郡粟島浦村","粟島浦村一円",0,0,0,0,0,0)k",
         "|"},
        {"a place called 一円",
         R"k(25443,"52203","5220317","ｼｶﾞｹﾝ","ｲﾇｶﾐｸﾞﾝﾀｶﾞﾁｮｳ","ｲﾁｴﾝ","滋賀県","犬上郡多賀町","一円",0,0,0,0,0,0)k",
         "一円|ｲﾁｴﾝ"},
        {"a floor tells the towns of a building apart",
         R"k(04101,"980  ","9806101","ﾐﾔｷﾞｹﾝ","ｾﾝﾀﾞｲｼｱｵﾊﾞｸ","ﾁｭｳｵｳｱｴﾙ(1ｶｲ)","宮城県","仙台市青葉区","中央アエル（１階）",0,0,0,0,0,0)k",
         "中央アエル（１階）|ﾁｭｳｵｳｱｴﾙ(1ｶｲ)"},
        {"a town split over three rows, its reading split too",
         R"k(01224,"066  ","0660005","ﾎｯｶｲﾄﾞｳ","ﾁﾄｾｼ","ｷｮｳﾜ(88-2､271-10､343-2､404-1､427-","北海道","千歳市","協和（８８－２、２７１－１０、３４３－２、４０４－１、４２７－",1,0,0,0,0,0
01224,"066  ","0660005","ﾎｯｶｲﾄﾞｳ","ﾁﾄｾｼ","3､431-12､443-6､608-2､641-8､814､842-","北海道","千歳市","３、４３１－１２、４４３－６、６０８－２、６４１－８、８１４、８４２－",1,0,0,0,0,0
01224,"066  ","0660005","ﾎｯｶｲﾄﾞｳ","ﾁﾄｾｼ","5､1137-3､1392､1657､1752ﾊﾞﾝﾁ)","北海道","千歳市","５、１１３７－３、１３９２、１６５７、１７５２番地）",1,0,0,0,0,0)k",
         "協和（８８－２、２７１－１０、３４３－２、４０４－１、４２７－３、４３１－１２、４４３－６、６０８－２、６４１－８、８１４、８４２－５、１１３７－３、１３９２、１６５７、１７５２番地）"
         "|ｷｮｳﾜ(88-2､271-10､343-2､404-1､427-3､431-12､443-6､608-2､641-8､814､842-5､1137-3､1392､1657､1752ﾊﾞﾝﾁ)"},
        {"a town split over two rows, its reading repeated whole",
         R"k(26104,"604  ","6040071","ｷｮｳﾄﾌ","ｷｮｳﾄｼﾅｶｷﾞｮｳｸ","ﾀﾞｲﾓﾝｼﾞﾁｮｳ","京都府","京都市中京区","大文字町（丸太町通堀川東入、丸太町通油小路西入、丸太町通油小路東入、丸太",0,0,0,0,0,0
26104,"604  ","6040071","ｷｮｳﾄﾌ","ｷｮｳﾄｼﾅｶｷﾞｮｳｸ","ﾀﾞｲﾓﾝｼﾞﾁｮｳ","京都府","京都市中京区","町通小川西入、油小路通竹屋町上る、竹屋町通油小路東入）",0,0,0,0,0,0)k",
         "大文字町（丸太町通堀川東入、丸太町通油小路西入、丸太町通油小路東入、丸太町通小川西入、油小路通竹屋町上る、竹屋町通油小路東入）|ﾀﾞｲﾓﾝｼﾞﾁｮｳ"},
    };
    for (const auto &c : cases) {
        const KenAllSource source = readCsv(QString::fromUtf8(c.rows));
        ASSERT_TRUE(source.error.isEmpty()) << c.why << ": " << source.error.toStdString();
        const std::vector<KenAllRow> rows = cleanKenAll(source.rows);
        ASSERT_EQ(rows.size(), 1u) << c.why;
        EXPECT_EQ(town(rows[0]), QString::fromUtf8(c.expected)) << c.why;
        EXPECT_EQ(rows[0].line, 1) << c.why;
    }
}

TEST(PostalDictionary, ACodeOverTwoPrefecturesKeepsBothRows)
{
    const KenAllSource source = readCsv(QString::fromUtf8(
        R"k(23235,"498  ","4980000","ｱｲﾁｹﾝ","ﾔﾄﾐｼ","ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ","愛知県","弥富市","以下に掲載がない場合",0,0,0,1,0,0
24303,"498  ","4980000","ﾐｴｹﾝ","ｸﾜﾅｸﾞﾝｷｿｻｷﾁｮｳ","ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ","三重県","桑名郡木曽岬町","以下に掲載がない場合",0,0,0,1,0,0
)k"));
    const std::vector<KenAllRow> rows = cleanKenAll(source.rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].pref + rows[0].city + rows[0].town, QStringLiteral("愛知県弥富市"));
    EXPECT_EQ(rows[1].pref + rows[1].city + rows[1].town, QStringLiteral("三重県桑名郡木曽岬町"));
}

TEST(PostalDictionary, TheUtf8FileIsToldByItsContentAndItsReadingsNarrowed)
{
    // utf_ken_all: UTF-8, one row per town, readings in full-width katakana.
    const KenAllSource source = readCsv(QString::fromUtf8(
        "13101,\"100  \",\"1000001\",\"トウキョウト\",\"チヨダク\",\"チヨダ\",\"東京都\",\"千代田区\",\"千代田\",0,0,0,0,0,0\r\n"), false);
    ASSERT_TRUE(source.error.isEmpty()) << source.error.toStdString();
    EXPECT_EQ(source.kind, QStringLiteral("utf_ken_all (UTF-8)"));
    ASSERT_EQ(source.rows.size(), 1u);
    EXPECT_EQ(source.rows[0].prefKana + u'|' + source.rows[0].cityKana + u'|' + source.rows[0].townKana,
              QStringLiteral("ﾄｳｷｮｳﾄ|ﾁﾖﾀﾞｸ|ﾁﾖﾀﾞ"));
}

TEST(PostalDictionary, ABadSourceIsNamedWithItsLine)
{
    const QString good = QString::fromUtf8(
        R"k(13101,"100  ","1000001","ﾄｳｷｮｳﾄ","ﾁﾖﾀﾞｸ","ﾁﾖﾀﾞ","東京都","千代田区","千代田",0,0,0,0,0,0)k") + QStringLiteral("\r\n");
    QFile zipFile(QStringLiteral(QUILLON_POSTAL_ZIP));
    ASSERT_TRUE(zipFile.open(QIODevice::ReadOnly));
    const QByteArray zip = zipFile.readAll();

    const struct { const char *why; QByteArray bytes; const char *message; } cases[] = {
        {"empty", QByteArray(), "KEN_ALL.CSV は空のファイルです。"},
        {"not the format", "hello, world\r\n", "KEN_ALL.CSV の 1 行目: 項目が 2 個あります（15 個のはずです）。"},
        {"a row short of a field", postaltest::toSjis(good + good + good.section(u',', 0, 13) + QStringLiteral("\r\n")),
         "KEN_ALL.CSV の 3 行目: 項目が 14 個あります（15 個のはずです）。"},
        {"cut off inside a quote", postaltest::toSjis(good + good.left(good.indexOf(QStringLiteral("千代田区")) + 2)),
         "KEN_ALL.CSV の 2 行目: 引用符が閉じていません（ファイルが途中で切れていませんか）。"},
        {"a code that is not seven digits", postaltest::toSjis(QString(good).replace(QStringLiteral("1000001"), QStringLiteral("100-001"))),
         "KEN_ALL.CSV の 1 行目: 郵便番号「100-001」が 7 桁の数字ではありません。"},
        {"bytes that are not Shift_JIS", postaltest::toSjis(good) + QByteArray("\x81\x20,\r\n"),
         "KEN_ALL.CSV の 2 行目: Shift_JIS として読めない文字があります。"},
        {"a tab in a quoted field", postaltest::toSjis(good + QString(good).replace(QStringLiteral("千代田区"), QStringLiteral("千代田\t区"))),
         "KEN_ALL.CSV の 2 行目: 8 番目の項目に制御文字（U+0009）があります。"},
        {"a carriage return inside a line", postaltest::toSjis(QString(good).replace(QStringLiteral(",0,0,"), QStringLiteral(",0,0\r,"))),
         "KEN_ALL.CSV の 1 行目: 11 番目の項目に制御文字（U+000D）があります。"},
        {"a control character of UTF-8", (good + QString(good).replace(QStringLiteral("ﾁﾖﾀﾞｸ"), QStringLiteral("ﾁﾖ\u0085ﾀﾞｸ"))).toUtf8(),
         "KEN_ALL.CSV の 2 行目: 5 番目の項目に制御文字（U+0085）があります。"},
        {"a quote inside an unquoted field", postaltest::toSjis(QString(good).replace(QStringLiteral("13101"), QStringLiteral("131\"01"))),
         "KEN_ALL.CSV の 1 行目: 1 番目の項目の途中に引用符があります。"},
        {"text after a closing quote", postaltest::toSjis(good + QString(good).replace(QStringLiteral("\"千代田区\""), QStringLiteral("\"千代田\"区"))),
         "KEN_ALL.CSV の 2 行目: 8 番目の項目で、閉じた引用符の後に文字があります。"},
        {"a zip cut in half", zip.left(zip.size() / 2), "KEN_ALL.CSV は読めない zip ファイルです（"},
    };
    for (const auto &c : cases) {
        const KenAllSource source = readKenAllBytes(c.bytes, QStringLiteral("KEN_ALL.CSV"));
        EXPECT_TRUE(source.error.startsWith(QString::fromUtf8(c.message))) << c.why << ": " << source.error.toStdString();
        EXPECT_TRUE(source.rows.empty()) << c.why;
    }
}

TEST(PostalDictionary, AFailedBuildLeavesTheOldDictionary)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("yubin.mdb"));
    const QString bad = dir.filePath(QStringLiteral("ken_all.zip"));
    writeFile(out, "the old dictionary");
    writeFile(bad, "PK\x03\x04 not really a zip");

    const DictionaryBuild build = buildDictionary(bad, out);
    EXPECT_TRUE(build.error.startsWith(bad + QStringLiteral(" は読めない zip ファイルです"))) << build.error.toStdString();
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old dictionary"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file left";

    const DictionaryBuild missing = buildDictionary(dir.filePath(QStringLiteral("none.zip")),
                                                    dir.filePath(QStringLiteral("no/such/folder/yubin.mdb")));
    EXPECT_TRUE(missing.error.contains(QStringLiteral("none.zip を開けません"))) << missing.error.toStdString();
}

TEST(PostalDictionary, ABuildKilledMidwayLeavesTheOldDictionary)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("yubin.mdb"));
    writeFile(out, "the old dictionary");
    QProcess build;
    build.start(QStringLiteral(POSTORA_DICT), {QStringLiteral(QUILLON_POSTAL_ZIP), out});
    ASSERT_TRUE(build.waitForStarted());
    // Killed once it has begun writing its temporary file.
    for (int i = 0; i < 600 && QDir(dir.path()).entryList({QStringLiteral(".yubin.mdb.*.part")}, QDir::Files | QDir::Hidden).isEmpty(); ++i)
        QThread::msleep(10);
    QThread::msleep(200);
    build.kill();
    build.waitForFinished();
    ASSERT_EQ(build.exitStatus(), QProcess::CrashExit) << "the build ended before it was killed";
    QFile old(out);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old dictionary"));

    // The next build takes away what the killed one left.
    const DictionaryBuild next = buildDictionary(dir.filePath(QStringLiteral("none.zip")), out);
    EXPECT_FALSE(next.error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("yubin.mdb")});
}

TEST(PostalDictionary, AllJapanIsBuiltFromTheZip)
{
    const QString path = postaltest::realDictionary();
    EXPECT_EQ(postaltest::column(path, QStringLiteral("SELECT 値 FROM 辞書情報 WHERE 項目 IN ('データ日付', '元の行数',"
                                                      " '行数', '郵便番号数', '市区町村数') ORDER BY 項目")),
              (QStringList{QStringLiteral("2026-05-26"), QStringLiteral("124825"), QStringLiteral("1892"),
                           QStringLiteral("124511"), QStringLiteral("120680")}));
    EXPECT_EQ(postaltest::column(path, QStringLiteral("PRAGMA user_version")),
              QStringList{QString::number(DictionaryVersion)});
    // Joined towns leave no open bracket, and no note stays in place of a town.
    EXPECT_EQ(postaltest::column(path, QStringLiteral("SELECT count(*) FROM 郵便番号 WHERE 町名漢字 LIKE '%（%'"
                                                      " AND 町名漢字 NOT LIKE '%）%' OR 町名漢字 LIKE '%掲載がない%'"
                                                      " OR 町名漢字 LIKE '%次に番地%' OR 町名漢字 LIKE '%ビルを除く%'")),
              QStringList{QStringLiteral("0")});
    EXPECT_EQ(postaltest::column(path, QStringLiteral("SELECT count(*) FROM 郵便番号 WHERE 町名漢字 = ''")),
              QStringList{QStringLiteral("1908")});
}

// A zip of real rows with any one byte changed, or cut short anywhere past its signature: either
// the dictionary is built as from the whole zip, or the message names the file and the damage
// libzip found.
TEST(PostalDictionary, ADamagedZipBuildsTheSameDictionaryOrIsRefusedWithItsCause)
{
    QTemporaryDir dir;
    const QString whole = dir.filePath(QStringLiteral("ken_all.zip"));
    const QByteArray zip = zipAs(whole, firstLines(60));
    const QString out = dir.filePath(QStringLiteral("yubin.mdb"));
    const QString rows = QStringLiteral("SELECT 番号 || 市町村かな || 町名かな || 県漢字 || 市町村漢字 || 町名漢字 FROM 郵便番号 ORDER BY rowid");
    ASSERT_EQ(buildDictionary(whole, out).error, QString());
    const QStringList expected = postaltest::column(out, rows);
    ASSERT_EQ(expected.size(), 60);

    std::vector<std::pair<std::string, QByteArray>> damaged;
    for (qsizetype at = 0; at < zip.size(); ++at) {
        QByteArray flipped = zip;
        flipped[at] = char(flipped.at(at) ^ 0xFF);
        damaged.emplace_back("byte " + std::to_string(at) + " flipped", flipped);
    }
    for (qsizetype size = 4; size < zip.size(); ++size)
        damaged.emplace_back("cut to " + std::to_string(size) + " bytes", zip.left(size));

    const QString path = dir.filePath(QStringLiteral("damaged.zip"));
    for (const auto &[why, bytes] : damaged) {
        // A new file each time: ext4 writes a truncated file out at once when it is closed.
        QFile::remove(path);
        writeFile(path, bytes);
        const DictionaryBuild build = buildDictionary(path, out);
        if (build.error.isEmpty()) {
            EXPECT_EQ(postaltest::column(out, rows), expected) << why;
            continue;
        }
        const std::string said = why + ": " + build.error.toStdString();
        EXPECT_TRUE(build.error.startsWith(path)) << said;
        EXPECT_FALSE(build.error.contains(QStringLiteral("No error")) || build.error.contains(QStringLiteral("（）"))) << said;
        EXPECT_FALSE(build.error.contains(QStringLiteral("行目"))) << "a damaged zip taken for text: " << said;
    }
}
