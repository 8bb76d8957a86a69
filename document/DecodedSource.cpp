#include "document/DecodedSource.h"

#include "document/PrivateCopy.h"

#include <QStandardPaths>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

QString gCopyFolder;

// The UTF-8 form of a UTF-16 unit or pair; a lone surrogate keeps its
// three-byte form, as a whole file read at once keeps it.
inline qsizetype PutUtf8(char32_t ch, char *out)
{
    auto *o = reinterpret_cast<unsigned char *>(out);
    if (ch < 0x80) {
        o[0] = static_cast<unsigned char>(ch);
        return 1;
    }
    if (ch < 0x800) {
        o[0] = static_cast<unsigned char>(0xC0 | ch >> 6);
        o[1] = static_cast<unsigned char>(0x80 | (ch & 0x3F));
        return 2;
    }
    if (ch < 0x10000) {
        o[0] = static_cast<unsigned char>(0xE0 | ch >> 12);
        o[1] = static_cast<unsigned char>(0x80 | (ch >> 6 & 0x3F));
        o[2] = static_cast<unsigned char>(0x80 | (ch & 0x3F));
        return 3;
    }
    o[0] = static_cast<unsigned char>(0xF0 | ch >> 18);
    o[1] = static_cast<unsigned char>(0x80 | (ch >> 12 & 0x3F));
    o[2] = static_cast<unsigned char>(0x80 | (ch >> 6 & 0x3F));
    o[3] = static_cast<unsigned char>(0x80 | (ch & 0x3F));
    return 4;
}

inline char16_t Unit(const char *p, bool bigEndian)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return bigEndian ? char16_t(u[0] << 8 | u[1]) : char16_t(u[1] << 8 | u[0]);
}

inline bool IsHigh(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
inline bool IsLow(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

} // namespace

TDecodedSource::TDecodedSource(std::shared_ptr<TSourceFile> file, const TShape &shape, qint64 cacheBytes,
                               QObject *parent)
    : QObject(parent), m_file(std::move(file)), m_shape(shape), m_cacheLimit(cacheBytes), m_offsets{shape.Begin}
{
    m_watchedPath = m_file->Path();
    m_watched = m_file->Identity();
}

TDecodedSource::~TDecodedSource()
{
    delete m_copy; // stops and waits for it
}

void TDecodedSource::SetCopyFolder(const QString &folder)
{
    gCopyFolder = folder;
}

QString TDecodedSource::CopyFolder()
{
    return gCopyFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) : gCopyFolder;
}

qsizetype TDecodedSource::Room(const TShape &shape, qint64 n)
{
    return shape.Units == TUnits::Bytes ? qsizetype(n) : qsizetype(n / 2 * 3 + 4);
}

qsizetype TDecodedSource::Decode(const TShape &shape, const char *in, qsizetype n, char *out)
{
    if (shape.Units == TUnits::Bytes) {
        if (shape.LfOnly) {
            if (out != in)
                std::memcpy(out, in, size_t(n));
            return n;
        }
        // LF is '\n' already; a CR, or a CR LF pair, becomes one. A block
        // never ends between the two, so a CR at its end stands alone.
        qsizetype len = 0, i = 0;
        while (i < n) {
            const void *cr = std::memchr(in + i, '\r', size_t(n - i));
            const qsizetype b = cr ? static_cast<const char *>(cr) - in : n;
            if (out + len != in + i)
                std::memmove(out + len, in + i, size_t(b - i));
            len += b - i;
            if (b == n)
                break;
            i = b + 1 < n && in[b + 1] == '\n' ? b + 2 : b + 1;
            out[len++] = '\n';
        }
        return len;
    }
    const bool bigEndian = shape.Units == TUnits::Utf16Be;
    const qsizetype units = n / 2;
    qsizetype len = 0;
    for (qsizetype k = 0; k < units; ++k) {
        const char16_t u = Unit(in + 2 * k, bigEndian);
        if (u == u'\r' && !shape.LfOnly) {
            if (k + 1 < units && Unit(in + 2 * k + 2, bigEndian) == u'\n')
                ++k;
            out[len++] = '\n';
            continue;
        }
        char32_t ch = u;
        if (IsHigh(u) && k + 1 < units && IsLow(Unit(in + 2 * k + 2, bigEndian)))
            ch = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (Unit(in + 2 * ++k, bigEndian) - 0xDC00);
        len += PutUtf8(ch, out + len);
    }
    return len;
}

