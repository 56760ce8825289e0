#pragma once

#include "mdlPakFile.h"

#include <QImage>
#include <QObject>
#include <QPixmap>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

// Small pictures of archive entries for the picture view. They are decoded on a
// pool of worker threads (one per core), only when asked for, and kept in memory
// up to a fixed number of bytes, the least recently used dropped first. All
// calls come from the window's thread; finished pictures arrive there as Ready.
class ThumbnailLoader final : public QObject
{
    Q_OBJECT

  public:
    static constexpr qint64 DefaultCacheBytes = qint64{256} << 20;

    enum class State
    {
        Missing, // not asked for, or dropped from the cache
        Pending, // waiting for a worker or being decoded
        Ready,   // the picture is there
        Failed,  // no picture can be made of the entry
    };

    // workers 0: one per core.
    explicit ThumbnailLoader(QObject *parent = nullptr, int workers = 0,
                             qint64 cacheBytes = DefaultCacheBytes);
    ~ThumbnailLoader() override;
    ThumbnailLoader(const ThumbnailLoader &) = delete;
    ThumbnailLoader &operator=(const ThumbnailLoader &) = delete;

    // Pictures of this archive, side pixels at most each way; forgets the rest.
    void Reset(const std::string &pakPath, int side);
    int Side() const { return m_side; }

    // The state of an entry's picture, and the picture when it is Ready.
    State Lookup(int32_t entryIndex, QPixmap *picture = nullptr);
    // Asks for the pictures of these entries, the most wanted first. Entries of
    // an earlier request that no worker has started are dropped.
    void Request(const std::vector<std::pair<int32_t, PakEntry>> &entries);

    qint64 CachedBytes() const { return m_cachedBytes; }
    int CachedCount() const { return static_cast<int>(m_cache.size()); }
    int WorkerCount() const { return static_cast<int>(m_threads.size()); }

  signals:
    // The entry's picture is Ready or Failed.
    void Ready(int32_t entryIndex);

  private:
    struct Job
    {
        int32_t Index = -1;
        PakEntry Entry;
    };
    struct Cached
    {
        QPixmap Picture; // null: Failed
        std::list<int32_t>::iterator Use;
    };

    void Work();
    void Deliver(uint64_t generation, int32_t entryIndex, const QImage &picture);

    // Shared with the workers, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    bool m_stop = false;
    // Read by the workers while they decode, without the lock.
    std::atomic<uint64_t> m_generation{0};
    std::atomic<bool> m_stopping{false};
    std::string m_pakPath;
    int m_side = 128;
    std::vector<std::thread> m_threads;

    // The window's thread only.
    qint64 m_maxBytes;
    qint64 m_cachedBytes = 0;
    std::unordered_map<int32_t, Cached> m_cache;
    std::list<int32_t> m_uses; // most recently used first
    std::unordered_set<int32_t> m_pending;
};
