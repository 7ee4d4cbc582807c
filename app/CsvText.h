#pragma once
// CSV files for spreadsheets: RFC 4180 records, texts that a spreadsheet would take for a
// formula marked as text, and the two encodings the program writes (code page 932, which
// spreadsheet programs on Japanese Windows expect, or UTF-8 with a byte order mark).
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace csvtext {

enum class Encoding { Cp932, Utf8WithBom };

// One record: the fields joined by commas, a field holding a comma, a quote or a line break
// in quotes with its quotes doubled, and CRLF at the end.
QString record(const QStringList &fields);

// A text a spreadsheet would take for a formula (=, +, -, @, or a tab or carriage return
// before one) with an apostrophe before it, as spreadsheets write it, so that it is read as text.
QString asText(const QString &text);

// What a file in encoding starts with: the byte order mark for UTF-8, nothing for code page 932.
QByteArray start(Encoding encoding);
// text in encoding; nothing when code page 932 lacks some of its characters, which are then
// put into missing.
std::optional<QByteArray> encode(const QString &text, Encoding encoding, QString *missing);

} // namespace csvtext
