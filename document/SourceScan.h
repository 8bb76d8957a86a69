#pragma once
// The scan of a file read on demand: cuts it into the blocks of its decoded
// source and finds its line starts, the longest line and the first break, a
// stretch at a time. The first stretch is scanned at once (the first screen);
// the rest in a thread of its own, whose batches wait in a short queue for
// the window's thread to take them, so that nothing piles up.

#include "document/DecodedSource.h"

#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

class TSourceScan : public QThread
{
    Q_OBJECT

public:
    static constexpr qint64 kStretch = 1 << 20; // file bytes a batch covers

    // Scans the text of file shaped as shape, from the start of the text,
    // stretch file bytes a batch.
    TSourceScan(std::shared_ptr<TSourceFile> file, const TDecodedSource::TShape &shape, qint64 stretch = kStretch,
                QObject *parent = nullptr);
    ~TSourceScan() override; // stops the thread and waits for it

    // Goes on in another file holding the same bytes (a private copy), from
    // where the batches taken end: after a scan that ended in a fault.
    void Resume(std::shared_ptr<TSourceFile> file);
    // Scans one stretch now, without the thread.
    TScanBatch Next();
    // The batches found since the last call, in order.
    std::deque<TScanBatch> Take();
    qint64 Offset() const { return m_offset; } // in the file, as far as taken
    bool Done() const { return m_done; }

signals:
    void Ready(); // batches wait to be taken

protected:
    void run() override;

private:
    TScanBatch Scan();
    void FindBreaks(const char *text, qsizetype n, TScanBatch &batch);
    void NoteFirstBreak(const char *bytes, qsizetype n);

    std::shared_ptr<TSourceFile> m_file;
    TDecodedSource::TShape m_shape;
    qint64 m_stretch;
    // Where the scan stands: the thread's, until a batch is taken.
    qint64 m_scanOffset;
    qint64 m_scanPos = 0;
    qint64 m_lineStart = 0; // the text position of the line going on
    qint64 m_longestBytes = -1;
    QByteArray m_firstBreak;
    bool m_firstFound = false;
    QByteArray m_raw;
    QByteArray m_text;
    // What the window's thread has taken.
    qint64 m_offset;
    bool m_done = false;

    std::mutex m_mutex;
    std::condition_variable m_taken;
    std::deque<TScanBatch> m_queue;
    bool m_stop = false;
};
