#include "FileTreeModel.h"

#include "AppText.h"
#include "CabinetNames.h"
#include "FileInfo.h"
#include "QtStrings.h"
#include "RootList.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QStyle>

const char *const CFileTreeModel::kMimeType = "application/x-vellacor-outline-files";

namespace {

// Root rows have the internal id 0; a file row carries its root row + 1.
constexpr quintptr kRootId = 0;

enum Image { kExpandedRoot = 0, kCollapsedRoot = 1, kOutlineImage = 2, kTemplateImage = 3 };

} // namespace

CFileTreeModel::CFileTreeModel(QObject *parent)
    : QAbstractItemModel(parent)
{
    QStyle *style = QApplication::style();
    m_Icons[kExpandedRoot] = style->standardIcon(QStyle::SP_DirOpenIcon);
    m_Icons[kCollapsedRoot] = style->standardIcon(QStyle::SP_DirClosedIcon);
    m_Icons[kOutlineImage] = style->standardIcon(QStyle::SP_FileIcon);
    m_Icons[kTemplateImage] = style->standardIcon(QStyle::SP_FileDialogDetailedView);
}

void CFileTreeModel::SetFilter(bool showAll, const kx_gen::_String &category)
{
    m_bShowAll = showAll;
    m_strFilter = showAll ? kx_gen::_String() : category;
}

bool CFileTreeModel::Passes(int kind, const CTreeData &entry) const
{
    if (m_bShowAll)
        return true;
    if (kind != cabinet::kRootDesktopOutlines && kind != cabinet::kRootHandheldOutlines)
        return true;
    return entry.m_strCategory == m_strFilter;
}

void CFileTreeModel::SetRootExpanded(int kind, bool expanded)
{
    if (expanded == m_ExpandedKinds.contains(kind))
        return;
    if (expanded)
        m_ExpandedKinds.insert(kind);
    else
        m_ExpandedKinds.remove(kind);
    const QModelIndex root = IndexOfRoot(kind);
    if (root.isValid())
        emit dataChanged(root, root, { Qt::DecorationRole });
}

void CFileTreeModel::Reload()
{
    beginResetModel();
    m_Rows.clear();
    for (int i = 0; m_pRoots && i < m_pRoots->GetCount(); ++i) {
        const CFileTreeRoot *root = m_pRoots->GetAt(i);
        SRootRows rows;
        rows.m_nKind = root->m_nKind;
        rows.m_strTitle = ToQString(root->m_strTitle);
        for (int e = 0; e < root->GetCount(); ++e) {
            CTreeData *entry = root->GetDataAt(e);
            if (entry && Passes(root->m_nKind, *entry))
                rows.m_Files.push_back({ entry->m_strPath, ToQString(entry->m_strTitle),
                    ToQString(entry->m_strCategory), entry->IsTemplate() });
        }
        m_Rows.push_back(std::move(rows));
    }
    endResetModel();
}

bool CFileTreeModel::IsRoot(const QModelIndex &index) const
{
    return index.isValid() && index.internalId() == kRootId;
}

int CFileTreeModel::RootKind(const QModelIndex &index) const
{
    if (!index.isValid())
        return 0;
    const std::size_t root = IsRoot(index) ? std::size_t(index.row()) : index.internalId() - 1;
    return root < m_Rows.size() ? m_Rows[root].m_nKind : 0;
}

const CFileTreeModel::SFileRow *CFileTreeModel::FileRow(const QModelIndex &index) const
{
    if (!index.isValid() || IsRoot(index))
        return nullptr;
    const std::size_t root = index.internalId() - 1;
    if (root >= m_Rows.size() || std::size_t(index.row()) >= m_Rows[root].m_Files.size())
        return nullptr;
    return &m_Rows[root].m_Files[std::size_t(index.row())];
}

bool CFileTreeModel::IsFile(const QModelIndex &index) const
{
    return FileRow(index) != nullptr;
}

CTreeData *CFileTreeModel::Entry(const QModelIndex &index) const
{
    const SFileRow *row = FileRow(index);
    return row && m_pRoots ? m_pRoots->FindEntry(row->m_strPath) : nullptr;
}

kx_gen::_String CFileTreeModel::PathOf(const QModelIndex &index) const
{
    const SFileRow *row = FileRow(index);
    return row ? row->m_strPath : kx_gen::_String();
}

QModelIndex CFileTreeModel::IndexOfRoot(int kind) const
{
    for (std::size_t i = 0; i < m_Rows.size(); ++i)
        if (m_Rows[i].m_nKind == kind)
            return createIndex(int(i), 0, kRootId);
    return {};
}

QModelIndex CFileTreeModel::IndexOfPath(const kx_gen::_String &path) const
{
    for (std::size_t i = 0; i < m_Rows.size(); ++i)
        for (std::size_t f = 0; f < m_Rows[i].m_Files.size(); ++f)
            if (m_Rows[i].m_Files[f].m_strPath == path)
                return createIndex(int(f), 0, quintptr(i + 1));
    return {};
}

std::vector<kx_gen::_String> CFileTreeModel::DraggedPaths(const QMimeData *data)
{
    std::vector<kx_gen::_String> paths;
    if (!data || !data->hasFormat(QString::fromLatin1(kMimeType)))
        return paths;
    const QStringList lines = QString::fromUtf8(data->data(QString::fromLatin1(kMimeType)))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines)
        paths.push_back(PathFromQString(line));
    return paths;
}

