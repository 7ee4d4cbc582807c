#pragma once
// Text rules of the postal-code search: how a typed postal code and a typed reading are
// compared with the dictionary, the kana keys of the result grid, and the order of readings.
#include <QString>
#include <QStringList>

#include <vector>

namespace yubin {

// A postal code as typed, reduced to what the dictionary stores: full-width digits become
// ASCII, and hyphens, dashes, spaces and the postal mark 〒 are dropped ("〒１２３－４５６７"
// gives "1234567"). Anything else is kept as typed, so it simply matches nothing.
QString normalizePostalCode(const QString &typed);

// A stored code as the result list shows it: seven digits as 123-4567, anything else as it is.
QString showPostalCode(const QString &code);

// A reading as the dictionary stores it: half-width katakana. Accepts hiragana, full-width
// and half-width katakana, voiced marks combined or split (か゛, ｶﾞ, が) and ヶ for ケ.
QString toSearchKana(const QString &typed);

// The half-width kana a key of the result grid stands for: the kana itself, or the key that
// carries it on a Japanese kana keyboard ('3' is ｱ). Codes 0xA1-0xDF are the half-width kana
// of code page 932; other codes are Unicode. Empty when the key carries no kana.
QString ChgKeyKana(uint code);

// The first of readings that starts with the kana of the typed key, or -1 (also for Enter).
int ChgGridLinePress(const QStringList &townReadings, uint code);

// For each text its rank in Japanese dictionary order (ICU's Japanese collation): equal
// texts get equal ranks, so ordering by rank is ordering by reading.
std::vector<int> collationRanks(const QStringList &texts);

} // namespace yubin
