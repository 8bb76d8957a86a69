#pragma once
// While a long command runs on the window's thread (a save, a search, the
// wait for a scan), the event loop runs between its steps, so that the
// window paints and shows progress. Input is kept from the windows meanwhile,
// closing them too, so that nothing changes the document under the command;
// Esc stops a command that can be stopped.

#include <QObject>

class TBusyScope : public QObject
{
public:
    explicit TBusyScope(bool stoppable);
    ~TBusyScope() override;

    // Runs the events that wait; with wait, waits for one first. False once
    // Esc asked a stoppable command to stop.
    bool Pump(bool wait = false);
    bool Stopped() const { return m_stopped; }
    // A command is running: the window does not close under it.
    static bool Active();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_stoppable;
    bool m_stopped = false;
};
