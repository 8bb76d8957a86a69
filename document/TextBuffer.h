#pragma once
// The document behind the text control: its bytes in a piece table (bytes
// loaded into memory, or a file read on demand, and what was added) with an
// index of line starts. In a single-byte character set a byte is a
// character; in the Unicode sets the bytes are UTF-8 and a character takes one
// to four of them. Every line break is held as one '\n' byte (a file's CR LF,
// lone CR and lone LF alike), so a break counts as one in positions. Edits are
// recorded as undo steps, which keep pieces rather than bytes; typing and
// deleting runs merge into one.

#include "document/Charset.h"
#include "document/LineIndex.h"
#include "document/PieceTable.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <vector>

class TTextBuffer
{
public:
    // How an edit joins the undo history.
    enum class TEditKind {
        Typing,    // merges with the typing just before it
        Deleting,  // Backspace or Delete: merges with the deleting just before it
        Step,      // one undo step of its own (paste, cut, replace, drop)
        Untracked, // cannot be undone; the steps before it are dropped with it
    };

    // Lines touched by an edit: from FirstLine, RemovedLines lines after it
    // were replaced by InsertedLines lines.
    struct TChange
    {
        qsizetype FirstLine = 0;
        qsizetype RemovedLines = 0;
        qsizetype InsertedLines = 0;
        // The characters: at From, RemovedChars were replaced by InsertedChars.
        qsizetype From = 0;
        qsizetype RemovedChars = 0;
        qsizetype InsertedChars = 0;
    };

    TTextBuffer();

    // Loads file bytes in one pass; empties the history, lowers the modified
    // flag. The bytes are taken over and their line breaks made single in
    // place: they are not copied.
    void Load(QByteArray fileBytes);
    // Bytes read in pieces: Load the first, then Append the others. A CR at
    // the end of a piece waits for the next: CR LF stays one break.
    // longestLine, when given, receives the line of the most bytes it touched.
    TChange Append(QByteArrayView fileBytes, bool last, qsizetype *longestLine = nullptr);
    // A file read on demand: the text grows at its end as the scan of the
    // source goes (AppendSource), and edits apply meanwhile. Empties the
    // history and lowers the modified flag; the first edit protects the file
    // (a private copy).
    void Open(std::shared_ptr<TDecodedSource> source);
    TChange AppendSource(const TScanBatch &batch, qsizetype *longestLine = nullptr);
    // The file the text is read from, if any.
    const std::shared_ptr<TDecodedSource> &Source() const { return m_table.Source(); }
    // The whole text with each break as lineBreak, in one block of memory.
    QByteArray FileBytes(QByteArrayView lineBreak = "\r\n") const;

    // Which bytes break lines as a file is read in. Text files break at CR LF,
    // CR and LF alike, each made one '\n'. Where a lone CR means something of
    // its own (colour art moves the cursor with it), only LF breaks a line and
    // CR stays a character, so the bytes come back exactly as they were.
    enum class TBreaks { Any, LfOnly };
    TBreaks Breaks() const { return m_breaks; }
    void SetBreaks(TBreaks breaks) { m_breaks = breaks; } // for the next Load

    // The set the bytes are read in; Load keeps it.
    TCharset Charset() const { return m_charset; }
    void SetCharset(TCharset charset) { m_charset = charset; }
    bool SingleByte() const { return Charset::IsSingleByte(m_charset); }

    qsizetype Length() const { return qsizetype(m_table.Length()); }
    char At(qsizetype pos) const { return m_table.At(pos); }
    QByteArray Slice(qsizetype from, qsizetype to) const { return m_table.Slice(from, to); }
    bool Contains(char c, qsizetype from, qsizetype to) const; // c in [from, to), without a copy
    // Calls run(data, length, position) for the runs of [from, to) in order
    // until it returns false; no copy. sequential: a long read in order (a
    // search, a save), which goes past the cache of a file's blocks.
    void Read(qsizetype from, qsizetype to, TRunVisitor run, bool sequential = false) const
    {
        m_table.Read(from, to, run, sequential);
    }
    qsizetype LineCount() const { return m_lines.LineCount(); }
    qsizetype LineStart(qsizetype line) const { return m_lines.LineStart(line, Runs()); }
    qsizetype LineEnd(qsizetype line) const; // before the line's break
    qsizetype LineOf(qsizetype pos) const;

    // Characters: where the one after pos starts, where the one before it
    // starts, and the character shown at pos with its length in bytes.
    qsizetype NextChar(qsizetype pos) const;
    qsizetype PrevChar(qsizetype pos) const;
    char32_t ShownAt(qsizetype pos, qsizetype *length) const;
    // pos, or the start of the character it falls inside.
    qsizetype CharStart(qsizetype pos) const;
    // The number of characters in [from, to).
    qsizetype CharCount(qsizetype from, qsizetype to) const;

    TChange Replace(qsizetype from, qsizetype to, QByteArrayView bytes, TEditKind kind);

    bool CanUndo() const { return !m_steps.empty(); }
    // Takes back the last step; returns where the caret goes, or -1.
    // removed receives the bytes the step takes out.
    qsizetype Undo(TChange *change = nullptr, QByteArray *removed = nullptr);
    // Makes the step last taken back again, until the next edit.
    bool CanRedo() const { return !m_redo.empty(); }
    qsizetype Redo(TChange *change = nullptr, QByteArray *removed = nullptr);

    bool Modified() const { return m_clean != qsizetype(m_steps.size()); }
    void SetModified(bool modified) { m_clean = modified ? -1 : qsizetype(m_steps.size()); }

    // Text from elsewhere as document bytes: breaks of any kind become '\n',
    // a character a single-byte set lacks becomes '?'.
    QByteArray FromText(QStringView text) const { return Charset::Encode(m_charset, text); }
    // Document bytes as text (breaks as '\n').
    QString ToText(QByteArrayView bytes) const { return Charset::ToText(m_charset, bytes); }

private:
    struct TStep
    {
        qsizetype Pos;
        TPieceTable::TPieces Removed;
        TPieceTable::TPieces Inserted;
        TEditKind Kind;
    };

    TTextRuns Runs() const; // the text as the line index reads it
    // Takes n file bytes in at out, which is position base (in may be out:
    // a load in place); returns the bytes written. See Append.
    qsizetype TakeIn(const char *in, qsizetype n, char *out, qsizetype base, bool last, qsizetype *longestLine);
    TChange Apply(qsizetype from, qsizetype to, const TPieceTable::TPieces &pieces);
    // Moves a step from one history to the other, applying it.
    qsizetype Swap(std::vector<TStep> &from, std::vector<TStep> &to, bool undo, TChange *change, QByteArray *removed);
    bool Merge(qsizetype from, qsizetype to, const TPieceTable::TPieces &inserted, QByteArrayView bytes, TEditKind kind);

    TCharset m_charset = TCharset::csCp437;
    TBreaks m_breaks = TBreaks::Any;
    TPieceTable m_table;
    TLineIndex m_lines;
    std::vector<TStep> m_steps;
    std::vector<TStep> m_redo;
    qsizetype m_clean = 0; // the number of steps at the last save, -1 when out of reach
    bool m_pendingCr = false; // a piece ended in CR
};
