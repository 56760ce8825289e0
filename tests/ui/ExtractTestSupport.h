#pragma once

#include "PakListModel.h"
#include "PakWriter.h"
#include "TestSupport.h"
#include "mdlPakFile.h"

#include <QAbstractButton>
#include <QString>
#include <QTableView>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

// Answers modal windows one after the other as they come up: each handler gets
// the active modal widget and returns true when it has dealt with it (false to
// be asked again on the next poll). Handlers left over at the end fail the test.
class ModalDriver final
{
  public:
    using Handler = std::function<bool(QWidget *)>;
    explicit ModalDriver(std::vector<Handler> handlers);
    ~ModalDriver();
    ModalDriver(const ModalDriver &) = delete;
    ModalDriver &operator=(const ModalDriver &) = delete;
    int Handled() const { return m_handled; }

  private:
    struct State;
    std::unique_ptr<State> m_state;
    int m_handled = 0;
};

// A handler that clicks the named button of a modal window of class T.
template <class T> ModalDriver::Handler Click(const char *button)
{
    return [button](QWidget *modal) {
        auto *window = qobject_cast<T *>(modal);
        if (window == nullptr)
            return false;
        auto *control = window->template findChild<QAbstractButton *>(QString::fromLatin1(button));
        if (control == nullptr)
            return false;
        control->click();
        return true;
    };
}
// A handler that clicks a message box's button of that role and keeps its text.
ModalDriver::Handler AnswerBox(int standardButton, QString *text = nullptr);

// Each test: an empty language file and registry store, the settings record at
// its start values with room for recent folders, and a fresh target folder.
class ExtractTest : public ::testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;

    // The language file of the whole test executable.
    static const std::string &LanguageFile();
    std::string Target() const { return m_target->path(); }
    std::string Work(const std::string &name) const { return *m_work / name; }

    // Writes an archive, loads it and lists it in a list view, unsorted.
    void Load(const std::vector<PakWriterEntry> &entries, bool withTimes = false);
    // Selects the rows at positions shown.
    void Select(const std::vector<int> &rows);

    PakArchive m_archive;
    PakListModel m_model;
    QTableView m_view;

  private:
    std::unique_ptr<TempDir> m_work;
    std::unique_ptr<TempDir> m_target;
};

PakWriterEntry Entry(const std::string &name, const std::string &data, uint64_t lastWrite = 0);
// The entries of the language file's section, in file order.
std::vector<std::string> SectionKeys(const std::string &file, const std::string &section);
