#include "masters/MasterActions.h"

#include "app/Database.h"
#include "app/Msg.h"
#include "app/ProgressPanel.h"
#include "masters/MasterCopyModel.h"
#include "masters/MasterGrid.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMasters, "quillon.masters")

namespace masters {

QString nameList(const QStringList &names)
{
    constexpr int Shown = 10;
    QString text = names.mid(0, Shown).join(QStringLiteral("、"));
    if (names.size() > Shown)
        text += QStringLiteral(" ほか %1 件").arg(names.size() - Shown);
    return text;
}

bool readIntoGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const QString &orderBy,
                  const WindowTexts &texts)
{
    notice->showText(progress::Reading);
    const bool read = readCopy(db::work(), table, orderBy);
    // Shown again either way: after a failure the copy is as it was.
    grid->reselect(0);
    notice->finish();
    if (!read) {
        qCWarning(lcMasters).noquote() << table.master << "not read:" << db::lastError();
        msg::showFailure(QStringLiteral("%1を読み込めませんでした。").arg(texts.item));
    }
    return read;
}

bool registerGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const WindowTexts &texts)
{
    if (!grid->post())
        return false;
    if (!msg::Msg表示(QStringLiteral("登録"), QStringLiteral("確認"), texts.item))
        return false;
    notice->showText(progress::Saving);
    const RegisterOutcome outcome = registerCopy(db::work(), table);
    notice->finish();
    switch (outcome.status) {
    case RegisterStatus::Registered:
        grid->reselect();
        return true;
    case RegisterStatus::Duplicates:
        msg::showFailure(QStringLiteral("同じ%1が２行以上あるため、登録しませんでした。\n%2\n"
                                        "どちらかの%1を直すか、行を削除してから登録してください。")
                             .arg(table.key, nameList(outcome.duplicates)));
        return false;
    case RegisterStatus::Failed:
        qCWarning(lcMasters).noquote() << table.master << "not registered:" << db::lastError();
        msg::showFailure(QStringLiteral("%1を登録できませんでした。登録済みの%2は変更されていません。").arg(texts.item, texts.noun));
        return false;
    }
    return false;
}

bool deleteTickedRows(MasterGrid *grid, const MasterTable &table, const WindowTexts &texts)
{
    if (!grid->post())
        return false;
    if (!msg::Msg表示(QStringLiteral("削除"), QStringLiteral("指定確認"), texts.item))
        return false;
    const std::optional<int> deleted = deleteTicked(db::work(), table);
    if (!deleted) {
        qCWarning(lcMasters).noquote() << table.master << "ticked rows not deleted:" << db::lastError();
        msg::showFailure(QStringLiteral("指定された%1を削除できませんでした。%1は変更されていません。").arg(texts.noun));
        return false;
    }
    if (*deleted == 0)
        return false;
    grid->reselect();
    return true;
}

} // namespace masters
