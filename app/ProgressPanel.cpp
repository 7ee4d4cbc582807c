#include "app/ProgressPanel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>

ProgressPanel::ProgressPanel(const QString &name, const QString &labelName, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(name);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(40, 20, 40, 20);
    m_label = new QLabel(this);
    m_label->setObjectName(labelName);
    QFont font = m_label->font();
    font.setPointSizeF(font.pointSizeF() * 1.2);
    m_label->setFont(font);
    layout->addWidget(m_label);
    hide();
}

void ProgressPanel::showText(const QString &text)
{
    m_label->setText(text);
    adjustSize();
    if (QWidget *p = parentWidget())
        move((p->width() - width()) / 2, (p->height() - height()) / 2);
    show();
    raise();
    // The work that follows blocks the event loop: the notice (and whatever a question box
    // just uncovered) is painted now or never.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void ProgressPanel::finish()
{
    // Shown while its window was still hidden, the notice is not visible yet but would be.
    if (isHidden())
        return;
    hide();
    if (QWidget *p = parentWidget())
        p->repaint();
}
