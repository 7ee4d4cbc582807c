#include "masters/MasterActions.h"

#include "app/Database.h"
#include "app/Msg.h"
#include "app/ProgressPanel.h"
#include "masters/MasterCopyModel.h"
#include "masters/MasterGrid.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QProgressDialog>

#include <limits>

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

QString changedElsewhereText(const QString &item)
{
    return QStringLiteral("ほかのパソコンで%1が変更されたため、登録しませんでした。画面の一覧はそのまま残っています。\n"
                          "「読込」で読み直してから、もう一度変更して登録してください。")
        .arg(item);
}

bool readIntoGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const QStringList &orderBy,
                  const WindowTexts &texts)
{
    notice->showText(progress::Reading);
    const bool read = readCopy(db::work(), table, orderBy, &grid->masterModel()->readAt());
    // Shown again either way: after a failure the copy is as it was.
    grid->reselect(0);
    notice->finish();
    if (!read) {
        qCWarning(lcMasters).noquote() << table.master << "not read:" << db::lastError();
        msg::showFailure(QStringLiteral("%1を読み込めませんでした。").arg(texts.item));
        return false;
    }
    grid->masterModel()->setChanged(false);
    return true;
}

bool registerGrid(MasterGrid *grid, ProgressPanel *notice, const MasterTable &table, const WindowTexts &texts)
{
    if (!grid->post())
        return false;
    if (!msg::Msg表示(QStringLiteral("登録"), QStringLiteral("確認"), texts.item))
        return false;
    notice->showText(progress::Saving);
    const RegisterOutcome outcome = registerCopy(db::work(), table, &grid->masterModel()->readAt());
    notice->finish();
    switch (outcome.status) {
    case RegisterStatus::Registered:
        grid->reselect();
        grid->masterModel()->setChanged(false);
        return true;
    case RegisterStatus::Duplicates:
        msg::showFailure(QStringLiteral("同じ%1が２行以上あるため、登録しませんでした。\n%2\n"
                                        "どちらかの%1を直すか、行を削除してから登録してください。")
                             .arg(table.key, nameList(outcome.duplicates)));
        return false;
    case RegisterStatus::Changed:
        // The copy stays on screen; 読込 shows the master as it is now.
        qCInfo(lcMasters).noquote() << table.master << "not registered: written to since the copy was read";
        msg::showFailure(changedElsewhereText(texts.item));
        return false;
    case RegisterStatus::Failed:
        qCWarning(lcMasters).noquote() << table.master << "not registered:" << db::lastError();
        msg::showFailure(QStringLiteral("%1を登録できませんでした。登録済みの%2は変更されていません。").arg(texts.item, texts.noun));
        return false;
    }
    return false;
}

void clearGrid(MasterGrid *grid, const MasterTable &table)
{
    MasterCopyModel *model = grid->masterModel();
    const bool hadRows = model->storedRowCount() > 0;
    if (!clearCopy(db::work(), table))
        msg::showFailure(QStringLiteral("一覧を空にできませんでした。"));
    else if (hadRows)
        model->setChanged(true);
    grid->reselect(0);
}

bool deleteTickedRows(MasterGrid *grid, const MasterTable &table, const WindowTexts &texts)
{
    if (!grid->post())
        return false;
    if (!msg::Msg表示(QStringLiteral("削除"), QStringLiteral("指定確認"), texts.item))
        return false;
    const std::optional<int> deleted = deleteTicked(db::work(), table, &grid->masterModel()->readAt());
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

bool importIntoGrid(MasterGrid *grid, ProgressPanel *notice, const QString &item, const ImportRun &run)
{
    notice->showText(progress::Reading);
    QProgressDialog dialog(QStringLiteral("リンクファイルを読み込んでいます…"), QStringLiteral("中止"), 0, 0, grid->window());
    dialog.setObjectName(QStringLiteral("dlgリンク読込"));
    dialog.setWindowTitle(item);
    // The rest of the program waits: a second import, a restore or a reset of the data started
    // from another window inside this one would work on what this one is about to replace.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(500); // a file of a few hundred rows is read before it would show
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    const auto progress = [&dialog](qint64 done, qint64 total) {
        const int maximum = int(qMin<qint64>(total, std::numeric_limits<int>::max()));
        if (dialog.maximum() != maximum)
            dialog.setMaximum(maximum);
        dialog.setValue(int(qMin<qint64>(done, maximum)));
        // Until the dialog shows, input waits; once it shows, only the dialog takes it.
        QCoreApplication::processEvents(dialog.isVisible() ? QEventLoop::AllEvents
                                                           : QEventLoop::ExcludeUserInputEvents);
        return !dialog.wasCanceled();
    };
    const linkimport::Outcome outcome = run(progress);
    dialog.close();
    grid->reselect(0);
    notice->finish();

    switch (outcome.status) {
    case linkimport::Status::Imported:
        grid->masterModel()->setChanged(true);
        if (!outcome.missing.isEmpty())
            msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                         QStringLiteral("リンクファイルに次の項目がないため、その部分は空のまま読み込みました。\n%1")
                             .arg(outcome.missing.join(QStringLiteral("、"))));
        return true;
    case linkimport::Status::NotKnown:
        return false;
    case linkimport::Status::Cancelled:
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                     QStringLiteral("読込を中止しました。一覧は変わっていません。"));
        return false;
    case linkimport::Status::Failed:
        msg::showFailure(QStringLiteral("%1 を読み込めませんでした。\n%2\n一覧は変わっていません。").arg(item, outcome.problem));
        return false;
    }
    return false;
}

bool mayClose(QWidget *window, bool unregisteredChanges)
{
    if (!unregisteredChanges)
        return true;
    // Asked as the program closes, the window may stand behind the main window: brought
    // forward, the list asked about is in view. Enter keeps the edits: closing loses them.
    window->raise();
    return msg::askDefaultNo(QStringLiteral("登録されていない変更があります。閉じてもよろしいですか？"));
}

} // namespace masters
