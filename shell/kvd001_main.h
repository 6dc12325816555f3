// The frame procedure: the login, then the application frame with its menu and toolbar.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ui/resource.h"

namespace kvadrin {

// Runs the login and the frame window; returns when the frame has closed (after the
// windows of the other threads have closed), or at once when the login is not completed.
void Main();

// The procedures the menu starts, each on a new thread, by name ("ProveraVerzije",
// "PrenosUNovuGodinu", "BrowseKvadrin", "BrowseObaveze", "BrowseKlauzul",
// "BrowseObracuni", "IzborZaFakture", "PreuzmiStariProgram"), registered at start
// (StartUp). A name nothing registered stops the program: the start-up checks every menu
// item (CheckMenuProcedures), and asking for one later aborts the same way.
void SetMenuProcedure(std::string_view name, std::function<void()> procedure);
std::function<void()> MenuProcedure(std::string_view name);

// The frame's own three: the update check, the carry-over and the take-over.
void RegisterHousekeepingMenu();

// A menu item that starts a procedure, with the procedure's name.
struct MenuStart {
    int item;
    const char* procedure;
    bool hide_after;  // the hidden items are shown by their alert key and hidden once chosen
};

// The frame's menu items that start procedures.
std::span<const MenuStart> FrameMenuStarts();

// Aborts with a message naming the first item whose procedure nothing registered.
void CheckMenuProcedures(std::span<const MenuStart> items = FrameMenuStarts());

// The stack the menu's procedure threads ask for.
inline constexpr std::size_t kMenuThreadStack = 25000;

// The version database's server (an SQL Server host with the instance SQLEXPRESS).
inline constexpr const char* kVersionServer = "verzije.local";

const rt::ui::WindowDef& MainWindow();

// The File menu's items that the frame answers itself.
inline constexpr int kPrintSetupItem = -3;
inline constexpr int kExitItem = -5;

}  // namespace kvadrin
