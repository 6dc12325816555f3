// The take-over of the previous program's data: twelve old files copied, each into its
// table while that table is still empty, then two accounts renumbered in the postings.
// Each table's copy is one transaction; what was copied, left alone or could not be read
// is reported at the end, table by table.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/globals.h"
#include "data/oldfiles.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "platform/core/path.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/flat/flat_file.h"
#include "platform/files/record.h"
#include "platform/files/sql/sql_table.h"
#include "platform/files/transaction.h"
#include "platform/ui/window.h"
#include "shell/housekeeping.h"

namespace kvadrin {

std::int32_t (*TakeOverClock)() = &rt::clock;

namespace {

std::string Cp(const std::string& utf8) { return rt::utf8_to_cp1250(utf8); }

// What became of one table.
struct Outcome {
    enum class Kind { Copied, HadRows, NoOldFile, Damaged, Failed };
    std::string shown;
    Kind kind = Kind::Copied;
    long total = 0;    // records in the old file
    long copied = 0;   // rows added
    long refused = 0;  // rows the table refused (a key it already holds)
    std::string detail;
    std::vector<std::string> left_out;  // records not copied or cut, with the reason (UTF-8)
};

// The progress window and its three values; it has no event loop of its own and is
// redrawn as the values change (at most every 50 ms while records are copied).
class Progress {
public:
    Progress() : w_(PreuzmiPodatkeWindow()) {
        w_.SetProcedureName("PreuzmiPodatke");
        w_.Use(w_.Feq("?COUNT"), rt::ui::Binding::OfLong(&count_));
        w_.Use(w_.Feq("?UKUPNO"), rt::ui::Binding::OfLong(&total_));
        w_.Use(w_.Feq("?IMEDAT"), rt::ui::Binding::OfText(&name_));
        w_.Open();
        w_.Display();
    }
    ~Progress() { w_.Close(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Start(const char* shown) {
        count_ = 0;
        total_ = 0;
        name_ = shown;
        Redraw();
    }
    void Total(long total) {
        total_ = static_cast<std::int32_t>(total);
        Redraw();
    }
    long Count() const { return count_; }
    void Added() {
        ++count_;
        const auto now = std::chrono::steady_clock::now();
        if (now - shown_ >= std::chrono::milliseconds(50)) Redraw();
    }
    void Redraw() {
        w_.Display();
        shown_ = std::chrono::steady_clock::now();
    }

private:
    rt::ui::Window w_;
    std::int32_t count_ = 0;  // COUNT
    std::int32_t total_ = 0;  // UKUPNO
    std::string name_;        // IMEDAT
    std::chrono::steady_clock::time_point shown_{};
};

// One field of the old record and the field of the same name in the new one.
struct FieldCopy {
    const rt::FieldDef* from;
    const rt::FieldDef* to;
};

// The same-named fields, in the old layout's order; groups go through their members.
std::vector<FieldCopy> SameNamed(const rt::RecordLayout& from, const rt::RecordLayout& to) {
    std::vector<FieldCopy> out;
    for (const rt::FieldDef& f : from.fields) {
        if (f.type == rt::FieldType::Group) continue;
        if (const rt::FieldDef* t = to.field(f.column())) out.push_back({&f, t});
    }
    return out;
}

// A STRING(n) goes whole, trailing blanks included, into its CSTRING (as much as it
// holds); numbers go unchanged.
void CopyField(const FieldCopy& c, const unsigned char* from, unsigned char* to) {
    const unsigned char* src = from + c.from->offset;
    unsigned char* dst = to + c.to->offset;
    if (c.to->type == rt::FieldType::CString) {
        const std::size_t n = std::min(c.from->size, c.to->size - 1);
        std::memcpy(dst, src, n);
        std::memset(dst + n, 0, c.to->size - n);
    } else {
        std::memcpy(dst, src, std::min(c.from->size, c.to->size));
    }
}

// A text that does not fit its CSTRING without losing more than blanks.
bool TooLong(const FieldCopy& c, const unsigned char* from) {
    const std::string_view text(reinterpret_cast<const char*>(from + c.from->offset), c.from->size);
    return c.to->type == rt::FieldType::CString && rt::clip(text).size() > c.to->size - 1;
}

// 2047 as "2.047", -32768 as "-32.768".
std::string WithThousands(long long n) {
    std::string digits = std::to_string(n < 0 ? -static_cast<unsigned long long>(n) : n);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ".");
    return n < 0 ? "-" + digits : digits;
}

// The range of a number field, as the summary names it.
std::string RangeOf(const rt::FieldDef& f) {
    switch (f.type) {
        case rt::FieldType::Byte: return "od 0 do 255";
        case rt::FieldType::Short: return "od -32.768 do 32.767";
        default: return "od -2.147.483.648 do 2.147.483.647";
    }
}

// Why an old record cannot be taken as it stands: a value its layout cannot hold (a
// number past its field's range or a text wider than its field, as the keyed file may
// store them), or an amount that is no number; empty when it can.
std::string Unheld(const rt::RecordLayout& layout, const unsigned char* rec) {
    std::vector<std::string> why;
    for (const rt::sql::UnheldValue& v : rt::sql::UnheldValues()) {
        const rt::FieldDef* f = layout.field(v.field);
        const std::string name = rt::cp1250_to_utf8(f ? f->column() : v.field);
        if (v.text)
            why.push_back(name + " ima " + WithThousands(v.value) + " znakova, a polje prima " +
                          WithThousands(static_cast<long long>(f ? f->size : 0)));
        else
            why.push_back(name + " je " + WithThousands(v.value) + ", a polje prima " +
                          (f ? RangeOf(*f) : std::string("manje")));
    }
    for (const rt::FieldDef& f : layout.fields) {
        if (f.type != rt::FieldType::Real) continue;
        double x;
        std::memcpy(&x, rec + f.offset, sizeof x);
        if (std::isnan(x))
            why.push_back(rt::cp1250_to_utf8(f.column()) + " nije broj (NaN)");
        else if (std::isinf(x))
            why.push_back(rt::cp1250_to_utf8(f.column()) + " je beskonačan");
    }
    std::string out;
    for (const std::string& w : why) out += (out.empty() ? "" : ", ") + w;
    return out;
}

// The take-over of one table: its table, the old file, the old file's name after the
// folder and the name shown.
struct Step {
    TableId table;
    OldFileId old;
    const char* file;
    const char* shown;
};

// The record copy of one table: fills the table's buffer from the old record; false when
// the record is left out (the reason in `why`).
using Kopiraj = bool (*)(const std::vector<FieldCopy>& fields, long count, std::string& why);

bool CopySameNamed(const std::vector<FieldCopy>& fields, TableId table, OldFileId old) {
    const auto* from = static_cast<const unsigned char*>(old_file_buffer(old));
    auto* to = static_cast<unsigned char*>(record_buffer(table));
    for (const FieldCopy& c : fields) CopyField(c, from, to);
    return true;
}

bool KopirajCene(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::CENE, OldFileId::INCEN);
}
bool KopirajObaveze(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::OBAVEZE, OldFileId::INOBA);
}
bool KopirajObrac(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::OBRAC, OldFileId::INOBR);
}
bool KopirajSfakt(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::SFAKT, OldFileId::INSFA);
}
bool KopirajSprom(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::SPROM, OldFileId::INSPR);
}
bool KopirajKvadrin(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::KVADRIN, OldFileId::INKVD);
}
bool KopirajNalozis(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::NALOZIS, OldFileId::INNLS);
}
// The ten fields of the old record; the others stay empty.
bool KopirajNazivi(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::NAZIVI, OldFileId::INNAZ);
}
bool KopirajSintetik(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::SINTETIK, OldFileId::INSIN);
}
bool KopirajSkmatic(const std::vector<FieldCopy>& f, long, std::string&) {
    return CopySameNamed(f, TableId::SKMATIC, OldFileId::INSKM);
}

