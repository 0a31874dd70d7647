#include "ui/RadioGroupKeys.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>

RadioGroupKeys::RadioGroupKeys(QButtonGroup* group) : QObject(group), m_group(group)
{
    for (QAbstractButton* button : group->buttons())
        button->installEventFilter(this);
    connect(group, &QButtonGroup::buttonToggled, this, &RadioGroupKeys::FollowCheckedButton);
    FollowCheckedButton();
}

void RadioGroupKeys::FollowCheckedButton()
{
    const QList<QAbstractButton*> buttons = m_group->buttons();
    QAbstractButton* stop = m_group->checkedButton() != nullptr ? m_group->checkedButton() : buttons.value(0);
    for (QAbstractButton* button : buttons)
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool RadioGroupKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Right:
    case Qt::Key_Down:
        Step(static_cast<QAbstractButton*>(watched), 1);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
        Step(static_cast<QAbstractButton*>(watched), -1);
        return true;
    default:
        return false;
    }
}

// The first and last buttons keep the focus: the key neither wraps round nor leaves the group.
void RadioGroupKeys::Step(QAbstractButton* from, int step)
{
    const QList<QAbstractButton*> buttons = m_group->buttons();
    for (qsizetype at = buttons.indexOf(from) + step; at >= 0 && at < buttons.size(); at += step) {
        QAbstractButton* next = buttons[at];
        if (!next->isEnabled())
            continue;
        next->click();
        next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return;
    }
}
