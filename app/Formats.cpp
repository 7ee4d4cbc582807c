// Numbers: their shown forms and the parsing of what users type into numeric fields.
#include "app/Formats.h"

#include "app/IcuText.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <unicode/numberformatter.h>

#include <cmath>

Q_LOGGING_CATEGORY(lcFormats, "quillon.formats")

namespace formats {

namespace {

constexpr double kNumberLimit = 9999999999.99;

const icu::number::LocalizedNumberFormatter &formatterFor(NumberFormat format)
{
    // ICU rounds the decimal that the double stands for (1.005 is "1.005", not
    // 1.00499999...), so half away from zero works on the digits the user typed.
    using namespace icu::number;
    thread_local const LocalizedNumberFormatter whole = NumberFormatter::withLocale(icu::Locale("ja_JP"))
                                                            .precision(Precision::integer())
                                                            .roundingMode(UNUM_ROUND_HALFUP);
    thread_local const LocalizedNumberFormatter twoDecimals = NumberFormatter::withLocale(icu::Locale("ja_JP"))
                                                                  .precision(Precision::fixedFraction(2))
                                                                  .roundingMode(UNUM_ROUND_HALFUP);
    return format == NumberFormat::Grouped || format == NumberFormat::GroupedZero ? whole : twoDecimals;
}

// A value that rounds to zero shows no sign ("-0" and "-0.00" are not numbers anyone writes).
bool showsZero(const QString &text)
{
    for (QChar c : text) {
        if (c != u'-' && c != u'0' && c != u'.' && c != u',')
            return false;
    }
    return true;
}

QString finish(QString text, NumberFormat format)
{
    if (showsZero(text)) {
        if (format == NumberFormat::Grouped)
            return QString();
        if (text.startsWith(u'-'))
            text.remove(0, 1);
    }
    return text;
}

QChar asciiFor(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'０' && u <= u'９')
        return QChar(u'0' + (u - u'０'));
    switch (u) {
    case u'－': // full-width hyphen-minus
    case u'−':  // minus sign
    case u'‐':  // hyphen
    case u'‑':  // non-breaking hyphen
    case u'‒':  // figure dash
    case u'–':  // en dash
    case u'﹣': // small hyphen-minus
        return u'-';
    case u'＋':
        return u'+';
    case u'．':
        return u'.';
    case u'，':
        return u',';
    case u'\u3000': // ideographic space
        return u' ';
    default:
        return c;
    }
}

// Width made ASCII and surrounding blanks removed; commas still in place.
QString mapToAscii(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        out += asciiFor(c);
    return out.trimmed();
}

} // namespace

std::optional<NumberFormat> numberFormatFromText(const QString &text)
{
    if (text == u"#,###")
        return NumberFormat::Grouped;
    if (text == u"#,##0")
        return NumberFormat::GroupedZero;
    if (text == u"#,##0.00")
        return NumberFormat::GroupedTwoDecimals;
    if (text.compare(u"Standard", Qt::CaseInsensitive) == 0)
        return NumberFormat::Standard;
    return std::nullopt;
}

QString formatNumber(double value, NumberFormat format)
{
    if (!std::isfinite(value))
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString shown = formatterFor(format).formatDouble(value, status).toString(status);
    if (U_FAILURE(status)) {
        qCWarning(lcFormats) << "number format failed:" << u_errorName(status);
        return QString();
    }
    return finish(fromIcu(shown), format);
}

QString formatNumber(qint64 value, NumberFormat format)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString shown = formatterFor(format).formatInt(value, status).toString(status);
    if (U_FAILURE(status)) {
        qCWarning(lcFormats) << "number format failed:" << u_errorName(status);
        return QString();
    }
    return finish(fromIcu(shown), format);
}

QString normalizeNumericInput(const QString &text)
{
    QString out = mapToAscii(text);
    out.remove(u',');
    return out;
}

std::optional<double> parseNumber(const QString &text)
{
    const QString mapped = mapToAscii(text);
    static const QRegularExpression plain(QStringLiteral("^[+-]?(?:[0-9,]*[0-9](?:\\.[0-9]*)?|\\.[0-9]+)$"));
    // Commas only group the whole part: "1,234.5" but not ",5" or "1.2,3".
    if (!plain.match(mapped).hasMatch() || mapped.startsWith(u',') || mapped.contains(QStringLiteral("-,"))
        || mapped.contains(QStringLiteral("+,")))
        return std::nullopt;
    QString digits = mapped;
    digits.remove(u',');
    bool ok = false;
    const double value = QLocale::c().toDouble(digits, &ok);
    if (!ok || !std::isfinite(value) || value < -kNumberLimit || value > kNumberLimit)
        return std::nullopt;
    return value;
}

std::optional<qint64> parseWholeNumber(const QString &text)
{
    const QString normalized = normalizeNumericInput(text);
    static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
    if (!whole.match(normalized).hasMatch() || !parseNumber(text))
        return std::nullopt;
    bool ok = false;
    const qint64 value = normalized.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace formats
