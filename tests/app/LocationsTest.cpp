// Where the program keeps its data: the folder data beside the program when there is one, else
// the user's folder under the XDG data home, with the user's own postal dictionary or the one
// shared by all users, and the library folder of the build tree or of the installation.
#include "app/Locations.h"

#include "support/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A prefix laid out as the package lays it, in a temporary folder: <root>/usr/bin holds the
// program; "home" is the user's home.
struct LocationCase {
    const char *name;
    bool dataBeside;        // <prefix>/bin/data exists (a build tree, a portable copy)
    bool postoraBeside;     // libPostora.so lies beside the program
    const char *dataHome;   // XDG_DATA_HOME below root ("" unset, "rel/x" taken as given)
    bool userDictionary;    // the user's folder holds its own yubin.mdb
    // Expected, below root.
    const char *dataDir;
    const char *yubin;
    const char *libraryDir;
    bool inUserFolder;
};

const LocationCase kCases[] = {
    {"data beside the program", true, true, "/xdg", true, "/usr/bin/data/", "/usr/bin/data/yubin.mdb", "/usr/bin", false},
    {"data beside an installed program", true, false, "", false, "/usr/bin/data/", "/usr/bin/data/yubin.mdb",
     "/usr/lib/quillon", false},
    {"XDG_DATA_HOME set", false, false, "/xdg", false, "/xdg/quillon/", "/usr/share/quillon/yubin.mdb",
     "/usr/lib/quillon", true},
    {"XDG_DATA_HOME unset", false, false, "", false, "/home/.local/share/quillon/",
     "/usr/share/quillon/yubin.mdb", "/usr/lib/quillon", true},
    {"a relative XDG_DATA_HOME is ignored", false, false, "rel/x", false, "/home/.local/share/quillon/",
     "/usr/share/quillon/yubin.mdb", "/usr/lib/quillon", true},
    {"the user's own dictionary", false, false, "/xdg", true, "/xdg/quillon/", "/xdg/quillon/yubin.mdb",
     "/usr/lib/quillon", true},
    {"the user's own dictionary, default data home", false, false, "", true, "/home/.local/share/quillon/",
     "/home/.local/share/quillon/yubin.mdb", "/usr/lib/quillon", true},
    {"a build tree not yet provisioned", false, true, "", false, "/home/.local/share/quillon/",
     "/usr/share/quillon/yubin.mdb", "/usr/bin", true},
};

void touch(const QString &path)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(InstalledLocations, DataFolderDictionaryAndLibrariesFollowWhatIsThere)
{
    for (const LocationCase &c : kCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QString root = tmp.path();
        const QString program = root + QStringLiteral("/usr/bin");
        ASSERT_TRUE(QDir().mkpath(program));
        ASSERT_TRUE(QDir().mkpath(root + QStringLiteral("/usr/lib/quillon")));
        if (c.dataBeside)
            ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/data")));
        if (c.postoraBeside)
            touch(program + QStringLiteral("/libPostora.so"));
        const QString given = QString::fromUtf8(c.dataHome);
        ModQLNV::UserPlaces user{given.startsWith(u'/') ? root + given : given, root + QStringLiteral("/home")};
        if (c.userDictionary) {
            const QString home = given.startsWith(u'/') ? user.dataHome : user.home + QStringLiteral("/.local/share");
            touch(home + QStringLiteral("/quillon/yubin.mdb"));
        }

        const ModQLNV::Locations l = ModQLNV::locationsFor(program, user);
        EXPECT_EQ(l.dataDir, root + QString::fromUtf8(c.dataDir));
        EXPECT_EQ(l.dataMdbPath, l.dataDir + QStringLiteral("QLNVData.mdb"));
        EXPECT_EQ(l.workMdbPath, l.dataDir + QStringLiteral("QLNVWork.mdb"));
        EXPECT_EQ(l.yubinMdbPath, root + QString::fromUtf8(c.yubin));
        EXPECT_EQ(l.libraryDir, root + QString::fromUtf8(c.libraryDir));
        EXPECT_EQ(l.inUserFolder, c.inUserFolder);
    }
}

TEST(InstalledLocations, TheChoiceMakesNothing)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString program = tmp.path() + QStringLiteral("/usr/bin");
    ASSERT_TRUE(QDir().mkpath(program));
    const ModQLNV::Locations l =
        ModQLNV::locationsFor(program, {tmp.path() + QStringLiteral("/xdg"), tmp.path() + QStringLiteral("/home")});
    // The start-up makes the folder, once it holds the lock to make it in.
    EXPECT_FALSE(QFileInfo::exists(l.dataDir));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{QStringLiteral("usr")});
}

} // namespace
