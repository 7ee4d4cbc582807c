// Electronic invoices against the official JP PINT rules: a table of invoices computed by the
// program's own calculation, each written, checked by the published validator and read back
// with an XML parser; and the invoices the rules cannot take, refused with a reason.
#include "einvoice/JpPint.h"
#include "invoice/InvoiceCalc.h"
#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

DetailLine item(const QString &name, double quantity, const QString &unit, double price, bool reduced = false,
                bool exempt = false, calc::Rounding rounding = calc::Rounding::HalfAwayFromZero)
{
    DetailLine l;
    l.品名 = name;
    l.数量 = quantity;
    l.単位 = unit;
    l.単価 = price;
    l.金額 = calc::lineAmount(quantity, price, rounding);
    l.軽減税率 = reduced;
    l.非課税 = exempt;
    return l;
}

DetailLine amountOnly(const QString &name, qint64 amount)
{
    DetailLine l;
    l.品名 = name;
    l.金額 = amount;
    return l;
}

DetailLine subtotal(qint64 amount)
{
    DetailLine l;
    l.品名 = QStringLiteral("小計");
    l.金額 = amount;
    l.小計 = true;
    return l;
}

DetailLine comment(const QString &text)
{
    DetailLine l;
    l.品名 = text;
    return l;
}

struct Invoice {
    const char *name;
    int percent;
    QString 税区分;
    QString rounding;
    QList<DetailLine> lines;
    QString customer = QStringLiteral("株式会社 丸角商店");
    std::optional<qint64> 請求金額; // none: the total
};

// The header as the invoice tab computes and stores it.
einvoice::Document documentOf(const Invoice &invoice, qint64 number)
{
    calc::TaxBase base{0, 0, 0, invoice.percent};
    for (const DetailLine &l : invoice.lines) {
        if (l.小計 || !l.金額)
            continue;
        base.total += *l.金額;
        if (!l.非課税) {
            base.taxable += *l.金額;
            if (l.軽減税率 && invoice.percent == 10)
                base.reducedTaxable += *l.金額;
        }
    }
    const calc::Amounts a = calc::computeAmounts(base, invoice.税区分, invoice.rounding, std::nullopt, true);
    einvoice::Document d;
    InvoiceHeader &h = d.header;
    h.伝票番号 = number;
    h.日付 = QDate(2026, 12, 7);
    h.支払期限 = QDate(2027, 1, 31);
    h.顧客名 = invoice.customer;
    h.顧客情報 = QStringLiteral("〒００１－００１２\n北海道札幌市北区北十二条西76-X\n丸角ビル 3F\nTEL 011-123-4567");
    h.件名 = QStringLiteral("12月分 <ご請求>");
    h.消費税率 = invoice.percent;
    h.税抜計 = a.税抜計;
    h.消費税 = a.消費税;
    h.合計 = a.合計;
    h.請求金額 = invoice.請求金額 ? invoice.請求金額 : a.請求金額;
    h.標準税率対象 = a.標準税率対象;
    h.標準税率消費税 = a.標準税率消費税;
    h.軽減税率対象 = a.軽減税率対象;
    h.軽減税率消費税 = a.軽減税率消費税;
    for (int i = 0; i < invoice.lines.size(); ++i) {
        d.lines << invoice.lines.at(i);
        d.lines.last().行番号 = i + 1;
    }
    d.seller = {QStringLiteral("山田商事 & Co. \"本店\""), QStringLiteral("〒160-0044 東京都新宿区四谷4-29-X\n〇〇商事ビル\nTEL 03-1234-5678"),
                QStringLiteral("T1234567890123"), QStringLiteral("0188:1234567890123"),
                QStringLiteral("みずほ銀行 新宿支店\n普通 1234567 ヤマダショウジ")};
    d.buyer = {invoice.customer, h.顧客情報, QStringLiteral("T3210987654321"), QStringLiteral("0188:3210987654321"), {}};
    return d;
}

