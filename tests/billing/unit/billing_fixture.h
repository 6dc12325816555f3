// A small building in a fresh firm database on the embedded store: units, services, runs
// and price rows written straight into the tables, the billing computations run on the
// test's thread, and the tables read back through SQLite itself.
#pragma once

#include <spawn.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "billing/kvd005_browse_obracuni.h"
#include "data/access.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "platform/core/text.h"
#include "platform/files/sql/connection.h"
#include "tests/data/test_relations_env.h"

namespace kvtest {

inline std::string cp(const char* utf8) { return rt::utf8_to_cp1250(utf8); }

// This test program again, as a process of its own running test `test` only, with this
// process's environment and `env` ("NAME=value") besides; its pid, or -1.
inline pid_t SpawnSelf(const std::string& test, const std::vector<std::string>& env) {
    const std::string filter = "--gtest_filter=" + test;
    std::vector<std::string> texts;
    for (char** e = ::environ; *e; ++e) texts.emplace_back(*e);
    texts.insert(texts.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& s : texts) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    char* argv[] = {self.data(), const_cast<char*>(filter.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) != 0) return -1;
    return pid;
}

struct Unit {
    const char* broj;
    const char* customer;
    double area, heated, persons;
    const char* water;  // KVD:VODOMER
    double coefficient;
};

struct Service {
    const char* code;
    const char* method;  // UTF-8
    const char* column;  // UTF-8
};

// Derived prices of a price row; `price` is CEN:CENA.
struct Prices {
    const char* code;
    double total, price, area, heated, person, fixed, flat, water;
};

// Counts what the creation shows on its bars.
class CountingProgress : public kvadrin::ChargeProgress {
public:
    void Start(long u) override { units = u; }
    void Advance(int bar) override { ++steps[bar - 1]; }
    long units = -1;
    long steps[4] = {0, 0, 0, 0};
};

class Building : public Firm {
protected:
    static constexpr std::int32_t kRunDate = 88888;  // a day number in 2044
    static constexpr std::int32_t kDueDate = 88903;

    void AddUnit(const Unit& u) {
        seed(kvadrin::TableId::KVADRIN, [&] {
            using kvadrin::KVD;
            KVD.BROJ = u.broj;
            KVD.SHKORISNIKA = u.customer;
            KVD.VLASNIK = "Vlasnik";
            KVD.POVRSINA = u.area;
            KVD.POVRSINAGR = u.heated;
            KVD.BROJOSOBA = u.persons;
            KVD.VODOMER = u.water;
            KVD.KOEFICIJENT = u.coefficient;
        });
    }
    void AddService(const Service& s) {
        seed(kvadrin::TableId::OBAVEZE, [&] {
            using kvadrin::OBA;
            OBA.SIFRA = s.code;
            OBA.NAZIV = s.code;
            OBA.JM = "kom";
            OBA.NACIN = cp(s.method);
            OBA.KOLONA = cp(s.column);
        });
    }
    void AddRun(int run, const char* name = "Maj", std::uint8_t locked = 0) {
        seed(kvadrin::TableId::OBRAC, [&] {
            using kvadrin::OBR;
            OBR.OBRACUN = static_cast<std::int16_t>(run);
            OBR.NAZIV = name;
            OBR.DATUM = kRunDate;
            OBR.VALUTA = kDueDate;
            OBR.ZAKLJUCAN = locked;
        });
    }
    void AddPrices(int run, const Prices& p) {
        seed(kvadrin::TableId::CENE, [&] {
            using kvadrin::CEN;
            CEN.OBRACUN = static_cast<std::int16_t>(run);
            CEN.SIFRA = p.code;
            CEN.KOLICINA = 1;
            CEN.UKUPNO = p.total;
            CEN.CENA = p.price;
            CEN.CENAPOVR = p.area;
            CEN.CENAGRPOVRS = p.heated;
            CEN.CENAOSOBA = p.person;
            CEN.CENAFIKSNO = p.fixed;
            CEN.CENASTAN = p.flat;
            CEN.CENAVODA = p.water;
        });
    }
    // A ledger posting of a customer.
    void AddPosting(const char* account, const char* customer, std::int32_t date, const char* side,
                    double amount, const char* recno, const char* nalog = "IZV-1") {
        seed(kvadrin::TableId::SKPROMET, [&] {
            using kvadrin::SKP;
            SKP.SINTETIKA = account;
            SKP.ANALITIKA = customer;
            SKP.DATUM = date;
            SKP.DUGPOT = side;
            SKP.IZNOS = amount;
            SKP.RECNO = recno;
            SKP.NALOG = nalog;
        });
    }

