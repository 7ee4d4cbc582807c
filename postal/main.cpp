// postora-dict SOURCE OUT: builds the postal dictionary OUT (yubin.mdb) from Japan Post's
// file SOURCE (the zip as downloaded, KEN_ALL.CSV or utf_ken_all.csv). The old OUT stays
// untouched unless the new one is complete.
#include "postal/DictionaryBuilder.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        err << "usage: postora-dict SOURCE OUT\n"
               "  SOURCE  Japan Post's ken_all.zip, KEN_ALL.CSV or utf_ken_all.csv\n"
               "  OUT     the dictionary to write, e.g. data/yubin.mdb\n";
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
