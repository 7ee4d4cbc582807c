// postora-dict SOURCE OUT: builds the postal dictionary OUT (yubin.mdb) from Japan Post's
// file SOURCE (the zip as downloaded, KEN_ALL.CSV or utf_ken_all.csv). The old OUT stays
// untouched unless the new one is complete.
#include "postal/DictionaryBuilder.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr char Usage[] = "usage: postora-dict SOURCE OUT\n";
constexpr char Help[] = "  SOURCE     Japan Post's ken_all.zip, KEN_ALL.CSV or utf_ken_all.csv\n"
                        "  OUT        the dictionary to write, e.g. data/yubin.mdb\n"
                        "  --help     show this text\n"
                        "  --version  show the program's version\n";
// Kept with the project's version in the top CMakeLists.txt.
constexpr char Version[] = "postora-dict 1.0";

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