    // Five units of four customers, services of every method and column (and one of each
    // that is none of them), run 5 with its price rows. Customer 00001 has two units: only
    // the first in key order ("1") is charged; 00004's unit number has seven characters.
    void SeedSmallBuilding() {
        for (const Unit& u :
             {Unit{"1", "00001", 50, 40, 2, "Ne", 1}, Unit{"2", "00002", 60, 60, 3, "Da", 1.25},
              Unit{"3", "00003", 40, 0, 1, "", 0}, Unit{"STAN104", "00004", 10, 10, 4, "Ne", 1},
              Unit{"5", "00001", 999, 999, 9, "Ne", 1}})
            AddUnit(u);
        for (const Service& s :
             {Service{"POV", "Površina", "Održavanje"}, Service{"GRP", "Grejna površina", "Ostalo"},
              Service{"STN", "Stan", "Ostalo"}, Service{"OSB", "Osoba", "Održavanje"},
              Service{"VOD", "Osoba", "Voda"}, Service{"FIX", "Fiksno", "El. energija"},
              Service{"XXX", "Paušal", "Ostalo"}, Service{"YYY", "Fiksno", "Grejanje"}})
            AddService(s);
        AddRun(5, "OBRACUN ZA MAJ 202");  // 18 characters
        // Each row's derived prices differ, so that a line shows which one it took.
        for (const Prices& p :
             {Prices{"POV", 1000, 11, 10, 0, 0, 0, 0, 0}, Prices{"GRP", 1000, 12, 0, 5, 0, 0, 0, 0},
              Prices{"STN", 1000, 13, 0, 0, 0, 0, 300, 0}, Prices{"OSB", 1000, 14, 0, 0, 100, 0, 0, 0},
              Prices{"VOD", 1000, 7, 0, 0, 0, 0, 0, 150}, Prices{"FIX", 1000, 250, 0, 0, 0, 0, 0, 0},
              Prices{"XXX", 1000, 99, 99, 99, 99, 99, 99, 99}, Prices{"YYY", 1000, 40, 0, 0, 0, 0, 0, 0}})
            AddPrices(5, p);
    }

    // The run into this thread's OBRAC buffer, as the browse leaves it.
    void SelectRun(int run) {
        rt::FileManager* fm = kvadrin::Access::OBRAC();
        ASSERT_EQ(fm->Open(), 0);
        ASSERT_EQ(fm->UseTable(rt::kUseOpen), 0);
        kvadrin::Files::OBRAC().Clear();
        kvadrin::OBR.OBRACUN = static_cast<std::int16_t>(run);
        ASSERT_EQ(kvadrin::Files::OBRAC().Get(0), 0) << "run " << run;
        fm->Close();
    }
    kvadrin::ChargeOutcome Create(int run) {
        SelectRun(run);
        return kvadrin::CreateCharges(progress);
    }

    // Rows of a table as SQLite itself reads them from the firm's file, each row its
    // columns' texts joined with "|", sorted; `where` limits them. Conditions on text
    // columns need "COLLATE BINARY": SQLite alone has not the program's collation.
    std::vector<std::string> Dump(const std::string& table, const std::string& where = "",
                                  const std::string& columns = "*") {
        std::vector<std::string> out;
        sqlite3* db = nullptr;
        const std::string path = (folder_ / "FIRMA_2024.sqlite").string();
        if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
            sqlite3_close(db);
            return out;
        }
        sqlite3_stmt* st = nullptr;
        const std::string sql =
            "SELECT " + columns + " FROM " + table + (where.empty() ? "" : " WHERE " + where);
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            const std::string err = sqlite3_errmsg(db);
            sqlite3_close(db);
            if (err.rfind("no such table", 0) != 0) ADD_FAILURE() << err << ": " << sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                if (c) row += "|";
                const unsigned char* t = sqlite3_column_text(st, c);
                row += t ? reinterpret_cast<const char*>(t) : "NULL";
            }
            out.push_back(row);
        }
        sqlite3_finalize(st);
        sqlite3_close(db);
        std::sort(out.begin(), out.end());
        return out;
    }
    // Everything a creation writes.
    std::vector<std::string> Written() {
        std::vector<std::string> all;
        for (const char* t : {"SFAKT", "SPROM", "SKPROMET", "NALOZIS"})
            for (std::string& r : Dump(t)) all.push_back(std::string(t) + ": " + r);
        return all;
    }

    // A SQL statement on the firm's file through SQLite itself (triggers and the like).
    void Exec(const std::string& sql) {
        sqlite3* db = nullptr;
        const std::string path = (folder_ / "FIRMA_2024.sqlite").string();
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "") << sql;
        sqlite3_free(err);
        sqlite3_close(db);
    }

    CountingProgress progress;
};

}  // namespace kvtest
