#include "app/shell/QLNV.h"
#include "app/shell/SingleInstance.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));

    SingleInstance instance(SingleInstance::defaultKey());
    if (!instance.becomePrimary())
        return 0;

    QLNV window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, &QLNV::bringToFront);
    window.Form_Load(QCoreApplication::applicationDirPath());
    return app.exec();
}
