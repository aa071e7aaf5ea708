#pragma once

// The dockable "File list" pane: the category filter above a tree of the
// active user's outline lists. It opens outlines, runs the file commands of
// the lists on its selection and rebuilds itself after each of them.

#include "FileListColumns.h"

#include "kx_gen/String.h"
#include "kx_gen/WinTypes.h"

#include <QDockWidget>
#include <QFont>

#include <vector>

class CAppContext;
class CComboCat;
class CFileTreeModel;
class CUser;
class QModelIndex;
class QTreeView;

class CFileViewControlBar : public QDockWidget {
    Q_OBJECT

public:
    // The pane's object name, as the dock layout and the tests know it.
    static constexpr int kControlId = 107;

    // `context` (may be null: an empty pane) outlives the pane. The column
    // table and the list font are read from the settings store.
    explicit CFileViewControlBar(CAppContext *context, QWidget *parent = nullptr);
    // Stores the column table.
    ~CFileViewControlBar() override;

    // ---- What the main window calls ----------------------------------------

    // A user became active (shows its lists, its categories and its filter)
    // or none is (null: an empty pane).
    void UserActivated(CUser *user);
    // Rebuilds the rows from the lists; with `keepSelection` the selection,
    // the expanded lists and the top row stay.
    void Rebuild(bool keepSelection);
    // Every list expanded, the first one selected.
    void ExpandAllFirstTime();
    // Reads the filter box into the filter and the user's filter category.
    void ApplyFilter();
    // Selects `category` in the filter box ("All" when empty), then
    // ApplyFilter().
    void SetFilterText(const kx_gen::_String &category);
    // A category was added (both names the same) or renamed.
    void OnCategoryAdded(const kx_gen::_String &oldName, const kx_gen::_String &newName);
    // Sorts by the column shown at `column`; the same column again reverses.
    void SortByColumn(int column);
    // The list font; a font the description cannot give becomes a 12-point
    // font of its face.
    void SetListFont(const kx_gen::LOGFONT &font);
    // Writes the column table with the current widths.
    void SaveColumns();
    // Holds rebuilds while several files are worked on.
    void HoldRefresh(bool hold) { m_bHoldRefresh = hold; }

    // The selection: file paths (of one list) and the kind of that list.
    std::vector<kx_gen::_String> SelectedPaths() const;
    int SelectedKind() const;
    kx_gen::_String SelectedPath() const; // the current file, or empty

    // Enable tests of the commands.
    bool CanRename() const;
    bool CanDuplicate() const { return CanRename(); }
    bool CanDelete() const;
    bool CanSaveAsTemplate() const;
    bool CanNewFromTemplate() const;
    bool CanNew() const;
    bool CanMoveToDesktop() const;
    bool CanMoveToHandheld() const;

    QTreeView *tree() const { return m_pTree; }
    CComboCat *filterBox() const { return m_pFilter; }
    CFileTreeModel *model() const { return m_pModel; }
    const CFileListColumns &columns() const { return m_Columns; }

public slots:
    void Refresh() { Rebuild(true); }
    // Selects and shows the file row of `path` (nothing when it is not
    // shown).
    void SelectFile(const QString &path);
    void OpenSelected();
    void RenameSelected();
    void DuplicateSelected();
    void DeleteSelected();
    void MoveSelectedToDesktop();
    void MoveSelectedToHandheld();
    void SaveSelectedAsTemplate();
    void NewFromSelectedTemplate();
    void NewInSelectedList();
    // Files the selected outlines under `category`.
    void SetSelectedCategory(const kx_gen::_String &category);

signals:
    // An outline was opened from the pane.
    void documentOpened(const QString &path);
    void selectionChanged();
    // The filter box's "Edit Categories ..." entry.
    void editCategoriesRequested();

protected:
    // The number pad's * opens everything below the row with a wait cursor.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OnDoubleClicked(const QModelIndex &index);
    void OnContextMenu(const QPoint &pos);
    void OnSelectionChanged();
    void OnFilesDropped(const QStringList &paths, int targetKind);
    void ShowContextMenu(const QModelIndex &index, const QPoint &globalPos);
    void ShowCategoriesMenu(const QPoint &globalPos);
    void RunCommand(int command);
    void SelectOnly(const QModelIndex &index);
    void UpdateSortIndicator();
    // After a command: rebuild and select `path` when it is set.
    void Finish(const kx_gen::_String &path);
    CUser *User() const;
    bool IsPalmMode() const;

    CAppContext *m_pContext;
    CComboCat *m_pFilter;
    QTreeView *m_pTree;
    CFileTreeModel *m_pModel;
    CFileListColumns m_Columns;
    QFont m_ListFont;
    bool m_bHoldRefresh = false;
    bool m_bFixingSelection = false;
};
