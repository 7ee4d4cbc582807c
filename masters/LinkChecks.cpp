#include "masters/LinkChecks.h"

#include "app/Msg.h"

#include <QFileInfo>

namespace masters {

bool linkReady(const QString &application, const QString &path, const QString &missingItem)
{
    if (application.isEmpty()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), QStringLiteral("リンクアプリが指定されてません"));
        return false;
    }
    if (path.isEmpty()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), QStringLiteral("リンクパスが指定されてません"));
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("ファイルなし"), missingItem);
        return false;
    }
    return true;
}

} // namespace masters
