#include "FileViewControlBar.h"

#include "AppContext.h"
#include "AppText.h"
#include "CabinetCommands.h"
#include "CabinetNames.h"
#include "CategoriesMenu.h"
#include "ComboCat.h"
#include "FileSort.h"
#include "FileTreeModel.h"
#include "OutlineDoc.h"
#include "PaneCommands.h"
#include "PaneMenuRules.h"
#include "QtStrings.h"
#include "QtValues.h"
#include "User.h"

#include "kx_gen/AppRegistry.h"
#include "kx_gen/CategoryRecord.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char kPreferencesSection[] = "Preferences";
constexpr char kListFontValue[] = "List font";

QString MenuText(int command)
{
    switch (command) {
    case pane::kRename:
        return AppText(appstr::kPaneRename);
    case pane::kMoveToHandheld:
        return AppText(appstr::kPaneMoveToHandheld);
    case pane::kMoveToDesktop:
        return AppText(appstr::kPaneMoveToDesktop);
    case pane::kNewFromTemplate:
        return AppText(appstr::kPaneNewFromTemplate);
    case pane::kSaveAsTemplate:
        return AppText(appstr::kPaneSaveAsTemplate);
    case pane::kDuplicate:
        return AppText(appstr::kPaneDuplicate);
    case pane::kDelete:
        return AppText(appstr::kPaneDelete);
    case pane::kNew:
        return AppText(appstr::kPaneNew);
    }
    return {};
}

} // namespace

CFileViewControlBar::CFileViewControlBar(CAppContext *context, QWidget *parent)
    : QDockWidget(AppText(appstr::kFileListCaption), parent)
    , m_pContext(context)
    , m_pFilter(new CComboCat)
    , m_pTree(new QTreeView)
    , m_pModel(new CFileTreeModel(this))
{
    setObjectName(QString::number(kControlId));
    auto *body = new QWidget;
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_pFilter->setObjectName(QStringLiteral("filter"));
    m_pFilter->Fill(true);
    layout->addWidget(m_pFilter);
    layout->addWidget(m_pTree, 1);
    setWidget(body);
    body->setMinimumSize(50, 6 * m_pFilter->sizeHint().height());

    if (m_pContext) {
        m_Columns = CFileListColumns::Load(m_pContext->Settings());
        kx_gen::LOGFONT font;
        kx_gen::CAppRegistry &settings = m_pContext->Settings();
        bool haveFont = false;
        if (settings.OpenSection(kPreferencesSection)) {
            haveFont = settings.ReadBinary(kListFontValue, &font, sizeof font);
            settings.CloseSection();
        }
        if (haveFont)
            SetListFont(font);
    }
    m_pModel->SetColumns(m_Columns);

    m_pTree->setObjectName(QStringLiteral("list"));
    m_pTree->setModel(m_pModel);
    m_pTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTree->setDragEnabled(true);
    m_pTree->setAcceptDrops(true);
    m_pTree->setDropIndicatorShown(true);
    m_pTree->setDragDropMode(QAbstractItemView::DragDrop);
    m_pTree->setDefaultDropAction(Qt::MoveAction);
    m_pTree->setAllColumnsShowFocus(true);
    m_pTree->setUniformRowHeights(true);
    m_pTree->header()->setSectionsClickable(true);
    m_pTree->header()->setSectionsMovable(false);
    m_pTree->header()->setStretchLastSection(false);
    for (int i = 0; i < m_Columns.VisibleCount(); ++i)
        for (int r = 0; r < CFileListColumns::kCount; ++r)
            if (m_Columns.At(r).m_nCode == m_Columns.VisibleCode(i))
                m_pTree->header()->resizeSection(i, m_Columns.At(r).m_nWidth);

    m_pTree->installEventFilter(this);
    connect(m_pTree, &QTreeView::doubleClicked, this, &CFileViewControlBar::OnDoubleClicked);
    connect(m_pTree, &QWidget::customContextMenuRequested, this,
        &CFileViewControlBar::OnContextMenu);
    connect(m_pTree, &QTreeView::expanded, this,
        [this](const QModelIndex &index) { m_pModel->SetRootExpanded(m_pModel->RootKind(index), true); });
    connect(m_pTree, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        m_pModel->SetRootExpanded(m_pModel->RootKind(index), false);
    });
    connect(m_pTree->header(), &QHeaderView::sectionClicked, this,
        &CFileViewControlBar::SortByColumn);
    connect(m_pTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &CFileViewControlBar::OnSelectionChanged);
    connect(m_pModel, &CFileTreeModel::filesDropped, this, &CFileViewControlBar::OnFilesDropped);
    connect(m_pFilter, &CComboCat::categoryChosen, this, [this] { ApplyFilter(); });
    connect(m_pFilter, &CComboCat::editCategoriesRequested, this,
        &CFileViewControlBar::editCategoriesRequested);
}

