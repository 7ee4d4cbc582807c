#include "support/RecordingPresenter.h"

RecordingPresenter::RecordingPresenter()
    : m_previousPresenter(msg::setMessagePresenter(this))
    , m_previousChooser(ModQLNV::setDialogChooser(this))
{
}

RecordingPresenter::~RecordingPresenter()
{
    msg::setMessagePresenter(m_previousPresenter);
    ModQLNV::setDialogChooser(m_previousChooser);
}

QStringList RecordingPresenter::texts() const
{
    QStringList out;
    for (const auto &box : shown)
        out << box.text;
    return out;
}

void RecordingPresenter::clear()
{
    answers.clear();
    colorAnswers.clear();
    fileAnswers.clear();
    shown.clear();
    given.clear();
    colorRequests.clear();
    fileRequests.clear();
}

QMessageBox::StandardButton RecordingPresenter::present(QWidget *, const msg::MessageBoxSpec &box)
{
    shown << box;
    const QMessageBox::StandardButton answer = answers.isEmpty() ? box.defaultButton : answers.dequeue();
    given << answer;
    return answer;
}

std::optional<QColor> RecordingPresenter::chooseColor(QWidget *, const QColor &initial,
                                                      const QList<QColor> &customColors)
{
    colorRequests << ColorRequest{initial, customColors};
    return colorAnswers.isEmpty() ? std::nullopt : colorAnswers.dequeue();
}

QString RecordingPresenter::chooseOpenFile(QWidget *, const QString &title, const QString &dir,
                                           const QString &filter, const QString &selectedFilter)
{
    fileRequests << FileRequest{title, dir, filter, selectedFilter};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString RecordingPresenter::chooseSaveFile(QWidget *, const QString &title, const QString &proposed, const QString &filter)
{
    fileRequests << FileRequest{title, proposed, filter, {}};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}

QString RecordingPresenter::chooseFolder(QWidget *, const QString &title, const QString &dir)
{
    fileRequests << FileRequest{title, dir, {}, {}};
    return fileAnswers.isEmpty() ? QString() : fileAnswers.dequeue();
}
