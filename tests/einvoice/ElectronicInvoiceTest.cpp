// "電子インボイス" on stored invoices, on both engines: the print panel's file of the invoice on
// the screen (only when it is the stored one), and the history tab's batch into a folder with
// what it skipped and why.
#include "data/Archive.h"
#include "einvoice/ElectronicInvoice.h"
#include "records/InvoiceSave.h"
#include "records/RecordsTestUtil.h"
#include "settings/ModQLNVSettings.h"
#include "support/EngineTest.h"
#include "support/FaultMounts.h"
#include "support/RecordingPresenter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace recordstest;

namespace {

class ElectronicInvoiceTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ModQLNV::resetSettingsGlobals();
        ModQLNV::自社名 = QStringLiteral("山田商事");
        ModQLNV::自社情報 = QStringLiteral("〒160-0044 東京都新宿区四谷4-29");
        ModQLNV::消費税率 = QStringLiteral("10%");
        ModQLNV::登録番号 = QStringLiteral("T1234567890123");
        ModQLNV::電子アドレス = QStringLiteral("0188:1234567890123");
    }
    void TearDown() override
    {
        ModQLNV::resetSettingsGlobals();
        EngineTest::TearDown();
    }

    // A 10 % invoice of one 1,000 yen line to customer, stored; the customer gets address as
    // their electronic address.
    void store(qint64 number, const QString &customer, const QString &address, int percent = 10)
    {
        putWorkLines({line(QStringLiteral("品物"), 10, QStringLiteral("個"), 100)});
        InvoiceHeader h = header(number, customer, QDate(2026, 12, 7));
        h.消費税率 = percent;
        if (percent == 10) {
            h.消費税 = 100, h.合計 = 1100, h.請求金額 = 1100;
            h.標準税率対象 = 1000, h.標準税率消費税 = 100, h.軽減税率対象 = 0, h.軽減税率消費税 = 0;
        }
        const auto saved = records::saveInvoice(h, records::SaveMode::Overwrite);
        ASSERT_TRUE(saved) << saved.problem.toStdString();
        ASSERT_TRUE(db::exec(db::data(), QStringLiteral("UPDATE \"顧客マスタ\" SET \"電子アドレス\" = ? WHERE \"顧客名\" = ?"),
                             {address.isEmpty() ? QVariant() : QVariant(address), customer}));
    }

    einvoice::Document stored(qint64 number)
    {
        const einvoice::Stored s = einvoice::readStored(db::data(), number, einvoice::sellerFromSettings());
        EXPECT_TRUE(s.refusal.isEmpty()) << s.refusal.toStdString();
        return s.document;
    }

    QTemporaryDir out;
    RecordingPresenter boxes;
};

QUILLON_ON_BOTH_ENGINES(ElectronicInvoiceTest);

TEST_P(ElectronicInvoiceTest, TheScreensInvoiceIsWrittenOnlyWhenItIsTheStoredOne)
{
    store(12, QStringLiteral("O'Brien & Co."), QStringLiteral("0188:3210987654321"));
    const einvoice::Document d = stored(12);
    ASSERT_TRUE(d.header.更新番号);
    EXPECT_EQ(d.buyer.electronicAddress, QStringLiteral("0188:3210987654321")) << "from the customer master";

    const auto lines = detail::readLines(db::work());
    ASSERT_TRUE(lines);
    struct Case {
        const char *name;
        std::function<void(InvoiceHeader &, QList<DetailLine> &)> change;
        const char *why; // empty: unchanged
    };
    const QList<Case> cases{
        {"as stored, with the blank rows of the grid", {}, ""},
        {"never registered", [](InvoiceHeader &h, QList<DetailLine> &) { h.更新番号.reset(); }, "先に「登録」"},
        {"saved again on another PC", [](InvoiceHeader &h, QList<DetailLine> &) { *h.更新番号 += 1; }, "ほかのパソコンで変更"},
        {"a stored empty honorific shown as the default one", [](InvoiceHeader &h, QList<DetailLine> &) { h.敬称 = QStringLiteral("御中"); }, ""},
        {"an empty box of the reduced rate for its stored 0", [](InvoiceHeader &h, QList<DetailLine> &) { h.軽減税率対象.reset(); }, ""},
        {"a header field typed over", [](InvoiceHeader &h, QList<DetailLine> &) { h.件名 = QStringLiteral("別件"); }, "登録したときから変更"},
        {"the amount due typed over", [](InvoiceHeader &h, QList<DetailLine> &) { h.請求金額 = 1000; }, "登録したときから変更"},
        {"a line typed over", [](InvoiceHeader &, QList<DetailLine> &l) { l[0].単価 = 101; }, "登録したときから変更"},
        {"a line added", [](InvoiceHeader &, QList<DetailLine> &l) { l[5].品名 = QStringLiteral("追加"); }, "登録したときから変更"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        InvoiceHeader screen = d.header;
        QList<DetailLine> screenLines = *lines;
        if (c.change)
            c.change(screen, screenLines);
        const QString why = einvoice::unchangedSinceStored(screen, screenLines, d);
        EXPECT_EQ(why.isEmpty(), !*c.why);
        EXPECT_TRUE(why.contains(QString::fromUtf8(c.why))) << why.toStdString();
    }

    // From the print panel: the proposed name, the file, the folder remembered.
    boxes.fileAnswers << out.filePath(QStringLiteral("chosen"));
    QString path;
    ASSERT_EQ(einvoice::writeFromScreen(nullptr, d.header, &path), einvoice::WriteResult::Written) << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(path, out.filePath(QStringLiteral("chosen.xml")));
    ASSERT_EQ(boxes.fileRequests.size(), 1);
    EXPECT_TRUE(boxes.fileRequests[0].dir.endsWith(QStringLiteral("/請求書_000012_2026-12-07_O'Brien & Co.xml")))
        << boxes.fileRequests[0].dir.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), einvoice::toJpPint(d).xml);
    EXPECT_EQ(ModQLNV::PDF保存先, out.path());

    // Changed on the screen: a message, no dialog, no file.
    boxes.clear();
    InvoiceHeader changed = d.header;
    changed.請求金額 = 1000;
    EXPECT_EQ(einvoice::writeFromScreen(nullptr, changed), einvoice::WriteResult::Refused);
    EXPECT_TRUE(boxes.fileRequests.isEmpty());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("「登録」してから"))) << boxes.shown[0].text.toStdString();
}

