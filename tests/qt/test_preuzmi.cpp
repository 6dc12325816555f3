// The take-over of the previous program's data, as the user runs it: the dialog with its
// folder chooser, the copy with its progress window and the summary at the end, over old
// files this project writes itself (tests/data/old_file_writer.h).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/oldfiles.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "platform/core/picture.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection.h"
#include "platform/files/sql/sql_table.h"
#include "shell/housekeeping.h"
#include "tests/data/old_file_writer.h"
#include "tests/driver/store_fixture.h"

using namespace kvadrin;
using kvadrin::OldFileId;

namespace kvtest {
namespace {

constexpr std::int32_t kFrozenClock = 4321000;

std::string Utf8(std::string_view cp1250) { return rt::cp1250_to_utf8(rt::clip(cp1250)); }

// One record of each old file; the ledger's texts hold letters that OEM 852 stores
// elsewhere than CP1250.
void WriteEveryFile(const OldFileWriter& old) {
    using R = OldFileWriter;
    old.Write(OldFileId::INCEN,
              {R::Record(OldFileId::INCEN, {{"OBRACUN", "1"}, {"SIFRA", "VODA"}, {"CENA", "12.5"}}),
               R::Record(OldFileId::INCEN, {{"OBRACUN", "2"}, {"SIFRA", "VODA"}})});
    old.Write(OldFileId::INOBA,
              {R::Record(OldFileId::INOBA,
                         {{"SIFRA", "VODA"}, {"NAZIV", "Voda i kanalizacija"}, {"NACIN", "Osoba"}})});
    old.Write(OldFileId::INOBR,
              {R::Record(OldFileId::INOBR, {{"OBRACUN", "1"}, {"NAZIV", "Januar"}, {"DATUM", "80000"}})});
    old.Write(OldFileId::INSFA,
              {R::Record(OldFileId::INSFA, {{"OBRACUN", "1"}, {"SHKORISNIKA", "00001"}, {"UKUPNO", "77"}})});
    old.Write(OldFileId::INSPR,
              {R::Record(OldFileId::INSPR, {{"OBRACUN", "1"}, {"SHKORISNIKA", "00001"}, {"SIFRA", "VODA"}})});
    old.Write(OldFileId::INKVD,
              {R::Record(OldFileId::INKVD,
                         {{"BROJ", "1"}, {"VLASNIK", "Petrović Čedomir"}, {"POVRSINA", "54.3"}})});
    old.Write(OldFileId::INNLS, {R::Record(OldFileId::INNLS, {{"BROJ", "KVD-01"}, {"OPIS", "Zaduženje"}})});
    old.Write(OldFileId::INNAZ, {R::Record(OldFileId::INNAZ, {{"LASTUSER", "3"},
                                                              {"ANALITIKA", "00001"},
                                                              {"NAZIV1", "Petrović Čedomir"},
                                                              {"TEKUCI", "160-1234-56"}})});
    old.Write(OldFileId::INSIN,
              {R::Record(OldFileId::INSIN, {{"SINTETIKA", "204"}, {"NAZIV", "Kupci u zemlji"}})});
    old.Write(OldFileId::INSKM,
              {R::Record(OldFileId::INSKM, {{"SINTETIKA", "204"}, {"ANALITIKA", "00001"}})});
    old.Write(OldFileId::INSKL,
              {R::Record(OldFileId::INSKL,
                         {{"SIFRA", "1"}, {"OPIS", "Opšta"}, {"TEKSTKLAUZULE", "{\\rtf1 Član 1}"}})});
    old.Write(OldFileId::INSKP, {R::Record(OldFileId::INSKP, {{"SINTETIKA", "204"},
                                                              {"ANALITIKA", "00001"},
                                                              {"DUGPOT", "D"},
                                                              {"IZNOS", "100"},
                                                              {"OPIS", "Račun"}})});
}

class PreuzmiGui : public StoreTest {
protected:
    void SetUp() override {
        SetUpStore("FIRMA_2024");
        old_folder_ = dir_ / "Stari program";
        saved_clock_ = TakeOverClock;
        TakeOverClock = [] { return kFrozenClock; };
        BACKUPPATH = "";
    }
    void TearDown() override {
        StoreTest::TearDown();
        TakeOverClock = saved_clock_;
        BACKUPPATH = "";
        PREUZMIFAJL = "";
    }

