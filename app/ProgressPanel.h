#pragma once
// The small progress notice of long operations ("登録中です････"): a raised frame with one
// label, floating over the middle of its parent outside any layout, so that showing it moves
// nothing.
#include <QFrame>

class QLabel;

class ProgressPanel : public QFrame
{
    Q_OBJECT
public:
    // The frame and its label get the objectNames the window gives them (CnEntryMsg, EntryMsg).
    ProgressPanel(const QString &name, const QString &labelName, QWidget *parent);

    QLabel *label() const { return m_label; }

    // Shows text over the parent and lets the screen repaint before the blocking work begins.
    // Input waits meanwhile, so that no second click can start anything.
    void showText(const QString &text);
    // Hides the notice and repaints the parent.
    void finish();

private:
    QLabel *m_label = nullptr;
};

namespace progress {
// The texts of the notices; the dots are four half-width middle dots.
inline const QString Reading = QStringLiteral("読込中です････");
inline const QString Saving = QStringLiteral("登録中です････");
} // namespace progress