int CFileTreeModel::SourceKind(const std::vector<kx_gen::_String> &paths) const
{
    int kind = 0;
    for (const kx_gen::_String &path : paths) {
        const CFileTreeRoot *root = m_pRoots ? m_pRoots->FindRootOf(path) : nullptr;
        if (!root || (kind && root->m_nKind != kind))
            return 0;
        kind = root->m_nKind;
    }
    return kind;
}

int CFileTreeModel::DropTargetKind(int, const QModelIndex &parent) const
{
    // Between two root rows there is no list to drop into.
    return parent.isValid() ? RootKind(parent) : 0;
}

QModelIndex CFileTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount())
        return {};
    if (!parent.isValid())
        return std::size_t(row) < m_Rows.size() ? createIndex(row, column, kRootId) : QModelIndex();
    if (!IsRoot(parent) || std::size_t(parent.row()) >= m_Rows.size()
        || std::size_t(row) >= m_Rows[std::size_t(parent.row())].m_Files.size())
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex CFileTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || IsRoot(child))
        return {};
    return createIndex(int(child.internalId() - 1), 0, kRootId);
}

int CFileTreeModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_Rows.size());
    if (parent.column() != 0 || !IsRoot(parent) || std::size_t(parent.row()) >= m_Rows.size())
        return 0;
    return int(m_Rows[std::size_t(parent.row())].m_Files.size());
}

int CFileTreeModel::columnCount(const QModelIndex &) const
{
    return m_Columns.VisibleCount();
}

QString CFileTreeModel::CellText(const SRootRows &root, int row, int column) const
{
    const SFileRow &file = root.m_Files[std::size_t(row)];
    QString text;
    switch (ColumnCode(column)) {
    case CFileListColumns::kTitle:
        text = file.m_strTitle;
        break;
    case CFileListColumns::kFileName:
        text = QFileInfo(PathToQString(file.m_strPath)).completeBaseName();
        break;
    case CFileListColumns::kCategory:
        if (!file.m_bTemplate)
            text = file.m_strCategory;
        break;
    }
    if (column == 0)
        text.prepend(QString::asprintf("%3d. ", row + 1));
    return text;
}

QVariant CFileTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (IsRoot(index)) {
        if (std::size_t(index.row()) >= m_Rows.size() || index.column() != 0)
            return {};
        const SRootRows &root = m_Rows[std::size_t(index.row())];
        if (role == Qt::DisplayRole)
            return root.m_strTitle;
        if (role == Qt::DecorationRole)
            return m_Icons[m_ExpandedKinds.contains(root.m_nKind) ? kExpandedRoot : kCollapsedRoot];
        return {};
    }
    const SFileRow *file = FileRow(index);
    if (!file)
        return {};
    const SRootRows &root = m_Rows[index.internalId() - 1];
    if (role == Qt::DisplayRole)
        return CellText(root, index.row(), index.column());
    if (role == Qt::DecorationRole && index.column() == 0)
        return m_Icons[file->m_bTemplate ? kTemplateImage : kOutlineImage];
    if (role == Qt::ToolTipRole)
        return PathToQString(file->m_strPath);
    return {};
}

QVariant CFileTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (ColumnCode(section)) {
    case CFileListColumns::kTitle:
        return AppText(appstr::kTitleLabel);
    case CFileListColumns::kFileName:
        return AppText(appstr::kFileNameLabel);
    case CFileListColumns::kCategory:
        return AppText(appstr::kCategoryLabel);
    }
    return {};
}

Qt::ItemFlags CFileTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (!IsRoot(index))
        flags |= Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    return flags;
}

QStringList CFileTreeModel::mimeTypes() const
{
    return { QString::fromLatin1(kMimeType) };
}

QMimeData *CFileTreeModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList paths;
    for (const QModelIndex &index : indexes) {
        const SFileRow *file = index.column() == 0 ? FileRow(index) : nullptr;
        if (file)
            paths.append(PathToQString(file->m_strPath));
    }
    if (paths.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), paths.join(QLatin1Char('\n')).toUtf8());
    return data;
}

Qt::DropActions CFileTreeModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions CFileTreeModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

bool CFileTreeModel::canDropMimeData(
    const QMimeData *data, Qt::DropAction, int row, int, const QModelIndex &parent) const
{
    const std::vector<kx_gen::_String> paths = DraggedPaths(data);
    if (paths.empty())
        return false;
    const int source = SourceKind(paths);
    const int target = DropTargetKind(row, parent);
    return source != 0 && target != 0 && source != target;
}

bool CFileTreeModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row,
    int column, const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    QStringList paths;
    for (const kx_gen::_String &path : DraggedPaths(data))
        paths.append(PathToQString(path));
    // The lists change under the commands: they run once the drag is over.
    const int target = DropTargetKind(row, parent);
    QMetaObject::invokeMethod(
        this, [this, paths, target] { emit filesDropped(paths, target); }, Qt::QueuedConnection);
    // The files are moved by the commands, not removed by the view.
    return false;
}
