#pragma once

// Switching the active user from the users box, and the Users command.

class CAppContext;
class CUser;
class CUsersCombo;
class QWidget;

namespace shell {

// Closes every outline of the current user's Handheld Outlines (each with
// the usual save question), then makes `user` active. When the user
// cancels a question nothing more is closed and the switch does not happen:
// the result is false and the current user stays active. An error while
// activating is shown and ends the program (the context's quit hook).
bool SwitchUser(CAppContext &context, CUser *user);

// After the Users dialog: refills the box and selects the user that was
// selected before; when that user is gone, selects the first entry and
// switches to it. True when the active user stayed or the switch went
// through.
bool AfterUsersDialog(CAppContext &context, CUsersCombo &combo);

// The Users command: the dialog, then AfterUsersDialog.
void RunUsersCommand(CAppContext &context, CUsersCombo &combo, QWidget *parent);

} // namespace shell
