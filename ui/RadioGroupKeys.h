// Keyboard use of a group of radio buttons as on other desktops: the group is one stop of the
// Tab chain, at its checked button, and each arrow key selects the next (Right, Down) or the
// previous (Left, Up) button in the group's order. Qt stops Tab at every button of the group and
// moves by position: Right at the end of a row, or in a column, moved the focus on without
// selecting anything, where Down selected.
#pragma once

#include <QObject>

class QAbstractButton;
class QButtonGroup;

class RadioGroupKeys : public QObject {
    Q_OBJECT
public:
    // Watches the buttons `group` holds now; it is a child of the group.
    explicit RadioGroupKeys(QButtonGroup* group);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Only the checked button (the first while none is) takes the focus by Tab.
    void FollowCheckedButton();
    void Step(QAbstractButton* from, int step);

    QButtonGroup* m_group;
};