QList<Invoice> acceptedInvoices()
{
    const QString 外税 = QStringLiteral("外税"), 内税 = QStringLiteral("内税");
    const QString half = QStringLiteral("四捨五入"), down = QStringLiteral("切り捨て"), up = QStringLiteral("切り上げ");
    QList<DetailLine> many;
    for (int i = 1; i <= 99; ++i)
        many << item(QStringLiteral("部品 %1").arg(i), i % 7 + 1, QStringLiteral("個"), 97 + i, i % 3 == 0);
    return {
        {"standard_only", 10, 外税, half, {item(QStringLiteral("デスクチェア"), 5, QStringLiteral("台"), 50000),
                                           item(QStringLiteral("コピー用紙（A4）"), 5, QStringLiteral("箱"), 500)}},
        {"mixed_rates", 10, 外税, half, {item(QStringLiteral("弁当"), 3, QStringLiteral("個"), 648, true),
                                         item(QStringLiteral("ボールペン"), 12, QStringLiteral("本"), 133),
                                         item(QStringLiteral("お茶"), 7, QStringLiteral("本"), 151, true)}},
        {"exempt_lines", 10, 外税, half, {item(QStringLiteral("工事"), 1, QStringLiteral("式"), 120000),
                                          item(QStringLiteral("印紙代"), 1, QString(), 200, false, true),
                                          item(QStringLiteral("米"), 2, QStringLiteral("kg"), 455, true)}},
        {"discount_line", 10, 外税, half, {item(QStringLiteral("作業費"), 3, QStringLiteral("時間"), 8000),
                                           amountOnly(QStringLiteral("値引き"), -1500),
                                           item(QStringLiteral("返品"), -1, QStringLiteral("個"), 980)}},
        {"decimals", 10, 外税, half, {item(QStringLiteral("銅線"), 12.5, QStringLiteral("m"), 33.3),
                                      item(QStringLiteral("砂糖"), 0.75, QStringLiteral("kg"), 281.5, true)}},
        {"subtotal_rows", 10, 外税, half, {item(QStringLiteral("A"), 2, QStringLiteral("個"), 300), comment(QStringLiteral("以下、追加分")),
                                           item(QStringLiteral("B"), 1, QStringLiteral("個"), 450), subtotal(1050), DetailLine{},
                                           item(QStringLiteral("C"), 4, QStringLiteral("袋"), 125, true), subtotal(500)}},
        {"ninety_nine_lines", 10, 外税, half, many},
        {"tax_included", 10, 内税, half, {item(QStringLiteral("ランチ"), 1, QStringLiteral("個"), 1100),
                                          item(QStringLiteral("パン"), 3, QStringLiteral("個"), 216, true)}},
        {"tax_included_exempt", 10, 内税, half, {item(QStringLiteral("作業"), 2, QStringLiteral("時間"), 5500),
                                                 item(QStringLiteral("立替金"), 1, QString(), 3000, false, true)}},
        {"round_down", 10, 外税, down, {item(QStringLiteral("ねじ"), 7, QStringLiteral("個"), 13),
                                        item(QStringLiteral("飲料"), 3, QStringLiteral("本"), 119, true)}},
        {"round_up", 10, 外税, up, {item(QStringLiteral("ねじ"), 7, QStringLiteral("個"), 13),
                                    item(QStringLiteral("飲料"), 3, QStringLiteral("本"), 119, true)}},
        {"reduced_only", 8, 外税, half, {item(QStringLiteral("野菜"), 6, QStringLiteral("袋"), 198)}},
        {"hostile_names", 10, 外税, half, {item(QStringLiteral("A&B <特製> \"箱\" O'Neil's"), 2, QStringLiteral("ケース"), 1200),
                                           item(QStringLiteral("]]> & &amp; 'x'"), 1, QStringLiteral("謎の単位"), 10)},
         QStringLiteral("O'Brien & <Sons> \"商会\"")},
        {"rounded_off_payment", 10, 外税, half, {item(QStringLiteral("備品"), 3, QStringLiteral("個"), 3333)}, QStringLiteral("丸角商店"), 10900},
    };
}

