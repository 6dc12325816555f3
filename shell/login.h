// The SQL Server login before the frame opens: the login with the choice of firm, the
// single-firm login, and the connection test that proves the firm database is reachable.
#pragma once

#include <string>
#include <string_view>

#include "platform/files/sql/connection.h"
#include "platform/ui/resource.h"

namespace kvadrin {

// Chooses the login (the firm choice while NAZIVFIRME is blank or "XYZ"), shows the
// connecting window and opens USERS as the connection test, creating it when missing.
// Leaves the login's response in CallResponse; when USERS cannot be opened it beeps
// twice, shows why and ends the process with exit code 0 (it does not return).
void OtvoriSQL();
// The login with the choice of firm from the firms list.
void MSSQLLogMulti();
// The single-firm login: the database is named after the firm folder.
void MSSQLLogin();

// How the connection test ends the process and sounds its beeps; tests replace them.
extern void (*HaltProcess)(int exit_code);
extern void (*SoundBeep)();

// The login settings file as the firm line "Sistem:" (FIRMA_R15) selects it now: the
// per-user copy when its 7th character is "L" or "l" ($XDG_CONFIG_HOME/kvadrin, else
// ~/.config/kvadrin, standing in for the shared system folder), else the copy in the
// program folder.
std::string LoginIniFile();

// OWNERFIRME from the login values now current (GLO, MSBASE), cut to its 140 characters.
// The values it was built from are also handed to the SQL layer for that text, so that a
// server, login name or password holding "," or ";" (which the comma-separated text
// cannot carry) still reaches the intended server with the intended credentials.
void SetOwnerFirme();
// The connection the login values stand for (server, database, login, password, and the
// trusted connection of an embedded server).
rt::sql::ConnectionText LoginConnection();

// The windows of the login module.
const rt::ui::WindowDef& OtvoriSQLWindow();
const rt::ui::WindowDef& MSSQLLogMultiWindow();
const rt::ui::WindowDef& MSSQLLoginWindow();

}  // namespace kvadrin