// A clause text of 2,048 characters keeps its first 2,047, as its column holds; the
// clause is named as cut so that its text can be looked at.
bool KopirajSklauzul(const std::vector<FieldCopy>& fields, long, std::string& why) {
    const auto* from = reinterpret_cast<const unsigned char*>(&INSKL);
    for (const FieldCopy& c : fields) {
        if (!TooLong(c, from)) continue;
        const bool flats = c.from->column() == "TEKSTKLAUZULE";
        if (!why.empty()) why += "\n    ";
        why += "klauzula " + std::to_string(INSKL.SIFRA.get()) + ": " +
               (flats ? "tekst za stanove" : "tekst za poslovni prostor") + " je skraćen na " +
               WithThousands(static_cast<long long>(c.to->size - 1)) + " znakova";
    }
    return CopySameNamed(fields, TableId::SKLAUZUL, OldFileId::INSKL);
}

// The posting's debit or credit by its side ("D", a capital, is debit), and a number of
// its own: the day, the clock and the postings added before it, at least five digits.
bool KopirajSkpromet(const std::vector<FieldCopy>& fields, long count, std::string&) {
    CopySameNamed(fields, TableId::SKPROMET, OldFileId::INSKP);
    const double amount = INSKP.IZNOS;
    const bool debit = INSKP.DUGPOT.view() == "D";
    SKP.DUGUJE = debit ? amount : 0.0;
    SKP.POTRAZUJE = debit ? 0.0 : amount;
    SKP.TM = "000000";
    SKP.RECNO = TakeOverRecno(rt::today(), TakeOverClock(), count);
    return true;
}