qint64 TDecodedSource::BlockEnd(const TShape &shape, const char *bytes, qint64 offset, qint64 want)
{
    if (shape.Units != TUnits::Bytes)
        want += (want - shape.Begin) % 2; // a whole unit
    if (want >= shape.End)
        return shape.End;
    const char *at = bytes + (want - offset);
    if (shape.Units == TUnits::Bytes)
        return !shape.LfOnly && at[-1] == '\r' && at[0] == '\n' ? want + 1 : want;
    const bool bigEndian = shape.Units == TUnits::Utf16Be;
    const char16_t before = Unit(at - 2, bigEndian), after = Unit(at, bigEndian);
    const bool pair = (IsHigh(before) && IsLow(after)) || (!shape.LfOnly && before == u'\r' && after == u'\n');
    return pair ? want + 2 : want;
}

void TDecodedSource::AddBlocks(const TScanBatch &batch)
{
    m_offsets.insert(m_offsets.end(), batch.BlockOffsets.begin(), batch.BlockOffsets.end());
    m_positions.insert(m_positions.end(), batch.BlockEnds.begin(), batch.BlockEnds.end());
}

size_t TDecodedSource::BlockOf(qint64 pos) const
{
    return size_t(std::upper_bound(m_positions.begin(), m_positions.end() - 1, pos) - m_positions.begin()) - 1;
}

void TDecodedSource::Fail(TSourceFile::TState state) const
{
    if (m_state != TSourceFile::TState::Intact)
        return;
    m_state = state;
    QMetaObject::invokeMethod(const_cast<TDecodedSource *>(this), &TDecodedSource::ReadFailed, Qt::QueuedConnection);
}

bool TDecodedSource::NameIntact() const
{
    const std::optional<TSourceFile::TIdentity> now = TSourceFile::IdentityOf(m_watchedPath);
    return m_watchedPath.isEmpty() || (now && *now == m_watched);
}

void TDecodedSource::CheckName() const
{
    if (m_nameChanged || NameIntact())
        return;
    m_nameChanged = true;
    QMetaObject::invokeMethod(const_cast<TDecodedSource *>(this), &TDecodedSource::NameChanged, Qt::QueuedConnection);
}

void TDecodedSource::Watch(const QString &path, const TSourceFile::TIdentity &identity)
{
    m_watchedPath = path;
    m_watched = identity;
    m_nameChanged = false;
}

TSourceFile::TState TDecodedSource::Check() const
{
    CheckName();
    // A byte read too: a medium that is gone fails reads, not the check.
    char byte;
    const TSourceFile::TState state =
        m_shape.End > m_shape.Begin ? m_file->Read(m_shape.Begin, &byte, 1) : m_file->Check();
    if (state != TSourceFile::TState::Intact)
        Fail(state);
    return m_state;
}

TSourceFile::TState TDecodedSource::ReadRaw(const TSourceFile &file, size_t first, size_t last, QByteArray &raw) const
{
    const qint64 bytes = m_offsets[last] - m_offsets[first];
    raw.resize(qsizetype(bytes));
    return file.Read(m_offsets[first], raw.data(), bytes);
}

TSourceFile::TState TDecodedSource::DecodeRaw(size_t first, size_t last, TSourceFile::TState state, QByteArray &raw,
                                             QByteArray &text) const
{
    // Bytes decode where they were read: the text is never longer.
    QByteArray &out = TextOf(raw, text);
    if (&out == &text)
        out.resize(Room(m_shape, raw.size()));
    const qint64 offset = m_offsets[first];
    qsizetype at = 0;
    for (size_t b = first; b < last && state == TSourceFile::TState::Intact; ++b) {
        const qsizetype got = Decode(m_shape, raw.constData() + (m_offsets[b] - offset),
                                     qsizetype(m_offsets[b + 1] - m_offsets[b]), out.data() + at);
        if (got != m_positions[b + 1] - m_positions[b])
            state = TSourceFile::TState::Changed; // same size and time, other bytes
        at += got;
    }
    out.resize(qsizetype(m_positions[last] - m_positions[first]));
    return state;
}

