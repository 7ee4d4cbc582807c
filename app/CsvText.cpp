#include "app/CsvText.h"

#include "app/Formats.h"

namespace csvtext {

QString record(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &field : fields) {
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
            quoted << u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
        else
            quoted << field;
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

QString asText(const QString &text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front()) ? u'\'' + text : text;
}

QByteArray start(Encoding encoding)
{
    return encoding == Encoding::Utf8WithBom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
}

std::optional<QByteArray> encode(const QString &text, Encoding encoding, QString *missing)
{
    if (encoding == Encoding::Utf8WithBom)
        return text.toUtf8();
    return formats::toCp932(text, missing);
}

} // namespace csvtext
