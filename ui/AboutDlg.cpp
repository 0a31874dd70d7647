#include "ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Plotwell"));
    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/plotwell.png")).pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("Plotwell, Version %1").arg(QStringLiteral(PLOTWELL_VERSION)));
    auto* note = new QLabel(QStringLiteral("Viewer for rotating 2-D laser range scanners"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1);
    grid->addWidget(note, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