const QByteArray &TDecodedSource::Settle(TSourceFile::TState state, QByteArray &raw, QByteArray &text) const
{
    QByteArray &out = TextOf(raw, text);
    if (state != TSourceFile::TState::Intact) {
        Fail(state);
        out.fill('\0');
    }
    return out;
}

bool TDecodedSource::ReadBlocks(size_t first, size_t last, QByteArray &out) const
{
    CheckName();
    QByteArray raw;
    TSourceFile::TState state = m_state == TSourceFile::TState::Intact ? ReadRaw(*m_file, first, last, raw) : m_state;
    state = DecodeRaw(first, last, state, raw, out);
    out = Settle(state, raw, out);
    return state == TSourceFile::TState::Intact;
}

const QByteArray &TDecodedSource::Block(size_t block) const
{
    if (m_lastHit < m_cache.size() && m_cache[m_lastHit].Block == block) {
        m_cache[m_lastHit].Used = ++m_clock;
        return m_cache[m_lastHit].Bytes;
    }
    for (size_t i = 0; i < m_cache.size(); ++i) {
        if (m_cache[i].Block == block) {
            m_cache[i].Used = ++m_clock;
            m_lastHit = i;
            return m_cache[i].Bytes;
        }
    }
    QByteArray bytes;
    if (!ReadBlocks(block, block + 1, bytes)) {
        // What failed is not kept: a copy swapped in later reads it right.
        m_failed = std::move(bytes);
        return m_failed;
    }
    size_t slot = m_cache.size();
    if (m_cacheBytes + bytes.size() > m_cacheLimit && !m_cache.empty()) {
        slot = size_t(std::min_element(m_cache.begin(), m_cache.end(),
                                       [](const TCached &a, const TCached &b) { return a.Used < b.Used; })
                      - m_cache.begin());
        m_cacheBytes -= m_cache[slot].Bytes.size();
        m_cache[slot] = {block, std::move(bytes), ++m_clock};
    } else {
        m_cache.push_back({block, std::move(bytes), ++m_clock});
    }
    m_cacheBytes += m_cache[slot].Bytes.size();
    m_lastHit = slot;
    return m_cache[slot].Bytes;
}

QByteArray TDecodedSource::BlockAt(qint64 pos, qint64 *start) const
{
    const size_t b = BlockOf(pos);
    *start = m_positions[b];
    return Block(b);
}

void TDecodedSource::Read(qint64 from, qint64 to, TRunVisitor run, bool sequential) const
{
    to = std::min(to, Length());
    if (from >= to)
        return;
    size_t b = BlockOf(from);
    if (sequential) {
        ReadInOrder(b, from, to, run);
        return;
    }
    while (from < to) {
        const QByteArray bytes = Block(b); // shared, so that no eviction frees it under run
        const qint64 end = std::min(to, m_positions[b + 1]);
        if (!run(bytes.constData() + (from - m_positions[b]), qsizetype(end - from), qsizetype(from)))
            return;
        from = end;
        ++b;
    }
}

