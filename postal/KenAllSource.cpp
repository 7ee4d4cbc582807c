#include "postal/KenAllSource.h"

#include "postal/YubinText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <unicode/ucnv.h>
#include <zip.h>

#include <memory>

namespace yubin {

namespace {

constexpr int FieldCount = 15;
// Japan Post's files are 12 to 18 MB; a zip entry claiming far more is not one of them.
constexpr zip_uint64_t MaxEntrySize = 64u * 1024u * 1024u;

// A zip is told by its first local header, or by the end record libzip reads it from, so that
// a zip whose first bytes are damaged is still named as a damaged zip.
bool isZip(const QByteArray &bytes)
{
    // The end record and the archive comment after it take at most this many bytes.
    constexpr qsizetype EndRecordSpan = 22 + 0xFFFF;
    return bytes.startsWith(QByteArrayLiteral("PK\x03\x04")) || bytes.startsWith(QByteArrayLiteral("PK\x05\x06"))
           || bytes.right(EndRecordSpan).contains(QByteArrayLiteral("PK\x05\x06"));
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)QString(decoder.decode(bytes));
    return !decoder.hasError();
}

QString dateText(const QDateTime &when)
{
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QString zipCause(zip_error_t *error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

// The entry to its end into data (which holds its stated size): libzip checks the checksum and
// the size only at the end, and a read cut short says why only on the next call. Returns the
// cause when the entry does not read whole, else an empty text.
QString readEntry(zip_file_t *file, QByteArray &data)
{
    const zip_uint64_t size = zip_uint64_t(data.size());
    zip_uint64_t got = 0;
    zip_int64_t n = 0;
    char beyond[4096];
    while (got <= MaxEntrySize
           && (n = got < size ? zip_fread(file, data.data() + got, size - got) : zip_fread(file, beyond, sizeof beyond)) > 0)
        got += zip_uint64_t(n);
    if (n < 0)
        return zipCause(zip_file_get_error(file));
    if (got != size)
        return QStringLiteral("展開すると %1 バイトで、zip に書かれた %2 バイトと違います").arg(got).arg(size);
    return {};
}

// The one CSV file inside a zip. Sets error on failure.
QByteArray unzip(const QByteArray &bytes, KenAllSource &source)
{
    const auto unreadable = [&](zip_error_t *error) {
        source.error = QStringLiteral("%1 は読めない zip ファイルです（%2）。").arg(source.name, zipCause(error));
        return QByteArray();
    };
    zip_error_t zerror;
    zip_error_init(&zerror);
    const std::unique_ptr<zip_error_t, void (*)(zip_error_t *)> zerrorGuard(&zerror, zip_error_fini);
    zip_source_t *src = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &zerror);
    zip_t *archive = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &zerror) : nullptr;
    if (!archive) {
        if (src)
            zip_source_free(src);
        return unreadable(&zerror);
    }
    std::unique_ptr<zip_t, int (*)(zip_t *)> guard(archive, zip_close);

    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0)
            return unreadable(zip_get_error(archive));
        if (!(st.valid & ZIP_STAT_NAME))
            continue;
        const QString entry = QString::fromUtf8(st.name);
        if (!entry.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            continue;
        if (!(st.valid & ZIP_STAT_SIZE) || st.size > MaxEntrySize) {
            source.error = QStringLiteral("%1 の %2 は大きすぎて郵便番号データではありません。").arg(source.name, entry);
            return {};
        }
        std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen_index(archive, zip_uint64_t(i), 0), zip_fclose);
        QByteArray data(qsizetype(st.size), Qt::Uninitialized);
        const QString cause = file ? readEntry(file.get(), data) : zipCause(zip_get_error(archive));
        if (!cause.isEmpty()) {
            source.error = QStringLiteral("%1 の %2 が壊れていて読めません（%3）。").arg(source.name, entry, cause);
            return {};
        }
        if (st.valid & ZIP_STAT_MTIME)
            source.dataDate = dateText(QDateTime::fromSecsSinceEpoch(st.mtime));
        source.name += QLatin1Char('/') + entry;
        return data;
    }
    source.error = QStringLiteral("%1 に CSV ファイルがありません。").arg(source.name);
    return {};
}

// One CSV record of a line; what is wrong with it, or an empty text. A quote only opens a field
// and closes it (doubled inside it), and no field holds a control character: Japan Post's
// files have neither, so either is a damaged file, not an address.
QString splitCsv(const QString &line, QStringList &fields)
{
    fields.clear();
    QString field;
    bool inQuotes = false;
    bool closed = false;   // the field's closing quote was read
    const auto where = [&] { return fields.size() + 1; };
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c.category() == QChar::Other_Control) {
            return QStringLiteral("%1 番目の項目に制御文字（U+%2）があります。")
                .arg(where())
                .arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
        }
        if (inQuotes) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else {
                inQuotes = false;
                closed = true;
            }
        } else if (c == u',') {
            fields += field;
            field.clear();
            closed = false;
        } else if (closed) {
            return QStringLiteral("%1 番目の項目で、閉じた引用符の後に文字があります。").arg(where());
        } else if (c != u'"') {
            field += c;
        } else if (field.isEmpty()) {
            inQuotes = true;
        } else {
            return QStringLiteral("%1 番目の項目の途中に引用符があります。").arg(where());
        }
    }
    fields += field;
    return inQuotes ? QStringLiteral("引用符が閉じていません（ファイルが途中で切れていませんか）。") : QString();
}