// What the file says of its totals and each rate.
struct ReadBack {
    QHash<QString, qint64> totals; // LegalMonetaryTotal's amounts, and "TaxAmount" of TaxTotal
    QHash<QString, qint64> taxByCategory;
    QHash<QString, qint64> taxableByCategory;
    qint64 lineSum = 0;
    int lines = 0;
    QStringList names; // every item's name
    QString buyer;
    QString error;
};

ReadBack readBack(const QByteArray &xml)
{
    ReadBack r;
    QXmlStreamReader in(xml);
    QStringList path;
    QString category;
    qint64 subTaxable = 0, subTax = 0;
    while (!in.atEnd()) {
        const auto token = in.readNext();
        if (token == QXmlStreamReader::StartElement) {
            path << in.name().toString();
            const QString where = path.join(u'/');
            if (where.endsWith(u"TaxSubtotal/TaxCategory/ID"))
                category = in.readElementText(), path.removeLast();
            else if (where.endsWith(u"TaxSubtotal/TaxableAmount"))
                subTaxable = in.readElementText().toLongLong(), path.removeLast();
            else if (where.endsWith(u"TaxSubtotal/TaxAmount"))
                subTax = in.readElementText().toLongLong(), path.removeLast();
            else if (where == u"Invoice/TaxTotal/TaxAmount" || where.startsWith(u"Invoice/LegalMonetaryTotal/"))
                r.totals.insert(in.name().toString(), in.readElementText().toLongLong()), path.removeLast();
            else if (where == u"Invoice/InvoiceLine/LineExtensionAmount")
                r.lineSum += in.readElementText().toLongLong(), ++r.lines, path.removeLast();
            else if (where == u"Invoice/InvoiceLine/Item/Name")
                r.names << in.readElementText(), path.removeLast();
            else if (where == u"Invoice/AccountingCustomerParty/Party/PartyLegalEntity/RegistrationName")
                r.buyer = in.readElementText(), path.removeLast();
        } else if (token == QXmlStreamReader::EndElement) {
            if (path.join(u'/').endsWith(u"TaxTotal/TaxSubtotal")) {
                r.taxByCategory[category] += subTax;
                r.taxableByCategory[category] += subTaxable;
            }
            path.removeLast();
        }
    }
    if (in.hasError())
        r.error = in.errorString();
    return r;
}

// The published validator, from the shared folder beside the checkout; its rules may not be
// copied into the project.
QString validator()
{
    const QFileInfo tool(QStringLiteral(QUILLON_JP_PINT_VALIDATE));
    return tool.isExecutable() && QFileInfo::exists(QStringLiteral("/usr/share/java/Saxon-HE.jar")) ? tool.absoluteFilePath()
                                                                                                    : QString();
}

} // namespace

