#include "SettingsTestSupport.h"

#include "cRegistry.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace RegistryTypes;

namespace {

const std::string RaceKey = "Software\\Brindlecote\\Race";

std::string Payload(int writer, int i)
{
    // Large enough that a write spans several pages of the file.
    return "writer " + std::to_string(writer) + " value " + std::to_string(i) + " " +
           std::string(static_cast<size_t>(1500 + i % 700), static_cast<char>('a' + i % 26));
}

void WriteValue(cRegistry &reg, int writer, int i)
{
    reg.SetValueKey(std::to_string(writer) + "-" + std::to_string(i));
    reg.SetValueType(REG_SZ);
    reg.SetValue(Variant(Payload(writer, i)));
}

// Runs body in a child process that ends with _exit (never back into the test runner).
template <class F> pid_t Spawn(F &&body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 3;
        try {
            rc = body();
        } catch (const std::exception &e) {
            std::fprintf(stderr, "child: %s\n", e.what());
            rc = 4;
        } catch (...) {
            rc = 4;
        }
        ::_exit(rc);
    }
    return pid;
}

int ExitStatus(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

using StoreProcessTest = StoreTest;

TEST_F(StoreProcessTest, TwoWritersAtOnceLoseNothing)
{
    constexpr int Count = 1000;
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = Spawn([&] {
            ::close(gate[1]);
            char c;
            (void)!::read(gate[0], &c, 1); // returns when the parent opens the gate
            cRegistry reg;
            reg.SetClassKey(HKEY_CURRENT_USER);
            reg.SetSectionKey(RaceKey);
            for (int i = 0; i < Count; ++i)
                WriteValue(reg, w, i);
            return 0;
        });
        ASSERT_GT(writers[w], 0);
    }
    ::close(gate[0]);
    ::close(gate[1]); // both start together
    EXPECT_EQ(ExitStatus(writers[0]), 0);
    EXPECT_EQ(ExitStatus(writers[1]), 0);

    cRegistry reg;
    reg.SetClassKey(HKEY_CURRENT_USER);
    reg.SetSectionKey(RaceKey);
    std::vector<std::string> names;
    int32_t found = 0;
    reg.EnumerateValues(names, found);
    EXPECT_EQ(found, 2 * Count);
    int wrong = 0;
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < Count; ++i) {
            reg.SetValueKey(std::to_string(w) + "-" + std::to_string(i));
            wrong += reg.Value().ToString() != Payload(w, i);
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(StoreProcessTest, KilledWriterLeavesEveryCommittedValue)
{
    // Several rounds, each killed at another moment of its run of writes.
    std::vector<int> committed;
    for (int round = 0; round < 3; ++round) {
        int acks[2];
        ASSERT_EQ(::pipe(acks), 0);
        const pid_t pid = Spawn([&] {
            ::close(acks[0]);
            cRegistry reg;
            reg.SetClassKey(HKEY_CURRENT_USER);
            reg.SetSectionKey(RaceKey);
            for (int i = 0;; ++i) {
                WriteValue(reg, round, i);
                if (::write(acks[1], &i, sizeof i) != sizeof i)
                    return 5;
            }
        });
        ASSERT_GT(pid, 0);
        ::close(acks[1]);
        int last = -1, i = 0;
        while (last < 40 + 37 * round && ::read(acks[0], &i, sizeof i) == sizeof i)
            last = i;
        ::kill(pid, SIGKILL);
        EXPECT_EQ(ExitStatus(pid), 128 + SIGKILL);
        while (::read(acks[0], &i, sizeof i) == sizeof i)
            last = i; // acknowledged before the kill landed
        ::close(acks[0]);
        committed.push_back(last);

        cRegistry reg;
        reg.SetClassKey(HKEY_CURRENT_USER);
        reg.SetSectionKey(RaceKey);
        for (int r = 0; r <= round; ++r) {
            int wrong = 0;
            for (int v = 0; v <= committed[static_cast<size_t>(r)]; ++v) {
                reg.SetValueKey(std::to_string(r) + "-" + std::to_string(v));
                reg.SetDefault(Variant("<missing>"));
                wrong += reg.Value().ToString() != Payload(r, v);
            }
            EXPECT_EQ(wrong, 0) << "round " << r;
            // The write under way when the process died is there whole or not at all.
            reg.SetValueKey(std::to_string(r) + "-" + std::to_string(committed[r] + 1));
            const auto next = reg.Value().ToString();
            EXPECT_TRUE(next == "<missing>" || next == Payload(r, committed[r] + 1));
        }
    }
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(StorePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    sqlite3_close(db);
}
