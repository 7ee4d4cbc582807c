#include "einvoice/JpPint.h"

#include "app/Formats.h"
#include "settings/SettingsRow.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <optional>

namespace einvoice {

namespace {

// The UBL 2.1 namespaces: the document's and its two component libraries'.
const QString UblSchemas = QStringLiteral("urn:oasis:names:" "spec" "ification:ubl:schema:xsd:");
const QString InvoiceNs = UblSchemas + QStringLiteral("Invoice-2");
const QString Cac = UblSchemas + QStringLiteral("CommonAggregateComponents-2");
const QString Cbc = UblSchemas + QStringLiteral("CommonBasicComponents-2");

// What a reduced-rate item's name says of it, as the rules ask.
const QString ReducedRateStatement = QStringLiteral("（軽減税率対象）");

enum class Category { Standard, Reduced, Exempt };

// One rate of the invoice with its lines.
struct Bucket {
    QString code;     // S, AA or E
    int percent = 0;
    qint64 lineSum = 0;           // the lines' amounts as stored (with the tax for 内税)
    std::optional<qint64> stored; // the stored taxable amount of the rate (empty for E)
    qint64 tax = 0;
    qint64 net = 0;               // the taxable amount without the tax
    QList<int> lines;             // indexes into the item lines
};

struct ItemLine {
    const DetailLine *line = nullptr;
    Category category = Category::Standard;
    qint64 amount = 0; // as stored
    qint64 net = 0;    // without the tax
};

// Floor and ceiling of a / b for b > 0, exactly.
qint64 floorDiv(__int128 a, qint64 b)
{
    __int128 q = a / b;
    if (a % b != 0 && a < 0)
        --q;
    return qint64(q);
}
qint64 ceilDiv(__int128 a, qint64 b)
{
    return -floorDiv(-a, b);
}

QString decimalText(double value)
{
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text == u"-0" ? QStringLiteral("0") : text;
}

QString yenText(qint64 yen)
{
    return QString::number(yen);
}

// The tax of a 内税 rate spread over its lines in proportion to their amounts, the remainders
// going to the lines with the largest fractions, so that the lines' net amounts add up to the
// rate's exactly.
void spreadTax(QList<ItemLine> &items, const Bucket &bucket)
{
    if (bucket.lines.isEmpty())
        return;
    if (bucket.lineSum == 0) {
        for (int i : bucket.lines)
            items[i].net = items[i].amount;
        return;
    }
    const qint64 total = bucket.lineSum > 0 ? bucket.lineSum : -bucket.lineSum;
    const int sign = bucket.lineSum > 0 ? 1 : -1;
    struct Share {
        int index;
        qint64 whole;
        qint64 remainder; // of total
    };
    QList<Share> shares;
    qint64 given = 0;
    for (int i : bucket.lines) {
        const __int128 exact = __int128(bucket.tax) * items[i].amount * sign;
        const qint64 whole = floorDiv(exact, total);
        shares.append({i, whole, qint64(exact - __int128(whole) * total)});
        given += whole;
    }
    std::stable_sort(shares.begin(), shares.end(), [](const Share &a, const Share &b) { return a.remainder > b.remainder; });
    for (qint64 left = bucket.tax - given, k = 0; left > 0 && !shares.isEmpty(); --left, ++k)
        ++shares[int(k % shares.size())].whole;
    for (const Share &s : std::as_const(shares))
        items[s.index].net = items[s.index].amount - s.whole;
}

class Writer
{
public:
    explicit Writer(QByteArray *out) : m_xml(out)
    {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(1);
    }
    QXmlStreamWriter &xml() { return m_xml; }