    // The dialog on a thread of its own; its response is kept.
    void StartDialog() {
        response_ = -1;
        driver.Start([this] {
            PreuzmiStariProgram();
            response_ = CallResponse;
        });
        driver.WaitForWindow("PreuzmiStariProgram");
    }
    // The folder typed into the dialog and OK pressed: the summary's text, answered.
    std::string TakeOver(const std::filesystem::path& folder) {
        StartDialog();
        // The dialog opens with the keyboard in its entry, ready for the folder.
        driver.WaitUntil([&] { return driver.Focused("PreuzmiStariProgram") == "?BACKUPPATH"; },
                         "the folder's entry focused");
        driver.Type("PreuzmiStariProgram", "?BACKUPPATH", folder.string());
        driver.Press("PreuzmiStariProgram", "?OK");
        const std::string summary = driver.MessageText();
        driver.Answer("OK");
        driver.WaitForThreads();
        EXPECT_EQ(response_, RequestCompleted);
        return summary;
    }
    // The rows of a table, each as `describe` puts the record buffer.
    std::vector<std::string> Read(TableId id, const std::function<std::string()>& describe) {
        std::vector<std::string> out;
        OnThread([&] {
            rt::File& f = Files::Of(id);
            if (f.Open() != rt::kNoError) return;
            f.SetPhysical();
            while (f.Next() == rt::kNoError) out.push_back(describe());
            f.Close();
        });
        return out;
    }
    long Count(TableId id) {
        return static_cast<long>(Read(id, [] { return std::string(); }).size());
    }
    // Rows written straight into a table before the take-over.
    void Add(TableId id, const std::function<void()>& fill) {
        OnThread([&] {
            rt::File& f = Files::Of(id);
            ASSERT_EQ(f.Open(), rt::kNoError);
            f.Clear();
            fill();
            ASSERT_EQ(f.Add(), rt::kNoError) << rt::FileError();
            f.Close();
        });
    }

