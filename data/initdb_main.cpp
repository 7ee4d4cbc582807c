// quillon-initdb DIR: makes the data directory of an installation. Creates the data and
// work database files that are missing; existing ones keep their rows and are only brought up
// to this version's schema when they are older (a copy of each is kept beside it first).
// quillon-initdb --server URL [--import FILE]: the same for the data database on a PostgreSQL
// server, and a local data file copied into it.
#include "data/Provision.h"
#include "data/ServerSchema.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr char Usage[] = "usage: quillon-initdb DIR\n"
                         "       quillon-initdb --server postgresql://USER@HOST:PORT/DATABASE [--import FILE]\n";
constexpr char Help[] = "  Creates QLNVData.mdb and QLNVWork.mdb in DIR when they are missing;\n"
                        "  existing files keep their rows and are upgraded when older.\n"
                        "  --server URL   creates the tables in the schema quillon of an empty\n"
                        "                 PostgreSQL database, or upgrades older ones (the password\n"
                        "                 comes from ~/.pgpass or PGPASSWORD)\n"
                        "  --import FILE  copies the local data file FILE into that database, which\n"
                        "                 must hold no data yet, in one transaction\n"
                        "  --help     show this text\n"
                        "  --version  show the program's version\n";
constexpr char Version[] = "quillon-initdb " QUILLON_VERSION "\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << Usage << Help;
        return 0;
    }
    if (arguments.contains(QStringLiteral("--version"))) {
        out << Version;
        return 0;
    }
    if (!arguments.isEmpty() && arguments.at(0) == u"--server") {
        const bool import = arguments.size() == 4 && arguments.at(2) == u"--import";
        if (arguments.size() != 2 && !import) {
            err << Usage;
            return 2;
        }
        QString problem;
        const auto address = db::parseServerUrl(arguments.at(1), &problem);
        if (!address) {
            err << "quillon-initdb: " << problem << '\n';
            return 2;
        }
        const schema::ServerReport report = import ? schema::importDataFile(*address, arguments.at(3))
                                                   : schema::provisionServer(*address);
        if (report.created)
            out << "created the tables on " << address->place() << '\n';
        else if (report.upgradedFrom > 0)
            out << "upgraded the tables on " << address->place() << " from version " << report.upgradedFrom << '\n';
        else if (report.ok() && !import)
            out << "kept the tables on " << address->place() << '\n';
        for (const auto &[table, rows] : report.imported)
            out << "imported " << rows << " rows of " << table << '\n';
        out.flush();
        if (!report.ok()) {
            err << "quillon-initdb: " << report.error << '\n';
            return 1;
        }
        return 0;
    }
    // A mistyped option must not become the name of a new folder.
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1Char('-'))) {
            err << "quillon-initdb: unknown option " << argument << '\n' << Usage;
            return 2;
        }
    }
    if (arguments.size() != 1 || arguments.at(0).isEmpty()) {
        err << Usage << Help;
        return 2;
    }

    const schema::ProvisionReport report = schema::provisionDataDir(arguments.at(0));
    for (const QString &path : report.recovered.removed)
        out << "removed " << path << '\n';
    if (!report.recovered.putBack.isEmpty())
        out << "put back " << report.recovered.putBack << '\n';
    for (const QString &path : report.created)
        out << "created " << path << '\n';
    for (const QString &path : report.kept)
        out << "kept " << path << '\n';
    for (const QString &path : report.upgraded)
        out << "upgraded " << path << '\n';
    for (const QString &path : report.backups)
        out << "backup " << path << '\n';
    out.flush();
    if (!report.ok()) {
        err << "quillon-initdb: " << report.error << '\n';
        return 1;
    }
    return 0;
}
