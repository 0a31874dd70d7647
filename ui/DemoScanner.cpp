#include "ui/DemoScanner.h"

#include <QAbstractButton>
#include <QComboBox>

#include "protocols/DeviceModel.h"
#include "ui/ControlIds.h"
#include "ui/PlotwellDlg.h"

std::unique_ptr<PseudoTerminalScanner> StartDemoScanner(const DeviceModel& model, std::string* reason)
{
    const SimulatedScannerSettings settings = ModelScannerSettings(model, CodesForName(model.szName).protocol);
    auto demo = std::make_unique<PseudoTerminalScanner>(settings, model.nBaudRate);
    if (!demo->Open(reason)) {
        *reason = "No pseudo-terminal for the demo scanner: " + *reason;
        return nullptr;
    }
    if (!demo->Start(reason))
        return nullptr;
    return demo;
}

void ChooseModel(CPlotwellDlg& dialog, const DeviceModel& model)
{
    qobject_cast<QComboBox*>(dialog.Control(ControlId::MODEL))->setCurrentText(QString::fromLatin1(model.szName));
}

void OpenDemo(CPlotwellDlg& dialog, const std::string& path, const DeviceModel& model)
{
    qobject_cast<QAbstractButton*>(dialog.Control(ControlId::RANGE_6M))->click();
    auto* ports = qobject_cast<QComboBox*>(dialog.Control(ControlId::PORT));
    ports->setCurrentIndex(ports->findData(QString::fromStdString(path)));
    ChooseModel(dialog, model);
    qobject_cast<QAbstractButton*>(dialog.Control(ControlId::OPEN_CLOSE))->click();
}
