#include "postal/KenAllClean.h"

namespace yubin {

namespace {

bool opensBracket(const QString &town)
{
    return town.count(u'（') > town.count(u'）');
}

// The city as it stands in a town text: "猿島郡境町" is written "境町".
bool isCityItself(const QString &name, const QString &city)
{
    if (name == city)
        return true;
    const qsizetype gun = city.lastIndexOf(u'郡');
    return gun >= 0 && name == city.mid(gun + 1);
}

void removeSuffix(QString &text, const QString &suffix)
{
    if (text.endsWith(suffix))
        text.chop(suffix.size());
}

} // namespace

void cleanTown(KenAllRow &row)
{
    static const QString NotListed = QStringLiteral("以下に掲載がない場合");
    static const QString ExceptBuildings = QStringLiteral("（次のビルを除く）");
    static const QString ExceptBuildingsKana = QStringLiteral("(ﾂｷﾞﾉﾋﾞﾙｦﾉｿﾞｸ)");
    static const QString BanchiFollows = QStringLiteral("の次に番地がくる場合");
    static const QString BanchiFollowsKana = QStringLiteral("ﾉﾂｷﾞﾆﾊﾞﾝﾁｶﾞｸﾙﾊﾞｱｲ");
    static const QString Whole = QStringLiteral("一円");
    static const QString WholeKana = QStringLiteral("ｲﾁｴﾝ");

    if (row.town == NotListed) {
        // The code covers the whole city: no town, but the row stays so the code gives the city.
        row.town.clear();
        row.townKana.clear();
        return;
    }
    if (row.town.contains(ExceptBuildings)) {
        row.town.remove(ExceptBuildings);
        row.townKana.remove(ExceptBuildingsKana);
    }
    if (row.town.endsWith(BanchiFollows)) {
        row.town.chop(BanchiFollows.size());
        removeSuffix(row.townKana, BanchiFollowsKana);
        if (isCityItself(row.town, row.city)) {
            row.town.clear();
            row.townKana.clear();
        }
        return;
    }
    // "利島村一円" is the whole village; 多賀町's "一円" is a place of that name.
    if (row.town.endsWith(Whole) && row.town != Whole && isCityItself(row.town.chopped(Whole.size()), row.city)) {
        row.town.clear();
        row.townKana.clear();
    }
}

std::vector<KenAllRow> cleanKenAll(const std::vector<KenAllRow> &rows)
{
    std::vector<KenAllRow> clean;
    clean.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        KenAllRow row = rows[i];
        const QString firstKana = row.townKana;
        // A town longer than one line goes on in the next rows of the same code until its
        // bracket closes. The reading is either split too or repeated whole on every row.
        while (opensBracket(row.town) && i + 1 < rows.size() && rows[i + 1].code == row.code
               && rows[i + 1].city == row.city) {
            const KenAllRow &next = rows[++i];
            row.town += next.town;
            if (next.townKana != firstKana)
                row.townKana += next.townKana;
        }
        cleanTown(row);
        clean.push_back(std::move(row));
    }
    return clean;
}

} // namespace yubin