CFileViewControlBar::~CFileViewControlBar()
{
    SaveColumns();
}

CUser *CFileViewControlBar::User() const
{
    return m_pContext ? m_pContext->Users().GetActiveUser() : nullptr;
}

bool CFileViewControlBar::IsPalmMode() const
{
    return m_pContext && m_pContext->IsPalmMode();
}

void CFileViewControlBar::UserActivated(CUser *user)
{
    CRootList *roots = user ? &user->GetRoots() : nullptr;
    m_pModel->SetRoots(roots);
    m_pFilter->SetSources(user ? user->GetCategories() : nullptr,
        m_pContext ? &m_pContext->Categories() : nullptr);
    m_pFilter->Fill(true);
    if (user)
        SetFilterText(user->m_strFilterCategory);
    else
        m_pModel->Reload();
}

void CFileViewControlBar::SaveColumns()
{
    for (int r = 0; r < CFileListColumns::kCount; ++r) {
        SFileListColumn &column = m_Columns.At(r);
        const int shown = m_Columns.VisibleIndexOf(column.m_nCode);
        if (shown >= 0 && shown < m_pTree->header()->count())
            column.m_nWidth = m_pTree->header()->sectionSize(shown);
    }
    if (m_pContext)
        m_Columns.Save(m_pContext->Settings());
}

void CFileViewControlBar::SetListFont(const kx_gen::LOGFONT &font)
{
    QFont qfont = ToQFont(font);
    if (qfont.pointSizeF() <= 0 && qfont.pixelSize() <= 0)
        qfont = QFont(qfont.family(), 12);
    m_ListFont = qfont;
    m_pTree->setFont(m_ListFont);
}

bool CFileViewControlBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pTree && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QModelIndex current = m_pTree->currentIndex();
        if (key->key() == Qt::Key_Asterisk && current.isValid()) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_pTree->expandRecursively(current.siblingAtColumn(0));
            QGuiApplication::restoreOverrideCursor();
            return true;
        }
    }
    return QDockWidget::eventFilter(watched, event);
}

// ---- Rows ------------------------------------------------------------------

