#include "UiTestSupport.h"

#include "TestSupport.h"
#include "mdlI18n.h"

#include <QApplication>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One QApplication for every test of the executable; the German locale makes
// the grouped numbers of the list predictable.
class QtEnvironment final : public testing::Environment
{
  public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "uitest";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void TearDown() override { m_app.reset(); }

  private:
    std::unique_ptr<QApplication> m_app;
};

const auto *const g_environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

} // namespace

FileTime UtcFileTime(int year, int month, int day, int hour, int minute, int second)
{
    const int64_t unixSeconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second;
    return static_cast<FileTime>(unixSeconds + 11644473600LL) * 10000000ULL;
}

int AnswerMessageBoxes(const std::function<void()> &action, QStringList *texts)
{
    int count = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&count, texts] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            ++count;
            if (texts != nullptr)
                texts->append(box->text());
            box->accept();
        }
    });
    timer.start();
    action();
    timer.stop();
    return count;
}

MessageBoxSeen ExpectMessageBox(const std::function<void()> &action)
{
    MessageBoxSeen seen;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&seen] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            if (!seen.Shown) {
                seen.Shown = true;
                seen.Title = box->windowTitle();
                seen.Text = box->text();
                seen.Icon = box->icon();
            }
            box->accept();
        }
    });
    timer.start();
    action();
    timer.stop();
    return seen;
}

const std::string &LanguageFileNamed(const std::string &name)
{
    static const std::string path = [&name] {
        std::string file = TempFolder() + "/" + name;
        EXPECT_TRUE(mdlI18n::SetLanguageFile(file));
        return file;
    }();
    return path;
}

void Flush()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            *out << ", ";
        PrintTo(texts.at(i), out);
    }
    *out << '}';
}

void WithModalDialog(const std::function<void(QFileDialog *)> &answer,
                     const std::function<void()> &action)
{
    QTimer timer;
    timer.setInterval(10);
    bool answered = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr || answered)
            return;
        answered = true;
        answer(dialog);
    });
    QTimer fallback;
    fallback.setInterval(2000);
    QObject::connect(&fallback, &QTimer::timeout, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "the dialog stayed open";
            dialog->reject();
        }
    });
    timer.start();
    fallback.start();
    action();
    timer.stop();
    EXPECT_TRUE(answered);
}
