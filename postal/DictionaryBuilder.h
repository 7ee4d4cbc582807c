#pragma once
// Building the postal dictionary yubin.mdb (SQLite) from Japan Post's file.
//
// Tables: 郵便番号 (one row per town of a code, with the readings and their ranks in Japanese
// dictionary order), 市町村名 (the cities in Japan Post's order), 郵便番号_索引 (an FTS5
// trigram index of code and readings for substring searches), 郵便番号_読み (the same columns
// packed, for substrings too short for the index) and 辞書情報 (source, data date, counts). The file is written beside out under a temporary name and renamed over out only
// when complete, so a failed or interrupted build leaves the old dictionary as it was.
#include <QString>

namespace yubin {

// Version of the dictionary's tables, kept in PRAGMA user_version.
constexpr int DictionaryVersion = 1;

struct DictionaryBuild
{
    QString error;          // empty on success
    QString kind;           // the kind of source that was read
    QString dataDate;
    int sourceRows = 0;
    int rows = 0;
    int codes = 0;
    int cities = 0;
};

DictionaryBuild buildDictionary(const QString &sourcePath, const QString &outPath);

} // namespace yubin