TEST_P(ElectronicInvoiceTest, TheListedInvoicesAreWrittenAndTheSkippedOnesToldWithWhy)
{
    store(1, QStringLiteral("山田商店"), QStringLiteral("0188:3210987654321"));
    store(2, QStringLiteral("鈴木商会"), QString());
    store(3, QStringLiteral("佐藤商事"), QStringLiteral("0188:1111111111111"), 5);
    store(4, QStringLiteral("田中工務店"), QStringLiteral("9999:tanaka"));

    const einvoice::BatchReport report = einvoice::writeBatch(db::data(), {1, 2, 3, 4, 99}, out.path());
    EXPECT_FALSE(report.failed) << report.failure.toStdString();
    EXPECT_EQ(report.written, 2);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("請求書_000001_2026-12-07_山田商店.xml"), QStringLiteral("請求書_000004_2026-12-07_田中工務店.xml")}));
    ASSERT_EQ(report.skipped.size(), 3) << report.skipped.join(u'\n').toStdString();
    EXPECT_TRUE(report.skipped[0].startsWith(QStringLiteral("伝票番号 2（鈴木商会）: "))) << report.skipped[0].toStdString();
    EXPECT_TRUE(report.skipped[0].contains(QStringLiteral("顧客情報ウィンドウの「電子アドレス」")));
    EXPECT_TRUE(report.skipped[1].contains(QStringLiteral("消費税率 5%"))) << report.skipped[1].toStdString();
    EXPECT_TRUE(report.skipped[2].contains(QStringLiteral("伝票番号 99 の請求書は登録されていません"))) << report.skipped[2].toStdString();

    // What was written is archived as issued: the XML and a PDF of the invoice.
    const auto archived = archive::search(db::data(), {});
    ASSERT_TRUE(archived);
    ASSERT_EQ(archived->size(), 2);
    for (const archive::Row &row : *archived) {
        EXPECT_TRUE(row.electronic);
        EXPECT_EQ(row.方法, QStringLiteral("電子インボイス"));
        const auto issued = archive::content(db::data(), row.書類番号);
        ASSERT_TRUE(issued);
        EXPECT_TRUE(issued->pdf.startsWith("%PDF-"));
        QFile file(QDir(out.path()).filePath(einvoice::proposedXmlName(stored(row.伝票番号).header)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(issued->xml, file.readAll());
    }
    EXPECT_EQ(report.unarchived, 0);

    // A folder that cannot be written stops at the first file and says so.
    QTemporaryDir folder;
    ReadOnlyView locked(folder.path());
    if (!locked.isValid())
        GTEST_SKIP() << NoMountReason;
    const einvoice::BatchReport refused = einvoice::writeBatch(db::data(), {1, 4}, locked.path());
    EXPECT_TRUE(refused.failed);
    EXPECT_EQ(refused.written, 0);
    EXPECT_TRUE(refused.failure.contains(QStringLiteral("請求書_000001"))) << refused.failure.toStdString();
}

} // namespace
