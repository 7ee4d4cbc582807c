// Dates: the era and Western forms of the date box, the history list and the printed
// invoice, and the parsing of typed dates. Eras come from ICU's Japanese calendar.
#include "app/Formats.h"

#include "app/IcuText.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcFormats)

namespace formats {

namespace {

constexpr double kMillisPerDay = 86400000.0;
constexpr qint64 kUnixEpochJulianDay = 2440588; // 1970-01-01

// Dates are calendar days, not instants: every ICU calculation runs in GMT so that no time
// zone moves a day across midnight.
UDate udateOf(const QDate &date)
{
    return double(date.toJulianDay() - kUnixEpochJulianDay) * kMillisPerDay;
}

QDate dateOf(UDate udate)
{
    return QDate::fromJulianDay(qint64(std::floor(udate / kMillisPerDay)) + kUnixEpochJulianDay);
}

// The Japanese calendar and its era names, one set per thread (ICU objects are not shared).
class EraCalendar
{
public:
    EraCalendar()
    {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("ja_JP@calendar=japanese");
        m_calendar.reset(icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), locale, status));
        // The long era name is the pattern "GGGG", the letter "GGGGG"; both read from the
        // symbols of a formatter on the Japanese calendar.
        m_format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"GGGG"), locale, status);
        if (U_FAILURE(status) || !m_calendar) {
            qCWarning(lcFormats) << "Japanese calendar not available:" << u_errorName(status);
            m_calendar.reset();
            return;
        }
        m_calendar->setLenient(false);
        const icu::DateFormatSymbols *symbols = m_format->getDateFormatSymbols();
        int32_t nameCount = 0;
        int32_t letterCount = 0;
        const icu::UnicodeString *names = symbols->getEraNames(nameCount);
        const icu::UnicodeString *letters = symbols->getNarrowEras(letterCount);
        for (int32_t i = 0; i < std::min(nameCount, letterCount); ++i) {
            m_names << fromIcu(names[i]);
            m_letters << fromIcu(letters[i]);
        }
    }

    bool isValid() const { return m_calendar != nullptr; }

    std::optional<EraYear> eraYear(const QDate &date)
    {
        if (!isValid() || !date.isValid())
            return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        m_calendar->clear();
        m_calendar->setTime(udateOf(date), status);
        EraYear result;
        result.era = m_calendar->get(UCAL_ERA, status);
        result.year = m_calendar->get(UCAL_YEAR, status);
        if (U_FAILURE(status) || result.era < 0 || result.era >= m_names.size())
            return std::nullopt;
        result.name = m_names.at(result.era);
        result.letter = m_letters.at(result.era);
        return result;
    }

    // The era a typed name or letter stands for. Only the eras that have a Latin letter
    // (Meiji onwards) are typed into an invoice.
    std::optional<int> eraNamed(const QString &token) const
    {
        for (qsizetype i = m_letters.size() - 1; i >= 0; --i) {
            const QString &letter = m_letters.at(i);
            if (letter.size() != 1 || letter.at(0).unicode() >= 0x80 || !letter.at(0).isLetter())
                continue;
            if (token == m_names.at(i) || token.compare(letter, Qt::CaseInsensitive) == 0)
                return int(i);
        }
        return std::nullopt;
    }

    // The day of an era date, when it is a day of that era.
    std::optional<QDate> dateIn(int era, int year, int month, int day)
    {
        if (!isValid())
            return std::nullopt;
        UErrorCode status = U_ZERO_ERROR;
        m_calendar->clear();
        m_calendar->set(UCAL_ERA, era);
        m_calendar->set(UCAL_YEAR, year);
        m_calendar->set(UCAL_MONTH, month - 1);
        m_calendar->set(UCAL_DATE, day);
        const UDate udate = m_calendar->getTime(status);
        if (U_FAILURE(status))
            return std::nullopt;
        const QDate date = dateOf(udate);
        // ICU counts 平成32年 on into 2020 and 令和1年4月30日 back into 平成: read the day back
        // and keep it only when it lies in the era and year that were typed.
        const auto back = eraYear(date);
        if (!back || back->era != era || back->year != year || date.month() != month || date.day() != day)
            return std::nullopt;
        return date;
    }

private:
    std::unique_ptr<icu::Calendar> m_calendar;
    std::unique_ptr<icu::SimpleDateFormat> m_format;
    QStringList m_names;
    QStringList m_letters;
};

EraCalendar &eraCalendar()
{
    thread_local EraCalendar calendar;
    return calendar;
}

QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Full-width digits, letters and separators made ASCII, and every blank removed.
QString normalizeDateInput(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) // the full-width forms of ASCII
            u = char16_t(u - 0xFF01 + 0x21);
        else if (u == u'−' || u == u'‐')
            u = u'-';
        if (QChar(u).isSpace())
            continue;
        out += QChar(u);
    }
    return out;
}

} // namespace

QString datePattern(DateFormat format)
{
    switch (format) {
    case DateFormat::EraDate: return QStringLiteral("gggee年mm月dd日");
    case DateFormat::EraLetterSlash: return QStringLiteral("gee/mm/dd");
    case DateFormat::EraDateSpaced: return QStringLiteral("ggg ee年mm月dd日");
    case DateFormat::WesternDate: return QStringLiteral("yyyy年mm月dd日");
    case DateFormat::WesternSlash: return QStringLiteral("yyyy/mm/dd");
    case DateFormat::WesternCompact: return QStringLiteral("yyyymmdd");
    case DateFormat::EraMonthTitle: return QStringLiteral("gggee年mm月");
    case DateFormat::WesternMonthTitle: return QStringLiteral("yyyy年mm月");
    case DateFormat::EraMonthTitleSpaced: return QStringLiteral("ggg ee年 mm月");
    case DateFormat::WesternMonthTitleSpaced: return QStringLiteral("yyyy年 mm月");
    }
    return QString();
}

QString formatDate(const QDate &date, DateFormat format)
{
    return formatDate(date, datePattern(format));
}

QString formatDate(const QDate &date, const QString &pattern)
{
    if (!date.isValid() || date.year() < 1)
        return QString();
    std::optional<EraYear> era;
    if (pattern.contains(u'g') || pattern.contains(u'e')) {
        era = eraCalendar().eraYear(date);
        if (!era)
            return QString();
    }

    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern.at(i + run) == c)
            ++run;
        switch (c.unicode()) {
        case u'g':
            out += run >= 3 ? era->name : run == 2 ? era->name.left(1) : era->letter;
            break;
        case u'e':
            out += run >= 2 ? twoDigits(era->year) : QString::number(era->year);
            break;
        case u'y':
            out += run == 2 ? twoDigits(date.year() % 100) : QString::number(date.year());
            break;
        case u'm':
            out += run >= 2 ? twoDigits(date.month()) : QString::number(date.month());
            break;
        case u'd':
            out += run >= 2 ? twoDigits(date.day()) : QString::number(date.day());
            break;
        default:
            out += QString(run, c);
            break;
        }
        i += run;
    }
    return out;
}

std::optional<EraYear> eraYearOf(const QDate &date)
{
    return eraCalendar().eraYear(date);
}

std::optional<QDate> parseDate(const QString &text)
{
    const QString input = normalizeDateInput(text);
    if (input.isEmpty())
        return std::nullopt;

    static const QRegularExpression western(QStringLiteral(
        "^(\\d{4})(?:([/.\\-])(\\d{1,2})\\2(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日?|(\\d{2})(\\d{2}))$"));
    if (const auto m = western.match(input); m.hasMatch()) {
        const int year = m.captured(1).toInt();
        const int month = (m.capturedLength(3) ? m.captured(3) : m.capturedLength(5) ? m.captured(5) : m.captured(7)).toInt();
        const int day = (m.capturedLength(4) ? m.captured(4) : m.capturedLength(6) ? m.captured(6) : m.captured(8)).toInt();
        const QDate date(year, month, day);
        if (year < 1000 || !date.isValid())
            return std::nullopt;
        return date;
    }

    static const QRegularExpression eraForm(QStringLiteral(
        "^([^\\d/.\\-]+?)(\\d{1,2}|元)(?:([/.\\-])(\\d{1,2})\\3(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日?)$"));
    if (const auto m = eraForm.match(input); m.hasMatch()) {
        const auto era = eraCalendar().eraNamed(m.captured(1));
        if (!era)
            return std::nullopt;
        const int year = m.captured(2) == u"元" ? 1 : m.captured(2).toInt();
        const int month = (m.capturedLength(4) ? m.captured(4) : m.captured(6)).toInt();
        const int day = (m.capturedLength(5) ? m.captured(5) : m.captured(7)).toInt();
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31)
            return std::nullopt;
        return eraCalendar().dateIn(*era, year, month, day);
    }
    return std::nullopt;
}

} // namespace formats