void CFileViewControlBar::Rebuild(bool keepSelection)
{
    if (m_bHoldRefresh)
        return;
    CRootList *roots = m_pModel->Roots();
    const QModelIndex top = m_pTree->indexAt(QPoint(1, 1));
    const int topKind = m_pModel->RootKind(top);
    const kx_gen::_String topPath = m_pModel->PathOf(top);
    const std::vector<kx_gen::_String> selected = SelectedPaths();
    const int selectedKind = SelectedKind();
    const QModelIndex current = m_pTree->currentIndex();
    const kx_gen::_String currentPath = m_pModel->PathOf(current);

    m_pTree->setUpdatesEnabled(false);
    std::vector<int> expanded;
    for (int i = 0; i < m_pModel->rowCount(); ++i) {
        const QModelIndex root = m_pModel->index(i, 0);
        if (m_pTree->isExpanded(root))
            expanded.push_back(m_pModel->RootKind(root));
    }
    for (int i = 0; roots && i < roots->GetCount(); ++i)
        if (roots->GetAt(i)->m_bResort)
            SortRoot(*roots->GetAt(i), CurrentFileSortOrder());
    m_bFixingSelection = true;
    m_pModel->Reload();
    for (int i = 0; roots && i < roots->GetCount(); ++i) {
        CFileTreeRoot *root = roots->GetAt(i);
        root->m_bResort = 0;
        const bool open
            = std::find(expanded.begin(), expanded.end(), root->m_nKind) != expanded.end();
        m_pTree->setExpanded(m_pModel->IndexOfRoot(root->m_nKind), open);
        m_pModel->SetRootExpanded(root->m_nKind, open);
    }
    if (keepSelection) {
        QModelIndex topAgain
            = topPath.IsEmpty() ? m_pModel->IndexOfRoot(topKind) : m_pModel->IndexOfPath(topPath);
        if (topAgain.isValid())
            m_pTree->scrollTo(topAgain, QAbstractItemView::PositionAtTop);
        QItemSelection selection;
        QModelIndex newCurrent;
        for (const kx_gen::_String &path : selected) {
            const QModelIndex row = m_pModel->IndexOfPath(path);
            if (!row.isValid())
                continue;
            selection.select(row, row.siblingAtColumn(m_pModel->columnCount() - 1));
            if (path == currentPath || !newCurrent.isValid())
                newCurrent = row;
        }
        if (!newCurrent.isValid() && selectedKind) {
            newCurrent = m_pModel->IndexOfRoot(selectedKind);
            if (newCurrent.isValid())
                selection.select(newCurrent, newCurrent.siblingAtColumn(m_pModel->columnCount() - 1));
        }
        if (newCurrent.isValid()) {
            m_pTree->selectionModel()->setCurrentIndex(newCurrent, QItemSelectionModel::NoUpdate);
            m_pTree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
            m_pTree->scrollTo(newCurrent);
        }
    }
    m_bFixingSelection = false;
    m_pTree->setUpdatesEnabled(true);
    emit selectionChanged();
}

void CFileViewControlBar::ExpandAllFirstTime()
{
    CRootList *roots = m_pModel->Roots();
    m_bHoldRefresh = true;
    m_bFixingSelection = true;
    m_pModel->Reload();
    for (int i = 0; roots && i < roots->GetCount(); ++i) {
        roots->GetAt(i)->m_bResort = 0;
        m_pModel->SetRootExpanded(roots->GetAt(i)->m_nKind, true);
    }
    m_pTree->expandAll();
    if (m_pModel->rowCount() > 0)
        SelectOnly(m_pModel->index(0, 0));
    m_bFixingSelection = false;
    m_bHoldRefresh = false;
    emit selectionChanged();
}

void CFileViewControlBar::ApplyFilter()
{
    CUser *user = User();
    const bool all = m_pFilter->GetSelectedId() == CComboCat::kAll || m_pFilter->currentIndex() < 0;
    const kx_gen::_String name = all ? kx_gen::_String() : m_pFilter->GetSelectedName();
    m_pModel->SetFilter(all, name);
    if (user)
        user->m_strFilterCategory = name;
    CRootList *roots = m_pModel->Roots();
    if (roots)
        roots->SetAllResort(1);
    if (CurrentFileSortOrder().m_nColumn == 0) {
        CurrentFileSortOrder() = { m_Columns.VisibleCode(0), true };
        UpdateSortIndicator();
    }
    if (user && user->m_bFirstShow) {
        user->m_bFirstShow = 0;
        ExpandAllFirstTime();
    } else {
        Rebuild(true);
    }
}

void CFileViewControlBar::SetFilterText(const kx_gen::_String &category)
{
    m_pFilter->SelectName(category);
    ApplyFilter();
}

