// The archive of issued invoices on both engines: the search, one copy per unchanged issue,
// the chain check against changes made behind the program's back, corrections and deletions
// recorded with their figures, and the export for a tax officer.
#include "archive/ArchiveWindow.h"
#include "archive/Issuing.h"
#include "data/Archive.h"
#include "data/Backup.h"
#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"
#include "records/RecordsTestUtil.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableView>
#include <QTemporaryDir>

using namespace recordstest;

namespace {

archive::Issue issue(qint64 number, QDate date, const QString &customer, qint64 amount, const char *pdf = "%PDF-1.4 a")
{
    archive::Issue i;
    i.伝票番号 = number;
    i.日付 = date;
    i.顧客名 = customer;
    i.請求金額 = amount;
    i.内容指紋 = QStringLiteral("%1/%2").arg(number).arg(amount);
    i.pdf = pdf;
    i.how = archive::Method::Pdf;
    i.when = QDateTime(QDate(2026, 12, 9), QTime(10, 0));
    return i;
}

QList<qint64> numbers(const std::optional<QList<archive::Row>> &rows)
{
    QList<qint64> list;
    for (const archive::Row &r : rows.value_or(QList<archive::Row>{}))
        list << r.伝票番号;
    return list;
}

class ArchiveTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ModQLNV::resetSettingsGlobals();
    }
    void TearDown() override
    {
        ModQLNV::resetSettingsGlobals();
        EngineTest::TearDown();
    }
    void issueAll(const QList<archive::Issue> &issues)
    {
        for (const archive::Issue &i : issues)
            ASSERT_TRUE(archive::recordIssue(db::data(), i)) << db::lastError().toStdString();
    }
    QStringList problems() { return archive::verify(db::data()).problems; }

    RecordingPresenter boxes;
};

QUILLON_ON_BOTH_ENGINES(ArchiveTest);