    std::filesystem::path old_folder_;
    std::int32_t (*saved_clock_)() = nullptr;
    std::atomic<int> response_{-1};
};

TEST_F(PreuzmiGui, TheFolderComesFromTheFolderDialogAndACancelledDialogEmptiesTheEntry) {
    std::filesystem::create_directories(old_folder_ / "KVD");
    StartDialog();
    EXPECT_EQ(driver.Caption("PreuzmiStariProgram"), "Preuzimanje podataka iz starog programa");
    EXPECT_EQ(driver.Text("PreuzmiStariProgram", "?STRING1"),
              "Izaberite folder u kom se nalazi stari program i podaci iz starog programa biće preuzeti. "
              "(na primer D:\\PLVN01\\2023)");
    EXPECT_EQ(driver.Text("PreuzmiStariProgram", "?BACKUPPATH:PROMPT"), "Folder starog programa:");

    driver.Press("PreuzmiStariProgram", "?LOOKUPFILE");
    EXPECT_EQ(driver.ChooseInFileDialog(old_folder_.string()), "Select A File");
    driver.WaitUntil(
        [&] { return driver.Text("PreuzmiStariProgram", "?BACKUPPATH") == old_folder_.string(); },
        "the chosen folder in the entry");
    driver.Snapshot("PreuzmiStariProgram", "preuzmi_dialog.png");

    driver.Press("PreuzmiStariProgram", "?LOOKUPFILE");
    driver.ChooseInFileDialog("");
    driver.WaitUntil([&] { return driver.Text("PreuzmiStariProgram", "?BACKUPPATH").empty(); },
                     "the entry emptied");

    // Cancel copies nothing.
    driver.Press("PreuzmiStariProgram", "?CANCEL");
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCancelled);
    // The year's database (there since the login) holds no table.
    auto db = rt::sql::OpenSqliteFile((dir_ / "FIRMA_2024.sqlite").string(), true);
    ASSERT_NE(db, nullptr);
    auto tables = db->Prepare("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'");
    ASSERT_NE(tables, nullptr);
    ASSERT_EQ(tables->Step(), 1);
    EXPECT_EQ(tables->Int(0), 0);
}

// OK pressed by its hot key while the folder is still being typed: the folder typed is
// the one taken over.
TEST_F(PreuzmiGui, OkByItsHotKeyTakesTheFolderStillBeingTyped) {
    OldFileWriter old(old_folder_);
    old.Write(OldFileId::INOBA, {OldFileWriter::Record(OldFileId::INOBA, {{"SIFRA", "VODA"}})});
    StartDialog();
    driver.Focus("PreuzmiStariProgram", "?BACKUPPATH");
    auto* entry = qobject_cast<QLineEdit*>(driver.Widget("PreuzmiStariProgram", "?BACKUPPATH"));
    ASSERT_NE(entry, nullptr);
    entry->setText(QString::fromStdString(old_folder_.string()));
    driver.Keys("PreuzmiStariProgram", {rt::ui::Key::Alt | 'O'});
    const std::string summary = driver.Answer("OK");
    driver.WaitForThreads();
    EXPECT_NE(summary.find("Obaveze: preuzeto 1 od 1 zapisa"), std::string::npos) << summary;
    EXPECT_EQ(rt::clip(BACKUPPATH.view()), old_folder_.string());
}

TEST_F(PreuzmiGui, TakesOverEveryOldFileAndReportsWhatItDid) {
    OldFileWriter old(old_folder_);
    WriteEveryFile(old);
    // Names spelt otherwise on disk than the take-over spells them.
    std::filesystem::rename(old_folder_ / "VRK", old_folder_ / "vrk");
    std::filesystem::rename(old_folder_ / "vrk" / "Skpromet.DAT", old_folder_ / "vrk" / "SKPROMET.dat");
    std::filesystem::rename(old_folder_ / "KVD" / "Sklauzul", old_folder_ / "KVD" / "SKLAUZUL");

    StartDialog();
    driver.Type("PreuzmiStariProgram", "?BACKUPPATH", old_folder_.string());
    driver.Press("PreuzmiStariProgram", "?OK");
    const std::string summary = driver.MessageText();
    // The progress window stands over the dialog until the summary is answered.
    EXPECT_EQ(driver.Caption("PreuzmiPodatke"), "Converting File");
    EXPECT_EQ(driver.Text("PreuzmiPodatke", "?STRING1"), "Converting Record #:");
    EXPECT_EQ(rt::clip(driver.Text("PreuzmiPodatke", "?IMEDAT")), "Skpromet");
    EXPECT_EQ(driver.Text("PreuzmiPodatke", "?COUNT"), "       1");
    EXPECT_EQ(driver.Text("PreuzmiPodatke", "?UKUPNO"), "       1");
    driver.Snapshot("PreuzmiPodatke", "preuzmi_progress.png");
    driver.Answer("OK");
    driver.WaitForThreads();
    EXPECT_EQ(response_, RequestCompleted);

    const std::string expected =
        "Preuzimanje podataka iz starog programa je završeno.\n\n"
        "Cene: preuzeto 2 od 2 zapisa\n"
        "Obaveze: preuzeto 1 od 1 zapisa\n"
        "Obrac: preuzeto 1 od 1 zapisa\n"
        "Sfakt: preuzeto 1 od 1 zapisa\n"
        "Sklauzul: preuzeto 1 od 1 zapisa\n"
        "Sprom: preuzeto 1 od 1 zapisa\n"
        "Kvadrin: preuzeto 1 od 1 zapisa\n"
        "Nalozis: preuzeto 1 od 1 zapisa\n"
        "Nazivi: preuzeto 1 od 1 zapisa\n"
        "Sintetik: preuzeto 1 od 1 zapisa\n"
        "Skmatic: preuzeto 1 od 1 zapisa\n"
        "Skpromet: preuzeto 1 od 1 zapisa";
    EXPECT_EQ(summary, expected);
    const struct {
        TableId id;
        long rows;
    } counts[] = {{TableId::CENE, 2},     {TableId::OBAVEZE, 1},  {TableId::OBRAC, 1},
                  {TableId::SFAKT, 1},    {TableId::SKLAUZUL, 1}, {TableId::SPROM, 1},
                  {TableId::KVADRIN, 1},  {TableId::NALOZIS, 1},  {TableId::NAZIVI, 1},
                  {TableId::SINTETIK, 1}, {TableId::SKMATIC, 1},  {TableId::SKPROMET, 1}};
    for (const auto& c : counts) EXPECT_EQ(Count(c.id), c.rows) << table_name(c.id);

    // A second take-over finds every table filled and adds nothing.
    const std::string again = TakeOver(old_folder_);
    EXPECT_NE(again.find("Cene: nije preuzeto, tabela već ima podatke"), std::string::npos) << again;
    EXPECT_NE(again.find("Skpromet: nije preuzeto, tabela već ima podatke"), std::string::npos) << again;
    for (const auto& c : counts) EXPECT_EQ(Count(c.id), c.rows) << table_name(c.id);
}

// Two stations start the take-over at the same moment: each table is copied by one of
// them and found filled by the other.
TEST_F(PreuzmiGui, TwoStationsAtOnceCopyEveryTableOnce) {
    OldFileWriter old(old_folder_);
    WriteEveryFile(old);
    std::vector<std::string> postings;
    for (int i = 0; i < 3000; ++i)
        postings.push_back(
            OldFileWriter::Record(OldFileId::INSKP, {{"SINTETIKA", "204"},
                                                     {"ANALITIKA", std::to_string(10000 + i % 50)},
                                                     {"DUGPOT", i % 2 ? "D" : "P"},
                                                     {"IZNOS", std::to_string(i)}}));
    old.Write(OldFileId::INSKP, postings);
    BACKUPPATH = old_folder_.string();
    // Each station has a connection of its own, as two processes have.
    driver.Start([] { PreuzmiPodatke(); });
    driver.Start([] { PreuzmiPodatke(); });
    const std::string first = driver.Answer("OK", 60000);
    const std::string second = driver.Answer("OK", 60000);
    driver.WaitForThreads();
    EXPECT_EQ(Count(TableId::SKPROMET), 3000);
    EXPECT_EQ(Count(TableId::CENE), 2);
    EXPECT_EQ(Count(TableId::KVADRIN), 1);
    for (const char* shown : {"Cene", "Obaveze", "Obrac", "Sfakt", "Sklauzul", "Sprom", "Kvadrin", "Nalozis",
                              "Nazivi", "Sintetik", "Skmatic", "Skpromet"}) {
        const std::string copied = std::string(shown) + ": preuzeto ";
        const std::string filled = std::string(shown) + ": nije preuzeto, tabela već ima podatke";
        const bool by_first = first.find(copied) != std::string::npos;
        EXPECT_NE(by_first, second.find(copied) != std::string::npos) << shown << "\n"
                                                                      << first << "\n"
                                                                      << second;
        EXPECT_NE((by_first ? second : first).find(filled), std::string::npos) << shown;
    }
}

// Texts go whole, trailing blanks included; the ledger's arrive converted from OEM 852,
// the others as they are; the owners get their ten fields and nothing more.
TEST_F(PreuzmiGui, TextsArriveWholeInTheWindowsCodePage) {
    OldFileWriter old(old_folder_);
    WriteEveryFile(old);
    // "š" of CP1250 (9Ah) stored in a units file is no OEM text: it arrives as it is.
    TakeOver(old_folder_);

    const auto naz = Read(TableId::NAZIVI, [] {
        return std::to_string(NAZ.LASTUSER.get()) + "|" + std::string(NAZ.NAZIV1.view()) + "|" +
               std::string(NAZ.TEKUCI.view()) + "|" + std::string(NAZ.PAK.view()) + "|" +
               std::string(NAZ.APRNAZIV.view()) + "|" + std::to_string(NAZ.NIJEPDV.get());
    });
    ASSERT_EQ(naz.size(), 1u);
    EXPECT_EQ(naz[0], "3|" + rt::utf8_to_cp1250("Petrović Čedomir") + std::string(14, ' ') + "|160-1234-56" +
                          std::string(9, ' ') + "|||0");
    const auto kvd = Read(TableId::KVADRIN, [] {
        return std::string(KVD.BROJ.view()) + "|" + std::string(KVD.VLASNIK.view()) + "|" +
               rt::format(KVD.POVRSINA, "@n6.2");
    });
    ASSERT_EQ(kvd.size(), 1u);
    EXPECT_EQ(kvd[0], "1" + std::string(9, ' ') + "|" + rt::utf8_to_cp1250("Petrović Čedomir") +
                          std::string(9, ' ') + "| 54.30");
    const auto skl = Read(TableId::SKLAUZUL, [] { return std::string(SKL.TEKSTKLAUZULE.view()); });
    ASSERT_EQ(skl.size(), 1u);
    EXPECT_EQ(skl[0].size(), 2047u);  // the blanks that pad it, to the column's width
    EXPECT_EQ(rt::clip(skl[0]), rt::utf8_to_cp1250("{\\rtf1 Član 1}"));
    const auto nls = Read(TableId::NALOZIS, [] { return Utf8(NLS.OPIS.view()); });
    EXPECT_EQ(nls, std::vector<std::string>{"Zaduženje"});
    const auto sin = Read(TableId::SINTETIK, [] { return Utf8(SIN.NAZIV.view()); });
    EXPECT_EQ(sin, std::vector<std::string>{"Kupci u zemlji"});
}

// The side of a posting gives its debit or credit; each posting gets a number of its own,
// even within one hundredth of a second; two accounts are renumbered.
TEST_F(PreuzmiGui, PostingsTakeTheirSideAndANumberOfTheirOwnAndTwoAccountsAreRenumbered) {
    OldFileWriter old(old_folder_);
    const struct {
        const char* account;
        const char* side;
        double debit, credit;
        const char* after;
    } cases[] = {
        {"433", "D", 100, 0, "435"}, {"202", "d", 0, 100, "204"}, {"204", "P", 0, 100, "204"},
        {"204", "D", 100, 0, "204"}, {"100", " ", 0, 100, "100"},
    };
    std::vector<std::string> records;
    for (const auto& c : cases)
        records.push_back(OldFileWriter::Record(OldFileId::INSKP, {{"SINTETIKA", c.account},
                                                                   {"ANALITIKA", "00001"},
                                                                   {"DATUM", "80000"},
                                                                   {"DUGPOT", c.side},
                                                                   {"IZNOS", "100"},
                                                                   {"OPIS", "Uplata čekom"}}));
    old.Write(OldFileId::INSKP, records);
    const std::string summary = TakeOver(old_folder_);
    EXPECT_NE(summary.find("Skpromet: preuzeto 5 od 5 zapisa"), std::string::npos) << summary;

    const auto rows = Read(TableId::SKPROMET, [] {
        return rt::clip(SKP.SINTETIKA.view()) + "|" + SKP.DUGPOT.str() + "|" + rt::format(SKP.DUGUJE, "@n6") +
               "|" + rt::format(SKP.POTRAZUJE, "@n6") + "|" + SKP.RECNO.str() + "|" + SKP.TM.str() + "|" +
               SKP.SIFRAMAG.str() + "|" + SKP.ZARTIKAL.str() + "|" + Utf8(SKP.OPIS.view());
    });
    ASSERT_EQ(rows.size(), std::size(cases));
    const std::string day = rt::format(static_cast<double>(rt::today()), "@N05");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        char count[8];
        std::snprintf(count, sizeof count, "%05zu", i);
        EXPECT_EQ(rows[i], std::string(c.after) + "|" + c.side + "|" + rt::format(c.debit, "@n6") + "|" +
                               rt::format(c.credit, "@n6") + "|PREUZETO" + day +
                               std::to_string(kFrozenClock) + count + "|000000|||Uplata čekom")
            << c.account << c.side;
    }
}

