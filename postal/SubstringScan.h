#pragma once
// Finding the dictionary rows whose code or reading contains one or two characters, which
// the trigram index cannot answer. A scan of the table in SQLite reads all of its 15 MB and
// takes some 20 ms before anything is sorted and written. The builder keeps each column of
// every row also as one compressed text (郵便番号_読み); held in memory while the search window
// is open (some 7 MB), it is searched in a few milliseconds.
#include <QByteArray>
#include <QString>

#include <vector>

namespace yubin {

// The columns kept as one text, in the order of their rows.
enum class ScanColumn { Code, CityKana, TownKana };

// Never part of a code or a reading, so no match runs from one row into the next.
constexpr QChar ScanSeparator = QChar(0x0001);

// The compressed text of one column: every value followed by ScanSeparator.
QByteArray packScanColumn(const QStringList &values);

class SubstringScan
{
public:
    // Takes one packed column; false when it cannot be unpacked or its row count is not rows.
    bool load(ScanColumn column, const QByteArray &packed, qsizetype rows);

    // The rowids (row n has rowid n + 1) of the rows whose column contains text, in row order.
    std::vector<qint64> find(ScanColumn column, const QString &text) const;

private:
    struct Text
    {
        QString all;
        std::vector<qsizetype> starts;   // where each row's value begins in all
    };
    Text m_columns[3];
};

} // namespace yubin
