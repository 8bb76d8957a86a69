#pragma once
// The document's bytes as pieces, in order: runs of the original text (bytes
// loaded into memory, or a file's decoded source read on demand) and runs of
// an append-only buffer of what was added. An edit replaces pieces and moves
// no text, so a file of gigabytes is edited without being read in; removed
// pieces stay valid for ever (nothing they point at changes), which is what
// the undo history keeps.
//
// The run read last is remembered, so reading byte after byte costs a
// lookup per run, not per byte. That memory, and the source's cache, make
// the const calls unsafe to share between threads.

#include "document/DecodedSource.h"
#include "document/RunVisitor.h"

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <vector>

class TPieceTable
{
public:
    struct TPiece
    {
        qint64 Start = 0; // in the original text or the added bytes
        qint64 Length = 0;
        bool Added = false;
    };
    using TPieces = std::vector<TPiece>;

    TPieceTable();

    // The original text held in memory (breaks already single); it may grow
    // at its end through Memory and AppendOriginal. Empties the table.
    void Reset(QByteArray original);
    // The original text read from a source, appended as the scan goes.
    void Reset(std::shared_ptr<TDecodedSource> source);
    QByteArray &Memory()
    {
        Forget(); // it may move
        return m_memory;
    }
    const std::shared_ptr<TDecodedSource> &Source() const { return m_source; }

    qint64 Length() const { return m_length; }
    char At(qint64 pos) const
    {
        if (pos < m_runFrom || pos >= m_runTo)
            FindRun(pos);
        return m_run[pos - m_runFrom];
    }
    // Calls run(data, length, position) for [from, to) in order until it
    // returns false. sequential: a long read in order, past the cache.
    void Read(qint64 from, qint64 to, TRunVisitor run, bool sequential = false) const;
    QByteArray Slice(qint64 from, qint64 to) const;
    static QByteArray Bytes(const TPieceTable &table, const TPieces &pieces);

    // The pieces of [from, to).
    TPieces Pieces(qint64 from, qint64 to) const;
    // Replaces [from, to) with pieces.
    void Replace(qint64 from, qint64 to, const TPieces &pieces);
    // Bytes put in the added buffer, as a piece to insert.
    TPiece Add(QByteArrayView bytes);
    // The original text [start, start + length) put at the end.
    void AppendOriginal(qint64 start, qint64 length);

    static qint64 Size(const TPieces &pieces);
    // Adds piece at the end of pieces, or at its start, joining a neighbour
    // it continues.
    static void Append(TPieces &pieces, const TPiece &piece);
    static void Prepend(TPieces &pieces, const TPiece &piece);
    qsizetype PieceCount() const { return qsizetype(m_pieces.size()); }

private:
    size_t PieceOf(qint64 pos) const; // the piece holding pos (pos below Length())
    size_t Split(qint64 pos);         // the index of the piece starting at pos, splitting one
    void Restart(size_t from);        // the starts again from a piece on
    void FindRun(qint64 pos) const;
    void Forget() const
    {
        m_runFrom = m_runTo = 0;
        m_runBlock.clear();
    }

    QByteArray m_memory;
    std::shared_ptr<TDecodedSource> m_source;
    QByteArray m_added;
    TPieces m_pieces;
    std::vector<qint64> m_starts; // where each piece starts in the text
    qint64 m_length = 0;
    // The run read last: the bytes [m_runFrom, m_runTo), from m_run on.
    mutable qint64 m_runFrom = 0;
    mutable qint64 m_runTo = 0;
    mutable const char *m_run = nullptr;
    mutable QByteArray m_runBlock; // the source's block it lies in, kept alive
};
