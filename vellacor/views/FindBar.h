#pragma once

// The find bar at the foot of an outline view: as the user types, every
// match in the rows shown is marked and the selection goes to the first
// match from where the bar was opened; Enter and Shift+Enter step through
// the matches, Escape closes the bar. A keystroke costs the rows shown and
// a search that stops at the first match.

#include "FindMatcher.h"
#include "OutlinePos.h"

#include <QWidget>

class CZumraView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(CZumraView *view);

    // Shows the bar with the selected word (if any) and the focus in it.
    void Open();
    // Hides the bar, takes the marks away and gives the view the focus.
    void Close();
    // The next or previous match.
    void Step(bool backward);

    QLineEdit *Edit() const { return m_pEdit; }
    QLabel *CountLabel() const { return m_pCount; }
    QCheckBox *CaseBox() const { return m_pCase; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void TextChanged();
    void ShowCount(bool found);
    CFindOptions Options() const;

    CZumraView *m_pView;
    QLineEdit *m_pEdit;
    QCheckBox *m_pCase;
    QLabel *m_pCount;
    // Where typing searches from: the caret when the bar opened.
    COutlinePos m_Origin;
};
