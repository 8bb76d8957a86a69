#include "document/SourceScan.h"

#include <cstring>

namespace {

constexpr size_t kQueued = 8; // batches that may wait for the window's thread

} // namespace

TSourceScan::TSourceScan(std::shared_ptr<TSourceFile> file, const TDecodedSource::TShape &shape, qint64 stretch,
                         QObject *parent)
    : QThread(parent), m_file(std::move(file)), m_shape(shape), m_stretch(std::max<qint64>(stretch, 16)),
      m_scanOffset(shape.Begin), m_offset(shape.Begin)
{
}

TSourceScan::~TSourceScan()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_taken.notify_all();
    wait();
}

void TSourceScan::Resume(std::shared_ptr<TSourceFile> file)
{
    wait();
    m_file = std::move(file);
    m_done = false;
    start(QThread::LowPriority);
}

void TSourceScan::NoteFirstBreak(const char *bytes, qsizetype n)
{
    const bool lfOnly = m_shape.LfOnly;
    if (m_shape.Units == TDecodedSource::TUnits::Bytes) {
        for (qsizetype i = 0; i < n; ++i) {
            if (bytes[i] == '\n' || (bytes[i] == '\r' && !lfOnly)) {
                m_firstBreak = bytes[i] == '\n' ? "\n" : i + 1 < n && bytes[i + 1] == '\n' ? "\r\n" : "\r";
                m_firstFound = true;
                return;
            }
        }
        return;
    }
    const bool big = m_shape.Units == TDecodedSource::TUnits::Utf16Be;
    const auto unit = [bytes, big](qsizetype k) {
        const auto *u = reinterpret_cast<const unsigned char *>(bytes + 2 * k);
        return big ? char16_t(u[0] << 8 | u[1]) : char16_t(u[1] << 8 | u[0]);
    };
    for (qsizetype k = 0; k < n / 2; ++k) {
        const char16_t u = unit(k);
        if (u == u'\n' || (u == u'\r' && !lfOnly)) {
            m_firstBreak = u == u'\n' ? "\n" : k + 1 < n / 2 && unit(k + 1) == u'\n' ? "\r\n" : "\r";
            m_firstFound = true;
            return;
        }
    }
}

TScanBatch TSourceScan::Scan()
{
    TScanBatch batch;
    const qint64 offset = m_scanOffset;
    const qint64 want = std::min(m_stretch, m_shape.End - offset);
    if (want <= 0) {
        batch.Last = true;
        return batch;
    }
    // A few bytes more, to see whether a block would split a pair.
    const qint64 look = std::min(want + 4, m_shape.End - offset);
    m_raw.resize(qsizetype(look));
    batch.State = m_file->Read(offset, m_raw.data(), look);
    if (batch.State != TSourceFile::TState::Intact) {
        batch.Last = true;
        return batch;
    }
    qint64 longestBytes = -1;
    qsizetype line = -1; // the line going on, as an index into LineStarts
    const auto endLine = [&](qint64 end) {
        if (end - m_lineStart > longestBytes) {
            longestBytes = end - m_lineStart;
            batch.LongestLine = line;
        }
    };
    qint64 a = offset;
    while (a < offset + want) {
        const qint64 b = TDecodedSource::BlockEnd(m_shape, m_raw.constData(), offset,
                                                  std::min(a + std::max<qint64>(m_shape.BlockBytes, 2), offset + want));
        const char *in = m_raw.constData() + (a - offset);
        if (!m_firstFound) {
            NoteFirstBreak(in, qsizetype(b - a));
            if (m_firstFound)
                batch.FirstBreak = m_firstBreak;
        }
        m_text.resize(TDecodedSource::Room(m_shape, b - a));
        const qsizetype n = TDecodedSource::Decode(m_shape, in, qsizetype(b - a), m_text.data());
        const char *text = m_text.constData();
        for (qsizetype i = 0;;) {
            const void *nl = i < n ? std::memchr(text + i, '\n', size_t(n - i)) : nullptr;
            if (!nl)
                break;
            const qsizetype k = static_cast<const char *>(nl) - text;
            endLine(m_scanPos + k);
            m_lineStart = m_scanPos + k + 1;
            batch.LineStarts.push_back(m_lineStart);
            line = qsizetype(batch.LineStarts.size()) - 1;
            i = k + 1;
        }
        m_scanPos += n;
        batch.BlockOffsets.push_back(b);
        batch.BlockEnds.push_back(m_scanPos);
        a = b;
    }
    endLine(m_scanPos);
    m_scanOffset = a;
    batch.Last = a >= m_shape.End;
    return batch;
}

TScanBatch TSourceScan::Next()
{
    TScanBatch batch = Scan();
    if (!batch.BlockOffsets.empty())
        m_offset = batch.BlockOffsets.back();
    m_done = batch.Last;
    return batch;
}

std::deque<TScanBatch> TSourceScan::Take()
{
    std::deque<TScanBatch> batches;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        batches.swap(m_queue);
    }
    m_taken.notify_all();
    for (const TScanBatch &batch : batches) {
        if (!batch.BlockOffsets.empty())
            m_offset = batch.BlockOffsets.back();
        m_done = m_done || batch.Last;
    }
    return batches;
}

void TSourceScan::run()
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_taken.wait(lock, [this] { return m_stop || m_queue.size() < kQueued; });
            if (m_stop)
                return;
        }
        TScanBatch batch = Scan();
        const bool last = batch.Last;
        bool wasEmpty;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            wasEmpty = m_queue.empty();
            m_queue.push_back(std::move(batch));
        }
        if (wasEmpty)
            emit Ready();
        if (last)
            return;
    }
}
