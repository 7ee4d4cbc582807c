#include "app/DialogChooser.h"

#include <QColorDialog>
#include <QFileDialog>

#include <algorithm>

namespace ModQLNV {

namespace {

class QtDialogChooser final : public DialogChooser
{
public:
    std::optional<QColor> chooseColor(QWidget *parent, const QColor &initial,
                                      const QList<QColor> &customColors) override
    {
        // The custom colours are shared by every colour dialog of the program.
        const int count = std::min<int>(int(customColors.size()), QColorDialog::customCount());
        for (int i = 0; i < count; ++i)
            QColorDialog::setCustomColor(i, customColors.at(i));
        const QColor chosen = QColorDialog::getColor(initial.isValid() ? initial : QColor(Qt::white), parent);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    }

    QString chooseOpenFile(QWidget *parent, const QString &title, const QString &dir,
                           const QString &filter, const QString &selectedFilter) override
    {
        QString selected = selectedFilter;
        return QFileDialog::getOpenFileName(parent, title, dir, filter, &selected);
    }

    QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposed,
                           const QString &filter) override
    {
        return QFileDialog::getSaveFileName(parent, title, proposed, filter, nullptr, QFileDialog::DontConfirmOverwrite);
    }

    QString chooseFolder(QWidget *parent, const QString &title, const QString &dir) override
    {
        return QFileDialog::getExistingDirectory(parent, title, dir);
    }
};

QtDialogChooser s_realChooser;
DialogChooser *s_chooser = &s_realChooser;

} // namespace

DialogChooser *setDialogChooser(DialogChooser *chooser)
{
    DialogChooser *previous = s_chooser;
    s_chooser = chooser ? chooser : &s_realChooser;
    return previous;
}

DialogChooser &dialogChooser()
{
    return *s_chooser;
}

} // namespace ModQLNV