TEST_F(PreuzmiGui, OnlyEmptyTablesAreTakenOverAndOlderPostingsAreRenumberedToo) {
    OldFileWriter old(old_folder_);
    WriteEveryFile(old);
    Add(TableId::KVADRIN, [] { KVD.BROJ = "99"; });
    for (const char* account : {"202", "433"})
        Add(TableId::SKPROMET, [account] {
            SKP.SINTETIKA = account;
            SKP.ANALITIKA = "00009";
            SKP.RECNO = std::string("STARI") + account;
        });
    const std::string summary = TakeOver(old_folder_);
    EXPECT_NE(summary.find("Kvadrin: nije preuzeto, tabela već ima podatke"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Skpromet: nije preuzeto, tabela već ima podatke"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Nazivi: preuzeto 1 od 1 zapisa"), std::string::npos) << summary;
    EXPECT_EQ(Read(TableId::KVADRIN, [] { return rt::clip(KVD.BROJ.view()); }),
              std::vector<std::string>{"99"});
    EXPECT_EQ(Read(TableId::SKPROMET, [] { return rt::clip(SKP.SINTETIKA.view()) + " " + SKP.RECNO.str(); }),
              (std::vector<std::string>{"204 STARI202", "435 STARI433"}));
}

TEST_F(PreuzmiGui, MissingAndDamagedOldFilesAreReportedAndNeverReadAsRows) {
    OldFileWriter old(old_folder_);
    old.Write(OldFileId::INOBA, {OldFileWriter::Record(OldFileId::INOBA, {{"SIFRA", "VODA"}})});
    // Not a data file at all, and a postings file cut short.
    std::ofstream(old_folder_ / "KVD" / "Kvadrin.DAT", std::ios::binary) << std::string(500, 'x');
    const auto postings = old.Write(OldFileId::INSKP, {OldFileWriter::Record(OldFileId::INSKP, {}),
                                                       OldFileWriter::Record(OldFileId::INSKP, {})});
    std::filesystem::resize_file(postings, std::filesystem::file_size(postings) - 7);
    std::ofstream(old_folder_ / "KVD" / "Sklauzul", std::ios::binary) << std::string(600, 'y');

    const std::string summary = TakeOver(old_folder_);
    EXPECT_NE(summary.find("Obaveze: preuzeto 1 od 1 zapisa"), std::string::npos) << summary;
    const std::string missing = "Cene: nema starog fajla " + (old_folder_ / "KVD" / "Cene.DAT").string();
    EXPECT_NE(summary.find(missing), std::string::npos) << summary;
    EXPECT_NE(summary.find("Nazivi: nema starog fajla " + (old_folder_ / "VRK" / "Nazivi.DAT").string()),
              std::string::npos)
        << summary;
    for (const char* damaged : {"Kvadrin: stari fajl nije čitljiv, ništa nije preuzeto (",
                                "Skpromet: stari fajl nije čitljiv, ništa nije preuzeto (",
                                "Sklauzul: stari fajl nije čitljiv, ništa nije preuzeto ("})
        EXPECT_NE(summary.find(damaged), std::string::npos) << damaged << " in " << summary;
    for (TableId id : {TableId::KVADRIN, TableId::SKPROMET, TableId::SKLAUZUL, TableId::CENE})
        EXPECT_EQ(Count(id), 0) << table_name(id);
}

