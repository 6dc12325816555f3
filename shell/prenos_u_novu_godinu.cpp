// The carry-over of the registers into a new year: six INSERT ... SELECT statements copy
// the previous year's units, services, prices, clauses, billing runs and invoice items
// into this year's database by three-part names. They run as one transaction: either all
// six tables are copied or none is, and every statement that fails is named with the
// database's own message.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/sql/sql_table.h"
#include "platform/files/transaction.h"
#include "platform/ui/window.h"
#include "shell/housekeeping.h"

namespace kvadrin {
namespace {

using rt::ui::Prop;

// In the order of copying.
constexpr std::array<const char*, 6> kTables = {"KVADRIN", "OBAVEZE", "CENE", "SKLAUZUL", "OBRAC", "SPROM"};

std::string Year04(long year) { return rt::format(static_cast<double>(year), "@n04"); }

// The firm database's name without "_" and the year.
std::string Prefix() {
    const std::string base = rt::clip(MSBASE.view());
    return base.size() > 5 ? base.substr(0, base.size() - 5) : std::string();
}

// The tables of this year's database as the copy holds them open, and whether they are.
struct TransferTables {
    std::vector<rt::RelationManager*> relations;
    std::vector<rt::FileManager*> files;
    std::uint8_t opened = 0;
};

// Opens this year's six tables, each created when missing and really opened: a table the
// copy goes into must exist. CENE takes its related tables along.
int OtvoriFajlovePrenosa(TransferTables& t) {
    if (rt::RelationManager* cene = Relate::CENE()) {
        cene->CASCADEOPEN = 1;
        cene->Open();
        t.relations.push_back(cene);
    }
    if (rt::RelationManager* sklauzul = Relate::SKLAUZUL()) {
        sklauzul->Open();
        t.relations.push_back(sklauzul);
    }
    for (rt::FileManager* fm : {Access::CENE(), Access::SKLAUZUL()})
        if (fm) fm->UseTable(rt::kUseOpen);
    for (rt::FileManager* fm : {Access::SPROM(), Access::OBRAC(), Access::KVADRIN(), Access::OBAVEZE()}) {
        if (!fm) continue;
        fm->Open();
        fm->UseTable(rt::kUseOpen);
        t.files.push_back(fm);
    }
    t.opened = 1;
    return 0;
}

// Closes what OtvoriFajlovePrenosa opened, when it did.
int ZatvoriFajlovePrenosa(TransferTables& t) {
    if (!t.opened) return 0;
    for (rt::RelationManager* r : t.relations) r->Close();
    for (rt::FileManager* fm : t.files) fm->Close();
    t = TransferTables{};
    return 0;
}

struct Failure {
    std::string table, code, text;
};

std::string Describe(const std::vector<Failure>& failures) {
    std::string text = rt::utf8_to_cp1250("Šifarnici nisu preneti, baza tekuće godine nije promenjena.\n");
    for (const Failure& f : failures) {
        text += "\n" + f.table + ": " + f.text;
        if (!f.code.empty()) text += " (" + f.code + ")";
    }
    return text;
}

// Runs the six statements in one transaction on this year's connection; the failures,
// none when all six were copied and committed. `advance` moves the progress bar.
std::vector<Failure> CopyTables(rt::sql::Connection& conn, const std::function<void()>& advance) {
    std::vector<Failure> failures;
    auto failed = [&](const char* table) {
        failures.push_back({table, conn.ErrorCodeText(), conn.ErrorText()});
    };
    // Every statement is prepared before the transaction begins: the embedded store
    // attaches the previous year's database while preparing, which it cannot do inside one.
    std::vector<std::unique_ptr<rt::sql::Statement>> statements;
    for (const char* table : kTables) {
        statements.push_back(conn.PreparePassThrough(CarryOverStatement(table)));
        if (!statements.back()) failed(table);
    }
    if (!failures.empty()) return failures;
    rt::Transaction transaction;  // rolled back unless committed
    if (!transaction.Begin(conn)) {
        failures.push_back({"BEGIN", transaction.failure().code, transaction.failure().text});
        return failures;
    }
    for (std::size_t i = 0; i < kTables.size(); ++i) {
        if (statements[i]->Step() < 0)
            failed(kTables[i]);
        else
            advance();
        statements[i]->Reset();
    }
    statements.clear();
    if (failures.empty() && !transaction.Commit())
        failures.push_back({"COMMIT", transaction.failure().code, transaction.failure().text});
    return failures;
}

}  // namespace

std::string CarryOverStatement(const char* table) {
    const std::string prefix = Prefix();
    return "INSERT INTO " + prefix + "_" + Year04(RAD_GOD) + ".dbo." + table + " SELECT * FROM " + prefix +
           "_" + Year04(RAD_GOD - 1) + ".dbo." + table;
}

void PrenosUNovuGodinu() {
    if (rt::ui::Message("Preuzmi sifarnike iz prethodne godine?", "PRENOS U NOVU GODINU",
                        rt::ui::Icon::Question, "DA|NE", 1) != 1)
        return;
    std::uint8_t progress = 0;  // PROGRESS2
    rt::ui::Window w(PrenosUNovuGodinuWindow());
    w.SetProcedureName("PrenosUNovuGodinu");
    const int bar = w.Feq("?PROGRESS2");
    w.Use(bar, {rt::ui::Binding::Kind::Field, rt::FieldType::Byte, 1, &progress});
    w.Open();
    w.Set(bar, Prop::RangeLow, 0);
    w.Set(bar, Prop::RangeHigh, static_cast<long>(kTables.size()));
    w.Display();

    std::vector<Failure> failures;
    TransferTables tables;
    OtvoriFajlovePrenosa(tables);
    std::shared_ptr<rt::sql::Connection> conn = rt::sql::ConnectionOf(Files::KVADRIN());
    if (!conn)
        failures.push_back({"KVADRIN", rt::FileErrorCode(), rt::FileError()});
    else
        failures = CopyTables(*conn, [&] {
            ++progress;
            w.Display(bar);
        });
    conn.reset();
    // The tables are closed whatever the outcome, before anything is shown.
    ZatvoriFajlovePrenosa(tables);
    if (!failures.empty()) {
        // Nothing was copied: the bar does not stand where a copy would have brought it.
        progress = 0;
        w.Display(bar);
        rt::ui::Message(Describe(failures));
    }
    w.Close();
}

}  // namespace kvadrin