    void open(const QString &ns, const QString &name) { m_xml.writeStartElement(ns, name); }
    void close() { m_xml.writeEndElement(); }
    void text(const QString &name, const QString &value) { m_xml.writeTextElement(Cbc, name, value); }
    void textWith(const QString &name, const QString &attribute, const QString &attributeValue, const QString &value)
    {
        m_xml.writeStartElement(Cbc, name);
        m_xml.writeAttribute(attribute, attributeValue);
        m_xml.writeCharacters(value);
        m_xml.writeEndElement();
    }
    void amount(const QString &name, qint64 yen) { textWith(name, QStringLiteral("currencyID"), QStringLiteral("JPY"), yenText(yen)); }
    void taxScheme()
    {
        open(Cac, QStringLiteral("TaxScheme"));
        text(QStringLiteral("ID"), QStringLiteral("VAT"));
        close();
    }
    void category(const QString &element, const QString &code, int percent)
    {
        open(Cac, element);
        text(QStringLiteral("ID"), code);
        if (code != u"O")
            text(QStringLiteral("Percent"), QString::number(percent));
        taxScheme();
        close();
    }

private:
    QXmlStreamWriter m_xml;
};

void writeParty(Writer &w, const Party &party, const QString &registrationNumber)
{
    w.open(Cac, QStringLiteral("Party"));
    const qsizetype colon = party.electronicAddress.indexOf(u':');
    w.textWith(QStringLiteral("EndpointID"), QStringLiteral("schemeID"), party.electronicAddress.left(colon),
               party.electronicAddress.mid(colon + 1));

    const PostalAddress address = parseAddressBlock(party.addressBlock);
    w.open(Cac, QStringLiteral("PostalAddress"));
    if (!address.lines.isEmpty())
        w.text(QStringLiteral("StreetName"), address.lines.at(0));
    if (address.lines.size() > 1)
        w.text(QStringLiteral("AdditionalStreetName"), address.lines.at(1));
    if (!address.postalZone.isEmpty())
        w.text(QStringLiteral("PostalZone"), address.postalZone);
    if (address.lines.size() > 2) {
        w.open(Cac, QStringLiteral("AddressLine"));
        w.text(QStringLiteral("Line"), address.lines.mid(2).join(u' '));
        w.close();
    }
    w.open(Cac, QStringLiteral("Country"));
    w.text(QStringLiteral("IdentificationCode"), QStringLiteral("JP"));
    w.close();
    w.close(); // PostalAddress

    if (!registrationNumber.isEmpty()) {
        w.open(Cac, QStringLiteral("PartyTaxScheme"));
        w.text(QStringLiteral("CompanyID"), registrationNumber);
        w.taxScheme();
        w.close();
    }
    w.open(Cac, QStringLiteral("PartyLegalEntity"));
    w.text(QStringLiteral("RegistrationName"), party.name);
    w.close();
    if (!address.telephone.isEmpty()) {
        w.open(Cac, QStringLiteral("Contact"));
        w.text(QStringLiteral("Telephone"), address.telephone);
        w.close();
    }
    w.close(); // Party
}

QString flat(const QString &text)
{
    return text.simplified();
}

// Why the stored figures cannot be carried, or empty.
QString taxRuleMiss(const Bucket &b)
{
    if (b.percent == 0)
        return {};
    const __int128 exact = __int128(b.net) * b.percent;
    const qint64 low = floorDiv(exact, 100);
    const qint64 high = ceilDiv(exact, 100);
    if (b.tax >= low && b.tax <= high)
        return {};
    return QStringLiteral("%1% の消費税 %2 円が、税抜金額 %3 円から計算した %4 円と合わないため、電子インボイスの規則では"
                          "受け付けられません（内税の消費税を税込金額から計算したときに起こります）。"
                          "ファイルは書き出しませんでした。")
        .arg(b.percent)
        .arg(formats::formatNumber(b.tax, formats::NumberFormat::GroupedZero),
             formats::formatNumber(b.net, formats::NumberFormat::GroupedZero),
             low == high ? formats::formatNumber(low, formats::NumberFormat::GroupedZero)
                         : QStringLiteral("%1〜%2").arg(formats::formatNumber(low, formats::NumberFormat::GroupedZero),
                                                      formats::formatNumber(high, formats::NumberFormat::GroupedZero)));
}

const QString StoredAmountsDisagree = QStringLiteral("保存された請求書の金額が明細と合わないため、電子インボイスを書き出せません。"
                                                     "請求書を開いて金額を確かめ、登録し直してください。");

} // namespace

PostalAddress parseAddressBlock(const QString &block)
{
    PostalAddress address;
    static const QRegularExpression code(QStringLiteral("〒?\\s*([0-9]{3})\\s*[-‐−ー]?\\s*([0-9]{4})(?![0-9])"));
    static const QRegularExpression contact(
        QStringLiteral("^(TEL|FAX|電話|ファックス|ファクス|携帯|E-?mail|メール|URL|https?:|振込|銀行|口座|登録番号)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression phone(QStringLiteral("^(TEL|電話)[\\s.:：]*([0-9()（）\\-]+[0-9])"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (const QString &raw : block.split(QRegularExpression(QStringLiteral("[\\r\\n]+")))) {
        QString line = raw.normalized(QString::NormalizationForm_KC).trimmed();
        if (address.postalZone.isEmpty()) {
            const QRegularExpressionMatch m = code.match(line);
            // A code marked "〒" anywhere, or one at the start of the line as an address is
            // written; not a bare number inside an address.
            if (m.hasMatch() && (m.capturedStart() == 0 || m.captured(0).startsWith(u'〒'))) {
                address.postalZone = m.captured(1) + m.captured(2);
                line = (line.left(m.capturedStart()) + u' ' + line.mid(m.capturedEnd())).trimmed();
            }
        }
        if (line.isEmpty())
            continue;
        if (contact.match(line).hasMatch()) {
            if (const QRegularExpressionMatch m = phone.match(line); m.hasMatch() && address.telephone.isEmpty())
                address.telephone = m.captured(2);
            continue;
        }
        address.lines << flat(line);
    }
    return address;
}

QString unitCode(const QString &unit)
{
    struct Unit {
        const char16_t *text;
        const char *code;
    };
    static const Unit units[] = {
        {u"個", "H87"},   {u"本", "H87"},   {u"枚", "H87"},   {u"台", "H87"},   {u"点", "H87"},   {u"冊", "H87"},
        {u"着", "H87"},   {u"脚", "H87"},   {u"足", "PR"},    {u"組", "SET"},   {u"式", "SET"},   {u"セット", "SET"},
        {u"箱", "XBX"},   {u"ケース", "XCS"}, {u"袋", "XBG"},   {u"缶", "XCX"},   {u"瓶", "XBO"},   {u"パック", "XPA"},
        {u"ダース", "DZN"}, {u"kg", "KGM"},   {u"キロ", "KGM"}, {u"g", "GRM"},    {u"t", "TNE"},    {u"トン", "TNE"},
        {u"m", "MTR"},    {u"メートル", "MTR"}, {u"cm", "CMT"}, {u"mm", "MMT"},   {u"km", "KMT"},   {u"m2", "MTK"},
        {u"㎡", "MTK"},   {u"m3", "MTQ"},   {u"㎥", "MTQ"},   {u"l", "LTR"},    {u"L", "LTR"},    {u"ℓ", "LTR"},
        {u"リットル", "LTR"}, {u"ml", "MLT"}, {u"時間", "HUR"}, {u"h", "HUR"},    {u"分", "MIN"},   {u"日", "DAY"},
        {u"週", "WEE"},   {u"月", "MON"},   {u"ヶ月", "MON"}, {u"か月", "MON"}, {u"カ月", "MON"}, {u"年", "ANN"},
        {u"人", "IE"},    {u"名", "IE"},    {u"回", "C62"},   {u"件", "C62"},   {u"部", "H87"},   {u"巻", "H87"},
    };
    const QString plain = unit.normalized(QString::NormalizationForm_KC).trimmed();
    if (plain.isEmpty())
        return QStringLiteral("C62");
    for (const Unit &u : units)
        if (plain == QStringView(u.text))
            return QLatin1String(u.code);
    return QStringLiteral("H87");
}

Outcome toJpPint(const Document &document)
{
    const InvoiceHeader &h = document.header;
    const auto refuse = [](const QString &why) { return Outcome{{}, why}; };
    if (h.伝票番号 <= 0 || !h.日付.isValid())
        return refuse(QStringLiteral("伝票番号と日付のない請求書は電子インボイスにできません。"));
    if (h.消費税率 != 10 && h.消費税率 != 8)
        return refuse(QStringLiteral("消費税率 %1% の請求書は適格請求書ではないため、電子インボイスにできません"
                                     "（消費税率 10%・軽減税率 8%、または 8% の請求書だけです）。").arg(h.消費税率));
    const std::optional<QString> sellerNumber = settings::registrationNumber(document.seller.registrationNumber);
    if (!sellerNumber || sellerNumber->isEmpty())
        return refuse(QStringLiteral("設定タブに登録番号がないため、適格請求書の電子インボイスを書き出せません。"
                                     "設定タブの「登録番号」に入力してください。"));
    if (document.seller.name.trimmed().isEmpty())
        return refuse(QStringLiteral("設定タブに会社名がないため、電子インボイスを書き出せません。"));
    const std::optional<QString> sellerAddress = settings::electronicAddress(document.seller.electronicAddress);
    if (!sellerAddress || sellerAddress->isEmpty())
        return refuse(QStringLiteral("設定タブの電子アドレスがないか正しくないため、電子インボイスを書き出せません。") +
                      settings::electronicAddressForm(QStringLiteral("設定タブの「電子アドレス」")));
    const QString customer = document.buyer.name;
    if (customer.trimmed().isEmpty())
        return refuse(QStringLiteral("顧客名のない請求書は電子インボイスにできません。"));
    const std::optional<QString> buyerAddress = settings::electronicAddress(document.buyer.electronicAddress);
    if (!buyerAddress || buyerAddress->isEmpty())
        return refuse(QStringLiteral("顧客「%1」の電子アドレスが%2ため、電子インボイスを書き出せません。"
                                     "顧客情報ウィンドウの「電子アドレス」に、受け取る側の電子アドレス（例: 0188:1234567890123）を入力してください。")
                          .arg(customer, buyerAddress ? QStringLiteral("ない") : QStringLiteral("正しくない")));
    const std::optional<QString> buyerNumber = settings::registrationNumber(document.buyer.registrationNumber);
    if (!buyerNumber)
        return refuse(QStringLiteral("顧客「%1」の登録番号「%2」が正しくないため、電子インボイスを書き出せません。"
                                     "顧客情報ウィンドウの「登録番号」を直すか空にしてください。")
                          .arg(customer, document.buyer.registrationNumber));
    if (!h.税抜計 || !h.合計)
        return refuse(StoredAmountsDisagree);

    // The lines that are items; the others that say something become the invoice's note.
    QList<ItemLine> items;
    QStringList notes;
    if (!h.件名.trimmed().isEmpty())
        notes << QStringLiteral("件名: ") + flat(h.件名);
    for (const DetailLine &line : document.lines) {
        if (line.isEmpty() || line.小計)
            continue;
        if (!line.金額) {
            if (const QString text = flat(line.品名 + u' ' + line.入数 + u' ' + line.単位); !text.isEmpty())
                notes << text;
            continue;
        }
        const Category category = line.非課税                        ? Category::Exempt
                                  : h.消費税率 == 10 && line.軽減税率 ? Category::Reduced
                                                                       : Category::Standard;
        items.append({&line, category, *line.金額, *line.金額});
    }

    Bucket standard{h.消費税率 == 8 ? QStringLiteral("AA") : QStringLiteral("S"), h.消費税率, 0, h.標準税率対象,
                    h.標準税率消費税.value_or(0), 0, {}};
    Bucket reduced{QStringLiteral("AA"), 8, 0, h.軽減税率対象, h.軽減税率消費税.value_or(0), 0, {}};
    Bucket exempt{QStringLiteral("E"), 0, 0, {}, 0, 0, {}};
    const auto bucketOf = [&](Category c) -> Bucket & {
        return c == Category::Standard ? standard : c == Category::Reduced ? reduced : exempt;
    };
    qint64 lineTotal = 0;
    for (int i = 0; i < items.size(); ++i) {
        Bucket &b = bucketOf(items[i].category);
        b.lineSum += items[i].amount;
        b.lines << i;
        lineTotal += items[i].amount;
    }

    // An invoice of the 税区分 "非課税" has no tax at all, which a qualified invoice must state.
    if (!h.消費税 && standard.lineSum + reduced.lineSum != 0)
        return refuse(QStringLiteral("消費税のない請求書（税区分「非課税」）は、適格請求書の電子インボイスにできません。"));
    // 外税 lines are without the tax, 内税 lines with it: the stored totals tell which.
    const qint64 tax = h.消費税.value_or(0);
    const bool included = *h.合計 == lineTotal && *h.税抜計 == lineTotal - tax && tax != 0;
    if (!included && *h.税抜計 != lineTotal)
        return refuse(StoredAmountsDisagree);
    if (*h.税抜計 + tax != *h.合計 || standard.tax + reduced.tax != tax)
        return refuse(StoredAmountsDisagree);
    for (const Bucket *b : {&standard, &reduced}) {
        if (b->lines.isEmpty() ? b->tax != 0 || b->stored.value_or(0) != 0 : b->stored.value_or(0) != b->lineSum)
            return refuse(StoredAmountsDisagree);
    }
    for (Bucket *b : {&standard, &reduced, &exempt}) {
        b->net = b->lineSum - (included ? b->tax : 0);
        // Any rounding of a 外税 tax is within the rules' yen; only a 内税 one can miss.
        if (const QString miss = taxRuleMiss(*b); !miss.isEmpty())
            return refuse(included ? miss : StoredAmountsDisagree);
        if (included)
            spreadTax(items, *b);
    }
    const qint64 payable = h.請求金額.value_or(*h.合計);

    QByteArray out;
    Writer w(&out);
    QXmlStreamWriter &xml = w.xml();
    xml.writeStartDocument();
    xml.writeDefaultNamespace(InvoiceNs);
    xml.writeNamespace(Cac, QStringLiteral("cac"));
    xml.writeNamespace(Cbc, QStringLiteral("cbc"));
    xml.writeStartElement(InvoiceNs, QStringLiteral("Invoice"));
    w.text(QStringLiteral("CustomizationID"), QStringLiteral("urn:peppol:pint:billing-1@jp-1"));
    w.text(QStringLiteral("ProfileID"), QStringLiteral("urn:peppol:bis:billing"));
    w.text(QStringLiteral("ID"), QString::number(h.伝票番号));
    w.text(QStringLiteral("IssueDate"), h.日付.toString(Qt::ISODate));
    if (h.支払期限.isValid())
        w.text(QStringLiteral("DueDate"), h.支払期限.toString(Qt::ISODate));
    w.text(QStringLiteral("InvoiceTypeCode"), QStringLiteral("380"));
    if (!notes.isEmpty())
        w.text(QStringLiteral("Note"), notes.join(u'\n'));
    w.text(QStringLiteral("DocumentCurrencyCode"), QStringLiteral("JPY"));
    w.open(Cac, QStringLiteral("InvoicePeriod"));
    w.text(QStringLiteral("StartDate"), h.日付.toString(Qt::ISODate));
    w.text(QStringLiteral("EndDate"), h.日付.toString(Qt::ISODate));
    w.close();

    Party seller = document.seller;
    seller.electronicAddress = *sellerAddress;
    Party buyer = document.buyer;
    buyer.electronicAddress = *buyerAddress;
    w.open(Cac, QStringLiteral("AccountingSupplierParty"));
    writeParty(w, seller, *sellerNumber);
    w.close();
    w.open(Cac, QStringLiteral("AccountingCustomerParty"));
    writeParty(w, buyer, *buyerNumber);
    w.close();

    if (const QString bank = flat(document.seller.bankAccount); !bank.isEmpty()) {
        w.open(Cac, QStringLiteral("PaymentMeans"));
        w.textWith(QStringLiteral("PaymentMeansCode"), QStringLiteral("name"), QStringLiteral("Credit transfer"), QStringLiteral("30"));
        w.open(Cac, QStringLiteral("PayeeFinancialAccount"));
        w.text(QStringLiteral("ID"), bank);
        w.close();
        w.close();
    }

    w.open(Cac, QStringLiteral("TaxTotal"));
    w.amount(QStringLiteral("TaxAmount"), tax);
    for (const Bucket *b : {&standard, &reduced, &exempt}) {
        if (b->lines.isEmpty())
            continue;
        w.open(Cac, QStringLiteral("TaxSubtotal"));
        w.amount(QStringLiteral("TaxableAmount"), b->net);
        w.amount(QStringLiteral("TaxAmount"), b->tax);
        w.category(QStringLiteral("TaxCategory"), b->code, b->percent);
        w.close();
    }
    w.close();

    w.open(Cac, QStringLiteral("LegalMonetaryTotal"));
    w.amount(QStringLiteral("LineExtensionAmount"), *h.税抜計);
    w.amount(QStringLiteral("TaxExclusiveAmount"), *h.税抜計);
    w.amount(QStringLiteral("TaxInclusiveAmount"), *h.合計);
    // A 請求金額 the user set apart from the total (rounded off, say) is carried as the
    // rounding the format allows, so that the amount due is the invoice's own.
    if (payable != *h.合計)
        w.amount(QStringLiteral("PayableRoundingAmount"), payable - *h.合計);
    w.amount(QStringLiteral("PayableAmount"), payable);
    w.close();

    for (int i = 0; i < items.size(); ++i) {
        const ItemLine &item = items.at(i);
        const DetailLine &line = *item.line;
        const Bucket &b = bucketOf(item.category);
        const double typed = line.数量.value_or(0);
        const double quantity = typed != 0 && std::isfinite(typed) ? std::abs(typed) : 1;
        const int sign = item.net < 0 || (item.net == 0 && item.amount < 0) ? -1 : 1;
        const QString unit = unitCode(line.単位);

        w.open(Cac, QStringLiteral("InvoiceLine"));
        w.text(QStringLiteral("ID"), QString::number(i + 1));
        w.textWith(QStringLiteral("InvoicedQuantity"), QStringLiteral("unitCode"), unit, decimalText(sign * quantity));
        w.amount(QStringLiteral("LineExtensionAmount"), item.net);
        w.open(Cac, QStringLiteral("Item"));
        QStringList description;
        if (!line.単位.trimmed().isEmpty())
            description << QStringLiteral("単位: ") + flat(line.単位);
        if (!line.入数.trimmed().isEmpty())
            description << QStringLiteral("入数: ") + flat(line.入数);
        if (included)
            description << QStringLiteral("税込金額: %1円").arg(formats::formatNumber(item.amount, formats::NumberFormat::GroupedZero));
        if (!description.isEmpty())
            w.text(QStringLiteral("Description"), description.join(QStringLiteral("　")));
        QString name = flat(line.品名);
        if (name.isEmpty())
            name = QStringLiteral("（品名なし）");
        if (b.code == u"AA")
            name += ReducedRateStatement;
        w.text(QStringLiteral("Name"), name);
        w.category(QStringLiteral("ClassifiedTaxCategory"), b.code, b.percent);
        w.close(); // Item

        // The price as typed when it gives the amount; otherwise the amount for the quantity.
        w.open(Cac, QStringLiteral("Price"));
        const bool typedPrice = !included && line.単価 && std::isfinite(*line.単価)
                                && std::abs(std::abs(*line.単価) * quantity - double(std::abs(item.net))) < 1.0;
        if (typedPrice) {
            w.textWith(QStringLiteral("PriceAmount"), QStringLiteral("currencyID"), QStringLiteral("JPY"),
                       decimalText(std::abs(*line.単価)));
        } else {
            w.amount(QStringLiteral("PriceAmount"), std::abs(item.net));
            if (quantity != 1)
                w.textWith(QStringLiteral("BaseQuantity"), QStringLiteral("unitCode"), unit, decimalText(quantity));
        }
        w.close();
        w.close(); // InvoiceLine
    }
    xml.writeEndElement(); // Invoice
    xml.writeEndDocument();
    return {out, {}};
}

} // namespace einvoice
