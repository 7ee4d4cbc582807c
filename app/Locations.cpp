#include "app/Locations.h"

#include <QDir>

namespace ModQLNV {

QString DataDir;
QString DataMdbPath;
QString WorkMdbPath;
QString YubinMdbPath;

Locations locationsFor(const QString &programDir, bool developmentMarkerPresent)
{
    Locations l;
    if (developmentMarkerPresent) {
        l.dataDir = QStringLiteral("c:\\develop2\\Pz\\QLNV\\data\\");
        l.yubinMdbPath = QStringLiteral("c:\\develop\\zu\\yubin\\yubin.mdb");
    } else {
        QString dir = QDir::fromNativeSeparators(programDir);
        if (!dir.endsWith(QLatin1Char('/')))
            dir += QLatin1Char('/');
        l.dataDir = dir + QStringLiteral("data/");
        l.yubinMdbPath = l.dataDir + QStringLiteral("yubin.mdb");
    }
    l.dataMdbPath = l.dataDir + QStringLiteral("QLNVData.mdb");
    l.workMdbPath = l.dataDir + QStringLiteral("QLNVWork.mdb");
    return l;
}

void setLocations(const Locations &l)
{
    DataDir = l.dataDir;
    DataMdbPath = l.dataMdbPath;
    WorkMdbPath = l.workMdbPath;
    YubinMdbPath = l.yubinMdbPath;
}

} // namespace ModQLNV
