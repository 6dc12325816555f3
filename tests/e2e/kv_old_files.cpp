// Writes a small set of the previous program's files under a folder (a name on disk, as
// the command line gives it), for the end-to-end walk of the take-over.
//   kv_old_files FOLDER
#include <cstdio>
#include <exception>
#include <string>

#include "tests/data/old_file_writer.h"

using kvadrin::OldFileId;
using kvtest::OldFileWriter;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kv_old_files FOLDER\n");
        return 2;
    }
    try {
        using R = OldFileWriter;
        const OldFileWriter old{std::filesystem::path(argv[1])};
        old.Write(OldFileId::INCEN, {R::Record(OldFileId::INCEN, {{"OBRACUN", "91"}, {"SIFRA", "STARA"}})});
        old.Write(OldFileId::INOBA,
                  {R::Record(OldFileId::INOBA, {{"SIFRA", "STARA"}, {"NAZIV", "Čišćenje"}})});
        old.Write(OldFileId::INOBR,
                  {R::Record(OldFileId::INOBR, {{"OBRACUN", "91"}, {"NAZIV", "Jun 2023"}})});
        old.Write(
            OldFileId::INSFA,
            {R::Record(OldFileId::INSFA, {{"OBRACUN", "91"}, {"SHKORISNIKA", "00901"}, {"UKUPNO", "77"}})});
        old.Write(
            OldFileId::INSPR,
            {R::Record(OldFileId::INSPR, {{"OBRACUN", "91"}, {"SHKORISNIKA", "00901"}, {"SIFRA", "STARA"}})});
        old.Write(OldFileId::INKVD,
                  {R::Record(OldFileId::INKVD, {{"BROJ", "901"}, {"VLASNIK", "Đorđević Živka"}})});
        old.Write(OldFileId::INNLS,
                  {R::Record(OldFileId::INNLS, {{"BROJ", "ST-01"}, {"OPIS", "Početno stanje"}})});
        old.Write(OldFileId::INNAZ,
                  {R::Record(OldFileId::INNAZ, {{"ANALITIKA", "00901"}, {"NAZIV1", "Đorđević Živka"}})});
        old.Write(OldFileId::INSIN,
                  {R::Record(OldFileId::INSIN, {{"SINTETIKA", "204"}, {"NAZIV", "Kupci"}})});
        old.Write(OldFileId::INSKM,
                  {R::Record(OldFileId::INSKM, {{"SINTETIKA", "204"}, {"ANALITIKA", "00901"}})});
        old.Write(OldFileId::INSKL,
                  {R::Record(OldFileId::INSKL,
                             {{"SIFRA", "91"}, {"OPIS", "Stara"}, {"TEKSTKLAUZULE", "{\\rtf1 Član}"}})});
        old.Write(OldFileId::INSKP, {R::Record(OldFileId::INSKP, {{"SINTETIKA", "204"},
                                                                  {"ANALITIKA", "00901"},
                                                                  {"DUGPOT", "D"},
                                                                  {"IZNOS", "100"},
                                                                  {"OPIS", "Račun"}}),
                                     R::Record(OldFileId::INSKP, {{"SINTETIKA", "433"},
                                                                  {"ANALITIKA", "00901"},
                                                                  {"DUGPOT", "P"},
                                                                  {"IZNOS", "40"},
                                                                  {"OPIS", "Uplata"}})});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv_old_files: %s\n", e.what());
        return 1;
    }
    return 0;
}
