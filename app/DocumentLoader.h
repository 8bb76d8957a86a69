#pragma once
// Scans a file read on demand into the text control: the first stretch at
// once, so that the window shows the first screen, the rest in a thread whose
// batches are taken on the event loop. Scrolling, editing, Find over what is
// scanned, copying and closing all work meanwhile. A file that changes under
// the scan goes on from the private copy when there is one; otherwise the
// scan ends in Failed.

#include "document/SourceScan.h"

#include <QObject>
#include <QPointer>

#include <functional>

#include <memory>

class TRichEdit;

class TDocumentLoader : public QObject
{
    Q_OBJECT

public:
    TDocumentLoader(TRichEdit *edit, std::shared_ptr<TDecodedSource> source, QObject *parent = nullptr);

    // Scans the first stretch into the control and starts the thread.
    void Start();
    bool Done() const { return m_done; }
    bool HasFailed() const { return m_failed; }
    int Percent() const;
    // Reads no more: closing or opening another file stops the scan at once.
    void Stop();

    // The file bytes one stretch scans; tests make them few.
    static void SetSliceBytes(qint64 bytes);
    // The whole scan now, in the calling thread, where no window waits (the
    // command line); progress is told the file bytes scanned. False when the
    // file changed or failed meanwhile.
    static bool LoadAll(TRichEdit &edit, const std::shared_ptr<TDecodedSource> &source,
                        const std::function<void(qint64, qint64)> &progress = {});

signals:
    void Progress(int percent);
    void FirstBreak(const QByteArray &lineBreak); // as the file writes it
    void Finished();
    void Failed(TSourceFile::TState state);

private:
    void Take();
    bool Apply(const TScanBatch &batch); // false once the scan ended

    TRichEdit *m_edit;
    std::shared_ptr<TDecodedSource> m_source;
    std::unique_ptr<TSourceScan> m_scan;
    std::shared_ptr<TSourceFile> m_scanned; // the file the scan reads
    bool m_done = false;
    bool m_failed = false;
};
