// Byte lengths in code page 932, for the fields whose size the old files count in bytes.
#include "app/Formats.h"

#include <QTextBoundaryFinder>

#include <QLoggingCategory>

#include <unicode/ucnv.h>

#include <algorithm>

Q_DECLARE_LOGGING_CATEGORY(lcFormats)

namespace formats {

namespace {

class Cp932
{
public:
    Cp932()
    {
        UErrorCode status = U_ZERO_ERROR;
        m_converter = ucnv_open("windows-932", &status);
        if (U_FAILURE(status)) {
            qCWarning(lcFormats) << "code page 932 converter not available:" << u_errorName(status);
            m_converter = nullptr;
            return;
        }
        // A character the code page lacks becomes '?', one byte, as it would on saving.
        status = U_ZERO_ERROR;
        ucnv_setSubstChars(m_converter, "?", 1, &status);
        status = U_ZERO_ERROR;
        m_strict = ucnv_open("windows-932", &status);
        if (U_SUCCESS(status))
            ucnv_setFromUCallBack(m_strict, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        if (U_FAILURE(status)) {
            if (m_strict)
                ucnv_close(m_strict);
            m_strict = nullptr;
        }
    }
    ~Cp932()
    {
        if (m_converter)
            ucnv_close(m_converter);
        if (m_strict)
            ucnv_close(m_strict);
    }
    Cp932(const Cp932 &) = delete;
    Cp932 &operator=(const Cp932 &) = delete;

    // Bytes of one character given as one or two UTF-16 units.
    int bytesOf(const char16_t *units, int count)
    {
        if (count == 1 && units[0] < 0x80)
            return 1;
        if (!m_converter)
            return count == 1 && units[0] >= 0xFF61 && units[0] <= 0xFF9F ? 1 : 2;
        char out[8];
        UErrorCode status = U_ZERO_ERROR;
        // ucnv_fromUChars resets the converter first, so one character never leans on another.
        const int32_t length = ucnv_fromUChars(m_converter, out, sizeof out, units, count, &status);
        if (U_FAILURE(status) || length <= 0)
            return 1;
        return int(length);
    }

    // The bytes of the units, or nothing when one of them has no place in the code page (or
    // the converter is missing) rather than a '?'.
    std::optional<QByteArray> encodeStrictly(const char16_t *units, int count)
    {
        if (!m_strict)
            return std::nullopt;
        QByteArray out(count * 2 + 8, Qt::Uninitialized);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t length = ucnv_fromUChars(m_strict, out.data(), int32_t(out.size()), units, count, &status);
        if (U_FAILURE(status))
            return std::nullopt;
        out.truncate(length);
        return out;
    }

private:
    UConverter *m_converter = nullptr;
    UConverter *m_strict = nullptr; // stops at a character it cannot write
};

Cp932 &cp932()
{
    thread_local Cp932 converter;
    return converter;
}

// Calls step(units, count, bytes) for each character until it returns false.
template<typename Step>
void forEachCharacter(const QString &text, Step step)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        int count = 1;
        if (QChar::isHighSurrogate(units[i]) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]))
            count = 2;
        // A lone surrogate is no character of the code page: it counts as one '?'.
        const int bytes = QChar::isSurrogate(units[i]) && count == 1 ? 1 : cp932().bytesOf(units + i, count);
        if (!step(i, count, bytes))
            return;
        i += count;
    }
}

} // namespace

int sjisByteLength(const QString &text)
{
    int total = 0;
    forEachCharacter(text, [&](qsizetype, int, int bytes) {
        total += bytes;
        return true;
    });
    return total;
}

std::optional<QByteArray> toCp932(const QString &text, QString *unmappable)
{
    if (unmappable)
        unmappable->clear();
    // Plain ASCII, as most fields of a CSV are, is the same bytes.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();

    static const std::pair<char16_t, char16_t> kSpelledApart[] = {
        {0x301C, 0xFF5E}, {0x2212, 0xFF0D}, {0x2014, 0x2015}, {0x2016, 0x2225},
        {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2},
    };
    QString mapped = text;
    for (QChar &c : mapped)
        for (const auto &[unicode, codePage] : kSpelledApart)
            if (c.unicode() == unicode)
                c = QChar(codePage);

    const auto *units = reinterpret_cast<const char16_t *>(mapped.utf16());
    if (auto bytes = cp932().encodeStrictly(units, int(mapped.size())))
        return bytes;
    // Something has no place in the code page: find out what, character by character.
    QString missing;
    forEachCharacter(mapped, [&](qsizetype index, int count, int) {
        if (!cp932().encodeStrictly(units + index, count)) {
            const QStringView character = QStringView(mapped).mid(index, count);
            if (!missing.contains(character))
                missing += character;
        }
        return true;
    });
    if (unmappable)
        *unmappable = missing;
    return std::nullopt;
}

QString sjisLeft(const QString &text, int maxBytes)
{
    if (maxBytes <= 0)
        return QString();
    int total = 0;
    qsizetype end = 0;
    forEachCharacter(text, [&](qsizetype index, int count, int bytes) {
        if (total + bytes > maxBytes)
            return false;
        total += bytes;
        end = index + count;
        return true;
    });
    return text.left(end);
}

QString leftCharacters(const QString &text, int count)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int n = 0; n < count && end < text.size(); ++n) {
        graphemes.setPosition(end);
        end = graphemes.toNextBoundary();
        if (end < 0)
            return text;
    }
    return text.left(end);
}

} // namespace formats
