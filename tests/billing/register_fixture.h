// The register tests' fixture: a register's browse and form over a firm database of their
// own, with the firm's address and place set.
#pragma once

#include <string>
#include <utility>

#include "data/globals.h"
#include "platform/core/text.h"
#include "platform/ui/resource.h"
#include "tests/driver/store_fixture.h"

namespace kvtest {

// A register's browse and form over a firm database of their own; the firm's address and
// place set.
class RegisterGui : public BrowseSteps<StoreTest> {
protected:
    RegisterGui(std::string browse, std::string form) : BrowseSteps(std::move(browse), std::move(form)) {}

    void SetUpRegister(const std::string& database, const rt::ui::WindowDef& browse_window) {
        SetUpStore(database);
        kvadrin::ADRESA = rt::utf8_to_cp1250("Bulevar Oslobođenja 7");
        kvadrin::MESTO = "21000 Novi Sad";
        FindHiddenButtons(browse_window);
    }
    void TearDown() override {
        StoreTest::TearDown();
        kvadrin::ADRESA = "";
        kvadrin::MESTO = "";
    }
};

}  // namespace kvtest
