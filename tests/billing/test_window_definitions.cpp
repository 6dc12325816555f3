// What holds for every window the program defines: no two controls that the user can reach
// at once answer the same Alt key.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "billing/kvd003_browse_kvadrin.h"
#include "billing/kvd004_browse_obaveze.h"
#include "billing/kvd011_browse_nazivi.h"
#include "billing/kvd028_browse_klauzul.h"
#include "shell/firms_list.h"
#include "shell/kvd001_main.h"
#include "shell/kvd002_splash.h"
#include "shell/login.h"

namespace kvtest {
namespace {

using rt::ui::ControlDef;
using rt::ui::Ctl::Menu;
using rt::ui::Ctl::Menubar;

// The letters marked with "&" among the visible controls of one scope: a window's controls
// (its menus apart), or the items of one menu.
using Scope = std::map<char, std::vector<std::string>>;

void Collect(const std::vector<ControlDef>& controls, Scope& scope, std::vector<Scope>& menus) {
    for (const ControlDef& c : controls) {
        if (c.attrs & rt::ui::kHide) continue;
        const std::size_t amp = c.text.find('&');
        if (amp != std::string::npos && amp + 1 < c.text.size())
            scope[static_cast<char>(std::tolower(static_cast<unsigned char>(c.text[amp + 1])))].push_back(
                c.label);
        if (c.kind == Menu || c.kind == Menubar) {
            menus.emplace_back();
            Scope& items = menus.back();
            std::vector<Scope> nested;
            Collect(c.children, items, nested);
            for (Scope& n : nested) menus.push_back(std::move(n));
        } else {
            Collect(c.children, scope, menus);
        }
    }
}

TEST(WindowDefinitions, NoTwoReachableControlsShareAnAccelerator) {
    const std::vector<std::function<const rt::ui::WindowDef&()>> windows = {
        kvadrin::BrowseKvadrinWindow, kvadrin::UpdateKvadrinWindow,  kvadrin::BrowseObavezeWindow,
        kvadrin::UpdateObavezeWindow, kvadrin::BrowseNaziviWindow,   kvadrin::UpdateNaziviWindow,
        kvadrin::BrowseKlauzulWindow, kvadrin::UpdateSklauzulWindow, kvadrin::BrowseMBaseWindow,
        kvadrin::UpdateMBaseWindow,   kvadrin::PromenaServeraWindow, kvadrin::MainWindow,
        kvadrin::BrivantSplashWindow, kvadrin::OtvoriSQLWindow,      kvadrin::MSSQLLogMultiWindow,
        kvadrin::MSSQLLoginWindow};
    for (const auto& window : windows) {
        const rt::ui::WindowDef& d = window();
        SCOPED_TRACE(d.module + " " + d.name);
        std::vector<Scope> scopes(1);
        std::vector<Scope> menus;
        Collect(d.controls, scopes.front(), menus);
        for (Scope& m : menus) scopes.push_back(std::move(m));
        for (const Scope& scope : scopes)
            for (const auto& [letter, labels] : scope) {
                std::string all;
                for (const std::string& l : labels) all += l + " ";
                EXPECT_EQ(labels.size(), 1u) << "'" << letter << "': " << all;
            }
    }
}

}  // namespace
}  // namespace kvtest
