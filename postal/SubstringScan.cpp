#include "postal/SubstringScan.h"

#include <QStringList>

#include <algorithm>

namespace yubin {

QByteArray packScanColumn(const QStringList &values)
{
    QString all;
    for (const QString &v : values)
        all += v + ScanSeparator;
    return qCompress(all.toUtf8());
}

bool SubstringScan::load(ScanColumn column, const QByteArray &packed, qsizetype rows)
{
    Text &t = m_columns[int(column)];
    t = Text();
    const QByteArray utf8 = qUncompress(packed);
    if (utf8.isEmpty() && rows > 0)
        return false;
    t.all = QString::fromUtf8(utf8);
    t.starts.reserve(size_t(rows));
    qsizetype start = 0;
    for (qsizetype at = t.all.indexOf(ScanSeparator); at >= 0; at = t.all.indexOf(ScanSeparator, at + 1)) {
        t.starts.push_back(start);
        start = at + 1;
    }
    if (qsizetype(t.starts.size()) != rows || start != t.all.size()) {
        t = Text();
        return false;
    }
    return true;
}

std::vector<qint64> SubstringScan::find(ScanColumn column, const QString &needle) const
{
    std::vector<qint64> rowids;
    const Text &t = m_columns[int(column)];
    if (needle.isEmpty() || needle.contains(ScanSeparator))
        return rowids;
    for (qsizetype at = t.all.indexOf(needle); at >= 0;) {
        const size_t row = size_t(std::upper_bound(t.starts.begin(), t.starts.end(), at) - t.starts.begin()) - 1;
        rowids.push_back(qint64(row) + 1);
        // On to the next row: one match per row is enough.
        at = row + 1 < t.starts.size() ? t.all.indexOf(needle, t.starts[row + 1]) : -1;
    }
    return rowids;
}

} // namespace yubin