std::string DriverText() {
    const std::string text = rt::FileError().empty() ? rt::Error() : rt::FileError();
    return rt::FileErrorCode().empty() ? text : text + " (" + rt::FileErrorCode() + ")";
}

}  // namespace

std::string TakeOverRecno(std::int32_t day, std::int32_t clock, long count) {
    std::string number = std::to_string(count);
    if (number.size() < 5) number.insert(0, 5 - number.size(), '0');
    std::string time = std::to_string(clock);
    // The clock is at most 8,640,001: seven digits.
    if (count >= 100000 && time.size() < 7) time.insert(0, 7 - time.size(), '0');
    return "PREUZETO" + rt::format(static_cast<double>(day), "@N05") + time + number;
}

namespace {

// The name of the old file this thread reads: PREUZMIFAJL as this thread set it, so that
// a second take-over running meanwhile cannot turn it to another file.
thread_local std::string t_old_file;

// The old file's structure on this thread.
rt::File& OldFile(OldFileId id) {
    thread_local std::unique_ptr<rt::File> files[kOldFileCount];
    auto& f = files[static_cast<int>(id)];
    if (!f) {
        f = std::make_unique<rt::File>(old_file_def(id), old_file_buffer(id));
        f->BindName([] { return t_old_file; });
    }
    return *f;
}

// The old file's name as it was looked for on disk (UTF-8): a flat file's with ".DAT".
std::string LookedFor(OldFileId id) {
    std::string path = rt::native_path(t_old_file);
    if (old_file_def(id).driver == rt::Driver::Flat && std::filesystem::path(path).extension().empty())
        path += ".DAT";
    return path;
}

// Another station's take-over waits until this table's copy is done: on the embedded
// store the transaction holds the write lock from its start, on SQL Server the table is
// locked for the rest of the transaction. False when the lock cannot be had.
bool LockForCopy(rt::File& table) {
    std::shared_ptr<rt::sql::Connection> conn = rt::sql::ConnectionOf(table);
    if (!conn || conn->dialect() != rt::sql::Dialect::SqlServer) return true;
    auto st = conn->Prepare("SELECT COUNT(*) FROM " + rt::sql::QuotedTableName(table) +
                            " WITH (TABLOCKX, HOLDLOCK)");
    if (st && st->Step() >= 0) return true;
    rt::SetDriverError(table.Label(), conn->ErrorCodeText(), conn->ErrorText());
    return false;
}

// The take-over routine of one table: nothing is copied into a table that has rows; the
// copy is one transaction, and the look at the table is part of it.
Outcome Preuzmi(const Step& step, Kopiraj copy, Progress& progress) {
    Outcome out;
    out.shown = step.shown;
    rt::File& table = Files::Of(step.table);
    auto failed = [&] {
        out.kind = Outcome::Kind::Failed;
        out.detail = rt::cp1250_to_utf8(DriverText());
        out.copied = out.refused = 0;
        out.left_out.clear();
        return out;
    };
    if (table.Open() != rt::kNoError) return failed();
    rt::Transaction transaction;
    if (!transaction.Begin(table) || !LockForCopy(table)) {
        Outcome o = failed();
        transaction.Rollback();
        table.Close();
        return o;
    }
    auto leave = [&](Outcome::Kind kind) {
        transaction.Rollback();
        table.Close();
        out.kind = kind;
        return out;
    };
    if (table.Records() > 0) return leave(Outcome::Kind::HadRows);

    progress.Start(step.shown);
    // The old file's name after the folder begins with "\": with no folder given it names
    // the file from the root folder.
    const std::string folder = rt::clip(BACKUPPATH.view());
    PREUZMIFAJL = folder + step.file;
    t_old_file = folder.empty() ? "/" + std::string(step.file + 1) : folder + step.file;
    rt::File& old = OldFile(step.old);
    // Only read: an old program's folder on a medium that cannot be written serves too.
    const int opened = old.Open(rt::kReadOnly | rt::kDenyNone);
    if (opened != rt::kNoError) {
        const bool missing = opened == rt::kFileNotFound || opened == rt::kPathNotFound;
        if (missing)
            out.detail = LookedFor(step.old);
        else if (opened == rt::kInvalidDataFile && !rt::FlatFileError().empty())
            out.detail = rt::cp1250_to_utf8(rt::FlatFileError());
        else
            out.detail = LookedFor(step.old) + ": " + rt::cp1250_to_utf8(DriverText());
        return leave(missing ? Outcome::Kind::NoOldFile : Outcome::Kind::Damaged);
    }
    out.total = old.Records();
    progress.Total(out.total);

    const std::vector<FieldCopy> fields =
        SameNamed(old_file_def(step.old).layout, table_def(step.table).layout);
    const rt::RecordLayout& old_layout = old_file_def(step.old).layout;
    bool ok = old.SetPhysical() == rt::kNoError;
    long read = 0;
    while (ok) {
        rt::sql::SetUnheldValues({});
        const int rc = old.Next();
        if (rc == rt::kRecordNotAvailable) break;
        if (rc != rt::kNoError) {
            ok = false;
            break;
        }
        ++read;
        // A value changed on its way in would be a wrong row: the record is left out.
        const std::string unheld =
            Unheld(old_layout, static_cast<const unsigned char*>(old_file_buffer(step.old)));
        if (!unheld.empty()) {
            out.left_out.push_back("zapis " + std::to_string(read) + ": " + unheld + "; zapis nije preuzet");
            continue;
        }
        table.Clear();
        std::string why;
        const bool copied = copy(fields, progress.Count(), why);
        if (!why.empty()) out.left_out.push_back(why);
        if (!copied) continue;
        const int added = table.Add();
        if (added == rt::kDuplicateKey)
            ++out.refused;
        else if (added != rt::kNoError)
            ok = false;
        else
            ++out.copied;
        progress.Added();
    }
    if (ok) ok = transaction.Commit();
    Outcome broken = ok ? Outcome{} : failed();  // the error before anything else clears it
    progress.Redraw();
    old.Close();
    if (!ok) {
        transaction.Rollback();
        table.Close();
        return broken;
    }
    table.Close();
    return out;
}

// The twelve take-over routines, in the order of the copy.
Outcome PreuzmiCene(Progress& p) {
    return Preuzmi({TableId::CENE, OldFileId::INCEN, "\\KVD\\Cene", "Cene"}, &KopirajCene, p);
}
Outcome PreuzmiObaveze(Progress& p) {
    return Preuzmi({TableId::OBAVEZE, OldFileId::INOBA, "\\KVD\\Obaveze", "Obaveze"}, &KopirajObaveze, p);
}
Outcome PreuzmiObrac(Progress& p) {
    return Preuzmi({TableId::OBRAC, OldFileId::INOBR, "\\KVD\\Obrac", "Obrac"}, &KopirajObrac, p);
}
Outcome PreuzmiSfakt(Progress& p) {
    return Preuzmi({TableId::SFAKT, OldFileId::INSFA, "\\KVD\\Sfakt", "Sfakt"}, &KopirajSfakt, p);
}
Outcome PreuzmiSklauzul(Progress& p) {
    return Preuzmi({TableId::SKLAUZUL, OldFileId::INSKL, "\\KVD\\Sklauzul", "Sklauzul"}, &KopirajSklauzul, p);
}
Outcome PreuzmiSprom(Progress& p) {
    return Preuzmi({TableId::SPROM, OldFileId::INSPR, "\\KVD\\Sprom", "Sprom"}, &KopirajSprom, p);
}
Outcome PreuzmiKvadrin(Progress& p) {
    return Preuzmi({TableId::KVADRIN, OldFileId::INKVD, "\\KVD\\Kvadrin", "Kvadrin"}, &KopirajKvadrin, p);
}
Outcome PreuzmiNalozis(Progress& p) {
    return Preuzmi({TableId::NALOZIS, OldFileId::INNLS, "\\VRK\\NALOZIS", "Nalozis"}, &KopirajNalozis, p);
}
Outcome PreuzmiNazivi(Progress& p) {
    return Preuzmi({TableId::NAZIVI, OldFileId::INNAZ, "\\VRK\\Nazivi", "Nazivi"}, &KopirajNazivi, p);
}
Outcome PreuzmiSintetik(Progress& p) {
    return Preuzmi({TableId::SINTETIK, OldFileId::INSIN, "\\QAV\\Sintetik", "Sintetik"}, &KopirajSintetik, p);
}
Outcome PreuzmiSkmatic(Progress& p) {
    return Preuzmi({TableId::SKMATIC, OldFileId::INSKM, "\\VRK\\Skmatic", "Skmatic"}, &KopirajSkmatic, p);
}
Outcome PreuzmiSkpromet(Progress& p) {
    return Preuzmi({TableId::SKPROMET, OldFileId::INSKP, "\\VRK\\Skpromet", "Skpromet"}, &KopirajSkpromet, p);
}

constexpr Outcome (*kRoutines[])(Progress&) = {
    &PreuzmiCene,    &PreuzmiObaveze, &PreuzmiObrac,  &PreuzmiSfakt,    &PreuzmiSklauzul, &PreuzmiSprom,
    &PreuzmiKvadrin, &PreuzmiNalozis, &PreuzmiNazivi, &PreuzmiSintetik, &PreuzmiSkmatic,  &PreuzmiSkpromet,
};

std::string Line(const Outcome& o) {
    using K = Outcome::Kind;
    std::string s = o.shown + ": ";
    switch (o.kind) {
        case K::HadRows: return s + "nije preuzeto, tabela već ima podatke";
        case K::NoOldFile: return s + "nema starog fajla " + o.detail;
        case K::Damaged: return s + "stari fajl nije čitljiv, ništa nije preuzeto (" + o.detail + ")";
        case K::Failed: return s + "ništa nije preuzeto, greška baze: " + o.detail;
        case K::Copied: break;
    }
    s += "preuzeto " + std::to_string(o.copied) + " od " + std::to_string(o.total) + " zapisa";
    if (o.refused > 0) s += ", " + std::to_string(o.refused) + " baza nije primila (taj ključ već postoji)";
    for (const std::string& why : o.left_out) s += "\n    " + why;
    return s;
}

// The two account renumberings of the postings, older rows included; each failure is
// shown with the driver's code and text.
void RenumberAccounts() {
    rt::File& sintetik = Files::SINTETIK();
    const struct {
        const char* sql;
        const char* tag;
    } updates[] = {
        {"UPDATE SKPROMET SET SINTETIKA='435' WHERE SINTETIKA='433'", "#433 "},
        {"UPDATE SKPROMET SET SINTETIKA='204' WHERE SINTETIKA='202'", "#202 "},
    };
    for (const auto& u : updates)
        if (sintetik.SendSql(u.sql) != rt::kNoError)
            rt::ui::Message(rt::FileErrorCode() + u.tag + rt::FileError());
}

}  // namespace

void PreuzmiPodatke() {
    std::vector<Outcome> outcomes;
    Progress progress;
    for (auto routine : kRoutines) outcomes.push_back(routine(progress));
    RenumberAccounts();
    // The summary stands over the progress window, which closes once it is answered.
    bool all_well = true;
    std::string text = "Preuzimanje podataka iz starog programa je završeno.\n";
    for (const Outcome& o : outcomes) {
        text += "\n" + Line(o);
        all_well = all_well && (o.kind == Outcome::Kind::Copied || o.kind == Outcome::Kind::HadRows) &&
                   o.refused == 0 && o.left_out.empty();
    }
    rt::ui::Message(Cp(text), Cp("Preuzimanje podataka iz starog programa"),
                    all_well ? rt::ui::Icon::Asterisk : rt::ui::Icon::Exclamation);
}

}  // namespace kvadrin