TEST(JpPint, InvoicesPassTheOfficialRulesAndCarryTheStoredAmounts)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    QStringList files;
    int number = 100;
    for (const Invoice &invoice : acceptedInvoices()) {
        SCOPED_TRACE(invoice.name);
        const einvoice::Document d = documentOf(invoice, ++number);
        const einvoice::Outcome made = einvoice::toJpPint(d);
        ASSERT_TRUE(made.ok()) << made.refusal.toStdString();
        const ReadBack back = readBack(made.xml);
        ASSERT_TRUE(back.error.isEmpty()) << back.error.toStdString();
        const InvoiceHeader &h = d.header;
        EXPECT_EQ(back.totals.value(QStringLiteral("TaxExclusiveAmount")), *h.税抜計);
        EXPECT_EQ(back.totals.value(QStringLiteral("LineExtensionAmount")), back.lineSum);
        EXPECT_EQ(back.totals.value(QStringLiteral("TaxInclusiveAmount")), *h.合計);
        EXPECT_EQ(back.totals.value(QStringLiteral("TaxAmount")), *h.消費税);
        EXPECT_EQ(back.totals.value(QStringLiteral("PayableAmount")), *h.請求金額);
        const QString standard = invoice.percent == 8 ? QStringLiteral("AA") : QStringLiteral("S");
        EXPECT_EQ(back.taxByCategory.value(standard), h.標準税率消費税.value_or(0));
        if (invoice.percent == 10) {
            EXPECT_EQ(back.taxByCategory.value(QStringLiteral("AA")), h.軽減税率消費税.value_or(0));
        }
        EXPECT_EQ(back.taxByCategory.value(QStringLiteral("E")), 0);
        EXPECT_EQ(back.buyer, invoice.customer) << "names come back as typed, whatever they hold";
        int reduced = 0;
        for (const DetailLine &l : invoice.lines)
            reduced += l.軽減税率 && !l.非課税 && !l.小計 && l.金額 ? 1 : 0;
        if (invoice.percent == 8)
            reduced = back.lines;
        EXPECT_EQ(back.names.filter(QStringLiteral("（軽減税率対象）")).size(), reduced);
        const QString path = out.filePath(QStringLiteral("%1.xml").arg(QLatin1String(invoice.name)));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(made.xml);
        files << path;
    }

    const QString tool = validator();
    if (tool.isEmpty()) {
        // Without the shared folder there are no rules to run; with it, under CI, a validator
        // that cannot run (Saxon-HE not installed, say) is a fault of the set-up.
        const QString tools = QFileInfo(QStringLiteral(QUILLON_JP_PINT_VALIDATE)).absolutePath();
        if (!QFileInfo(tools).absoluteDir().exists())
            GTEST_SKIP() << "the shared folder with the JP PINT rules is not beside the checkout (../shared): the files were not validated";
        if (qEnvironmentVariable("CI") == u"true")
            FAIL() << "the JP PINT validator " QUILLON_JP_PINT_VALIDATE " (and Saxon-HE) must run under CI";
        GTEST_SKIP() << "the JP PINT validator or Saxon-HE is missing: the files were not validated";
    }
    QProcess run;
    run.start(tool, files);
    ASSERT_TRUE(run.waitForFinished(10 * 60 * 1000));
    const QString report = QString::fromUtf8(run.readAllStandardOutput()) + QString::fromUtf8(run.readAllStandardError());
    for (const QString &line : report.split(u'\n'))
        EXPECT_FALSE(line.contains(QStringLiteral(": fatal ")) || line.contains(QStringLiteral("could not be applied"))) << line.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("%1 passed, 0 failed").arg(files.size()))) << report.toStdString();
    EXPECT_EQ(run.exitCode(), 0) << report.toStdString();
}

