// postora-dict SOURCE OUT: builds the postal dictionary OUT (yubin.mdb) from Japan Post's
// file SOURCE (the zip as downloaded, KEN_ALL.CSV or utf_ken_all.csv). The old OUT stays
// untouched unless the new one is complete.
// postora-dict --lookup DICT CODE: prints the addresses of a postal code in the dictionary DICT.
#include "postal/DictionaryBuilder.h"
#include "postal/SqlConnection.h"
#include "postal/YubinText.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr char Usage[] = "usage: postora-dict SOURCE OUT\n"
                         "       postora-dict --lookup DICT CODE\n";
constexpr char Help[] = "  SOURCE     Japan Post's ken_all.zip, KEN_ALL.CSV or utf_ken_all.csv\n"
                        "  OUT        the dictionary to write, e.g. data/yubin.mdb\n"
                        "  --lookup   prints every address of the seven-digit CODE (100-0001 or 1000001)\n"
                        "             found in the dictionary DICT, one a line; exit status 1 when none\n"
                        "  --help     show this text\n"
                        "  --version  show the program's version\n";
constexpr char Version[] = "postora-dict " QUILLON_VERSION;

// The dictionary is only read: a missing file is an error, never a new empty one.
int lookUp(const QString &dictionary, const QString &typed, QTextStream &out, QTextStream &err)
{
    const QString code = yubin::normalizePostalCode(typed);
    if (code.size() != 7) {
        err << "postora-dict: " << typed << " は7桁の郵便番号ではありません。\n";
        return 2;
    }
    QString error;
    yubin::SqlConnection connection(dictionary, true, error);
    QSqlQuery q(connection.db());
    if (!connection.isOpen()
        || !connection.exec(q, QStringLiteral("SELECT 県漢字, 市町村漢字, 町名漢字 FROM 郵便番号 WHERE 番号 = ? ORDER BY rowid"),
                            {code})) {
        err << "postora-dict: " << dictionary << ": " << error << '\n';
        return 1;
    }
    int found = 0;
    for (; q.next(); ++found)
        out << yubin::showPostalCode(code) << ' ' << q.value(0).toString() << q.value(1).toString()
            << q.value(2).toString() << '\n';
    if (found == 0)
        err << "postora-dict: " << yubin::showPostalCode(code) << " は辞書にありません。\n";
    return found > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    const QStringList given = args.mid(1);
    if (given.contains(QStringLiteral("--help")) || given.contains(QStringLiteral("-h"))) {
        out << Usage << Help;
        return 0;
    }
    if (given.contains(QStringLiteral("--version"))) {
        out << Version << " (dictionary tables version " << yubin::DictionaryVersion << ")\n";
        return 0;
    }
    if (given.size() == 3 && given.at(0) == u"--lookup")
        return lookUp(given.at(1), given.at(2), out, err);
    // A mistyped option must not be read as a source or written over as the output.
    for (const QString &argument : given) {
        if (argument.startsWith(QLatin1Char('-'))) {
            err << "postora-dict: unknown option " << argument << '\n' << Usage;
            return 2;
        }
    }
    if (args.size() != 3) {
        err << Usage << Help;
        return 2;
    }
    const yubin::DictionaryBuild build = yubin::buildDictionary(args.at(1), args.at(2));
    if (!build.error.isEmpty()) {
        err << "postora-dict: " << build.error << "\n"
            << "postora-dict: 辞書は作成していません。元の辞書はそのままです。\n";
        return 1;
    }
    out << "postora-dict: " << args.at(2) << ": " << build.rows << " 件（郵便番号 " << build.codes
        << "、市区町村 " << build.cities << "）、データ日付 " << build.dataDate << "、" << build.kind << "\n";
    return 0;
}
