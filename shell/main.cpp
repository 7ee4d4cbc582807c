#include "shell/QLNV.h"
#include "shell/SingleInstance.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
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

    QLNV window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &QLNV::bringToFront);
    window.Form_Load(QCoreApplication::applicationDirPath());
    return app.exec();
}
