#include "ExtractRun.h"

#include "ExtractSteps.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <unordered_set>

using namespace ExtractSteps;

namespace {

// How far the helpers may go ahead of the entry being settled; each entry ahead
// holds at most one window of the archive.
constexpr size_t Ahead = 64;

// What became of an entry to be written ahead.
constexpr int Pending = 0; // not yet written
constexpr int Written = 1; // complete, stamped and closed
constexpr int InOrder = 2; // left for its turn, nothing touched

// Set in the published count when the run ends.
constexpr uint32_t Stop = uint32_t{1} << 31;

// Wakes the threads waiting for a value to change: a mutex and a condition
// variable rather than std::atomic's wait, whose libstdc++ 12 form for Windows
// is a pool of condition variables of its own; under Wine a helper was once
// found asleep in it for good. The value changes before Ring(), and Ring()
// passes the mutex, so a waiter either sees the change or is woken.
class Doorbell
{
  public:
    void Ring()
    {
        {
            std::lock_guard lock(m_mutex);
        }
        m_changed.notify_all();
    }
    template <typename Predicate> void WaitUntil(Predicate done)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, done);
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// An entry that a helper may write ahead of its turn.
struct Item
{
    bool Ahead = false;
    ExtractTarget Target;
    std::string Relative; // the new file below the target folder
    ExtractArchiveFile::Bytes Bytes;
    std::atomic<int> State{Pending};
};

// Writes a new file in a folder made and checked already. Anything unusual
// leaves no trace and the entry to its turn, where the steps of ExtractPakEntry
// meet it as they would have without a helper.
int writeAhead(const ExtractFolderCache &cache, const Item &item)
{
    Fd out = cache.CreateBeneath(item.Relative);
    if (!out.valid())
        return InOrder;
    if (!WriteBytes(out.get(), item.Bytes.Data, item.Bytes.Size)) {
        out.reset();
        cache.RemoveBeneath(item.Relative, false);
        return InOrder;
    }
    if (!StampAndClose(out, item.Target)) {
        cache.RemoveBeneath(item.Relative, false);
        return InOrder;
    }
    return Written;
}

} // namespace

ExtractRun::ExtractRun(const PakArchive &archive, std::string targetFolder, bool usePathNames,
                       ExtractSettings settings, ExtractOwner *owner)
    : m_archive(archive), m_targetFolder(std::move(targetFolder)), m_usePathNames(usePathNames),
      m_settings(settings), m_owner(owner)
{
}

