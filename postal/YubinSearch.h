#pragma once
// The searches of the postal-code window, as logic over three files whose paths the caller
// gives: the dictionary (read only), the caller's data file (read only: the prefecture list and
// the user's own area) and the caller's work file, whose tables 郵便番号_市町村漢字 (the city
// list) and w郵便番号 (the results, also the town list) the searches fill. A result row is the
// dictionary's code, its three readings and its three names, whichever search found it.
//
// The work file is opened on the first search, with the dictionary attached read-only, and
// kept open until the object goes (the window is open), so that a keystroke costs a query and
// not the opening of two files. Each procedure writes the work tables in one transaction.
// Names reach SQL as bound values, so apostrophes are plain text. On failure (a missing or
// damaged dictionary, a missing table) nothing is written, what was opened is closed, false is
// returned and lastError() says what went wrong; the caller's files stay as they were.
#include <QString>
#include <QStringList>

#include <memory>

namespace yubin {

enum class ScanColumn;

struct YubinPaths
{
    QString yubin;   // the dictionary
    QString data;    // the caller's data file
    QString work;    // the caller's work file
};

// The user's own prefecture and city, when the settings ask for them to be preselected.
struct LocalArea
{
    QString prefecture;
    QString city;
};

class YubinSearch
{
public:
    explicit YubinSearch(YubinPaths paths);
    ~YubinSearch();
    YubinSearch(const YubinSearch &) = delete;
    YubinSearch &operator=(const YubinSearch &) = delete;

    const YubinPaths &paths() const { return m_paths; }
    QString lastError() const { return m_error; }
    // The rows of w郵便番号 as the last search that wrote it left it.
    int resultCount() const { return m_resultCount; }

    // The prefectures in the order of their codes (an empty entry for a Null name).
    QStringList read都道府県(bool *ok = nullptr);
    // The area to preselect: empty unless YubinLocalEriaSw is set and YubinLocalEria begins
    // with a prefecture of the list ("東京都府中市" is 東京都 and 府中市).
    LocalArea ChkLocalEria(bool *ok = nullptr);

    // The cities of a prefecture into 郵便番号_市町村漢字, in Japan Post's order; empties w郵便番号.
    bool read市町村(const QString &prefecture);
    // The cities of a prefecture into 郵便番号_市町村漢字 alone: the results stay (the window
    // set the prefecture itself, to the one of a result).
    bool readCitiesOnly(const QString &prefecture);
    // Every town of a city into w郵便番号, ordered by reading.
    bool read町名(const QString &prefecture, const QString &city);
    // The rows of one town of a city into w郵便番号.
    bool ReadGrid町名(const QString &prefecture, const QString &city, const QString &town);
    // A typed postal code. Seven digits give every town of that code, and prefecture (when
    // given) is set to the first one's; fewer give every code that contains them: those that
    // begin with them first, then the others, each part by code.
    bool Seek郵便番号(const QString &typed, QString *prefecture = nullptr);
    // The towns whose reading contains the typed kana; mode 0 by city reading, 1 by town reading.
    bool Seek市町村かな(int mode, const QString &typed);
    // Empties w郵便番号.
    bool GridClear();
    // Empties the city list 郵便番号_市町村漢字 and w郵便番号 together (the window's "クリア").
    bool ClearLists();

    // The date of the dictionary's data (辞書情報 データ日付, e.g. "2026-05-26"). Fails when
    // the file is missing or is not a readable dictionary; ok with an empty date when the
    // dictionary does not record one.
    QString dataDate(bool *ok = nullptr);

private:
    // The work connection, opened when missing, with the dictionary attached when asked for.
    bool openWork(bool withDictionary);
    // The rows whose column contains text: the trigram index from three characters, the
    // scan in memory below.
    bool fillContaining(ScanColumn column, const QString &text);
    bool loadScan();
    // Empties the results, the city list or both and runs select, in one transaction on the
    // work file with the dictionary attached as "yubin".
    enum class Empties { Results, CitiesAndResults, Cities };
    bool fill(const QString &select, const QVariantList &values, Empties empties = Empties::Results,
              QString *firstPrefecture = nullptr);

    YubinPaths m_paths;
    QString m_error;
    std::unique_ptr<class SqlConnection> m_work;
    bool m_attached = false;
    std::unique_ptr<class SubstringScan> m_scan;
    int m_resultCount = 0;
};

// Mode values of Seek市町村かな.
constexpr int ByCityKana = 0;
constexpr int ByTownKana = 1;

} // namespace yubin
