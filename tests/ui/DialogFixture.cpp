#include "DialogFixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include "acquisition/SharedState.h"
#include "ui/FileNote.h"
#include "ui/MessageBox.h"

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qWait(5);
    }
    return true;
}

void Settle(int ms)
{
    QTest::qWait(ms);
}

void DialogTest::SetUp()
{
    ResetSharedState();
    scratch.MakeFolder("sys");
    scratch.MakeFolder("lock");
    scratch.MakeFolder("proc");
    roots.sysClassTty = scratch / "sys";
    roots.serialById = scratch / "by-id";
    roots.lockDirs = {scratch / "lock"};
    roots.proc = scratch / "proc";
    SetMessageSink([this](const QString& text) { messages << text; });
}

void DialogTest::TearDown()
{
    dialog.reset();
    SetMessageSink({});
}

CPlotwellDlg& DialogTest::MakeDialog(DialogLanguage language, std::vector<std::string> extraPorts,
                                     const Ros2Options& ros2, std::optional<ListenAddress> serve)
{
    DialogOptions options;
    options.language = language;
    options.roots = roots;
    options.extraPorts = std::move(extraPorts);
    options.ros2 = ros2;
    options.serve = serve;
    options.detectSeconds = detectSeconds;
    dialog = std::make_unique<CPlotwellDlg>(options);
    return *dialog;
}

QString DialogTest::Text(int id)
{
    QWidget* control = dialog->Control(id);
    if (auto* note = qobject_cast<FileNote*>(control))
        return note->FullText();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    return QString();
}

void DialogTest::Enter(int id, const QString& text)
{
    QLineEdit* edit = Edit(id);
    edit->setFocus();
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}
