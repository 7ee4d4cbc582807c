// The history tab's amounts and "CSV出力": what the accountant's spreadsheet reads back, in
// Shift_JIS and in UTF-8, and the characters Shift_JIS cannot hold.
#include "RecordsTestUtil.h"

#include "app/Formats.h"
#include "records/HistoryCsv.h"
#include "records/HistoryListModel.h"
#include "records/HistoryTab.h"
#include "records/InvoiceSave.h"
#include "settings/ModQLNVSettings.h"
#include "support/RecordingPresenter.h"
#include "support/EngineTest.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace recordstest;

namespace {

// A reader of RFC 4180 as spreadsheet programs read it: quoted fields may hold commas,
// doubled quotes and line breaks; records end with CRLF.
QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> records;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            fields << field;
            records << fields;
            fields.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && fields.isEmpty()) << "the last record ends with CRLF";
    return records;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class HistoryCsvTest : public EngineTest
{
protected:
    void SetUp() override
    {
        ModQLNV::resetSettingsGlobals();
        EngineTest::SetUp();
        if (!IsSkipped())
            putWorkLines({line("A"), line("B")});
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        ModQLNV::resetSettingsGlobals();
    }

    static void store(qint64 number, const QString &customer, const QString &subject, qint64 invoiced)
    {
        InvoiceHeader h = header(number, customer, QDate(2026, 11, int(number)));
        h.件名 = subject;
        h.請求金額 = invoiced;
        ASSERT_TRUE(records::saveInvoice(h));
    }
    std::unique_ptr<HistoryTab> listed()
    {
        auto tab = std::make_unique<HistoryTab>();
        tab->applyDateStyle();
        tab->Clear履歴();
        tab->show();
        tab->Read請求履歴();
        return tab;
    }
    void exportAs(HistoryTab &tab, const QString &encoding, const QString &path)
    {
        auto *box = tab.findChild<QComboBox *>(QStringLiteral("cmbCSV文字コード"));
        box->setCurrentIndex(box->findText(encoding));
        boxes.fileAnswers << path;
        QTest::mouseClick(tab.findChild<QPushButton *>(QStringLiteral("cmdCSV出力")), Qt::LeftButton);
    }

    QTemporaryDir out;
    RecordingPresenter boxes;
};

QUILLON_ON_BOTH_ENGINES(HistoryCsvTest);

