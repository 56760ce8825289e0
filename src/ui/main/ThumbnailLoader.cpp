#include "ThumbnailLoader.h"

#include "BackgroundThread.h"
#include "PreviewLoader.h"

#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <cstring>

ThumbnailLoader::ThumbnailLoader(QObject *parent, int workers, qint64 cacheBytes)
    : QObject(parent), m_maxBytes(cacheBytes)
{
    const int count =
        workers > 0 ? workers : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back([this] { Work(); });
}

ThumbnailLoader::~ThumbnailLoader()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

void ThumbnailLoader::Reset(const std::string &pakPath, int side)
{
    {
        std::lock_guard lock(m_mutex);
        ++m_generation; // pictures under way are dropped when they arrive
        m_queue.clear();
        m_pakPath = pakPath;
        m_side = side;
    }
    m_cache.clear();
    m_uses.clear();
    m_cachedBytes = 0;
    m_pending.clear();
}

ThumbnailLoader::State ThumbnailLoader::Lookup(int32_t entryIndex, QPixmap *picture)
{
    const auto found = m_cache.find(entryIndex);
    if (found == m_cache.end())
        return m_pending.count(entryIndex) ? State::Pending : State::Missing;
    m_uses.splice(m_uses.begin(), m_uses, found->second.Use);
    if (found->second.Picture.isNull())
        return State::Failed;
    if (picture != nullptr)
        *picture = found->second.Picture;
    return State::Ready;
}

void ThumbnailLoader::Request(const std::vector<std::pair<int32_t, PakEntry>> &entries)
{
    {
        std::lock_guard lock(m_mutex);
        for (const Job &dropped : m_queue)
            m_pending.erase(dropped.Index);
        m_queue.clear();
        for (const auto &[index, entry] : entries) {
            if (m_pending.count(index))
                continue; // being decoded
            if (const auto found = m_cache.find(index); found != m_cache.end()) {
                m_uses.splice(m_uses.begin(), m_uses, found->second.Use);
                continue;
            }
            m_queue.push_back({index, entry});
            m_pending.insert(index);
        }
    }
    m_wake.notify_all();
}

void ThumbnailLoader::Work()
{
    BackgroundThread::LowerPriority();
    for (;;) {
        Job job;
        uint64_t generation = 0;
        PreviewRequest request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            generation = m_generation;
            request.PakPath = m_pakPath;
            request.FitSize = QSize(m_side, m_side);
        }
        request.Entry = job.Entry;
        request.Index = job.Index;
        // A new archive or size makes the picture worthless: stop decoding it.
        const auto stale = [this, generation] {
            return m_stopping.load(std::memory_order_relaxed) ||
                   m_generation.load(std::memory_order_relaxed) != generation;
        };
        PreviewResult result = PreviewLoader::Load(request, stale);
        QImage picture;
        if (result.Kind == PreviewKind::Image) {
            const QImage fitted = PreviewLoader::Premultiplied(
                result.Scaled.isNull() ? result.Picture : result.Scaled);
            // Centred on a square of the cell's size, so that every name below
            // a picture starts on the same line. Copied row by row, not painted:
            // QPainter hands its work to Qt's global thread pool, and the
            // window's own painting would wait behind it there.
            const int side = request.FitSize.width();
            picture = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
            if (!picture.isNull()) {
                std::memset(picture.bits(), 0, static_cast<size_t>(picture.sizeInBytes()));
                const int width = std::min(side, fitted.width());
                const int height = std::min(side, fitted.height());
                const int left = (side - width) / 2, top = (side - height) / 2;
                for (int y = 0; y < height; ++y)
                    std::memcpy(picture.scanLine(top + y) + size_t{4} * static_cast<size_t>(left),
                                fitted.constScanLine(y), size_t{4} * static_cast<size_t>(width));
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, index = job.Index, picture] { Deliver(generation, index, picture); },
            Qt::QueuedConnection);
    }
}

void ThumbnailLoader::Deliver(uint64_t generation, int32_t entryIndex, const QImage &picture)
{
    if (generation != m_generation)
        return;
    m_pending.erase(entryIndex);
    if (m_cache.count(entryIndex))
        return;
    m_uses.push_front(entryIndex);
    // Made once here, on the window's thread, where pixmaps live.
    m_cache.emplace(entryIndex, Cached{QPixmap::fromImage(picture), m_uses.begin()});
    m_cachedBytes += picture.sizeInBytes();
    while (m_cachedBytes > m_maxBytes && m_uses.size() > 1) {
        const int32_t oldest = m_uses.back();
        m_uses.pop_back();
        const auto found = m_cache.find(oldest);
        const QPixmap &dropped = found->second.Picture;
        m_cachedBytes -= qint64{dropped.width()} * dropped.height() * 4;
        m_cache.erase(found);
    }
    emit Ready(entryIndex);
}