TEST(JpPint, WhatTheRulesCannotTakeIsRefusedWithTheReason)
{
    const QString 外税 = QStringLiteral("外税"), half = QStringLiteral("四捨五入");
    const QList<DetailLine> plain{item(QStringLiteral("品物"), 1, QStringLiteral("個"), 1000)};
    struct Case {
        const char *name;
        Invoice invoice;
        std::function<void(einvoice::Document &)> change;
        const char *reason;
    };
    const QList<Case> cases{
        {"five_percent", {"", 5, 外税, half, plain}, {}, "消費税率 5% の請求書は適格請求書ではない"},
        {"no_registration_number", {"", 10, 外税, half, plain}, [](einvoice::Document &d) { d.seller.registrationNumber.clear(); },
         "設定タブの「登録番号」"},
        {"no_buyer_address", {"", 10, 外税, half, plain}, [](einvoice::Document &d) { d.buyer.electronicAddress.clear(); },
         "顧客情報ウィンドウの「電子アドレス」"},
        {"bad_buyer_address", {"", 10, 外税, half, plain}, [](einvoice::Document &d) { d.buyer.electronicAddress = QStringLiteral("0188:12"); },
         "正しくない"},
        {"bad_buyer_number", {"", 10, 外税, half, plain}, [](einvoice::Document &d) { d.buyer.registrationNumber = QStringLiteral("T12"); },
         "顧客情報ウィンドウの「登録番号」"},
        // 1,110 yen with tax, cut down: 100 yen of tax, but the rules want 101 of the net 1,010.
        {"tax_included_missing_a_yen", {"", 10, QStringLiteral("内税"), QStringLiteral("切り捨て"),
                                        {item(QStringLiteral("品物"), 1, QStringLiteral("個"), 1110)}},
         {}, "受け付けられません"},
        {"no_tax_at_all", {"", 10, QStringLiteral("非課税"), half, plain}, {}, "税区分「非課税」"},
        {"stored_total_off", {"", 10, 外税, half, plain}, [](einvoice::Document &d) { *d.header.合計 += 1; }, "明細と合わない"},
        {"rate_tax_off", {"", 10, 外税, half, plain}, [](einvoice::Document &d) {
             *d.header.標準税率消費税 += 1;
             *d.header.消費税 += 1;
             *d.header.合計 += 1;
         }, "明細と合わない"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        einvoice::Document d = documentOf(c.invoice, 7);
        if (c.change)
            c.change(d);
        const einvoice::Outcome made = einvoice::toJpPint(d);
        EXPECT_TRUE(made.xml.isEmpty()) << "no file with other figures";
        EXPECT_TRUE(made.refusal.contains(QString::fromUtf8(c.reason))) << made.refusal.toStdString();
    }
}

TEST(JpPint, AddressBlocksAndUnits)
{
    struct Case {
        QString block;
        QString zone;
        QStringList lines;
        QString phone;
    };
    const QList<Case> cases{
        {QStringLiteral("〒100-0001\n東京都千代田区千代田1-1\nTEL 03-1234-5678"), QStringLiteral("1000001"),
         {QStringLiteral("東京都千代田区千代田1-1")}, QStringLiteral("03-1234-5678")},
        {QStringLiteral("〒１６０－００４４ 東京都新宿区四谷４－２９\r\nビル\r\nFAX 03-0000-0000"), QStringLiteral("1600044"),
         {QStringLiteral("東京都新宿区四谷4-29"), QStringLiteral("ビル")}, QString()},
        {QStringLiteral("大阪市北区1-2-3 〒530-0001"), QStringLiteral("5300001"), {QStringLiteral("大阪市北区1-2-3")}, QString()},
        {QStringLiteral("大阪市北区1-2-3 530-0001"), QString(), {QStringLiteral("大阪市北区1-2-3 530-0001")}, QString()},
        {QStringLiteral("みずほ銀行 新宿支店\n登録番号 T1234567890123"), QString(), {QStringLiteral("みずほ銀行 新宿支店")}, QString()},
        {QString(), QString(), {}, QString()},
    };
    for (const Case &c : cases) {
        const einvoice::PostalAddress a = einvoice::parseAddressBlock(c.block);
        EXPECT_EQ(a.postalZone, c.zone) << c.block.toStdString();
        EXPECT_EQ(a.lines, c.lines) << c.block.toStdString();
        EXPECT_EQ(a.telephone, c.phone) << c.block.toStdString();
    }
    const QList<std::pair<QString, QString>> units{{QStringLiteral("個"), QStringLiteral("H87")}, {QStringLiteral("ｋｇ"), QStringLiteral("KGM")},
                                                  {QStringLiteral(" 時間 "), QStringLiteral("HUR")}, {QStringLiteral("式"), QStringLiteral("SET")},
                                                  {QString(), QStringLiteral("C62")}, {QStringLiteral("謎"), QStringLiteral("H87")}};
    for (const auto &[unit, code] : units)
        EXPECT_EQ(einvoice::unitCode(unit), code) << unit.toStdString();
}
