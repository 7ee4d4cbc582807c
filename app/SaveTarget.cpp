#include "app/SaveTarget.h"

#include "app/DialogChooser.h"
#include "app/Msg.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ModQLNV {

QString chooseSaveTarget(QWidget *parent, const QString &title, const QString &proposed, const QString &filter,
                         const QString &suffix, const QString &what)
{
    QString path = dialogChooser().chooseSaveFile(parent, title, proposed, filter);
    if (path.isEmpty())
        return {};
    if (!path.endsWith(suffix, Qt::CaseInsensitive))
        path += suffix;
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable()) {
        msg::showFailure(QStringLiteral("フォルダ %1 に書き込めないため、%2 を保存できませんでした。保存先を選び直してください。")
                             .arg(QDir::toNativeSeparators(folder), what));
        return {};
    }
    if (target.exists()
        && !msg::askDefaultNo(QStringLiteral("ファイル %1 はすでにあります。置き換えますか？").arg(QDir::toNativeSeparators(path))))
        return {};
    return path;
}

QString startFolder(const QString &preferred)
{
    if (!preferred.isEmpty() && QFileInfo(preferred).isDir())
        return preferred;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace ModQLNV
