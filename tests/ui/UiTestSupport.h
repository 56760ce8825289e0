#pragma once

#include "mdlPakFile.h"

#include <QString>
#include <QStringList>

#include <ostream>

#include <functional>
#include <string>

// A FILETIME for a moment given in UTC.
FileTime UtcFileTime(int year, int month, int day, int hour, int minute, int second);

// What a modal message box showed.
struct MessageBoxSeen
{
    bool Shown = false;
    QString Title;
    QString Text;
    int Icon = 0;
};

// Runs action while answering the first message box it opens with OK.
MessageBoxSeen ExpectMessageBox(const std::function<void()> &action);

// Runs action and answers any message box it opens; returns how many there
// were, and their texts in texts when given.
int AnswerMessageBoxes(const std::function<void()> &action, QStringList *texts = nullptr);

class QFileDialog;

// Runs answer on the modal file dialog once it is shown, while action runs; a
// dialog that is still open two seconds later fails the test and is cancelled.
void WithModalDialog(const std::function<void(QFileDialog *)> &answer,
                     const std::function<void()> &action);

// Empties the viewer's settings store: Linux, the SQLite file below the test's
// own $XDG_CONFIG_HOME; Windows, the keys the viewer and these tests write, in
// the registry of the test run's Wine prefix (a test on a real Windows skips).
// UiTestSupportPosix.cpp, UiTestSupportWin32.cpp.
void ForgetSettings();
// True while the viewer has stored nothing.
bool NothingStored();
// An absolute path given in Linux's form ("/opt/kmxp") in the system's own
// form: unchanged on Linux, "C:\opt\kmxp" on Windows.
std::string SystemPath(const std::string &path);

// The language file of a test program: name below the temporary folder, set
// once for the whole run.
const std::string &LanguageFileNamed(const std::string &name);

// Processes pending events and deferred deletions.
void Flush();

// UTF-8 text as a QString ("Größe"_q), since the project forbids implicit casts.
inline QString operator""_q(const char *text, size_t size)
{
    return QString::fromUtf8(text, static_cast<qsizetype>(size));
}

// Readable QString values in test failure messages.
void PrintTo(const QString &text, std::ostream *out);
void PrintTo(const QStringList &texts, std::ostream *out);
