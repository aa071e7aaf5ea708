#pragma once

// The bar above an outline window's view: the outline's title, edited in
// place, its category box and the lock button that shows and sets whether
// the outline is private on the handheld.

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

class CAppContext;
class CComboCat;
class COutlineDoc;
class QLabel;

// The title in a bold version of the dialog font.
class CDocTitleEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CDocTitleEdit(QWidget *parent = nullptr);
};

// A padlock, closed while the outline is private.
class CLockBtn : public QToolButton {
    Q_OBJECT

public:
    explicit CLockBtn(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    QSize sizeHint() const override;
};

class CDocTitleBar : public QWidget {
    Q_OBJECT

public:
    CDocTitleBar(COutlineDoc &document, CAppContext &context, QWidget *parent = nullptr);

    // Shows the document's title, category and private flag, in the state
    // its kind allows (the Filing Cabinet, a template, a Conflicts outline).
    void Setup();
    // The categories changed: refill the box, keeping the outline's one.
    void RefreshCategories();
    // The document's title changed elsewhere (Save As, a rename).
    void ShowTitle();

    CDocTitleEdit *titleEdit() const { return m_pTitle; }
    CComboCat *categoryBox() const { return m_pCategory; }
    CLockBtn *lockButton() const { return m_pLock; }

signals:
    // Enter in the title: the view takes the focus.
    void titleEntered();
    void editCategoriesRequested();
    // A character outside what outlines can hold was refused.
    void characterRefused(const QString &character);

private:
    void OnTitleEdited(const QString &text);
    void SelectOutlineCategory();

    COutlineDoc &m_Doc;
    CAppContext &m_Context;
    CDocTitleEdit *m_pTitle;
    QLabel *m_pTitleLabel;
    QLabel *m_pCategoryLabel;
    CComboCat *m_pCategory;
    CLockBtn *m_pLock;
    QString m_strLastGood;
};