TEST_P(HistoryCsvTest, NamesWithCommasQuotesAndLineBreaksComeBackAsTheyWereInBothEncodings)
{
    store(1, QStringLiteral("山田商店"), QStringLiteral("11月分"), 1050);
    store(2, QStringLiteral("O'Brien, \"Tokyo\" & Co."), QStringLiteral("1行目\n2行目"), 2100);
    store(3, QStringLiteral("株式会社みどり〜商店"), QStringLiteral("値引 −300"), -315);
    // A qualified invoice with its amounts per rate.
    InvoiceHeader ten = header(4, QStringLiteral("佐藤商事"), QDate(2026, 11, 4));
    ten.消費税率 = 10;
    ten.標準税率対象 = 1000;
    ten.標準税率消費税 = 100;
    ten.軽減税率対象 = 500;
    ten.軽減税率消費税 = 40;
    ten.支払期限 = QDate(2026, 12, 31);
    ASSERT_TRUE(records::saveInvoice(ten));
    auto tab = listed();
    ASSERT_EQ(tab->listModel()->rowCount(), 4);
    EXPECT_EQ(tab->listModel()->index(1, HistoryListModel::AmountColumn).data().toString(), QStringLiteral("-315"))
        << "the list shows each invoice's amount invoiced";

    for (const char *encoding : {"Shift_JIS", "UTF-8"}) {
        SCOPED_TRACE(encoding);
        const QString path = out.filePath(QStringLiteral("%1.csv").arg(QString::fromUtf8(encoding)));
        boxes.clear();
        exportAs(*tab, QString::fromUtf8(encoding), path);
        ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("CSV を保存しました（4 件）。\n") + QDir::toNativeSeparators(path)});
        const QByteArray bytes = contents(path);
        QString text;
        if (QByteArrayView(encoding) == "UTF-8") {
            ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << "the byte order mark spreadsheet programs look for";
            text = QString::fromUtf8(bytes.mid(3));
        } else {
            QStringDecoder decoder("Shift_JIS");
            ASSERT_TRUE(decoder.isValid());
            text = decoder.decode(bytes);
            EXPECT_TRUE(bytes.contains(QByteArray("\x81\x60"))) << "〜 as the code page's own wave dash";
        }
        const QList<QStringList> records = parseCsv(text);
        ASSERT_EQ(records.size(), 5);
        EXPECT_EQ(records[0], records::csv::columns());
        QHash<QString, QStringList> byNumber;
        for (const QStringList &r : records.mid(1)) {
            ASSERT_EQ(r.size(), records::csv::columns().size());
            byNumber[r[0]] = r;
        }
        EXPECT_EQ(byNumber["2"][2], QStringLiteral("O'Brien, \"Tokyo\" & Co."));
        EXPECT_EQ(byNumber["2"][3], QStringLiteral("1行目\n2行目"));
        EXPECT_EQ(byNumber["2"][1], QStringLiteral("2026/11/02"));
        // Shift_JIS writes the code page's own wave dash; UTF-8 keeps the one typed.
        EXPECT_EQ(byNumber["3"][2], QByteArrayView(encoding) == "UTF-8" ? QStringLiteral("株式会社みどり〜商店")
                                                                         : QStringLiteral("株式会社みどり～商店"));
        EXPECT_EQ(byNumber["4"].mid(8), (QStringList{"10%", "1000", "100", "500", "40", "2026/12/31"}));
        EXPECT_EQ(byNumber["1"].mid(8), (QStringList{"5%", "", "", "", "", ""})) << "no due date";

        // The amounts are the stored ones, whatever the list shows.
        for (const auto &row : rows(db::data(), "SELECT 伝票番号, 税抜計, 消費税, 合計, 請求金額 FROM 請求書ヘッダ")) {
            const QStringList &r = byNumber[row[0].toString()];
            EXPECT_EQ(r.mid(4, 4), (QStringList{row[1].toString(), row[2].toString(), row[3].toString(), row[4].toString()}))
                << row[0].toLongLong();
        }
    }
}

TEST_P(HistoryCsvTest, TextsASpreadsheetWouldRunAsFormulasAreWrittenAsTextAndNumbersAsTheyAre)
{
    const struct {
        QString typed;
        QString read; // what the CSV holds for it
    } cases[] = {
        {QStringLiteral("=HYPERLINK(\"http://example.com\",\"開く\")"), QStringLiteral("'=HYPERLINK(\"http://example.com\",\"開く\")")},
        {QStringLiteral("+81-3-1234"), QStringLiteral("'+81-3-1234")},
        {QStringLiteral("-1+1"), QStringLiteral("'-1+1")},
        {QStringLiteral("@SUM(A1)"), QStringLiteral("'@SUM(A1)")},
        {QStringLiteral("\t=1+1"), QStringLiteral("'\t=1+1")},
        {QStringLiteral("\r=1+1"), QStringLiteral("'\r=1+1")},
        {QStringLiteral("山田=商店"), QStringLiteral("山田=商店")},
        {QStringLiteral("'引用"), QStringLiteral("'引用")},
    };
    qint64 number = 0;
    for (const auto &c : cases) {
        ++number;
        store(number, c.typed, c.typed, -100 * number);
    }
    auto tab = listed();
    const QString path = out.filePath(QStringLiteral("hostile.csv"));
    exportAs(*tab, QStringLiteral("UTF-8"), path);
    const QList<QStringList> records = parseCsv(QString::fromUtf8(contents(path).mid(3)));
    ASSERT_EQ(records.size(), 1 + std::size(cases));
    for (const QStringList &r : records.mid(1)) {
        const auto &c = cases[r[0].toInt() - 1];
        SCOPED_TRACE(c.typed.toStdString());
        EXPECT_EQ(r[2], c.read) << "the customer";
        EXPECT_EQ(r[3], c.read) << "the subject";
        EXPECT_EQ(r[7], QString::number(-100 * r[0].toInt())) << "a negative amount stays a number";
    }
}

