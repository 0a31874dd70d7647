// The port list: a drop-down that tells whether the operator has it open, so that the periodic
// refresh never pulls the entries away under the pointer.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QStringList>

class PortComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The list view is visible exactly while the popup is, however the popup was closed.
    bool IsPopupOpen() const { return view() != nullptr && view()->isVisible(); }

    // The device path behind each entry, in list order.
    QStringList Paths() const
    {
        QStringList paths;
        for (int i = 0; i < count(); ++i)
            paths << itemData(i).toString();
        return paths;
    }
};