bool isPostalCode(const QString &code)
{
    if (code.size() != 7)
        return false;
    for (const QChar c : code) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Decodes one line of Shift_JIS; false on a byte sequence that is not code page 932.
bool decodeSjis(UConverter *converter, const char *bytes, qsizetype size, QString &text)
{
    text.resize(size + 1);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const int32_t n = ucnv_toUChars(converter, reinterpret_cast<UChar *>(text.data()), int32_t(text.size()),
                                    bytes, int32_t(size), &status);
    if (U_FAILURE(status))
        return false;
    text.resize(n);
    return true;
}

// The readings of utf_ken_all are full-width katakana; the dictionary keeps half-width ones.
class Narrower
{
public:
    const QString &operator()(const QString &reading)
    {
        auto it = m_cache.constFind(reading);
        if (it == m_cache.constEnd())
            it = m_cache.insert(reading, toSearchKana(reading));
        return it.value();
    }

private:
    QHash<QString, QString> m_cache;
};

void parseText(const QByteArray &bytes, KenAllSource &source)
{
    const bool utf8 = isUtf8(bytes);
    source.kind = utf8 ? QStringLiteral("utf_ken_all (UTF-8)") : QStringLiteral("KEN_ALL.CSV (Shift_JIS)");

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter *)> converter(utf8 ? nullptr : ucnv_open("windows-31j", &status),
                                                                  ucnv_close);
    if (!utf8) {
        if (U_FAILURE(status) || !converter) {
            source.error = QStringLiteral("Shift_JIS を読む変換器が使えません。");
            return;
        }
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }

    Narrower narrow;
    const auto fail = [&](int line, const QString &why) {
        source.error = QStringLiteral("%1 の %2 行目: %3").arg(source.name).arg(line).arg(why);
        source.rows.clear();
    };

    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    if (utf8 && bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;
    int line = 0;
    QString text;
    QStringList fields;
    while (start < size) {
        ++line;
        qsizetype end = bytes.indexOf('\n', start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = size;
        qsizetype stop = end;
        if (stop > start && data[stop - 1] == '\r')
            --stop;
        const qsizetype next = end + 1;
        if (stop == start && next >= size)
            break;   // the line end of the last row
        if (utf8) {
            text = QString::fromUtf8(data + start, stop - start);
        } else if (!decodeSjis(converter.get(), data + start, stop - start, text)) {
            return fail(line, QStringLiteral("Shift_JIS として読めない文字があります。"));
        }
        start = next;

        if (const QString problem = splitCsv(text, fields); !problem.isEmpty())
            return fail(line, problem);
        if (fields.size() != FieldCount)
            return fail(line, QStringLiteral("項目が %1 個あります（%2 個のはずです）。").arg(fields.size()).arg(FieldCount));
        if (!isPostalCode(fields.at(2)))
            return fail(line, QStringLiteral("郵便番号「%1」が 7 桁の数字ではありません。").arg(fields.at(2).left(20)));
        if (fields.at(6).isEmpty() || fields.at(7).isEmpty())
            return fail(line, QStringLiteral("都道府県名か市区町村名が空です。"));

        KenAllRow row;
        row.code = fields.at(2);
        row.prefKana = utf8 ? narrow(fields.at(3)) : fields.at(3);
        row.cityKana = utf8 ? narrow(fields.at(4)) : fields.at(4);
        row.townKana = utf8 ? narrow(fields.at(5)) : fields.at(5);
        row.pref = fields.at(6);
        row.city = fields.at(7);
        row.town = fields.at(8);
        row.line = line;
        source.rows.push_back(std::move(row));
    }
    if (source.rows.empty())
        source.error = QStringLiteral("%1 に郵便番号の行がありません。").arg(source.name);
}

} // namespace

KenAllSource readKenAllBytes(const QByteArray &bytes, const QString &name)
{
    KenAllSource source;
    source.name = name;
    if (bytes.isEmpty()) {
        source.error = QStringLiteral("%1 は空のファイルです。").arg(name);
        return source;
    }
    if (isZip(bytes)) {
        const QByteArray text = unzip(bytes, source);
        if (source.error.isEmpty()) {
            parseText(text, source);
            source.kind = QStringLiteral("zip: ") + source.kind;
        }
        return source;
    }
    parseText(bytes, source);
    return source;
}

KenAllSource readKenAllFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        KenAllSource source;
        source.name = path;
        source.error = QStringLiteral("%1 を開けません（%2）。").arg(path, file.errorString());
        return source;
    }
    KenAllSource source = readKenAllBytes(file.readAll(), path);
    if (source.dataDate.isEmpty())
        source.dataDate = dateText(QFileInfo(path).lastModified());
    return source;
}

} // namespace yubin
