#pragma once

// The rows of the file pane: one parent row per outline list of the active
// user, one child row per file that passes the category filter, in the
// columns of the column table. The rows are a copy of what the lists held at
// the last Reload(), so that lists read again in between leave nothing
// dangling; Reload() shows their changes.

#include "FileListColumns.h"

#include "kx_gen/String.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QSet>

#include <vector>

class CRootList;
class CTreeData;

class CFileTreeModel : public QAbstractItemModel {
    Q_OBJECT

public:
    // The format of the files dragged inside the pane: their paths, one a
    // line.
    static const char *const kMimeType;

    explicit CFileTreeModel(QObject *parent = nullptr);

    // The lists shown (may be null: no rows). They stay the caller's.
    void SetRoots(CRootList *roots) { m_pRoots = roots; }
    CRootList *Roots() const { return m_pRoots; }
    void SetColumns(const CFileListColumns &columns) { m_Columns = columns; }
    const CFileListColumns &Columns() const { return m_Columns; }
    // Shows every file (`showAll`) or only the outlines filed under
    // `category`; templates and Conflicts always show.
    void SetFilter(bool showAll, const kx_gen::_String &category);
    bool ShowsAll() const { return m_bShowAll; }
    const kx_gen::_String &Filter() const { return m_strFilter; }
    // Whether the entry passes the filter in a list of kind `kind`.
    bool Passes(int kind, const CTreeData &entry) const;
    // The root row's image follows whether it is expanded.
    void SetRootExpanded(int kind, bool expanded);

    // Reads the rows again from the lists (a model reset).
    void Reload();

    // Questions about a row.
    bool IsRoot(const QModelIndex &index) const;
    int RootKind(const QModelIndex &index) const; // 0 for an invalid index
    // The list entry of a file row as the lists hold it now (null for root
    // rows and for files the lists no longer hold).
    CTreeData *Entry(const QModelIndex &index) const;
    bool IsFile(const QModelIndex &index) const;
    kx_gen::_String PathOf(const QModelIndex &index) const;
    QModelIndex IndexOfRoot(int kind) const;
    QModelIndex IndexOfPath(const kx_gen::_String &path) const;
    // The column code shown in `column`, or 0.
    int ColumnCode(int column) const { return m_Columns.VisibleCode(column); }

    // The paths of a drag, or none when `data` is not one of ours.
    static std::vector<kx_gen::_String> DraggedPaths(const QMimeData *data);
    // The kind of the list the dragged files lie in (0 when they lie in
    // several or in none).
    int SourceKind(const std::vector<kx_gen::_String> &paths) const;
    // The kind of list a drop at (row, parent) goes to, or 0.
    int DropTargetKind(int row, const QModelIndex &parent) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
        const QModelIndex &parent) override;

signals:
    // Files of one list were dropped on another list; the pane runs the
    // commands (after the drop has finished).
    void filesDropped(const QStringList &paths, int targetKind);

private:
    struct SFileRow {
        kx_gen::_String m_strPath;
        QString m_strTitle;
        QString m_strCategory;
        bool m_bTemplate = false;
    };
    struct SRootRows {
        int m_nKind = 0;
        QString m_strTitle;
        std::vector<SFileRow> m_Files;
    };
    const SFileRow *FileRow(const QModelIndex &index) const;

    QString CellText(const SRootRows &root, int row, int column) const;

    CRootList *m_pRoots = nullptr;
    CFileListColumns m_Columns;
    bool m_bShowAll = true;
    kx_gen::_String m_strFilter;
    std::vector<SRootRows> m_Rows;
    QSet<int> m_ExpandedKinds;
    QIcon m_Icons[4];
};
