// The program's message boxes: OK button, caption "Plotwell". Every box goes through here so
// that tests can catch the text instead of blocking on a modal box.
#pragma once

#include <QString>
#include <functional>

class QWidget;

constexpr const char* APP_TITLE = "Plotwell";

// Shows `text` with an OK button and an exclamation icon; a second line carries the reason
// when one is known. While another box is open it returns at once, and its box follows when
// the ones before it have been closed, in the order they were asked for.
void ShowMessage(QWidget* parent, const QString& text, const QString& reason = QString());

// Replaces the modal box by `sink` (tests); an empty function restores the box.
using MessageSink = std::function<void(const QString& text)>;
void SetMessageSink(MessageSink sink);
