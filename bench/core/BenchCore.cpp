// Measures vannerby-cli against GNU tar on the same files, in the same run:
// listing 100,000 entries, extracting 20,000 small and 4 large entries, and the
// peak memory of each. Prints ratios; the targets are in the last column.
#include "PakWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
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

// Runs a command with its output to /dev/null, under /usr/bin/time for the peak
// resident memory (a small parent, so the figure is the command's own).
Measure run(const std::vector<std::string> &args, const std::string &cwd = {})
{
    char timeFile[] = "/tmp/bench-time.XXXXXX";
    const int timeFd = mkstemp(timeFile);
    close(timeFd);
    std::vector<std::string> full = {"/usr/bin/time", "-f", "%M", "-o", timeFile};
    full.insert(full.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (const auto &a : full)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    // posix_spawn does not copy this process's memory, so the start costs the
    // same small amount for both tools.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", args[0].c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
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
    std::vector<std::string> folders;
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
        const auto slash = name.rfind('/');
        if (slash != std::string::npos) {
            const std::string folder = name.substr(0, slash + 1);
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                folders.push_back(folder);
                header(folder, 0, '5', 0755);
            }
        }
        header(name, e.Data.size(), '0', 0644);
        std::fwrite(e.Data.data(), 1, e.Data.size(), out);
        static const char zeros[512] = {};
        std::fwrite(zeros, 1, (512 - e.Data.size() % 512) % 512, out);
    }
    static const char end[1024] = {};
    std::fwrite(end, 1, sizeof end, out);
    std::fclose(out);
}

std::vector<PakWriterEntry> smallEntries(int count)
{
    std::vector<PakWriterEntry> entries;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "dir%03d\\file%06d.dat", i / 1000, i);
        PakWriterEntry e{name, std::string(static_cast<size_t>(100 + i % 900), 'a' + i % 26)};
        e.CreationTime = e.LastAccessTime = e.LastWriteTime = 133563222000000000ULL;
        entries.push_back(std::move(e));
    }
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

void row(const char *what, double vannerby, double tar, const char *ratioName, double ratio,
         const char *target)
{
    std::printf("%-34s %12.3f %12.3f   %-26s %8.2f   %s\n", what, vannerby, tar, ratioName, ratio,
                target);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_core VANNERBY-CLI WORK-FOLDER\n");
        return 2;
    }
    const std::string cli = argv[1];
    const std::string work = argv[2];
    mkdir(work.c_str(), 0755);
    int runCounter = 0;
    const auto freshFolder = [&] {
        const std::string folder = work + "/out" + std::to_string(++runCounter);
        mkdir(folder.c_str(), 0755);
        return folder;
    };

    std::printf("Preparing data in %s ...\n", work.c_str());
    makePair(work + "/list100k", smallEntries(100000));
    makePair(work + "/small20k", smallEntries(20000));
    {
        std::vector<PakWriterEntry> big;
        for (int i = 0; i < 4; ++i)
            big.push_back(PakWriterEntry{"big\\part" + std::to_string(i) + ".bin",
                                         std::string(256u << 20, static_cast<char>('0' + i))});
        makePair(work + "/large4", big);
    }
    sync();

    long peakVannerby = 0, peakTar = 0;
    auto track = [](long &peak, const Measure &m) {
        peak = std::max(peak, m.peakKiB);
        return m.seconds;
    };

    // Listing: median of seven each, alternating.
    std::vector<double> listV, listT;
    for (int i = 0; i < 7; ++i) {
        listV.push_back(track(peakVannerby, run({cli, "list", "-l", work + "/list100k.pak"})));
        listT.push_back(track(peakTar, run({"tar", "-tvf", work + "/list100k.tar"})));
    }

    // Small files: alternate, each run into a folder never used before; the
    // outputs are deleted only at the end.
    std::vector<double> smallRatios, smallV, smallT;
    for (int i = 0; i < 9; ++i) {
        const double v =
            track(peakVannerby, run({cli, "extract", "-C", freshFolder(), work + "/small20k.pak"}));
        const double t = track(peakTar, run({"tar", "-xf", work + "/small20k.tar"}, freshFolder()));
        smallV.push_back(v);
        smallT.push_back(t);
        smallRatios.push_back(v / t);
        std::printf("  small pair %d: vannerby %.3f s, tar %.3f s\n", i + 1, v, t);
    }

    std::vector<double> largeRatios, largeV, largeT;
    for (int i = 0; i < 3; ++i) {
        const double v =
            track(peakVannerby, run({cli, "extract", "-C", freshFolder(), work + "/large4.pak"}));
        const double t = track(peakTar, run({"tar", "-xf", work + "/large4.tar"}, freshFolder()));
        largeV.push_back(v);
        largeT.push_back(t);
        largeRatios.push_back(t / v);
        std::printf("  large pair %d: vannerby %.3f s, tar %.3f s\n", i + 1, v, t);
    }

    const double listRatio = median(listT) / median(listV);
    std::printf("\n%-34s %12s %12s   %-26s %8s   %s\n", "case (median seconds)", "vannerby", "tar",
                "ratio", "value", "target");
    row("list -l, 100,000 entries", median(listV), median(listT), "tar / vannerby", listRatio,
        ">= 10");
    row("extract, 20,000 small entries", median(smallV), median(smallT), "vannerby / tar (paired)",
        median(smallRatios), "<= 1.0");
    row("extract, 4 x 256 MiB", median(largeV), median(largeT), "throughput vs tar (paired)",
        median(largeRatios), ">= 0.9");
    std::printf("%-34s %9ld KiB %9ld KiB   %-26s %8.1f   %s\n", "peak resident memory",
                peakVannerby, peakTar, "vannerby MiB", peakVannerby / 1024.0, "< 64");

    const bool ok = listRatio >= 10 && median(smallRatios) <= 1.0 && median(largeRatios) >= 0.9 &&
                    peakVannerby < 64 * 1024;
    std::printf("\n%s\n", ok ? "All targets met." : "Some targets missed.");
    return ok ? 0 : 1;
}
