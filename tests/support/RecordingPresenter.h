#pragma once
// Stands in for every message box and for the colour and file dialogs while it lives:
// records what would have been shown and answers as scripted.
//
//   RecordingPresenter boxes;
//   boxes.answers << QMessageBox::No;          // the first question is answered No
//   ... run the code ...
//   EXPECT_EQ(boxes.shown.size(), 1);
//
// With no scripted answer left a box is answered with its default button, and a dialog is
// cancelled.
#include "app/DialogChooser.h"
#include "app/Msg.h"

#include <QColor>
#include <QList>
#include <QMessageBox>
#include <QQueue>
#include <QString>

#include <optional>

class RecordingPresenter : public msg::MessagePresenter, public ModQLNV::DialogChooser
{
public:
    struct ColorRequest {
        QColor initial;
        QList<QColor> customColors;
    };
    struct FileRequest {
        QString title;
        QString dir; // the folder, or for a save the proposed path
        QString filter;
        QString selectedFilter;
    };

    RecordingPresenter();
    ~RecordingPresenter() override;
    RecordingPresenter(const RecordingPresenter &) = delete;
    RecordingPresenter &operator=(const RecordingPresenter &) = delete;

    // Scripted answers, taken from the front.
    QQueue<QMessageBox::StandardButton> answers;
    QQueue<std::optional<QColor>> colorAnswers; // nullopt cancels
    QQueue<QString> fileAnswers;                // an empty text cancels (open, save and folder alike)

    // What was asked, in order.
    QList<msg::MessageBoxSpec> shown;
    QList<QMessageBox::StandardButton> given; // the answer returned for each box
    QList<ColorRequest> colorRequests;
    QList<FileRequest> fileRequests;

    // The texts of the boxes shown, for short assertions.
    QStringList texts() const;
    void clear();

    QMessageBox::StandardButton present(QWidget *parent, const msg::MessageBoxSpec &box) override;
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial,
                                      const QList<QColor> &customColors) override;
    QString chooseOpenFile(QWidget *parent, const QString &title, const QString &dir,
                           const QString &filter, const QString &selectedFilter) override;
    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposed,
                           const QString &filter) override;
    QString chooseFolder(QWidget *parent, const QString &title, const QString &dir) override;

private:
    msg::MessagePresenter *m_previousPresenter = nullptr;
    ModQLNV::DialogChooser *m_previousChooser = nullptr;
};
