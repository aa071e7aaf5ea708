// The file commands of the pane: each runs the outline lists' command on
// the selection and rebuilds the pane afterwards.

#include "FileViewControlBar.h"

#include "AppContext.h"
#include "CabinetCommands.h"
#include "CabinetNames.h"
#include "FileTreeModel.h"
#include "OutlineDoc.h"
#include "PaneCommands.h"
#include "QtLook.h"
#include "QtStrings.h"
#include "User.h"

#include <QGuiApplication>
#include <QStringList>
#include <QTreeView>

namespace {

} // namespace

void CFileViewControlBar::Finish(const kx_gen::_String &path)
{
    m_bHoldRefresh = false;
    Rebuild(true);
    if (!path.IsEmpty())
        SelectFile(PathToQString(path));
}

void CFileViewControlBar::OpenSelected()
{
    const kx_gen::_String path = SelectedPath();
    CUser *user = User();
    if (path.IsEmpty() || !user)
        return;
    if (!m_pContext->Documents().OpenDocumentFile(path))
        return;
    CCabinetCommands(m_pContext->Env(), *user).ShowConflictsNotice(path);
    emit documentOpened(PathToQString(path));
}

void CFileViewControlBar::RenameSelected()
{
    CUser *user = User();
    if (!user || !CanRename())
        return;
    kx_gen::_String newPath;
    if (CCabinetCommands(m_pContext->Env(), *user).Rename(SelectedPath(), newPath))
        Finish(newPath);
}

void CFileViewControlBar::DuplicateSelected()
{
    CUser *user = User();
    if (!user || !CanDuplicate())
        return;
    kx_gen::_String newPath;
    if (CCabinetCommands(m_pContext->Env(), *user).Duplicate(SelectedPath(), newPath))
        Finish(newPath);
}

void CFileViewControlBar::DeleteSelected()
{
    CUser *user = User();
    const std::vector<kx_gen::_String> paths = SelectedPaths();
    if (!user || paths.empty())
        return;
    m_bHoldRefresh = true;
    CCabinetCommands(m_pContext->Env(), *user).Delete(paths);
    Finish({});
}

void CFileViewControlBar::MoveSelectedToDesktop()
{
    CUser *user = User();
    if (!user || !CanMoveToDesktop())
        return;
    m_bHoldRefresh = true;
    kx_gen::_String last;
    CCabinetCommands(m_pContext->Env(), *user).MoveToDesktop(SelectedPaths(), last);
    Finish(last);
}

void CFileViewControlBar::MoveSelectedToHandheld()
{
    CUser *user = User();
    if (!user || !CanMoveToHandheld())
        return;
    m_bHoldRefresh = true;
    kx_gen::_String last;
    CCabinetCommands(m_pContext->Env(), *user).MoveToHandheld(SelectedPaths(), last);
    Finish(last);
}

void CFileViewControlBar::SaveSelectedAsTemplate()
{
    CUser *user = User();
    if (!user || !CanSaveAsTemplate())
        return;
    kx_gen::_String newPath;
    if (CCabinetCommands(m_pContext->Env(), *user).SaveAsTemplate(SelectedPath(), newPath))
        Finish(newPath);
}

void CFileViewControlBar::NewFromSelectedTemplate()
{
    CUser *user = User();
    if (!user || !CanNewFromTemplate())
        return;
    kx_gen::_String newPath;
    if (CCabinetCommands(m_pContext->Env(), *user).NewFromTemplate(SelectedPath(), newPath))
        Finish(newPath);
}

void CFileViewControlBar::NewInSelectedList()
{
    CUser *user = User();
    if (!user || !CanNew())
        return;
    CCabinetCommands(m_pContext->Env(), *user).New(SelectedKind());
}

void CFileViewControlBar::SetSelectedCategory(const kx_gen::_String &category)
{
    CUser *user = User();
    if (!user)
        return;
    cabinet::SetFileCategory(user->GetRoots(), SelectedPaths(), category,
        [this, &category](const kx_gen::_String &path) {
            if (COutlineDoc *document = m_pContext->Documents().FindDocument(path))
                document->SetCategory(category);
        });
    Rebuild(true);
}

void CFileViewControlBar::OnFilesDropped(const QStringList &paths, int targetKind)
{
    CUser *user = User();
    if (!user || paths.isEmpty())
        return;
    kx_gen::_String last;
    {
        const CWaitCursor wait;
        m_bHoldRefresh = true;
        CCabinetCommands commands(m_pContext->Env(), *user);
        for (const QString &path : paths) {
            kx_gen::_String newPath;
            if (commands.Drop(PathFromQString(path), targetKind, m_pModel->ShowsAll(), newPath))
                last = newPath;
        }
    }
    Finish(last);
}
