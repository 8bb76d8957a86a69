#pragma once
// A copy of a file that no other program can reach, made in a thread of its
// own: a reflink clone where the file system offers one (instant, sharing
// the blocks until either side changes), else the file's data copied into an
// unnamed file in a folder (the user's cache), holes kept. The copy is gone
// when it is closed, also after a crash. The file is checked to stay as it
// was opened throughout; a copy of a file that changed meanwhile fails.

#include "document/SourceFile.h"

#include <QThread>

#include <atomic>
#include <memory>

class TPrivateCopy : public QThread
{
    Q_OBJECT

public:
    TPrivateCopy(std::shared_ptr<TSourceFile> from, QString folder, QObject *parent = nullptr);
    ~TPrivateCopy() override; // stops the copy and waits for the thread

    // Copies into named files taken off their names, as where the file
    // system has no unnamed files (for tests).
    static void SetNamedFiles(bool named);

    int Percent() const { return m_percent; }
    // Once finished: the copy, or why there is none.
    std::shared_ptr<TSourceFile> Result() const { return m_result; }
    QString Error() const { return m_error; }

signals:
    void Progress(int percent);

protected:
    void run() override;

private:
    bool Copy(int to);
    bool CopyRange(int to, qint64 from, qint64 end);
    void SetPercent(qint64 done);

    std::shared_ptr<TSourceFile> m_from;
    QString m_folder;
    std::shared_ptr<TSourceFile> m_result;
    QString m_error;
    std::atomic<int> m_percent{0};
    std::atomic<bool> m_stop{false};
};
