// The values of a row, taken from libmdb's page buffer where the column's bytes are and printed
// as typed text. Numbers and dates are decoded here rather than through libmdb's own formats,
// which depend on format strings and round floating numbers.
#include "masters/reader/MdbValue.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace mdbread {

namespace {

// The size a fixed column's value has on the page; 0 for the variable ones.
int fixedSize(int colType)
{
    switch (colType) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
    case MDB_FLOAT:
        return 4;
    case MDB_DOUBLE:
    case MDB_DATETIME:
    case MDB_MONEY:
        return 8;
    case MDB_REPID:
        return 16;
    case MDB_NUMERIC:
        return 17;
    default:
        return 0;
    }
}

template<typename T> void appendNumber(std::string &line, char letter, T value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line += letter;
    line.append(buffer, result.ptr);
}

template<typename T> void appendFloating(std::string &line, T value)
{
    if (!std::isfinite(value)) {
        line += 'N';
        return;
    }
    appendNumber(line, 'F', value); // shortest text that reads back as the same value
}

// Takes libmdb's text (g_malloc'd) and appends it with the given letter; Null when libmdb
// gave nothing.
void appendOwned(std::string &line, char letter, char *text, bool escape)
{
    if (!text) {
        line += 'N';
        return;
    }
    line += letter;
    if (escape)
        appendEscaped(line, text);
    else
        line += text;
    g_free(text);
}

std::int32_t int32At(const unsigned char *p)
{
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8
                                     | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

} // namespace

void appendEscaped(std::string &line, const char *text)
{
    for (const char *p = text; *p; ++p) {
        switch (*p) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += *p;
        }
    }
}

bool appendDate(std::string &line, double value)
{
    // Access keeps the years 100 to 9999: 100-01-01 is day -657434, 9999-12-31 day 2958465.
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
        return false;
    // Before 1899-12-30 the day counts down but the time of day still counts up: -1.25 is
    // 1899-12-29 06:00.
    const double whole = std::trunc(value);
    long long days = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    // Days since 1970-01-01 to a civil date (proleptic Gregorian, as Access counts).
    long long z = days - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2);
    if (year < 100 || year > 9999)
        return false;

    const int y = int(year), m = int(month), d = int(day), secs = int(seconds);
    char buffer[64];
    if (secs == 0)
        std::snprintf(buffer, sizeof buffer, "D%04d-%02d-%02d", y, m, d);
    else
        std::snprintf(buffer, sizeof buffer, "S%04d-%02d-%02dT%02d:%02d:%02d", y, m, d, secs / 3600,
                      secs / 60 % 60, secs % 60);
    line += buffer;
    return true;
}

bool appendValue(std::string &line, MdbHandle *mdb, const MdbColumn *col)
{
    // A yes/no column has no bytes of its own: libmdb hands over the row's bit as the length.
    if (col->col_type == MDB_BOOL) {
        line += col->cur_value_len ? "B1" : "B0";
        return true;
    }
    const int start = col->cur_value_start;
    const int length = col->cur_value_len;
    if (length == 0) {
        line += 'N';
        return true;
    }
    if (start < 0 || length < 0 || start > mdb->fmt->pg_size || length > mdb->fmt->pg_size - start)
        return false;
    const int size = fixedSize(col->col_type);
    if (size != 0 && length != size)
        return false;

    const unsigned char *p = mdb->pg_buf + start;
    switch (col->col_type) {
    case MDB_BYTE:
        appendNumber(line, 'I', int(p[0]));
        return true;
    case MDB_INT:
        appendNumber(line, 'I', int(static_cast<std::int16_t>(p[0] | p[1] << 8)));
        return true;
    case MDB_LONGINT:
        appendNumber(line, 'I', int32At(p));
        return true;
    case MDB_FLOAT:
        appendFloating(line, mdb_get_single(mdb->pg_buf, start));
        return true;
    case MDB_DOUBLE:
        appendFloating(line, mdb_get_double(mdb->pg_buf, start));
        return true;
    case MDB_DATETIME:
        if (!appendDate(line, mdb_get_double(mdb->pg_buf, start)))
            line += 'N';
        return true;
    case MDB_MONEY:
        appendOwned(line, 'C', mdb_money_to_string(mdb, start), false);
        return true;
    case MDB_NUMERIC:
        appendOwned(line, 'C', mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec), false);
        return true;
    case MDB_MEMO:
        if (length < MDB_MEMO_OVERHEAD)
            return false;
        [[fallthrough]];
    case MDB_TEXT:
    case MDB_REPID:
        appendOwned(line, 'T', mdb_col_to_string(mdb, mdb->pg_buf, start, col->col_type, length), true);
        return true;
    default: // pictures, binary data: nothing an import takes
        line += 'N';
        return true;
    }
}

const char *typeName(int colType)
{
    switch (colType) {
    case MDB_BOOL:
        return "yesno";
    case MDB_BYTE:
        return "byte";
    case MDB_INT:
        return "integer";
    case MDB_LONGINT:
        return "long";
    case MDB_MONEY:
        return "currency";
    case MDB_FLOAT:
        return "single";
    case MDB_DOUBLE:
        return "double";
    case MDB_DATETIME:
        return "datetime";
    case MDB_BINARY:
        return "binary";
    case MDB_TEXT:
        return "text";
    case MDB_OLE:
        return "ole";
    case MDB_MEMO:
        return "memo";
    case MDB_REPID:
        return "guid";
    case MDB_NUMERIC:
        return "decimal";
    case MDB_COMPLEX:
        return "complex";
    default:
        return "unknown";
    }
}

} // namespace mdbread
