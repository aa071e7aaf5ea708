#pragma once

// The status bar's indicators beside the message area: where the caret is,
// overwrite mode, a read-only outline, and the user whose outlines are
// shown.

#include <QObject>

class QLabel;
class QStatusBar;

class CStatusIndicators : public QObject {
    Q_OBJECT

public:
    explicit CStatusIndicators(QStatusBar &bar);

    // The caret's place ("Item 3 of 12", as the view reports it); empty
    // without an outline window.
    void SetPosition(const QString &text);
    void SetOverwrite(bool on);
    void SetReadOnly(bool on);
    // Empty hides the user's name (desktop-only mode has one user).
    void SetUser(const QString &name);

    QLabel *position() const { return m_pPosition; }
    QLabel *overwrite() const { return m_pOverwrite; }
    QLabel *readOnly() const { return m_pReadOnly; }
    QLabel *user() const { return m_pUser; }

private:
    QLabel *AddIndicator(QStatusBar &bar, const QString &widest);

    QLabel *m_pPosition;
    QLabel *m_pOverwrite;
    QLabel *m_pReadOnly;
    QLabel *m_pUser;
};
