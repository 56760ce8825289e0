#include "ExtractTestSupport.h"

#include "UiTestSupport.h"
#include "cInifile.h"
#include "mdlI18n.h"
#include "mdlState.h"
#include "mdlTools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

struct ModalDriver::State
{
    std::deque<Handler> Handlers;
    QTimer Timer;
    bool Pending = false;
};

ModalDriver::ModalDriver(std::vector<Handler> handlers) : m_state(std::make_unique<State>())
{
    for (auto &handler : handlers)
        m_state->Handlers.push_back(std::move(handler));
    m_state->Timer.setInterval(5);
    QObject::connect(&m_state->Timer, &QTimer::timeout, [this] {
        if (m_state->Pending || m_state->Handlers.empty())
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible())
            return;
        // Handled outside the timer's slot: a handler that opens another modal
        // window runs its loop, in which this timer must fire again.
        m_state->Pending = true;
        QMetaObject::invokeMethod(
            &m_state->Timer,
            [this] {
                m_state->Pending = false;
                QWidget *current = QApplication::activeModalWidget();
                if (current == nullptr || m_state->Handlers.empty())
                    return;
                Handler handler = std::move(m_state->Handlers.front());
                m_state->Handlers.pop_front();
                if (handler(current))
                    ++m_handled;
                else
                    m_state->Handlers.push_front(std::move(handler));
            },
            Qt::QueuedConnection);
    });
    m_state->Timer.start();
}

ModalDriver::~ModalDriver()
{
    m_state->Timer.stop();
    EXPECT_TRUE(m_state->Handlers.empty()) << m_state->Handlers.size() << " windows never came up";
    // A window still open would block the next test.
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
}

ModalDriver::Handler AnswerBox(int standardButton, QString *text)
{
    return [standardButton, text](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (box == nullptr)
            return false;
        if (text != nullptr)
            *text = box->text();
        QAbstractButton *button =
            box->button(static_cast<QMessageBox::StandardButton>(standardButton));
        if (button == nullptr)
            return false;
        button->click();
        return true;
    };
}

const std::string &ExtractTest::LanguageFile()
{
    return LanguageFileNamed("extract.lng");
}

void ExtractTest::SetUp()
{
    RemoveFile(LanguageFile());
    ForgetSettings();
    mdlState::AppSettings = AppSettingsRecord{};
    mdlState::AppSettings.RecentDirsMax = 10;
    mdlState::AppSettings.UsePathNames = 1;
    m_work = std::make_unique<TempDir>();
    m_target = std::make_unique<TempDir>();
    m_view.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view.setModel(&m_model);
}

void ExtractTest::TearDown()
{
    Flush();
    m_model.Clear();
    RemoveFile(LanguageFile());
}

void ExtractTest::Load(const std::vector<PakWriterEntry> &entries, bool withTimes)
{
    PakWriterOptions options;
    options.WithTimeTable = withTimes;
    const std::string path = Work("test.pak");
    ASSERT_TRUE(WritePak(path, entries, options));
    ASSERT_TRUE(ReadPakFile(path, m_archive));
    m_model.Load(m_archive);
}

void ExtractTest::Select(const std::vector<int> &rows)
{
    m_view.clearSelection();
    for (const int row : rows)
        m_view.selectionModel()->select(m_model.index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

PakWriterEntry Entry(const std::string &name, const std::string &data, uint64_t lastWrite)
{
    PakWriterEntry entry;
    entry.Name = name;
    entry.Data = data;
    entry.CreationTime = entry.LastAccessTime = entry.LastWriteTime = lastWrite;
    return entry;
}

std::vector<std::string> SectionKeys(const std::string &file, const std::string &section)
{
    cInifile ini;
    ini.SetPath(file);
    ini.SetSection(section);
    std::vector<std::string> keys;
    int32_t count = 0;
    ini.EnumerateCurrentSection(keys, count);
    keys.resize(static_cast<size_t>(count));
    return keys;
}
