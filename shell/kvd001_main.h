// The frame procedure: the login, then the application frame with its menu and toolbar.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ui/resource.h"

namespace kvadrin {

// Runs the login and the frame window; returns when the frame has closed (after the
// windows of the other threads have closed), or at once when the login is not completed.
void Main();

// The procedures the menu starts, each on a new thread, by name ("ProveraVerzije",
// "PrenosUNovuGodinu", "BrowseKvadrin", "BrowseObaveze", "BrowseKlauzul",
// "BrowseObracuni", "IzborZaFakture", "PreuzmiStariProgram"). The frame's own three
// (the update check, the carry-over and the take-over) are there unless replaced; the
// registers register theirs at start (app/main.cpp); any other name without a procedure
// answers as a procedure not built.
void SetMenuProcedure(std::string_view name, std::function<void()> procedure);
std::function<void()> MenuProcedure(std::string_view name);

// The stack the menu's procedure threads ask for.
inline constexpr std::size_t kMenuThreadStack = 25000;

// The version database's server (an SQL Server host with the instance SQLEXPRESS).
inline constexpr const char* kVersionServer = "verzije.local";

const rt::ui::WindowDef& MainWindow();

// The File menu's items that the frame answers itself.
inline constexpr int kPrintSetupItem = -3;
inline constexpr int kExitItem = -5;

}  // namespace kvadrin
