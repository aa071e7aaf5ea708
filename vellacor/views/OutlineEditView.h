#pragma once

#include "OutlineCommands.h"
#include "OutlineTextView.h"
#include "OutlineViewHost.h"
#include "RtfParagraphs.h"

#include <QHash>
#include <QList>

#include <functional>

class QAction;
class QMimeData;

// The editing layer of the outline view: typing, deleting, joining and
// splitting items, the item commands, undo and redo, and the clipboard.
//
// Every command is a QAction of the view (objectName = its command id, the
// keys of the outline's key map as shortcuts). The main window shows the
// active view's actions in its Edit menu and toolbar; UpdateCommandStates
// sets their enabled and checked states and the undo texts. A command
// tests its own rule again when it runs, so a state set a moment ago never
// lets a command through that does not apply any more.
//
// Every editing command goes the same way: ignored until the view is ready;
// refused in an outline of the Conflicts folder; a block selection it would
// replace is confirmed first; then one undo group around one item
// operation, the manager's after-edit step, the document modified, the
// layout and the scroll bars brought up to date and the caret into view.
class COutlineEditView : public COutlineTextView {
    Q_OBJECT
public:
    // `man` and `host` stay the caller's and must outlive the view.
    COutlineEditView(COutlineMan *man, COutlineViewHost *host, QWidget *parent = nullptr);
    ~COutlineEditView() override;

    // ---- Commands --------------------------------------------------------------

    // The action of a command id; null for an id the view does not have.
    QAction *Action(int id) const { return m_Actions.value(id, nullptr); }
    // Every command's action, in menu order.
    const QList<QAction *> &EditActions() const { return m_ActionList; }
    // Sets every action's enabled and checked state and the undo and redo
    // texts from the outline as it stands.
    void UpdateCommandStates();
    // Runs a command when its rule allows it now; false otherwise.
    bool RunCommand(int id);
    // The command's rule: whether it would do something now.
    virtual bool IsCommandEnabled(int id) const;
    virtual bool IsCommandChecked(int id) const
    {
        (void)id;
        return false;
    }

    // ---- Typing ----------------------------------------------------------------

    bool IsOverwrite() const { return m_bOverwrite; }
    // Types text as keys would: each character as a typed character, a
    // carriage return as Enter. A character that Windows-1252 cannot hold
    // refuses the whole text with a beep and a status message.
    void TypeText(const QString &text);
    // One typed character of Windows-1252 (13 is Enter).
    void TypeChar(unsigned char ch);

    // ---- Positions ---------------------------------------------------------------

    // The paragraph position of a row position and back.
    static CTextPos ParaOf(const COutlinePos &pos);
    static COutlinePos RowPosOf(COutlineNode *node, CTextPos para);
    // The item that the item commands act on: the context item while a
    // context menu's command runs, else the caret's.
    COutlineNode *CommandItem() const;

signals:
    // The enabled states may have changed (after a command, a caret move,
    // a clipboard change).
    void commandStatesChanged();
    void overwriteChanged(bool on);

protected:
    // The user expanded or collapsed an item by hand.
    virtual void SetCustomExpansion() { }
    // Runs a command's work; the concrete view adds its guard.
    virtual void RunWork(const std::function<void()> &work) { work(); }
    // Carries out a command; false for an id it does not know.
    virtual bool DoCommand(int id);
    void CaretMoved() override;

    // ---- The editing pattern -------------------------------------------------------

    // Editing commands are refused in an outline of the Conflicts folder.
    bool IsEditable() const;
    // Ready, editable (a refusal shows its message) and, when the command
    // would replace a block selection, confirmed. Suppresses the caret and
    // opens the undo group `label` (continuing the last group of that label
    // with `merge`). False: nothing may change.
    bool BeginEdit(int label, bool merge, bool replacesBlock);
    // Closes the group, runs the after-edit step, marks the document
    // modified, lays out, and puts the caret at `caret` in view.
    void EndEdit(const COutlinePos &caret);
    // Deletes the selection (the block's items or the selected text) inside
    // an open group and returns where the caret goes.
    COutlinePos DeleteSelectionInGroup();
    // The caret position for an item that may have gone: its start when it
    // is still visible, else the end of the previous visible item.
    COutlinePos PlaceOnItem(COutlineNode *node, bool atEnd) const;
    // Tells the user that a character cannot be stored.
    void RefuseCharacter(const QString &character);

    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    // Tab and Shift+Tab are the indent keys here, never a focus change.
    bool focusNextPrevChild(bool next) override
    {
        (void)next;
        return false;
    }

    // ---- Commands of the layers (OutlineEditItems.cpp, OutlineEditClipboard.cpp) --

    void InsertTyped(const kx_gen::_String &text, bool merge);
    void Enter();
    void DeleteForward();
    void Backspace();
    void DeleteWordBack();
    void NewItemCommand();
    void DuplicateItem();
    void DeleteItemCommand();
    void MoveItem(int id);
    void ExpandCollapse(bool expand);
    void EditNoteOf(COutlineNode *node);
    void DeleteNoteOf(COutlineNode *node);
    void DeleteDrawingOf(COutlineNode *node);
    void InsertDateOrTime(bool time);
    void SelectAll();
    void UndoRedo(bool undo);

    // The clipboard. Copy puts the selection (or the item) on the
    // clipboard and reports whether it got there; cut deletes only then.
    bool CopyCommand();
    void CutCommand();
    bool CopyItem(COutlineNode *node);
    void CutItem(COutlineNode *node);
    // Removes `node` in an undo group of `label` once `copy` (to the
    // clipboard or the Filing Cabinet) succeeded: a failed copy keeps it.
    void CutAfterCopy(COutlineNode *node, int label, const std::function<bool()> &copy);
    void PasteCommand(COutlineNode *after, bool itemsOnly);
    // Paste of data (the clipboard's or a drop's) after `after`, or at the
    // caret for text; true when something went in.
    bool PasteFromMime(const QMimeData &data, COutlineNode *after, bool itemsOnly);
    bool PasteOutlineData(const QMimeData &mime, COutlineNode *after, COutlinePos *caret);
    bool PasteRichTextContent(const CRtfContent &content, COutlinePos *caret);
    bool PastePlainText(const QString &text, COutlinePos *caret);
    // Inserts a scratch outline's items after `after` inside an open group.
    bool InsertScratch(const COutlineMan &scratch, COutlineNode *after, COutlineNode **ppFirst);
    // Whether the clipboard holds something Paste takes / outline items
    // (cached until the clipboard changes).
    bool CanPaste() const;
    bool ClipboardHoldsItems() const;

    COutlineViewHost *m_pHost;
    bool m_bOverwrite = false;
    // The item that a context menu was opened on; the first context
    // command takes it.
    COutlineNode *m_pContextItem = nullptr;
    // A caret move ends a run of typing: the next character starts a new
    // undo step.
    bool m_bTypingRun = false;

private:
    void MakeActions();
    void OnAction(int id);
    void ScheduleStates();

    QHash<int, QAction *> m_Actions;
    QList<QAction *> m_ActionList;
    bool m_bStatesPending = false;
    mutable bool m_bClipboardKnown = false;
    mutable bool m_bClipboardPaste = false;
    mutable bool m_bClipboardItems = false;
    void ReadClipboardKinds() const;
};
