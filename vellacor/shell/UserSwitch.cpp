#include "UserSwitch.h"

#include "AppContext.h"
#include "OutlineDoc.h"
#include "QtStrings.h"
#include "UserDialogs.h"
#include "UsersCombo.h"

#include <vector>

namespace shell {

bool SwitchUser(CAppContext &context, CUser *user)
{
    CUserList &users = context.Users();
    CUser *current = users.GetActiveUser();
    if (user == current)
        return true;
    if (current) {
        std::vector<COutlineDoc *> handheld;
        for (COutlineDoc *document : context.Documents().InStackingOrder())
            if (!document->m_bFilingCabinet
                && current->GetRoots().IsInHandheldOutlines(document->GetPathName()))
                handheld.push_back(document);
        for (COutlineDoc *document : handheld)
            if (!context.Documents().CloseDocument(document))
                return false;
    }
    if (!context.Env().Attempt([&] { users.SetActive(user); })) {
        context.Quit();
        return false;
    }
    return true;
}

bool AfterUsersDialog(CAppContext &context, CUsersCombo &combo)
{
    // By the text shown: the user behind it may be gone with the dialog.
    const kx_gen::_String name
        = combo.currentIndex() >= 0 ? ToKxString(combo.currentText()) : kx_gen::_String();
    combo.FillUsers();
    if (!name.IsEmpty() && combo.SelectUser(name))
        return true;
    if (combo.count() == 0)
        return SwitchUser(context, nullptr);
    combo.setCurrentIndex(0);
    return SwitchUser(context, combo.GetSelectedUser());
}

void RunUsersCommand(CAppContext &context, CUsersCombo &combo, QWidget *parent)
{
    CUsersDlg dialog(context.Users(), context.Env(), parent);
    dialog.exec();
    AfterUsersDialog(context, combo);
}

} // namespace shell
