#pragma once
// Reading Japan Post's postal-code file: the zip as published, its KEN_ALL.CSV (Shift_JIS)
// or the UTF-8 file with one row per town (utf_ken_all). The kind is told from the content,
// never from the file name.
#include <QByteArray>
#include <QString>

#include <vector>

namespace yubin {

// One row of the source, with the fields the dictionary keeps. Readings are half-width katakana.
struct KenAllRow
{
    QString code;       // 7 digits
    QString prefKana;
    QString cityKana;
    QString townKana;
    QString pref;
    QString city;
    QString town;
    int line = 0;       // line of the source it came from (the first, for a joined town)
};

struct KenAllSource
{
    QString name;       // the file as given, for messages
    QString kind;       // "zip", "KEN_ALL.CSV (Shift_JIS)" or "utf_ken_all (UTF-8)"
    QString dataDate;   // yyyy-MM-dd: the date of the file in the zip, else of the file
    std::vector<KenAllRow> rows;
    QString error;      // empty when every row was read
};

// Reads the source file at path. On failure error names the file and, for a bad row, its line;
// rows then holds nothing to be used.
KenAllSource readKenAllFile(const QString &path);

// The same for bytes already in memory (name is used in messages only).
KenAllSource readKenAllBytes(const QByteArray &bytes, const QString &name);

} // namespace yubin