TEST_P(ArchiveTest, TheSearchTakesEachConditionAloneAndCombinedWithTheEndsOfItsRanges)
{
    issueAll({issue(1, QDate(2026, 1, 31), QStringLiteral("山田商店"), 11000),
              issue(2, QDate(2026, 2, 1), QStringLiteral("株式会社 山田"), 5500),
              issue(3, QDate(2026, 2, 28), QStringLiteral("O'Brien & Co."), 0),
              issue(4, QDate(2026, 3, 1), QStringLiteral("50%商事"), 99999),
              issue(5, QDate(2026, 3, 1), QStringLiteral("5_0商事"), -1100),
              issue(6, QDate(2026, 12, 7), QStringLiteral("やまだ"), 11000)});
    using Q = archive::Query;
    const QDate feb1(2026, 2, 1), feb28(2026, 2, 28);
    struct Case {
        const char *name;
        Q query;
        QList<qint64> found;
    };
    const QList<Case> cases{
        {"nothing asked", {}, {1, 2, 3, 4, 5, 6}},
        {"from, its day included", {feb1, {}, {}, {}, {}}, {2, 3, 4, 5, 6}},
        {"to, its day included", {{}, feb28, {}, {}, {}}, {1, 2, 3}},
        {"one day", {feb28, feb28, {}, {}, {}}, {3}},
        {"a range with nothing in it", {QDate(2026, 4, 1), QDate(2026, 11, 30), {}, {}, {}}, {}},
        {"amount from", {{}, {}, 11000, {}, {}}, {1, 4, 6}},
        {"amount to", {{}, {}, {}, 0, {}}, {3, 5}},
        {"one amount", {{}, {}, 5500, 5500, {}}, {2}},
        {"part of the name", {{}, {}, {}, {}, QStringLiteral("山田")}, {1, 2}},
        {"an apostrophe", {{}, {}, {}, {}, QStringLiteral("O'Brien")}, {3}},
        {"a percent sign is a character", {{}, {}, {}, {}, QStringLiteral("50%")}, {4}},
        {"an underscore is a character", {{}, {}, {}, {}, QStringLiteral("5_0")}, {5}},
        {"date, amount and name", {QDate(2026, 1, 1), QDate(2026, 12, 31), 10000, 20000, QStringLiteral("山田")}, {1}},
        {"all three and nothing matches", {feb1, feb28, 10000, {}, QStringLiteral("山田")}, {}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(numbers(archive::search(db::data(), c.query)), c.found) << c.name;
}

TEST_P(ArchiveTest, TheSameInvoiceIssuedAgainAddsAnIssueNotACopy)
{
    archive::Issue first = issue(7, QDate(2026, 12, 7), QStringLiteral("山田商店"), 1100);
    issueAll({first});
    archive::Issue again = first;
    again.pdf = "%PDF-1.4 drawn again, another creation date";
    again.how = archive::Method::Print;
    again.when = first.when.addSecs(3600);
    archive::Issue electronic = first;
    electronic.xml = "<Invoice/>";
    electronic.how = archive::Method::Electronic;
    issueAll({again, electronic});
    EXPECT_EQ(count(QStringLiteral("保存書類")), 2) << "the PDF once, and the electronic invoice";
    EXPECT_EQ(count(QStringLiteral("保存記録")), 3);
    const auto rows = archive::search(db::data(), {});
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2);
    EXPECT_EQ((*rows)[0].方法, QStringLiteral("PDF")) << "the first issue is the one shown";
    EXPECT_EQ((*rows)[0].発行日時, first.when);
    EXPECT_EQ(archive::content(db::data(), (*rows)[0].書類番号)->pdf, first.pdf) << "kept as first issued";
    EXPECT_TRUE((*rows)[1].electronic);
    EXPECT_EQ(archive::content(db::data(), (*rows)[1].書類番号)->xml, electronic.xml);
    EXPECT_TRUE(problems().isEmpty()) << problems().join(u'\n').toStdString();
}

TEST_P(ArchiveTest, TheCheckNamesEveryChangeMadeBehindTheProgramsBack)
{
    issueAll({issue(1, QDate(2026, 1, 5), QStringLiteral("山田商店"), 1100), issue(2, QDate(2026, 1, 6), QStringLiteral("鈴木"), 2200),
              issue(3, QDate(2026, 1, 7), QStringLiteral("佐藤"), 3300), issue(4, QDate(2026, 1, 8), QStringLiteral("田中"), 4400)});
    ASSERT_TRUE(problems().isEmpty()) << problems().join(u'\n').toStdString();
    const archive::Check sound = archive::verify(db::data());
    EXPECT_EQ(sound.documents, 4);
    EXPECT_EQ(sound.records, 4);

    // One byte of a document, an amount the search shows, a record's field, a whole record.
    run(db::data(), QStringLiteral("UPDATE 保存書類内容 SET PDF = ? WHERE 書類番号 = 1"), {QByteArray("%PDF-1.4 b")});
    run(db::data(), QStringLiteral("UPDATE 保存書類 SET 請求金額 = 1 WHERE 書類番号 = 2"));
    run(db::data(), QStringLiteral("UPDATE 保存記録 SET 日時 = '2026-01-01T00:00:00' WHERE 連番 = 4"));
    run(db::data(), QStringLiteral("DELETE FROM 保存記録 WHERE 連番 = 3"));
    const QStringList found = problems();
    const QStringList expected{
        QStringLiteral("保存記録 3 がありません（削除されています）。"),
        QStringLiteral("保存記録 4（伝票番号 4）: 記録の内容が変更されています。"),
        QStringLiteral("保存書類 1（伝票番号 1）: 発行したときの内容と違います。"),
        QStringLiteral("保存書類 2（伝票番号 2）: 発行したときの内容と違います。"),
        QStringLiteral("保存書類 3（伝票番号 3）: 発行の記録がありません。"),
    };
    EXPECT_EQ(found, expected) << found.join(u'\n').toStdString();
}

TEST_P(ArchiveTest, ACorrectionAndADeletionOfAnIssuedInvoiceAreRecordedWithTheirFigures)
{
    const auto save = [](const QList<DetailLine> &lines, qint64 tax) {
        putWorkLines(lines);
        InvoiceHeader h = header(5, QStringLiteral("山田商店"), QDate(2026, 12, 7));
        qint64 net = 0;
        for (const DetailLine &l : lines)
            net += l.金額.value_or(0);
        h.税抜計 = net, h.消費税 = tax, h.合計 = net + tax, h.請求金額 = net + tax;
        const auto saved = records::saveInvoice(h, records::SaveMode::Overwrite);
        EXPECT_TRUE(saved) << saved.problem.toStdString();
        return h;
    };
    const QList<DetailLine> first{line(QStringLiteral("りんご"), 10, QStringLiteral("個"), 100)};
    const InvoiceHeader issued = save(first, 50);
    ASSERT_TRUE(archive::archiveIssued(archive::issueOf(issued, first, "%PDF-1.4 issued", {}, archive::Method::Print)));

    save(first, 50); // registered again as it was: nothing to record
    EXPECT_EQ(count(QStringLiteral("保存記録")), 1);

    const QList<DetailLine> corrected{line(QStringLiteral("りんご"), 12, QStringLiteral("個"), 100)};
    save(corrected, 60);
    save(first, 50); // and back: a change after the issue all the same
    ASSERT_TRUE(records::deleteInvoice(5));
    const QList<QVariantList> recorded =
        rows(db::data(), QStringLiteral("SELECT 種別, 伝票番号, 訂正前税抜計, 訂正前消費税, 訂正前請求金額, 訂正後税抜計, 訂正後消費税, "
                                        "訂正後請求金額 FROM 保存記録 ORDER BY 連番"));
    const QVariant none;
    const QList<QVariantList> expected{
        {QStringLiteral("発行"), 5, none, none, none, none, none, none},
        {QStringLiteral("訂正"), 5, 1000, 50, 1050, 1200, 60, 1260},
        {QStringLiteral("訂正"), 5, 1200, 60, 1260, 1000, 50, 1050},
        {QStringLiteral("削除"), 5, 1000, 50, 1050, none, none, none},
    };
    ASSERT_EQ(recorded.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        for (qsizetype c = 0; c < expected[i].size(); ++c)
            EXPECT_EQ(recorded[i][c].toString(), expected[i][c].toString()) << i << ',' << c;

    // The copy as issued stays, marked deleted, and the chain holds.
    const auto listed = archive::search(db::data(), {});
    ASSERT_TRUE(listed && listed->size() == 1);
    EXPECT_EQ(listed->first().状態, QStringLiteral("削除"));
    EXPECT_EQ(archive::content(db::data(), listed->first().書類番号)->pdf, QByteArray("%PDF-1.4 issued"));
    EXPECT_TRUE(problems().isEmpty()) << problems().join(u'\n').toStdString();
}

// A backup (from the server too) holds the archive as issued, its chain whole.
TEST_P(ArchiveTest, ABackupKeepsTheArchiveAsIssued)
{
    archive::Issue electronic = issue(2, QDate(2026, 12, 7), QStringLiteral("山田商店"), 11000);
    electronic.pdf = QByteArrayLiteral("%PDF-1.4 \x00\xff binary");
    electronic.xml = "<Invoice>\xe5\xb1\xb1</Invoice>";
    issueAll({issue(1, QDate(2026, 12, 7), QStringLiteral("山田商店"), 1100), electronic});
    QTemporaryDir out;
    const backup::BackupOutcome made = backup::backupDataFile(out.path());
    ASSERT_TRUE(made.made) << made.problem.toStdString();
    {
        const QSqlDatabase copy = db::openFile(made.path, true);
        const archive::Check check = archive::verify(copy);
        EXPECT_TRUE(check.read);
        EXPECT_EQ(check.documents, 2);
        EXPECT_TRUE(check.problems.isEmpty()) << check.problems.join(u'\n').toStdString();
        EXPECT_EQ(archive::content(copy, 2)->xml, electronic.xml);
        EXPECT_EQ(archive::content(copy, 2)->pdf, electronic.pdf) << "every byte, a zero byte too";
    }
    db::closeFile(made.path);
}

TEST_P(ArchiveTest, TheExportWritesTheListedDocumentsAndAnIndexOfTheGrid)
{
    archive::Issue electronic = issue(2, QDate(2026, 12, 7), QStringLiteral("山田商店"), 11000, "%PDF-1.4 two");
    electronic.xml = "<Invoice/>";
    issueAll({issue(1, QDate(2026, 12, 7), QStringLiteral("山田商店"), 11000, "%PDF-1.4 one"), electronic,
              issue(3, QDate(2026, 12, 8), QStringLiteral("O'Brien, \"Co\" / =1"), -500, "%PDF-1.4 three")});
    Frm保存書類 window(nullptr, csvtext::Encoding::Cp932);
    EXPECT_TRUE(window.listed().isEmpty()) << "nothing is listed unasked";
    window.findChild<QPushButton *>(QStringLiteral("cmd保存検索"))->click();
    ASSERT_EQ(window.listed().size(), 3) << "no condition lists everything";
    EXPECT_EQ(window.findChild<QTableView *>(QStringLiteral("Grid保存書類"))->model()->rowCount(), 3);

    QTemporaryDir out;
    boxes.fileAnswers << out.path();
    window.findChild<QPushButton *>(QStringLiteral("cmd保存出力"))->click();
    const QStringList pdfs{QStringLiteral("20261207_山田商店_11000.pdf"), QStringLiteral("20261207_山田商店_11000_2.pdf"),
                           QStringLiteral("20261208_O'Brien, _Co_ _ =1_-500.pdf")};
    EXPECT_EQ(archive::exportNames(window.listed()), pdfs);
    QStringList files = QDir(out.path()).entryList(QDir::Files);
    files.sort();
    QStringList expectedFiles = pdfs;
    expectedFiles << QStringLiteral("20261207_山田商店_11000_2.xml") << QStringLiteral("索引.csv");
    expectedFiles.sort();
    EXPECT_EQ(files, expectedFiles) << boxes.texts().join(u'|').toStdString();
    QFile three(out.filePath(pdfs[2]));
    ASSERT_TRUE(three.open(QIODevice::ReadOnly));
    EXPECT_EQ(three.readAll(), QByteArray("%PDF-1.4 three"));

    QFile index(out.filePath(QStringLiteral("索引.csv")));
    ASSERT_TRUE(index.open(QIODevice::ReadOnly));
    QStringDecoder sjis("Shift_JIS");
    ASSERT_TRUE(sjis.isValid());
    const QString text = sjis(index.readAll());
    EXPECT_EQ(text,
              QStringLiteral("日付,伝票番号,取引先,金額,発行日時,発行方法,訂正・削除,ファイル\r\n"
                             "2026/12/07,1,山田商店,11000,2026/12/09 10:00:00,PDF,,20261207_山田商店_11000.pdf\r\n"
                             "2026/12/07,2,山田商店,11000,2026/12/09 10:00:00,PDF,,20261207_山田商店_11000_2.pdf\r\n"
                             "2026/12/08,3,\"O'Brien, \"\"Co\"\" / =1\",-500,2026/12/09 10:00:00,PDF,,"
                             "\"20261208_O'Brien, _Co_ _ =1_-500.pdf\"\r\n"));
    EXPECT_EQ(boxes.texts().value(0), QStringLiteral("保存書類 3 件と索引.csv を出力しました。\n") + QDir::toNativeSeparators(out.path()));

    // Shown as issued: the archived bytes handed to the viewer.
    QByteArray opened;
    const archive::DocumentOpener desktop = archive::setDocumentOpener([&opened](const QString &path) {
        QFile f(path);
        opened = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        return true;
    });
    auto *grid = window.findChild<QTableView *>(QStringLiteral("Grid保存書類"));
    grid->setCurrentIndex(grid->model()->index(2, 0));
    window.findChild<QPushButton *>(QStringLiteral("cmd保存表示"))->click();
    archive::setDocumentOpener(desktop);
    EXPECT_EQ(opened, QByteArray("%PDF-1.4 three"));
}

} // namespace