TEST_P(HistoryCsvTest, CharactersShiftJisLacksAreReportedAndNothingIsWritten)
{
    store(1, QStringLiteral("𠮷野家"), QStringLiteral("11月分"), 1050);
    store(2, QStringLiteral("山田商店"), QStringLiteral("ご注文😀ありがとう"), 2100);
    store(3, QStringLiteral("髙橋商店"), QStringLiteral("①"), 100); // in the code page's extensions
    auto tab = listed();
    const QString path = out.filePath(QStringLiteral("list.csv"));
    exportAs(*tab, QStringLiteral("Shift_JIS"), path);
    ASSERT_EQ(boxes.shown.size(), 1);
    const QString told = boxes.shown[0].text;
    EXPECT_TRUE(told.contains(QStringLiteral("伝票番号 1:「𠮷」"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("伝票番号 2:「😀」"))) << told.toStdString();
    EXPECT_FALSE(told.contains(QStringLiteral("伝票番号 3"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("UTF-8"))) << told.toStdString();
    EXPECT_FALSE(QFile::exists(path));

    boxes.clear();
    exportAs(*tab, QStringLiteral("UTF-8"), path);
    EXPECT_TRUE(QString::fromUtf8(contents(path)).contains(QStringLiteral("𠮷野家")));
}

TEST_P(HistoryCsvTest, AnEmptyListWritesNothingAndAnExistingFileIsReplacedOnlyAfterAYes)
{
    store(1, QStringLiteral("山田商店"), QString(), 1050);
    auto tab = std::make_unique<HistoryTab>();
    tab->Clear履歴();
    exportAs(*tab, QStringLiteral("UTF-8"), out.filePath(QStringLiteral("none.csv")));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("出力する請求書がありません。先に検索してください。")});
    EXPECT_TRUE(boxes.fileRequests.isEmpty());

    tab->Read請求履歴();
    const QString path = out.filePath(QStringLiteral("list.csv"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("kept");
    old.close();
    boxes.clear();
    boxes.answers << QMessageBox::No;
    exportAs(*tab, QStringLiteral("UTF-8"), path);
    EXPECT_EQ(contents(path), QByteArray("kept"));
    boxes.clear();
    boxes.answers << QMessageBox::Yes;
    exportAs(*tab, QStringLiteral("UTF-8"), path);
    EXPECT_TRUE(contents(path).contains("山田商店"));
}

TEST(Cp932, WritesTheCodePagesOwnDashesAndFindsWhatItLacks)
{
    const struct {
        const char *text;
        QByteArray bytes; // empty: refused
        const char *lacking;
    } cases[] = {
        {"abc,123", QByteArray("abc,123"), ""},
        {"〜−—‖", QByteArray("\x81\x60\x81\x7c\x81\x5c\x81\x61"), ""},
        {"ｶﾀｶﾅ", QByteArray("\xb6\xc0\xb6\xc5"), ""},
        {"髙①", QByteArray("\xfb\xfc\x87\x40"), ""},
        {"𠮷と😀と𠮷", QByteArray(), "𠮷😀"},
        {"?", QByteArray("?"), ""},
    };
    for (const auto &c : cases) {
        QString lacking;
        const auto bytes = formats::toCp932(QString::fromUtf8(c.text), &lacking);
        EXPECT_EQ(bytes.value_or(QByteArray()), c.bytes) << c.text;
        EXPECT_EQ(bytes.has_value(), !c.bytes.isEmpty()) << c.text;
        EXPECT_EQ(lacking, QString::fromUtf8(c.lacking)) << c.text;
    }
}

} // namespace