// A row the table refuses is counted and the others copied; a clause text of 2,048
// characters arrives with its first 2,047 and the clause is named as cut; a table whose
// copy fails keeps nothing of it.
TEST_F(PreuzmiGui, RefusedRowsAndTooLongClausesAreNamedAndAFailedTableKeepsNothing) {
    OldFileWriter old(old_folder_);
    using R = OldFileWriter;
    old.Write(OldFileId::INKVD,
              {R::Record(OldFileId::INKVD, {{"BROJ", "1"}}), R::Record(OldFileId::INKVD, {{"BROJ", "2"}}),
               R::Record(OldFileId::INKVD, {{"BROJ", "1"}})});
    const std::string full = "{\\rtf1 " + std::string(2048 - 8, 'x') + "}";
    const std::string fits = "{\\rtf1 " + std::string(2047 - 8, 'y') + "}";
    old.Write(OldFileId::INSKL, {R::Record(OldFileId::INSKL, {{"SIFRA", "1"}, {"TEKSTKLAUZULE", fits}}),
                                 R::Record(OldFileId::INSKL, {{"SIFRA", "2"}, {"TEKSTKLAUZULE", full}}),
                                 R::Record(OldFileId::INSKL, {{"SIFRA", "3"}, {"TEKSTPOSLOVNI", full}})});
    old.Write(OldFileId::INSKP, {R::Record(OldFileId::INSKP, {{"SINTETIKA", "204"}, {"IZNOS", "10"}}),
                                 R::Record(OldFileId::INSKP, {{"SINTETIKA", "204"}, {"IZNOS", "5000"}})});
    // The database refuses the second posting for a reason of its own.
    Count(TableId::SKPROMET);  // creates the table
    OnThread([] {
        rt::File& f = Files::SKPROMET();
        ASSERT_EQ(f.Open(), rt::kNoError);
        ASSERT_TRUE(rt::sql::ConnectionOf(f)->Execute(
            "CREATE TRIGGER limit_amount BEFORE INSERT ON SKPROMET WHEN NEW.IZNOS > 1000 "
            "BEGIN SELECT RAISE(ABORT, 'iznos je prevelik'); END"));
        f.Close();
    });

    const std::string summary = TakeOver(old_folder_);
    EXPECT_NE(summary.find("Kvadrin: preuzeto 2 od 3 zapisa, 1 baza nije primila (taj ključ već postoji)"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Sklauzul: preuzeto 3 od 3 zapisa\n"
                           "    klauzula 2: tekst za stanove je skraćen na 2.047 znakova\n"
                           "    klauzula 3: tekst za poslovni prostor je skraćen na 2.047 znakova\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Skpromet: ništa nije preuzeto, greška baze: iznos je prevelik"),
              std::string::npos)
        << summary;
    EXPECT_EQ(
        Read(TableId::SKLAUZUL,
             [] { return std::string(SKL.TEKSTKLAUZULE.view()) + "|" + rt::clip(SKL.TEKSTPOSLOVNI.view()); }),
        (std::vector<std::string>{fits + "|", full.substr(0, 2047) + "|",
                                  std::string(2047, ' ') + "|" + full.substr(0, 2047)}));
    EXPECT_EQ(Count(TableId::SKPROMET), 0);
}

