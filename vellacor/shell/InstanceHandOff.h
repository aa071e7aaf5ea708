#pragma once

// One running instance per user: a starting instance looks for a running
// one, hands it its command line and ends; the running one listens for
// that, answers the identity questions and comes to the front.

#include <QObject>
#include <QString>

#include <memory>
#include <string>

namespace kx_gen {
class CMessageWindow;
}

namespace shell {

// Looks for a running instance (every message window of the user is asked
// the identity question, each with a short time-out). When one answers it
// is brought to the front and, when `commandLine` is not empty, receives it
// (waiting at most kHandOffTimeoutMs; a first instance that hangs is given
// up on). True when a running instance was found: this one should end.
bool HandOffToRunningInstance(const std::string &commandLine);

} // namespace shell

// The running instance's side. The questions are answered on the listener's
// own thread at once; what they ask for reaches the signals on the thread of
// the object, later.
class CInstanceListener : public QObject {
    Q_OBJECT

public:
    explicit CInstanceListener(QObject *parent = nullptr);
    ~CInstanceListener() override;

    // Starts listening; false when the listener cannot be made.
    bool Start();
    void Stop();

signals:
    // A second instance handed over a file to open...
    void openRequested(const QString &path);
    // ...or an empty command line: a new outline.
    void newDocumentRequested();
    // The window is to come to the front.
    void activationRequested();
    // The HotSync notifier reported progress: the work of `code`, posted
    // after the notifier has had its answer.
    void hotSyncNotified(quint64 code, qint64 lParam);

private:
    std::unique_ptr<kx_gen::CMessageWindow> m_pWindow;
};