void CFileViewControlBar::OnCategoryAdded(
    const kx_gen::_String &oldName, const kx_gen::_String &newName)
{
    const bool all = m_pModel->ShowsAll();
    const kx_gen::_String filter = m_pModel->Filter() == oldName ? newName : m_pModel->Filter();
    m_pFilter->Fill(true);
    m_pFilter->SelectName(all ? kx_gen::_String() : filter);
    ApplyFilter();
}

void CFileViewControlBar::SortByColumn(int column)
{
    const int code = m_pModel->ColumnCode(column);
    if (!code)
        return;
    SFileSortOrder &order = CurrentFileSortOrder();
    if (order.m_nColumn == code)
        order.m_bAscending = !order.m_bAscending;
    else
        order = { code, true };
    UpdateSortIndicator();
    if (CRootList *roots = m_pModel->Roots())
        for (int i = 0; i < roots->GetCount(); ++i)
            SortRoot(*roots->GetAt(i), order);
    Rebuild(true);
}

void CFileViewControlBar::UpdateSortIndicator()
{
    const SFileSortOrder &order = CurrentFileSortOrder();
    const int shown = m_Columns.VisibleIndexOf(order.m_nColumn);
    m_pTree->header()->setSortIndicatorShown(shown >= 0);
    if (shown >= 0)
        m_pTree->header()->setSortIndicator(
            shown, order.m_bAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// ---- Selection -------------------------------------------------------------

std::vector<kx_gen::_String> CFileViewControlBar::SelectedPaths() const
{
    std::vector<kx_gen::_String> paths;
    for (const QModelIndex &row : m_pTree->selectionModel()->selectedRows())
        if (m_pModel->IsFile(row))
            paths.push_back(m_pModel->PathOf(row));
    return paths;
}

int CFileViewControlBar::SelectedKind() const
{
    const QModelIndexList rows = m_pTree->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : m_pModel->RootKind(rows.first());
}

kx_gen::_String CFileViewControlBar::SelectedPath() const
{
    const QModelIndex current = m_pTree->currentIndex();
    if (m_pModel->IsFile(current) && m_pTree->selectionModel()->isRowSelected(
            current.row(), current.parent()))
        return m_pModel->PathOf(current);
    const std::vector<kx_gen::_String> paths = SelectedPaths();
    return paths.empty() ? kx_gen::_String() : paths.front();
}

void CFileViewControlBar::SelectOnly(const QModelIndex &index)
{
    m_pTree->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CFileViewControlBar::SelectFile(const QString &path)
{
    const QModelIndex row = m_pModel->IndexOfPath(PathFromQString(path));
    if (!row.isValid())
        return;
    m_pTree->expand(row.parent());
    SelectOnly(row);
    m_pTree->scrollTo(row);
}

void CFileViewControlBar::OnSelectionChanged()
{
    if (m_bFixingSelection)
        return;
    // A selection never spans two lists: the row just clicked wins.
    const QModelIndexList rows = m_pTree->selectionModel()->selectedRows();
    bool mixed = false;
    for (const QModelIndex &row : rows)
        mixed = mixed || m_pModel->RootKind(row) != m_pModel->RootKind(rows.first());
    if (mixed) {
        m_bFixingSelection = true;
        SelectOnly(m_pTree->currentIndex());
        m_bFixingSelection = false;
        Rebuild(true);
        return;
    }
    emit selectionChanged();
}

// ---- Enable tests ------------------------------------------------------------

bool CFileViewControlBar::CanRename() const
{
    const std::vector<kx_gen::_String> paths = SelectedPaths();
    return paths.size() == 1 && SelectedKind() != cabinet::kRootConflicts
        && m_pTree->selectionModel()->selectedRows().size() == 1;
}

bool CFileViewControlBar::CanDelete() const
{
    return !SelectedPaths().empty();
}

bool CFileViewControlBar::CanSaveAsTemplate() const
{
    const int kind = SelectedKind();
    return CanRename()
        && (kind == cabinet::kRootDesktopOutlines || kind == cabinet::kRootHandheldOutlines);
}

bool CFileViewControlBar::CanNewFromTemplate() const
{
    const int kind = SelectedKind();
    return CanRename()
        && (kind == cabinet::kRootDesktopTemplates || kind == cabinet::kRootHandheldTemplates);
}

bool CFileViewControlBar::CanNew() const
{
    const int kind = SelectedKind();
    return User() && kind >= cabinet::kRootDesktopOutlines && kind < cabinet::kRootConflicts;
}

bool CFileViewControlBar::CanMoveToDesktop() const
{
    return !SelectedPaths().empty()
        && pane::CanMoveToDesktop(SelectedKind(), IsPalmMode(), isVisible());
}

bool CFileViewControlBar::CanMoveToHandheld() const
{
    return !SelectedPaths().empty()
        && pane::CanMoveToHandheld(SelectedKind(), IsPalmMode(), isVisible());
}

// ---- Mouse -------------------------------------------------------------------

void CFileViewControlBar::OnDoubleClicked(const QModelIndex &index)
{
    // Root rows toggle through the tree's own double click.
    if (m_pModel->IsFile(index)) {
        SelectOnly(index);
        OpenSelected();
    }
}

void CFileViewControlBar::OnContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_pTree->indexAt(pos);
    if (!index.isValid())
        return;
    if (m_pTree->selectionModel()->selectedRows().size() < 2
        || !m_pTree->selectionModel()->isRowSelected(index.row(), index.parent()))
        SelectOnly(index.siblingAtColumn(0));
    const QPoint global = m_pTree->viewport()->mapToGlobal(pos);
    const int visual = m_pTree->header()->visualIndex(index.column());
    const int kind = m_pModel->RootKind(index);
    if (visual == 0)
        ShowContextMenu(index, global);
    else if (m_pModel->ColumnCode(index.column()) == CFileListColumns::kCategory
        && m_pModel->IsFile(index)
        && (kind == cabinet::kRootDesktopOutlines || kind == cabinet::kRootHandheldOutlines))
        ShowCategoriesMenu(global);
}

void CFileViewControlBar::ShowContextMenu(const QModelIndex &index, const QPoint &globalPos)
{
    const std::vector<int> commands = pane::ContextMenuCommands(m_pModel->RootKind(index),
        m_pModel->IsRoot(index), IsPalmMode(),
        int(m_pTree->selectionModel()->selectedRows().size()));
    if (commands.empty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("155"));
    for (int command : commands)
        menu.addAction(MenuText(command))->setData(command);
    if (QAction *chosen = menu.exec(globalPos))
        RunCommand(chosen->data().toInt());
}

void CFileViewControlBar::ShowCategoriesMenu(const QPoint &globalPos)
{
    CUser *user = User();
    if (!user)
        return;
    QMenu menu(this);
    CCategoriesMenu categories;
    if (!categories.Create(menu, user->GetCategories()))
        return;
    QAction *chosen = menu.exec(globalPos);
    if (!chosen)
        return;
    if (kx_gen::CCategoryRecord *record = categories.FromCommand(chosen->data().toInt()))
        SetSelectedCategory(record->GetCategoryName());
}

void CFileViewControlBar::RunCommand(int command)
{
    switch (command) {
    case pane::kRename:
        RenameSelected();
        break;
    case pane::kMoveToHandheld:
        MoveSelectedToHandheld();
        break;
    case pane::kMoveToDesktop:
        MoveSelectedToDesktop();
        break;
    case pane::kNewFromTemplate:
        NewFromSelectedTemplate();
        break;
    case pane::kSaveAsTemplate:
        SaveSelectedAsTemplate();
        break;
    case pane::kDuplicate:
        DuplicateSelected();
        break;
    case pane::kDelete:
        DeleteSelected();
        break;
    case pane::kNew:
        NewInSelectedList();
        break;
    }
}
