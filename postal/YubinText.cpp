#include "postal/YubinText.h"

#include <QHash>

#include <unicode/coll.h>
#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <memory>
#include <numeric>

namespace yubin {

namespace {

icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// NFKC first joins split voiced marks (か + ゛) and widens half-width kana, so that the last
// step narrows one well-formed form. The spacing marks ゛゜ are made combining before, since
// NFKC would turn them into a space and a mark.
const icu::Transliterator *kanaTransliterator()
{
    static const std::unique_ptr<icu::Transliterator> t = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
            "NFKC; Hiragana-Katakana; Fullwidth-Halfwidth", UTRANS_FORWARD, status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    return t.get();
}

// Key-to-kana table of a Japanese kana keyboard, position by position.
const QString KanaKeys = QStringLiteral("ﾇﾌｱｳｴｵﾔﾕﾖﾜﾎﾍﾀﾃｲｽｶﾝﾅﾆﾗｾﾁﾄｼﾊｷｸﾏﾉﾘﾚｹﾑﾂｻｿﾋｺﾐﾓﾈﾙﾒﾛ");
const QString LowerKeys = QStringLiteral("1234567890-^qwertyuiopasdfghjkl;:]zxcvbnm,./\\");
const QString UpperKeys = QStringLiteral("1234567890-^QWERTYUIOPASDFGHJKL;:]ZXCVBNM,./\\");

} // namespace

QString normalizePostalCode(const QString &typed)
{
    QString code;
    code.reserve(typed.size());
    for (const QChar c : typed) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            code += QChar(u - u'０' + u'0');
        else if (u == u'-' || u == u'－' || u == u'‐' || u == u'ー' || u == u'−' || u == u'〒'
                 || c.isSpace())
            continue;
        else
            code += c;
    }
    return code;
}

QString showPostalCode(const QString &code)
{
    const bool digits = std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    return code.size() == 7 && digits ? code.left(3) + u'-' + code.mid(3) : code;
}

QString toSearchKana(const QString &typed)
{
    QString text = typed;
    text.replace(u'゛', QChar(0x3099)).replace(u'゜', QChar(0x309A));
    if (const icu::Transliterator *t = kanaTransliterator()) {
        icu::UnicodeString u = toIcu(text);
        t->transliterate(u);
        text = fromIcu(u);
    }
    // No half-width form exists for the small ヶ ヵ; in readings they are ｹ and ｶ.
    return text.replace(u'ヶ', u'ｹ').replace(u'ヵ', u'ｶ').replace(u'ゖ', u'ｹ').replace(u'ゕ', u'ｶ');
}

QString ChgKeyKana(uint code)
{
    QChar c;
    if (code >= 0xA1 && code <= 0xDF)
        c = QChar(char16_t(0xFF61 + (code - 0xA1)));
    else if (code > 0 && code <= 0xFFFF)
        c = QChar(char16_t(code));
    else
        return {};
    if (KanaKeys.contains(c))
        return QString(c);
    if (const qsizetype n = LowerKeys.indexOf(c); n >= 0)
        return QString(KanaKeys.at(n));
    if (const qsizetype n = UpperKeys.indexOf(c); n >= 0)
        return QString(KanaKeys.at(n));
    // A kana typed in another form (あ, ア) stands for its half-width self.
    const QString narrowed = toSearchKana(QString(c));
    if (narrowed.size() == 1 && KanaKeys.contains(narrowed.at(0)))
        return narrowed;
    return {};
}

int ChgGridLinePress(const QStringList &townReadings, uint code)
{
    if (code == 13)
        return -1;
    const QString kana = ChgKeyKana(code);
    if (kana.isEmpty())
        return -1;
    for (int row = 0; row < townReadings.size(); ++row) {
        if (townReadings.at(row).startsWith(kana))
            return row;
    }
    return -1;
}

std::vector<int> collationRanks(const QStringList &texts)
{
    std::vector<int> ranks(size_t(texts.size()), 0);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getJapanese(), status));
    if (U_FAILURE(status))
        return ranks;

    // Sort keys are computed once per distinct text; many rows share a city's reading.
    QHash<QString, int> distinctIndex;
    std::vector<QByteArray> keys;
    std::vector<int> textToDistinct(ranks.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto it = distinctIndex.find(texts.at(i));
        if (it == distinctIndex.end()) {
            const icu::UnicodeString u = toIcu(texts.at(i));
            QByteArray key(collator->getSortKey(u, nullptr, 0), Qt::Uninitialized);
            collator->getSortKey(u, reinterpret_cast<uint8_t *>(key.data()), int32_t(key.size()));
            it = distinctIndex.insert(texts.at(i), int(keys.size()));
            keys.push_back(key);
        }
        textToDistinct[size_t(i)] = it.value();
    }
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    std::vector<int> distinctRank(keys.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[size_t(order[i])] != keys[size_t(order[i - 1])])
            ++rank;
        distinctRank[size_t(order[i])] = rank;
    }
    for (size_t i = 0; i < ranks.size(); ++i)
        ranks[i] = distinctRank[size_t(textToDistinct[i])];
    return ranks;
}

} // namespace yubin
