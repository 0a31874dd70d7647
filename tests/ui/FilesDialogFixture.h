// What the recording and playback tests of the dialog share: a clean recording and playback
// state, records written into the scratch tree, data files, and file drops as the window
// system delivers them.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <vector>

#include "DialogFixture.h"

// Three markers: two frames for the marker index of the default model.
inline const std::vector<uint8_t> THREE_MARKERS = {0xAA, 0x55, 0x01, 0x01, 0x10, 0xAA, 0x55, 0x01,
                                                   0x01, 0x20, 0xAA, 0x55, 0x01, 0x01};

class FilesDialogTest : public DialogTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A shown dialog, laid out, so that drop points land on its controls.
    CPlotwellDlg& ShowDialog(DialogLanguage language, std::vector<std::string> extraPorts = {});
    // The centre of control `id` in dialog coordinates.
    QPoint CentreOf(int id);
    // Writes `bytes` as a raw data file ("%02X " each) into the scratch tree; returns its path.
    QString WriteDataFile(const std::string& name, const std::vector<uint8_t>& bytes);

    std::string recordDir;
};

// Drags `paths` onto the dialog at `position` (dialog coordinates) and drops them: enter and drop
// go to the widget under the point, carrying the URLs and, as file managers do, the paths as text.
void DropFiles(CPlotwellDlg& dialog, const QPoint& position, const QStringList& paths);
void DropUrls(CPlotwellDlg& dialog, const QPoint& position, const QList<QUrl>& urls);
