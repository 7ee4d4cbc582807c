#include "app/Locations.h"

#include <QDir>
#include <QFileInfo>

namespace ModQLNV {

QString DataDir;
QString DataMdbPath;
QString WorkMdbPath;
QString YubinMdbPath;
QString LibraryDir;

namespace {

QString withSeparator(QString dir)
{
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// The three files of a data folder, the dictionary among them.
Locations filesIn(const QString &dataDir)
{
    Locations l;
    l.dataDir = dataDir;
    l.dataMdbPath = dataDir + QStringLiteral("QLNVData.mdb");
    l.workMdbPath = dataDir + QStringLiteral("QLNVWork.mdb");
    l.yubinMdbPath = dataDir + QStringLiteral("yubin.mdb");
    return l;
}

} // namespace

Locations locationsFor(const QString &programDir, bool developmentMarkerPresent)
{
    if (!developmentMarkerPresent)
        return filesIn(withSeparator(programDir) + QStringLiteral("data/"));
    Locations l = filesIn(QStringLiteral("c:\\develop2\\Pz\\QLNV\\data\\"));
    l.yubinMdbPath = QStringLiteral("c:\\develop\\zu\\yubin\\yubin.mdb");
    return l;
}

UserPlaces userPlaces()
{
    return {qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath()};
}

Locations locationsFor(const QString &programDir, const UserPlaces &user)
{
    const QString program = withSeparator(programDir);
    if (QFileInfo(program + QStringLiteral("data")).isDir()) {
        Locations l = locationsFor(programDir, false);
        l.libraryDir = libraryDirFor(programDir);
        return l;
    }
    // A relative data home is ignored, as the XDG rules say.
    const QString dataHome = QDir::isAbsolutePath(user.dataHome)
                                 ? withSeparator(user.dataHome)
                                 : withSeparator(user.home) + QStringLiteral(".local/share/");
    Locations l = filesIn(dataHome + QStringLiteral("quillon/"));
    l.inUserFolder = true;
    if (!QFileInfo::exists(l.yubinMdbPath))
        l.yubinMdbPath = QDir::cleanPath(program + QStringLiteral("../share/quillon/yubin.mdb"));
    l.libraryDir = libraryDirFor(programDir);
    return l;
}

QString libraryDirFor(const QString &programDir)
{
    const QString program = withSeparator(programDir);
    if (QFileInfo::exists(program + QStringLiteral("libPostora.so")))
        return QDir::cleanPath(program);
    return QDir::cleanPath(program + QStringLiteral("../lib/quillon"));
}

void setLocations(const Locations &l)
{
    DataDir = l.dataDir;
    DataMdbPath = l.dataMdbPath;
    WorkMdbPath = l.workMdbPath;
    YubinMdbPath = l.yubinMdbPath;
    LibraryDir = l.libraryDir;
}

} // namespace ModQLNV
