// quillon-initdb DIR: makes the data directory of an installation. Creates the data and
// work database files that are missing and leaves existing ones exactly as they are.
#include "data/Provision.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2 || arguments.at(1).isEmpty()) {
        err << "usage: quillon-initdb DIR\n"
               "  Creates QLNVData.mdb and QLNVWork.mdb in DIR when they are missing;\n"
               "  existing files are left untouched.\n";
        return 2;
    }

    const schema::ProvisionReport report = schema::provisionDataDir(arguments.at(1));
    for (const QString &path : report.created)
        out << "created " << path << '\n';
    for (const QString &path : report.kept)
        out << "kept " << path << '\n';
    out.flush();
    if (!report.ok()) {
        err << "quillon-initdb: " << report.error << '\n';
        return 1;
    }
    return 0;
}
