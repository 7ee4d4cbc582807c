#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "data/Provision.h"
#include "masters/LinkedFile.h"
#include "shell/DataLock.h"
#include "shell/PostalLookup.h"
#include "shell/QLNV.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibrary>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

constexpr char Usage[] = "usage: quillon [--check]\n";
constexpr char Help[] = "  Starts Quillon, the invoicing program. Its data lives in the folder data beside the\n"
                        "  program when there is one, else in $XDG_DATA_HOME/quillon (~/.local/share/quillon),\n"
                        "  which is made with empty databases on the first start.\n"
                        "  --check    starts, loads the main window, names the files it uses and ends:\n"
                        "             and looks up 100-0001 in the postal search window; exit status 0\n"
                        "             when everything the program needs was found\n"
                        "  --help     show this text\n"
                        "  --version  show the program's version\n";

// What an installation needs besides the window: each missing piece named on stderr.
bool checkInstallation(const QLNV &window, const ModQLNV::Locations &l)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    out << "data folder " << l.dataDir << "\npostal dictionary " << l.yubinMdbPath << "\nlibraries "
        << l.libraryDir << '\n';
    bool ok = true;
    const auto need = [&](bool present, const QString &what) {
        if (!present) {
            err << "quillon: " << what << '\n';
            ok = false;
        }
    };
    need(window.isVisible(), QStringLiteral("the main window did not open"));
    for (const QString &path : {l.dataMdbPath, l.workMdbPath, l.yubinMdbPath})
        need(QFileInfo(path).isFile(), QStringLiteral("missing %1").arg(path));
    QLibrary postora(l.libraryDir + QStringLiteral("/Postora"));
    need(postora.load() && postora.resolve("DllGetClassObject"),
         QStringLiteral("cannot load Postora: %1").arg(postora.errorString()));
    need(QFileInfo(linkfile::readerProgram()).isExecutable(),
         QStringLiteral("missing the Access reader %1").arg(linkfile::readerProgram()));
    if (!ok)
        return false;

    // The postal search window as the invoice tab's button opens it: the code typed with
    // Enter, then "選択"; what it hands back is printed. The window is waited for while it
    // opens; one without its fields is closed, so that the check fails instead of hanging.
    auto *typing = new QTimer(qApp);
    typing->setInterval(50);
    QObject::connect(typing, &QTimer::timeout, typing, [typing] {
        QWidget *search = QApplication::activeModalWidget();
        if (!search)
            return;
        typing->deleteLater();
        typing->stop();
        auto *box = search->findChild<QLineEdit *>(QStringLiteral("TXT郵便番号"));
        auto *choose = search->findChild<QPushButton *>(QStringLiteral("cmd_Enter"));
        if (!box || !choose) {
            search->close();
            return;
        }
        box->setText(QStringLiteral("1000001"));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
        choose->click();
    });
    typing->start();
    const PostalLookup found = lookUpPostalCode(l.libraryDir, db::dataReference(), l.workMdbPath, l.yubinMdbPath);
    need(found.ok, QStringLiteral("the postal search did not open: %1").arg(found.error));
    out << "postal search " << found.code << ' ' << found.address << '\n';
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before Qt looks for a display, so that they work in a terminal without one.
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version")) {
            std::fputs("quillon " QUILLON_VERSION "\n", stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(Usage, stdout);
            std::fputs(Help, stdout);
            return 0;
        }
        // Anything else (Qt's own -platform, -style …) is Qt's to take.
        check = check || !std::strcmp(argv[i], "--check");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

    // The program speaks Japanese whatever the machine's locale: the standard buttons
    // (はい, いいえ, キャンセル), the calendars and the dialogs follow.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    SingleInstance instance(SingleInstance::defaultKey());
    if (!instance.becomePrimary()) {
        if (check)
            QTextStream(stderr) << "quillon: another copy is running; it was asked to come forward\n";
        return check ? 1 : 0;
    }

    const ModQLNV::Locations locations =
        ModQLNV::locationsFor(QCoreApplication::applicationDirPath(), ModQLNV::userPlaces());
    linkfile::setReaderProgram(locations.libraryDir + QStringLiteral("/quillon-mdbread"));
    // The user's own folder is made on the first start, before the lock is taken in it.
    if (locations.inUserFolder && !QDir().mkpath(locations.dataDir))
        qWarning("Quillon: cannot make %s", qPrintable(locations.dataDir));

    // The socket only finds this user's copy; the lock also keeps out a copy started under
    // another user name on the same data. It is taken before any database is opened.
    DataLock dataLock(locations.dataDir);
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

    // Empty databases, as quillon-initdb makes them, in the user's folder when one is missing
    // (the first start, or a start after the user removed one). What is there is kept; a data
    // file kept by a restore stops it, and the window names the files then.
    if (locations.inUserFolder
        && !(QFileInfo::exists(locations.dataMdbPath) && QFileInfo::exists(locations.workMdbPath))) {
        const schema::ProvisionReport report = schema::provisionDataDir(locations.dataDir);
        if (!report.ok())
            QTextStream(stderr) << "Quillon: " << report.error.simplified() << '\n';
    }

    // Where this PC keeps its data: the local data file unless the settings file names a
    // server. A settings file that cannot be used is said in the status line; nothing is opened.
    const db::DataSource source = db::readDataSource(db::settingsFilePath());
    if (!source.problem.isEmpty())
        QTextStream(stderr) << "Quillon: " << source.problem.simplified() << '\n';
    db::setDataSource(source);

    QLNV window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &QLNV::bringToFront);
    window.Form_Load(locations);
    if (check)
        return checkInstallation(window, locations) ? 0 : 1;
    return app.exec();
}