// A folder named with letters outside ASCII, typed into the entry or chosen in the folder
// dialog, is read by its name on disk.
TEST_F(PreuzmiGui, AFolderNamedWithSerbianLettersIsRead) {
    char made[] = "/tmp/kv_stari_XXXXXX";
    ASSERT_NE(::mkdtemp(made), nullptr);
    const std::filesystem::path folder = std::filesystem::path(made) / "stari Čačak 2023";
    OldFileWriter old(folder);
    WriteEveryFile(old);

    const std::string typed = TakeOver(folder);
    EXPECT_NE(typed.find("Cene: preuzeto 2 od 2 zapisa"), std::string::npos) << typed;
    EXPECT_NE(typed.find("Sklauzul: preuzeto 1 od 1 zapisa"), std::string::npos) << typed;
    EXPECT_NE(typed.find("Skpromet: preuzeto 1 od 1 zapisa"), std::string::npos) << typed;
    EXPECT_EQ(typed.find("nema starog fajla"), std::string::npos) << typed;
    EXPECT_EQ(rt::clip(BACKUPPATH.view()), rt::utf8_to_cp1250(folder.string()));

    // The same folder chosen in the folder dialog, into a firm whose tables are empty again.
    OnThread([] {
        for (TableId id : {TableId::CENE, TableId::SKPROMET}) {
            rt::File& f = Files::Of(id);
            ASSERT_EQ(f.Open(), rt::kNoError);
            ASSERT_EQ(f.SendSql("DELETE FROM " + std::string(table_name(id))), rt::kNoError);
            f.Close();
        }
    });
    StartDialog();
    driver.Press("PreuzmiStariProgram", "?LOOKUPFILE");
    driver.ChooseInFileDialog(folder.string());
    driver.WaitUntil([&] { return driver.Text("PreuzmiStariProgram", "?BACKUPPATH") == folder.string(); },
                     "the chosen folder in the entry");
    driver.Press("PreuzmiStariProgram", "?OK");
    const std::string chosen = driver.Answer("OK");
    driver.WaitForThreads();
    EXPECT_NE(chosen.find("Cene: preuzeto 2 od 2 zapisa"), std::string::npos) << chosen;
    EXPECT_NE(chosen.find("Skpromet: preuzeto 1 od 1 zapisa"), std::string::npos) << chosen;
    // A missing file is named as it was looked for on disk.
    std::filesystem::remove(folder / "KVD" / "Obaveze.DAT");
    OnThread([] {
        rt::File& f = Files::OBAVEZE();
        ASSERT_EQ(f.Open(), rt::kNoError);
        ASSERT_EQ(f.SendSql("DELETE FROM OBAVEZE"), rt::kNoError);
        f.Close();
    });
    const std::string missing = TakeOver(folder);
    EXPECT_NE(missing.find("Obaveze: nema starog fajla " + (folder / "KVD" / "Obaveze.DAT").string()),
              std::string::npos)
        << missing;
    std::filesystem::remove_all(made);
}