void ExtractRun::Extract(const std::vector<int32_t> &indices, const Listener &listener,
                         unsigned writers, const std::function<bool()> &goOn)
{
    ExtractSession session;
    ExtractSession::State &state = *session.m_state;
    const auto told = [&](size_t position, const ExtractResult &result) {
        listener(position, result);
        return !result.Result().empty() && (!goOn || goOn());
    };
    const auto settle = [&](size_t position) {
        return told(position,
                    ExtractPakEntry(m_archive, PakRowKey(indices[position]), m_targetFolder,
                                    m_usePathNames, m_settings, m_owner, &session));
    };

    const unsigned helpers =
        (writers == 0 ? std::max(1u, std::thread::hardware_concurrency()) : writers) - 1;
    const bool pays = helpers >= 1 && indices.size() < Stop && indices.size() >= 2 * Ahead &&
                      ExtractFolderCache::CanResolveBeneath() &&
                      state.Archive.Open(m_archive.PakPath).has_value() &&
                      state.Folders.OpenRoot(mdlTools::AddBackslash(m_targetFolder)).has_value();
    if (!pays) {
        for (size_t position = 0; position < indices.size(); ++position)
            if (!settle(position))
                return;
        return;
    }

    // The entries between the one being settled and the last one prepared, by
    // position modulo Ahead.
    std::vector<Item> items(Ahead);
    const auto itemAt = [&items](size_t position) -> Item & { return items[position % Ahead]; };
    // Positions to write ahead, in order: the calling thread fills the queue and
    // publishes how far it is filled; whoever is free claims the next one.
    std::vector<uint32_t> queue(indices.size());
    std::atomic<uint32_t> published{0}, claimed{0};
    Doorbell queued;  // published changed
    Doorbell written; // an item's State changed
    const ExtractFolderCache &cache = state.Folders;
    const auto writeNext = [&] {
        uint32_t next = claimed.load(std::memory_order_relaxed);
        do {
            const uint32_t ready = published.load(std::memory_order_acquire);
            if ((ready & Stop) || next >= ready)
                return false;
        } while (!claimed.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel));
        Item &item = itemAt(queue[next]);
        item.State.store(writeAhead(cache, item), std::memory_order_release);
        written.Ring();
        return true;
    };

    std::vector<std::thread> threads;
    const auto finish = [&] {
        published.fetch_or(Stop, std::memory_order_acq_rel);
        queued.Ring();
        for (std::thread &thread : threads)
            if (thread.joinable())
                thread.join();
    };
    // The helpers end with the run, also when a listener throws.
    struct Finally
    {
        const decltype(finish) &f;
        ~Finally() { f(); }
    } finally{finish};
    try {
        for (unsigned i = 0; i < helpers; ++i) {
            threads.emplace_back([&] {
                for (;;) {
                    if (writeNext())
                        continue;
                    const uint32_t seen = published.load(std::memory_order_acquire);
                    if (seen & Stop)
                        return;
                    if (claimed.load(std::memory_order_acquire) >= seen)
                        queued.WaitUntil(
                            [&] { return published.load(std::memory_order_acquire) != seen; });
                }
            });
        }
    } catch (const std::system_error &) {
        // Fewer helpers, or none: the calling thread writes ahead as well.
    }

    // Names met so far, case folded: an entry that would meet an earlier one's
    // file or folder waits for its turn, so that the earlier one comes first.
    std::unordered_set<std::string> files, folders;
    std::vector<std::pair<size_t, std::string>> made; // folders made ahead, with their entry
    bool inOrderFromHere = false;
    const auto prepare = [&](size_t position) {
        Item &item = itemAt(position);
        item.Ahead = false;
        item.State.store(Pending, std::memory_order_relaxed);
        const int32_t index = EntryIndex(m_archive, PakRowKey(indices[position]));
        if (index < 0 || inOrderFromHere)
            return;
        const PakEntry &entry = m_archive.Entries[static_cast<size_t>(index)];
        const auto folded =
            PakTargetComponents(FoldCase(PakEntryRawName(entry)), m_usePathNames, {});
        if (!folded)
            return;
        bool clash = false;
        std::string key;
        for (size_t i = 0; i + 1 < folded->size(); ++i) {
            key += (*folded)[i];
            clash = clash || files.count(key);
            folders.insert(key);
            key += '/';
        }
        key += folded->back();
        clash = !files.insert(key).second || folders.count(key) || clash;
        if (clash || !state.Archive.Holds(entry.Start, entry.Size) ||
            entry.Size > ExtractArchiveFile::WindowSize)
            return;

        const std::string entryName = PakEntryName(entry);
        const auto place = PlaceOf(entry, m_usePathNames, entryName);
        if (!place)
            return;
        std::vector<std::string> created;
        const auto folder = state.Folders.Open(place->Folders, entryName, &created);
        for (std::string &relative : created)
            made.emplace_back(position, std::move(relative));
        if (!folder)
            return;
        if (folder->ThroughLink) {
            // Two names may lead to one folder now: the rest goes in order.
            inOrderFromHere = true;
            return;
        }
        if (entry.Size > 0 && !state.Archive.Read(entry.Start, entry.Size, item.Bytes))
            return;
        item.Target = {};
        DescribeNewFile(m_archive, index, item.Target);
        item.Target.TargetPath = folder->Shown + place->Leaf;
        item.Relative = folder->Relative + place->Leaf;
        item.Ahead = true;
        const uint32_t count = published.load(std::memory_order_relaxed);
        queue[count] = static_cast<uint32_t>(position);
        published.store(count + 1, std::memory_order_release);
        queued.Ring();
    };

    // An entry written ahead is settled here; nullopt leaves it to the steps of ExtractPakEntry.
    const auto settleAhead = [&](size_t position) -> std::optional<bool> {
        Item &item = itemAt(position);
        if (!item.Ahead)
            return std::nullopt;
        // Rather than wait, the calling thread writes ahead too.
        while (item.State.load(std::memory_order_acquire) == Pending)
            if (!writeNext())
                written.WaitUntil(
                    [&] { return item.State.load(std::memory_order_acquire) != Pending; });
        item.Bytes = {};
        if (item.State.load(std::memory_order_relaxed) != Written)
            return std::nullopt;
        ExtractResult result;
        result.Outcome = ExtractOutcome::Written;
        result.Target = item.Target;
        // The owner hears of the finished copy as if it had just been made.
        if (m_owner && item.Target.EntrySize > 0 &&
            !m_owner->CopyProgress(item.Target, item.Target.EntrySize)) {
            cache.RemoveBeneath(item.Relative, false);
            item.State.store(InOrder, std::memory_order_relaxed);
            result.Outcome = ExtractOutcome::Cancelled;
        }
        return told(position, result);
    };

    // The run stopped at position: what later entries did ahead of their turn is
    // taken back, except folders that an entry up to position needs, as it would
    // have made them itself.
    const auto takeBack = [&](size_t position, size_t prepared) {
        finish();
        for (size_t later = position + 1; later < prepared; ++later) {
            const Item &item = itemAt(later);
            if (item.Ahead && item.State.load(std::memory_order_acquire) == Written)
                cache.RemoveBeneath(item.Relative, false);
        }
        if (made.empty() || made.back().first <= position)
            return;
        state.Folders.Forget();
        std::unordered_set<std::string> needed;
        for (size_t earlier = 0; earlier <= position; ++earlier) {
            const int32_t index = EntryIndex(m_archive, PakRowKey(indices[earlier]));
            if (index < 0)
                continue;
            const PakEntry &entry = m_archive.Entries[static_cast<size_t>(index)];
            const auto place = PlaceOf(entry, m_usePathNames, {});
            std::string relative;
            for (size_t i = 0; place && i < place->Folders.size(); ++i)
                needed.insert(relative += place->Folders[i] + PlatformFiles::Separator);
        }
        for (auto folder = made.rbegin(); folder != made.rend() && folder->first > position;
             ++folder)
            if (!needed.count(folder->second))
                cache.RemoveBeneath(folder->second, true);
    };

    size_t prepared = 0;
    for (size_t position = 0; position < indices.size(); ++position) {
        for (; prepared < indices.size() && prepared < position + Ahead; ++prepared)
            prepare(prepared);
        const auto ahead = settleAhead(position);
        if (ahead ? *ahead : settle(position))
            continue;
        takeBack(position, prepared);
        return;
    }
}
