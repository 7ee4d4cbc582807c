#include "settings/PickOnlyCombo.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>

namespace settings {

namespace {

class PickOnlyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Backspace)
                return true;
            // Typed text searches the list; Space opens it and is left alone.
            const QString text = key->text();
            if (!text.isEmpty() && text != QStringLiteral(" ") && text.at(0).isPrint()
                && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
                return true;
            break;
        }
        case QEvent::InputMethod:
            return true;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void makePickOnly(QComboBox *combo)
{
    combo->setEditable(false);
    combo->setAttribute(Qt::WA_InputMethodEnabled, false);
    auto *filter = new PickOnlyFilter(combo);
    combo->installEventFilter(filter);
    combo->view()->installEventFilter(filter);
    combo->view()->setAttribute(Qt::WA_InputMethodEnabled, false);
}

} // namespace settings
