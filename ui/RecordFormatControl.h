// RECORD_DATA's choice of format and its MCAP recording: a box beside the float-format box
// ("Text": the text files, as before and by default; "MCAP": a recording written as it
// arrives), and the MCAP output that the dialog attaches to its output stage. The dialog asks
// it to start and stop; it names the file, and tells what the writer holds and whether it failed.
#pragma once

#include <QString>

#include "files/OutputFile.h"
#include "recording/McapOutput.h"

class QComboBox;
class QWidget;

enum class RecordFormat { Text, Mcap };

class RecordFormatControl {
public:
    explicit RecordFormatControl(RecordFormat initial);

    // The box, made once; the dialog lays it out and owns it.
    QComboBox* CreateBox();
    RecordFormat Chosen() const;
    // The choice cannot change while a recording runs.
    void SetEnabled(bool enabled);

    // Attached to the output stage before it starts, kept to the end.
    McapOutput& Output() { return m_output; }

    // A new "Scan_<local time>.mcap" in the record directory, recorded from the next revolution.
    // WRITTEN (the recording runs) or FAILED with the reason.
    FileWriteResult Start();
    // Completes the file; WRITTEN, or FAILED with what went wrong (what was written stays).
    FileWriteResult Stop();
    bool Recording() const { return m_output.Recording(); }
    const std::string& Path() const { return m_path; }
    // "1234 revolutions, 5.6 MB" so far.
    QString Held() const;

private:
    RecordFormat m_initial;
    QComboBox* m_box = nullptr;
    McapOutput m_output;
    std::string m_path;
};