void TDecodedSource::ReadInOrder(size_t b, qint64 from, qint64 to, TRunVisitor run) const
{
    // Groups of blocks of about a megabyte, read and decoded while the ones
    // before are used: reading and the work on what was read overlap.
    std::vector<size_t> groups{b};
    const size_t blocks = m_positions.size() - 1;
    while (m_positions[groups.back()] < to) {
        size_t last = groups.back() + 1;
        while (last < blocks && m_positions[last] < to && m_offsets[last + 1] - m_offsets[groups.back()] <= m_shape.ReadBytes)
            ++last;
        groups.push_back(last);
    }
    CheckName();
    const std::shared_ptr<TSourceFile> file = m_file;
    const bool failed = m_state != TSourceFile::TState::Intact;
    if (groups.size() == 2) { // one group: nothing to overlap
        TSourceFile::TState state = failed ? m_state : ReadRaw(*file, groups[0], groups[1], m_rawSlots[0]);
        state = DecodeRaw(groups[0], groups[1], state, m_rawSlots[0], m_textSlots[0]);
        const QByteArray &text = Settle(state, m_rawSlots[0], m_textSlots[0]);
        run(text.constData() + (from - m_positions[groups[0]]), qsizetype(to - from), qsizetype(from));
        return;
    }
    // Two readers take turns, each group read and decoded in a slot of its
    // own, while this thread uses the groups in order: reading and decoding
    // cost more than a search of what they give.
    constexpr size_t kReaders = 2, kSlots = 2 * kReaders;
    TSourceFile::TState states[kSlots];
    size_t held[kSlots] = {}; // the group in each slot, plus one; 0 while empty
    std::mutex lock;
    std::condition_variable changed;
    size_t used = 0; // groups used
    bool stop = false;
    const size_t count = groups.size() - 1;
    const auto readGroups = [&](size_t first) {
        for (size_t g = first; g < count; g += kReaders) {
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return stop || g < used + kSlots; });
                if (stop)
                    return;
            }
            // Decoded here too, while the bytes are still in this core's cache.
            const size_t k = g % kSlots;
            TSourceFile::TState state = failed ? TSourceFile::TState::Changed : ReadRaw(*file, groups[g], groups[g + 1], m_rawSlots[k]);
            state = DecodeRaw(groups[g], groups[g + 1], state, m_rawSlots[k], m_textSlots[k]);
            {
                const std::lock_guard<std::mutex> hold(lock);
                states[k] = state;
                held[k] = g + 1;
            }
            changed.notify_all();
        }
    };
    std::thread readers[kReaders];
    for (size_t r = 0; r < kReaders; ++r)
        readers[r] = std::thread(readGroups, r);
    for (size_t g = 0; g < count; ++g) {
        const size_t k = g % kSlots;
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return held[k] == g + 1; });
        }
        const QByteArray &text = Settle(states[k], m_rawSlots[k], m_textSlots[k]);
        const qint64 start = m_positions[groups[g]];
        const qint64 end = std::min(to, m_positions[groups[g + 1]]);
        const bool goOn = run(text.constData() + (from - start), qsizetype(end - from), qsizetype(from));
        from = end;
        {
            const std::lock_guard<std::mutex> hold(lock);
            used = g + 1;
            stop = !goOn;
        }
        changed.notify_all();
        if (!goOn)
            break;
    }
    for (std::thread &reader : readers)
        reader.join();
}

void TDecodedSource::Protect()
{
    if (m_copy || m_protected || m_copyTried)
        return;
    if (m_file->Unreachable()) {
        m_protected = true;
        return;
    }
    // Tried once: a disk too full for it is not asked again at every key.
    m_copyTried = true;
    m_copy = new TPrivateCopy(m_file, CopyFolder(), this);
    connect(m_copy, &TPrivateCopy::Progress, this, &TDecodedSource::CopyProgress);
    connect(m_copy, &QThread::finished, this, &TDecodedSource::CopyDone);
    m_copy->start(QThread::LowPriority);
}

int TDecodedSource::CopyPercent() const
{
    return m_copy ? m_copy->Percent() : 100;
}

void TDecodedSource::CopyDone()
{
    TPrivateCopy *copy = m_copy;
    if (!copy)
        return;
    m_copy = nullptr;
    QString error = copy->Error();
    std::shared_ptr<TSourceFile> file = copy->Result();
    delete copy;
    // The copy holds the file as opened only if the file stayed so.
    if (file && m_file->Check() == TSourceFile::TState::Intact) {
        m_file = std::move(file);
        m_protected = true;
    } else if (error.isEmpty()) {
        error = QStringLiteral("the file changed while it was copied");
    }
    emit CopyFinished(error);
}
