// kvadrin-demo ROOT: lays out a demo firm under ROOT (ROOT/DEMO/<year>/PROGRAM), with the
// firms list and the login settings where the login looks for them, makes the firm's
// database and the versions database on the embedded store (ROOT/localdb) and fills the
// firm's with a small building: owners, units, services and one billing run with its
// prices, its charges created, so that its invoices are there at once. Rows that already
// exist are left alone, so running it again changes nothing.
#include "app/demo_layout.h"

#include "billing/kvd005_browse_obracuni.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/datetime.h"
#include "platform/core/errors.h"
#include "platform/core/ini.h"
#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/sql/connection.h"

namespace kvadrin::demo {

namespace fs = std::filesystem;

inline std::string T(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

// The firms list in the year folder (the login opens "..\MBASE.DAT" from the program
// folder), holding the one demo firm.
inline bool WriteFirms(const fs::path& year_dir) {
    M = MBASERecord{};
    M.NAZIVFIRME = T("Stambena zajednica Demo");
    M.SERVERNAME = "(localdb)\\demo";
    M.FOLDERNAME = "DEMO";
    // The data lines by their numbers on the firm form (1 name, 2 address, 3 post code and
    // place, 4 place, 5 current account, 6 telephones, 7 tax number, 10 registration number).
    const std::pair<int, const char*> lines[] = {{1, "Stambena zajednica Demo"},
                                                 {2, "Bulevar oslobođenja 1"},
                                                 {3, "21000 Novi Sad"},
                                                 {4, "Novi Sad"},
                                                 {5, "160-0000000498672-91"},
                                                 {6, "021/000-000"},
                                                 {7, "100000001"},
                                                 {10, "08000001"}};
    for (const auto& [line, text] : lines) M.R[line - 1] = T(text);
    const std::vector<std::string> rows{std::string(reinterpret_cast<const char*>(&M), sizeof M)};
    const rt::TableDef& def = table_def(TableId::MBASE);
    M = MBASERecord{};
    return rt::WriteFlatFile((year_dir / "MBASE.DAT").string(), def.layout, rows, def.owner) == rt::kNoError;
}

// The login settings in the program folder, where the login reads them by default.
inline void WriteLogin(const fs::path& program_dir) {
    rt::IniManager ini;
    ini.Init(rt::utf8_to_cp1250((program_dir / "LOGIN_TAVSQL.INI").string()), false);
    ini.Update("Server", "Server", "(localdb)\\demo");
    ini.Update("Name", "Name", "demo");
    ini.Update("NazivFirme", "NazivFirme", T("Stambena zajednica Demo"));
    ini.Kill();
}

// Adds the row now in the table's buffer unless a row with its primary key exists.
// Returns false when the table cannot be opened or the row cannot be added.
template <class Fill>
bool AddOnce(TableId id, Fill fill) {
    rt::FileManager* fm = Access::Of(id);
    if (!fm || fm->Open() != 0) return false;
    bool ok = fm->UseTable(rt::kUseOpen) == 0;
    rt::File& f = Files::Of(id);
    if (ok) {
        f.Clear();
        fill();
        const std::vector<char> row(static_cast<const char*>(record_buffer(id)),
                                    static_cast<const char*>(record_buffer(id)) + f.layout().record_size);
        if (f.Get(0) != rt::kNoError) {
            std::copy(row.begin(), row.end(), static_cast<char*>(record_buffer(id)));
            ok = f.Add() == rt::kNoError;
        }
        f.Clear();
    }
    fm->Close();
    return ok;
}

// The charges of run 1, unless it has invoices already.
inline bool CreateChargesOnce() {
    rt::FileManager* fm = Access::SFAKT();
    if (!fm || fm->Open() != 0 || fm->UseTable(rt::kUseOpen) != 0) return false;
    Files::SFAKT().Clear();
    SFA.OBRACUN = 1;
    const bool invoiced = Files::SFAKT().SetFrom(0) == rt::kNoError &&
                          Files::SFAKT().Next() == rt::kNoError && SFA.OBRACUN == 1;
    fm->Close();
    if (invoiced) return true;
    if (Access::OBRAC()->Open() != 0) return false;
    Access::OBRAC()->UseTable(rt::kUseOpen);
    Files::OBRAC().Clear();
    OBR.OBRACUN = 1;
    const bool found = Files::OBRAC().Get(0) == rt::kNoError;
    Access::OBRAC()->Close();
    if (!found) return false;
    ChargeProgress quiet;
    const ChargeOutcome out = CreateCharges(quiet);
    if (!out.created) std::fprintf(stderr, "kvadrin-demo: %s\n", rt::cp1250_to_utf8(out.message).c_str());
    return out.created;
}

inline bool FillTables() {
    struct Owner {
        const char* name;
        const char* address;
    };
    const Owner owners[] = {{"Petar Petrović", "Bulevar oslobođenja 1/1"},
                            {"Milica Jovanović", "Bulevar oslobođenja 1/2"},
                            {"Đorđe Šećerović", "Bulevar oslobođenja 1/3"},
                            {"Frizerski salon Žaklina", "Bulevar oslobođenja 1, lokal"},
                            {"Ana Čolić", "Bulevar oslobođenja 1, garaža"}};
    bool ok = true;
    for (int i = 0; i < 5; ++i) {
        char code[12];
        std::snprintf(code, sizeof code, "%05d", i + 1);
        ok = ok && AddOnce(TableId::NAZIVI, [&] {
                 NAZ.ANALITIKA = code;
                 NAZ.NAZIV1 = T(owners[i].name);
                 NAZ.ADRESA = T(owners[i].address);
                 NAZ.SEDISTE = "Novi Sad";
                 NAZ.PAK = "21000";
             });
    }
    struct Unit {
        const char* broj;
        const char* kind;
        double area, heated, persons;
        const char* meter;
    };
    const Unit units[] = {{"1", "Stan", 54.2, 50.0, 3, "Da"},
                          {"2", "Stan", 71.5, 68.0, 4, "Da"},
                          {"3", "Stan", 38.0, 38.0, 1, "Ne"},
                          {"L1", "Poslovni prostor", 45.0, 40.0, 0, "Da"},
                          {"G1", "Garaza", 15.0, 0.0, 0, "Ne"}};
    for (int i = 0; i < 5; ++i) {
        char code[12];
        std::snprintf(code, sizeof code, "%05d", i + 1);
        ok = ok && AddOnce(TableId::KVADRIN, [&] {
                 KVD.BROJ = units[i].broj;
                 KVD.SP = T(units[i].kind);
                 KVD.VLASNIK = T(owners[i].name);
                 KVD.ADRESA = T(owners[i].address);
                 KVD.MESTO = "Novi Sad";
                 KVD.SHKORISNIKA = code;
                 KVD.POVRSINA = units[i].area;
                 KVD.POVRSINAGR = units[i].heated;
                 KVD.BROJOSOBA = units[i].persons;
                 KVD.VODOMER = units[i].meter;
                 KVD.KALORIMETAR = units[i].meter;
                 KVD.KOEFICIJENT = 1.0;
             });
    }
    struct Service {
        const char* code;
        const char* name;
        const char* unit;
        const char* method;
        const char* column;
        double quantity, total;  // the run's price row
    };
    const Service services[] = {
        {"1", "Održavanje zgrade", "m2", "Površina", "Održavanje", 223.7, 22370},
        {"2", "Grejanje", "m2", "Grejna površina", "Ostalo", 196, 19600},
        {"3", "Struja zajedničkih prostorija", "kom", "Stan", "El. energija", 5, 2500},
        {"4", "Voda", "os", "Osoba", "Voda", 8, 1200},
        {"5", "Čišćenje", "kom", "Fiksno", "Ostalo", 5, 2000}};
    for (const Service& s : services)
        ok = ok && AddOnce(TableId::OBAVEZE, [&] {
                 OBA.SIFRA = s.code;
                 OBA.NAZIV = T(s.name);
                 OBA.JM = s.unit;
                 OBA.NACIN = T(s.method);
                 OBA.KOLONA = T(s.column);
             });
    const std::int32_t day = rt::today();
    ok = ok && AddOnce(TableId::OBRAC, [&] {
             OBR.OBRACUN = 1;
             OBR.NAZIV = T("Prvi obračun");
             OBR.DATUM = day;
             OBR.VALUTA = day + 15;
             OBR.DATUMPROMETA = day;
         });
    // The run's clause, which its invoices print.
    ok = ok && AddOnce(TableId::SKLAUZUL, [&] {
             SKL.SIFRA = 1;
             SKL.OPIS = T("Prvi obračun");
             SKL.TEKSTKLAUZULE =
                 "{\\rtf1\\ansi\\ansicpg1250 Molimo da ra\\'e8un platite do roka pla\\'e6anja.\\par}";
             SKL.TEKSTPOSLOVNI =
                 "{\\rtf1\\ansi\\ansicpg1250 Ra\\'e8un platite do roka pla\\'e6anja; za ka\\'9anjenje "
                 "se obra\\'e8unava zakonska kamata.\\par}";
         });
    // The run's prices as the price form computes them from the unit totals.
    if (ok && Access::KVADRIN()->Open() == 0 && Access::KVADRIN()->UseTable(rt::kUseOpen) == 0)
        ok = SumUnitTotals() == rt::kNoError;
    Access::KVADRIN()->Close();
    for (const Service& s : services)
        ok = ok && AddOnce(TableId::CENE, [&] {
                 CEN.OBRACUN = 1;
                 CEN.SIFRA = s.code;
                 CEN.KOLICINA = s.quantity;
                 CEN.UKUPNO = s.total;
                 OBA.NACIN = T(s.method);
                 OBA.KOLONA = T(s.column);
                 double price = 0;
                 ComputePrices(price);
             });
    return ok && CreateChargesOnce();
}

// Lays out the demo under `root` and fills its database; the thread is set up as a
// procedure thread is. Returns false (with a line on stderr) when something fails.
bool LayOut(const fs::path& root) {
    const int year = rt::year_of(rt::today());
    const fs::path year_dir = root / "DEMO" / std::to_string(year);
    const fs::path program_dir = year_dir / "PROGRAM";
    const fs::path localdb = root / "localdb";
    std::error_code ec;
    fs::create_directories(program_dir, ec);
    fs::create_directories(localdb, ec);
    if (ec) {
        std::fprintf(stderr, "kvadrin-demo: %s\n", ec.message().c_str());
        return false;
    }
    if (!WriteFirms(year_dir)) {
        std::fprintf(stderr, "kvadrin-demo: cannot write the firms list: %s\n", rt::Error().c_str());
        return false;
    }
    WriteLogin(program_dir);
    ::setenv("KVADRIN_LOCALDB", localdb.c_str(), 1);
    MainThreadFilesInit();
    MainModuleInit();
    MainThreadDataInit();
    OWNERFIRME = "(localdb)\\demo,DEMO_" + std::to_string(year) + ",,;TrustedConnection=True";
    // The store makes a database only when asked: the firm's year and the versions.
    for (const std::string& name : {"DEMO_" + std::to_string(year), std::string("VERZIJE")}) {
        rt::sql::ConnectionText t;
        t.server = "(localdb)\\demo";
        t.database = name;
        if (!rt::sql::CreateEmbeddedDatabase(t)) {
            std::fprintf(stderr, "kvadrin-demo: cannot make the database %s: %s\n", name.c_str(),
                         rt::FileError().c_str());
            MainThreadFilesTerm();
            return false;
        }
    }
    const bool ok = FillTables();
    if (!ok) std::fprintf(stderr, "kvadrin-demo: cannot fill the tables: %s\n", rt::Error().c_str());
    MainThreadFilesTerm();
    return ok;
}

}  // namespace kvadrin::demo