// With no folder given the old files are looked for from the root folder, never in the
// program's folder.
TEST_F(PreuzmiGui, AnEmptyFolderEntryReadsFromTheRootFolder) {
    OldFileWriter here(std::filesystem::current_path());
    here.Write(OldFileId::INOBA, {OldFileWriter::Record(OldFileId::INOBA, {{"SIFRA", "VODA"}})});
    BACKUPPATH = "";
    driver.Start([] { PreuzmiPodatke(); });
    const std::string summary = driver.Answer("OK");
    driver.WaitForThreads();
    if (!std::filesystem::exists("/KVD/Obaveze.DAT")) {
        EXPECT_NE(summary.find("Obaveze: nema starog fajla /KVD/Obaveze.DAT"), std::string::npos) << summary;
        EXPECT_EQ(Count(TableId::OBAVEZE), 0);
    }
    EXPECT_NE(summary.find("Skpromet: nema starog fajla /VRK/Skpromet.DAT"), std::string::npos) << summary;
    EXPECT_EQ(rt::clip(PREUZMIFAJL.view()), "\\VRK\\Skpromet");
}

// Values an old file's layout cannot hold are never changed on their way in: the record
// is left out and named.
TEST_F(PreuzmiGui, ValuesTheLayoutCannotHoldAreRefusedPerRecordAndNamed) {
    OldFileWriter old(old_folder_);
    using R = OldFileWriter;
    const auto clauses =
        old.Write(OldFileId::INSKL, {R::Record(OldFileId::INSKL, {{"SIFRA", "1"}, {"OPIS", "Prva"}}),
                                     R::Record(OldFileId::INSKL, {{"SIFRA", "2"}, {"OPIS", "Druga"}}),
                                     R::Record(OldFileId::INSKL, {{"SIFRA", "3"}, {"OPIS", "Treća"}}),
                                     R::Record(OldFileId::INSKL, {{"SIFRA", "4"}, {"OPIS", "Četvrta"}})});
    // The keyed file holds what its layout does not: a clause number past SHORT, a
    // description wider than its 30 characters, a text wider than its 2,048. It is read in
    // the order of its clause numbers.
    {
        auto conn = rt::sql::OpenSqliteFile(clauses.string(), false);
        ASSERT_TRUE(conn);
        ASSERT_TRUE(conn->Execute("UPDATE INSKL SET SIFRA = 70000 WHERE SIFRA = 2"));
        ASSERT_TRUE(conn->Execute("UPDATE INSKL SET OPIS = '" + std::string(45, 'o') + "' WHERE SIFRA = 3"));
        ASSERT_TRUE(conn->Execute("UPDATE INSKL SET TEKSTPOSLOVNI = '" + std::string(3000, 't') +
                                  "' WHERE SIFRA = 4"));
    }
    const double nan = std::nan(""), inf = INFINITY;
    auto posting = [](double amount) {
        std::string rec = R::Record(OldFileId::INSKP, {{"SINTETIKA", "204"}, {"DUGPOT", "D"}});
        std::memcpy(rec.data() + offsetof(INSKPRecord, IZNOS), &amount, sizeof amount);
        return rec;
    };
    old.Write(OldFileId::INSKP, {posting(10), posting(nan), posting(inf), posting(-inf), posting(20)});

    const std::string summary = TakeOver(old_folder_);
    EXPECT_NE(summary.find(
                  "Sklauzul: preuzeto 1 od 4 zapisa\n"
                  "    zapis 2: OPIS ima 45 znakova, a polje prima 30; zapis nije preuzet\n"
                  "    zapis 3: TEKSTPOSLOVNI ima 3.000 znakova, a polje prima 2.048; zapis nije preuzet\n"
                  "    zapis 4: SIFRA je 70.000, a polje prima od -32.768 do 32.767; zapis nije preuzet\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Skpromet: preuzeto 2 od 5 zapisa\n"
                           "    zapis 2: IZNOS nije broj (NaN); zapis nije preuzet\n"
                           "    zapis 3: IZNOS je beskonačan; zapis nije preuzet\n"
                           "    zapis 4: IZNOS je beskonačan; zapis nije preuzet"),
              std::string::npos)
        << summary;
    EXPECT_EQ(Read(TableId::SKLAUZUL,
                   [] { return std::to_string(SKL.SIFRA.get()) + " " + rt::clip(SKL.OPIS.view()); }),
              std::vector<std::string>{"1 Prva"});
    EXPECT_EQ(Read(TableId::SKPROMET, [] { return rt::format(SKP.DUGUJE, "@n6"); }),
              (std::vector<std::string>{rt::format(10.0, "@n6"), rt::format(20.0, "@n6")}));
}

// The posting's number: five digits of count below 100,000 as before; from there on the
// clock has all its seven digits, so that no two (clock, count) read alike.
TEST(TakeOverRecno, StaysUniqueAndUnambiguousPast99999Postings) {
    const struct {
        std::int32_t clock;
        long count;
        const char* recno;
    } cases[] = {
        {4321000, 0, "PREUZETO81234432100000000"},         {704638, 0, "PREUZETO8123470463800000"},
        {704638, 99999, "PREUZETO8123470463899999"},       {7046381, 0, "PREUZETO81234704638100000"},
        {704638, 100000, "PREUZETO812340704638100000"},    {1, 123456, "PREUZETO812340000001123456"},
        {8640001, 1000000, "PREUZETO8123486400011000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TakeOverRecno(81234, c.clock, c.count), c.recno) << c.clock << " " << c.count;
    EXPECT_NE(TakeOverRecno(81234, 704638, 100000), TakeOverRecno(81234, 7046381, 0));
}

}  // namespace
}  // namespace kvtest
