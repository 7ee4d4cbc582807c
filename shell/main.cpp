#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "shell/DataLock.h"
#include "shell/QLNV.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    // The program speaks Japanese whatever the machine's locale: the standard buttons
    // (はい, いいえ, キャンセル), the calendars and the dialogs follow.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    SingleInstance instance(SingleInstance::defaultKey());
    if (!instance.becomePrimary())
        return 0;

    // The socket only finds this user's copy; the lock also keeps out a copy started under
    // another user name on the same data. It is taken before any database is opened.
    const QString programDir = QCoreApplication::applicationDirPath();
    DataLock dataLock(ModQLNV::locationsFor(programDir, false).dataDir);
    switch (dataLock.acquire()) {
    case DataLock::State::Held:
        break;
    case DataLock::State::InUse: {
        const QString text = dataLock.inUseText();
        QTextStream(stderr) << "Quillon: " << text.simplified() << '\n';
        msg::showFailure(text);
        return 1;
    }
    case DataLock::State::Unavailable:
        // A missing or read-only data directory: the window opens and says what is wrong,
        // and with nothing writable there is nothing to guard.
        qWarning("Quillon: no lock in %s", qPrintable(dataLock.path()));
        break;
    }

    // Where this PC keeps its data: the local data file unless the settings file names a
    // server. A settings file that cannot be used is said in the status line; nothing is opened.
    const db::DataSource source = db::readDataSource(db::settingsFilePath());
    if (!source.problem.isEmpty())
        QTextStream(stderr) << "Quillon: " << source.problem.simplified() << '\n';
    db::setDataSource(source);

    QLNV window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &QLNV::bringToFront);
    window.Form_Load(programDir);
    return app.exec();
}
