// Measures vannerby-cli against GNU tar (and cp) on the same content, in the
// same run: small entries grouped by folder and interleaved across folders,
// four large entries, the listing of 100,000 entries, and the system calls per
// new small file. Every case runs in alternating pairs, each into a folder never
// used before; outputs stay until the caller deletes the work folder, because
// this file system creates files slowly right after a mass delete. Prints every
// pair and the median of the paired ratios; the targets are in the last column.
// Every timed run starts on a settled disk, so that no run pays for another's
// writing back.
//
// usage: bench_core VANNERBY-CLI WORK-FOLDER [PAIRS] [CASE...]
// CASE: grouped interleaved interleaved100k large list syscalls (default: all)
#include "PakWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Measure
{
    double seconds = 0;
    long peakKiB = 0;
};

// Starts full[0] (looked up in PATH) with its output to /dev/null and waits for
// it; the exit status, or -1 when it cannot be started. posix_spawn does not
// copy this process's memory, so the start costs the same small amount for
// every tool.
int spawnQuiet(const std::vector<std::string> &full, const std::string &cwd)
{
    std::vector<char *> argv;
    for (const auto &a : full)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// Runs a command with its output to /dev/null, under /usr/bin/time for the peak
// resident memory (a small parent, so the figure is the command's own).
Measure run(const std::vector<std::string> &args, const std::string &cwd = {})
{
    char timeFile[] = "/tmp/bench-time.XXXXXX";
    const int timeFd = mkstemp(timeFile);
    close(timeFd);
    std::vector<std::string> full = {"/usr/bin/time", "-f", "%M", "-o", timeFile};
    full.insert(full.end(), args.begin(), args.end());
    const auto start = std::chrono::steady_clock::now();
    const int status = spawnQuiet(full, cwd);
    if (status < 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s ... (status %d)\n", args[0].c_str(), status);
        std::exit(1);
    }
    long peak = 0;
    if (FILE *f = std::fopen(timeFile, "r")) {
        if (std::fscanf(f, "%ld", &peak) != 1)
            peak = 0;
        std::fclose(f);
    }
    unlink(timeFile);
    return {std::chrono::duration<double>(end - start).count(), peak};
}

// A minimal ustar archive with the same names, contents and times.
void writeTar(const std::string &path, const std::vector<PakWriterEntry> &entries)
{
    FILE *out = std::fopen(path.c_str(), "wb");
    std::set<std::string> folders;
    auto header = [&](const std::string &name, size_t size, char type, unsigned mode) {
        char h[512] = {};
        std::snprintf(h, 100, "%s", name.c_str());
        std::snprintf(h + 100, 8, "%07o", mode);
        std::snprintf(h + 108, 8, "%07o", 0);
        std::snprintf(h + 116, 8, "%07o", 0);
        std::snprintf(h + 124, 12, "%011zo", size);
        std::snprintf(h + 136, 12, "%011o", 1711848600u);
        std::memset(h + 148, ' ', 8);
        h[156] = type;
        std::memcpy(h + 257, "ustar", 6);
        std::memcpy(h + 263, "00", 2);
        unsigned sum = 0;
        for (unsigned char c : h)
            sum += c;
        std::snprintf(h + 148, 8, "%06o", sum);
        std::fwrite(h, 1, 512, out);
    };
    for (const auto &e : entries) {
        std::string name = e.Name;
        std::replace(name.begin(), name.end(), '\\', '/');
        // Every folder gets its own record before its first file, as tar -c writes them.
        for (size_t slash = name.find('/'); slash != std::string::npos;
             slash = name.find('/', slash + 1))
            if (folders.insert(name.substr(0, slash + 1)).second)
                header(name.substr(0, slash + 1), 0, '5', 0755);
        header(name, e.Data.size(), '0', 0644);
        std::fwrite(e.Data.data(), 1, e.Data.size(), out);
        static const char zeros[512] = {};
        std::fwrite(zeros, 1, (512 - e.Data.size() % 512) % 512, out);
    }
    static const char end[1024] = {};
    std::fwrite(end, 1, sizeof end, out);
    std::fclose(out);
}

// count entries of 100 B to 8 KiB; entry i in folder i mod 50, subfolder i mod 7.
std::vector<PakWriterEntry> smallEntries(int count)
{
    std::vector<PakWriterEntry> entries;
    uint32_t random = 12345;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "dir%02d\\sub%d\\file%06d.dat", i % 50, i % 7, i);
        random = random * 1664525u + 1013904223u;
        const size_t size = 100 + (random >> 8) % (8192 - 100 + 1);
        PakWriterEntry e{name, std::string(size, static_cast<char>('a' + i % 26))};
        e.CreationTime = e.LastAccessTime = e.LastWriteTime = 133563222000000000ULL;
        entries.push_back(std::move(e));
    }
    return entries;
}

