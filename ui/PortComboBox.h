// The port list: a drop-down that tells whether the operator has it open, so that the periodic
// refresh never pulls the entries away under the pointer.
#pragma once

#include <QComboBox>

class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    bool IsPopupOpen() const { return m_popupOpen; }

    void showPopup() override
    {
        m_popupOpen = true;
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        m_popupOpen = false;
    }

private:
    bool m_popupOpen = false;
};
