#include "app/DocumentLoader.h"

#include "textview/RichEdit.h"

namespace {

qint64 gSliceBytes = TSourceScan::kStretch;

} // namespace

void TDocumentLoader::SetSliceBytes(qint64 bytes)
{
    gSliceBytes = bytes;
}

TDocumentLoader::TDocumentLoader(TRichEdit *edit, std::shared_ptr<TDecodedSource> source, QObject *parent)
    : QObject(parent), m_edit(edit), m_source(std::move(source)), m_scanned(m_source->File())
{
    m_scan = std::make_unique<TSourceScan>(m_scanned, m_source->Shape(), gSliceBytes);
    connect(m_scan.get(), &TSourceScan::Ready, this, &TDocumentLoader::Take);
}

void TDocumentLoader::Start()
{
    if (Apply(m_scan->Next()))
        m_scan->start(QThread::LowPriority);
}

int TDocumentLoader::Percent() const
{
    const TDecodedSource::TShape &shape = m_source->Shape();
    const qint64 total = shape.End - shape.Begin;
    return total <= 0 ? 100 : int(100 * (m_scan->Offset() - shape.Begin) / total);
}

void TDocumentLoader::Take()
{
    if (m_done)
        return;
    for (const TScanBatch &batch : m_scan->Take()) {
        if (!Apply(batch))
            return;
    }
    emit Progress(Percent());
}

bool TDocumentLoader::Apply(const TScanBatch &batch)
{
    if (batch.State != TSourceFile::TState::Intact) {
        // The private copy holds the bytes as they were: the scan goes on there.
        if (m_source->File() != m_scanned && m_source->Protected()) {
            m_scanned = m_source->File();
            m_scan->Resume(m_scanned);
            return false;
        }
        m_done = m_failed = true;
        emit Failed(batch.State);
        return false;
    }
    if (!batch.FirstBreak.isEmpty())
        emit FirstBreak(batch.FirstBreak);
    m_edit->AppendScanned(batch);
    if (batch.Last) {
        m_done = true;
        emit Finished();
        return false;
    }
    return true;
}

bool TDocumentLoader::LoadAll(TRichEdit &edit, const std::shared_ptr<TDecodedSource> &source,
                              const std::function<void(qint64, qint64)> &progress)
{
    TSourceScan scan(source->File(), source->Shape(), gSliceBytes);
    const TDecodedSource::TShape &shape = source->Shape();
    for (;;) {
        const TScanBatch batch = scan.Next();
        if (batch.State != TSourceFile::TState::Intact)
            return false;
        edit.AppendScanned(batch);
        if (progress)
            progress(scan.Offset() - shape.Begin, shape.End - shape.Begin);
        if (batch.Last)
            return true;
    }
}

void TDocumentLoader::Stop()
{
    m_done = true;
    m_scan.reset(); // stops the thread and waits for it
}