// The same entries, listed folder by folder.
std::vector<PakWriterEntry> grouped(std::vector<PakWriterEntry> entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.Name.substr(0, a.Name.rfind('\\')) < b.Name.substr(0, b.Name.rfind('\\'));
    });
    return entries;
}

void makePair(const std::string &base, const std::vector<PakWriterEntry> &entries)
{
    PakWriterOptions options;
    options.WithTimeTable = true;
    WritePak(base + ".pak", entries, options);
    writeTar(base + ".tar", entries);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

struct Row
{
    std::string what;
    double vannerby = 0, other = 0; // median seconds
    std::string ratioName;
    double ratio = 0;
    std::string target;
    bool met = false;
};

bool onPath(const char *program)
{
    const char *path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

// The number of system calls a command makes, all threads, counted by strace.
long countSyscalls(const std::string &work, const std::vector<std::string> &args,
                   const std::string &cwd = {})
{
    const std::string counts = work + "/strace-" + std::to_string(getpid()) + ".txt";
    std::vector<std::string> full = {"strace", "-f", "-c", "-o", counts};
    full.insert(full.end(), args.begin(), args.end());
    if (spawnQuiet(full, cwd) < 0)
        return -1;
    long calls = -1;
    if (FILE *f = std::fopen(counts.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            std::istringstream words(line);
            std::vector<std::string> w;
            for (std::string word; words >> word;)
                w.push_back(word);
            if (w.size() >= 5 && w.back() == "total")
                calls = std::atol(w[3].c_str());
        }
        std::fclose(f);
    }
    unlink(counts.c_str());
    return calls;
}

// Writes the page cache back and waits until the disks have been idle for a
// fifth of a second (at most a minute), so that no timed run pays for the
// writing back, or discarding, of an earlier run's files.
void settle()
{
    sync();
    const auto busyTicks = [] {
        long long ticks = 0, inFlight = 0;
        if (FILE *f = std::fopen("/proc/diskstats", "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, f)) {
                long long v[10] = {};
                char name[64];
                if (std::sscanf(line,
                                "%*d %*d %63s %lld %lld %lld %lld %lld %lld %lld %lld %lld %lld",
                                name, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8],
                                &v[9]) == 11) {
                    inFlight += v[8];
                    ticks += v[9];
                }
            }
            std::fclose(f);
        }
        return inFlight > 0 ? -1 : ticks;
    };
    long long last = busyTicks();
    for (int waited = 0; waited < 300; ++waited) {
        usleep(200 * 1000);
        const long long now = busyTicks();
        if (now >= 0 && now == last)
            return;
        last = now;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_core VANNERBY-CLI WORK-FOLDER [PAIRS] [CASE...]\n");
        return 2;
    }
    const std::string cli = argv[1];
    mkdir(argv[2], 0755);
    char *absolute = realpath(argv[2], nullptr);
    if (!absolute) {
        std::fprintf(stderr, "cannot use %s\n", argv[2]);
        return 2;
    }
    // tar runs inside its output folder, so every path it is given is absolute.
    const std::string work = absolute;
    std::free(absolute);
    const int pairs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 9;
    std::set<std::string> cases(argv + std::min(argc, 4), argv + argc);
    const auto wanted = [&cases](const char *name) { return cases.empty() || cases.count(name); };
    int runCounter = 0;
    const auto freshFolder = [&] {
        const std::string folder = work + "/out" + std::to_string(++runCounter);
        mkdir(folder.c_str(), 0755);
        return folder;
    };

    std::printf("Preparing data in %s ...\n", work.c_str());
    std::fflush(stdout);
    const auto small20k = smallEntries(20000);
    if (wanted("grouped"))
        makePair(work + "/grouped20k", grouped(small20k));
    if (wanted("interleaved") || wanted("syscalls"))
        makePair(work + "/interleaved20k", small20k);
    if (wanted("interleaved100k") || wanted("list"))
        makePair(work + "/interleaved100k", smallEntries(100000));
    if (wanted("large")) {
        std::vector<PakWriterEntry> big;
        mkdir((work + "/large-src").c_str(), 0755);
        mkdir((work + "/large-src/big").c_str(), 0755);
        for (int i = 0; i < 4; ++i) {
            const std::string name = "part" + std::to_string(i) + ".bin";
            big.push_back(PakWriterEntry{"big\\" + name,
                                         std::string(256u << 20, static_cast<char>('0' + i))});
            FILE *f = std::fopen((work + "/large-src/big/" + name).c_str(), "wb");
            std::fwrite(big.back().Data.data(), 1, big.back().Data.size(), f);
            std::fclose(f);
        }
        makePair(work + "/large4", big);
    }
    settle();

    long peakVannerby = 0, peakLarge = 0;
    const auto vannerby = [&](const std::vector<std::string> &args) {
        std::vector<std::string> full = {cli};
        full.insert(full.end(), args.begin(), args.end());
        const Measure m = run(full);
        peakVannerby = std::max(peakVannerby, m.peakKiB);
        return m;
    };
    std::vector<Row> rows;

    // The listing first, before the extraction cases leave the disk busy writing back.
    if (wanted("list")) {
        std::vector<double> ratios, v, t;
        for (int i = 0; i < pairs; ++i) {
            double sv = 0, st = 0;
            for (int k = 0; k < 2; ++k) {
                if ((k == 0) == (i % 2 == 0))
                    sv = vannerby({"list", "-l", work + "/interleaved100k.pak"}).seconds;
                else
                    st = run({"tar", "-tvf", work + "/interleaved100k.tar"}).seconds;
            }
            v.push_back(sv);
            t.push_back(st);
            ratios.push_back(st / sv);
            std::printf("  list pair %d: vannerby %.4f s, tar %.4f s, tar/vannerby %.1f\n", i + 1,
                        sv, st, st / sv);
            std::fflush(stdout);
        }
        const double r = median(ratios);
        rows.push_back({"list -l, 100,000 entries", median(v), median(t), "tar / vannerby", r,
                        ">= 20", r >= 20});
    }

    if (wanted("large")) {
        // Before the small cases, whose hundreds of thousands of files leave the
        // disk busy long after they are written back.
        std::vector<double> toTar, toCp, v, t, c;
        for (int i = 0; i < pairs; ++i) {
            double sv = 0, st = 0, sc = 0;
            std::vector<std::string> outputs;
            for (int k = 0; k < 3; ++k) {
                settle();
                outputs.push_back(freshFolder());
                switch ((k + i) % 3) {
                case 0: {
                    const Measure m =
                        vannerby({"extract", "-C", outputs.back(), work + "/large4.pak"});
                    sv = m.seconds;
                    peakLarge = std::max(peakLarge, m.peakKiB);
                    break;
                }
                case 1:
                    st = run({"tar", "-xf", work + "/large4.tar"}, outputs.back()).seconds;
                    break;
                default:
                    sc = run({"cp", "-r", work + "/large-src/big", outputs.back()}).seconds;
                    break;
                }
            }
            // Twelve large files go at once, unlike the small outputs: three GiB
            // a round would otherwise fill a shared disk.
            for (const std::string &output : outputs) {
                for (int n = 0; n < 4; ++n)
                    unlink((output + "/big/part" + std::to_string(n) + ".bin").c_str());
                rmdir((output + "/big").c_str());
            }
            v.push_back(sv);
            t.push_back(st);
            c.push_back(sc);
            toTar.push_back(sv / st);
            toCp.push_back(sv / sc);
            std::printf("  large round %d: vannerby %.3f s, tar %.3f s, cp %.3f s, "
                        "vannerby/tar %.3f, vannerby/cp %.3f\n",
                        i + 1, sv, st, sc, sv / st, sv / sc);
            std::fflush(stdout);
        }
        rows.push_back({"4 x 256 MiB vs tar -xf", median(v), median(t), "vannerby / tar",
                        median(toTar), "(reference)", true});
        rows.push_back({"4 x 256 MiB vs cp", median(v), median(c), "vannerby / cp", median(toCp),
                        "<= 1.1", median(toCp) <= 1.1});
    }

    // vannerby against tar: pair i runs vannerby first when i is even, tar first when odd.
    const auto extractCase = [&](const char *what, const std::string &base) {
        std::vector<double> ratios, v, t;
        for (int i = 0; i < pairs; ++i) {
            double sv = 0, st = 0;
            for (int k = 0; k < 2; ++k) {
                settle();
                if ((k == 0) == (i % 2 == 0))
                    sv = vannerby({"extract", "-C", freshFolder(), base + ".pak"}).seconds;
                else
                    st = run({"tar", "-xf", base + ".tar"}, freshFolder()).seconds;
            }
            v.push_back(sv);
            t.push_back(st);
            ratios.push_back(sv / st);
            std::printf("  %s pair %d: vannerby %.3f s, tar %.3f s, ratio %.3f\n", what, i + 1, sv,
                        st, sv / st);
            std::fflush(stdout);
        }
        const double r = median(ratios);
        rows.push_back({what, median(v), median(t), "vannerby / tar", r, "<= 0.75", r <= 0.75});
    };
    if (wanted("grouped"))
        extractCase("20,000 small, grouped", work + "/grouped20k");
    if (wanted("interleaved"))
        extractCase("20,000 small, interleaved", work + "/interleaved20k");
    if (wanted("interleaved100k"))
        extractCase("100,000 small, interleaved", work + "/interleaved100k");

    std::string syscallLine;
    bool syscallsMet = true;
    if (wanted("syscalls")) {
        if (!onPath("strace")) {
            syscallLine = "system calls per new small file: skipped, strace is not installed";
        } else {
            const double files = static_cast<double>(small20k.size());
            const long v = countSyscalls(
                work, {cli, "extract", "-C", freshFolder(), work + "/interleaved20k.pak"});
            const long t =
                countSyscalls(work, {"tar", "-xf", work + "/interleaved20k.tar"}, freshFolder());
            char line[256];
            if (v < 0 || t < 0) {
                std::snprintf(line, sizeof line,
                              "system calls per new small file: skipped, strace could not trace");
            } else {
                syscallsMet = v / files <= 5;
                std::snprintf(line, sizeof line, "%-30s %12.2f %12.2f   %-16s %8s   %-12s %s",
                              "syscalls / new small file", v / files, t / files, "strace -f -c", "",
                              "<= 5", syscallsMet ? "met" : "MISSED");
            }
            syscallLine = line;
        }
    }

    std::printf("\n%-30s %12s %12s   %-16s %8s   %-12s %s\n", "case (median seconds)", "vannerby",
                "reference", "ratio", "median", "target", "");
    bool ok = syscallsMet;
    for (const Row &r : rows) {
        std::printf("%-30s %12.4f %12.4f   %-16s %8.3f   %-12s %s\n", r.what.c_str(), r.vannerby,
                    r.other, r.ratioName.c_str(), r.ratio, r.target.c_str(),
                    r.met ? "met" : "MISSED");
        ok = ok && r.met;
    }
    if (!syscallLine.empty())
        std::printf("%s\n", syscallLine.c_str());
    if (wanted("large"))
        std::printf("%-30s %9.1f MiB %12s   %-16s %8s   %-12s %s\n", "peak memory, large entries",
                    peakLarge / 1024.0, "", "", "", "< 64 MiB",
                    peakLarge < 64 * 1024 ? "met" : "MISSED");
    std::printf("%-30s %9.1f MiB\n", "peak memory, any vannerby run", peakVannerby / 1024.0);
    if (wanted("large"))
        ok = ok && peakLarge < 64 * 1024;
    std::printf("\n%d pairs per case. %s\n", pairs,
                ok ? "All targets met." : "Some targets missed.");
    return ok ? 0 : 1;
}
