#include "data/access.h"

#include <array>
#include <functional>
#include <string_view>

#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "platform/core/text.h"

namespace kvadrin {
namespace {

constexpr int kStructures = kTableCount + 1;  // with the list-format file

thread_local std::array<std::unique_ptr<rt::File>, kStructures> t_files;
thread_local std::array<rt::FileManager*, kTableCount> t_access{};
thread_local std::array<rt::RelationManager*, kTableCount> t_relate{};

std::size_t slot(TableId id) { return static_cast<std::size_t>(id); }

// The process-wide text that a definition names as a table's owner or name.
std::function<std::string()> variable_text(std::string_view name) {
    if (name == "OWNERFIRME") return [] { return OWNERFIRME.str(); };
    if (name == "OWNERVERZIJE") return [] { return OWNERVERZIJE.str(); };
    if (name == "AINCIME") return [] { return AINCIME.str(); };
    if (name == "PREUZMIFAJL") return [] { return PREUZMIFAJL.str(); };
    return nullptr;
}

std::unique_ptr<rt::File> make_file(TableId id) {
    const rt::TableDef& def = table_def(id);
    auto f = std::make_unique<rt::File>(def, record_buffer(id));
    if (auto owner = variable_text(def.owner)) f->BindOwner(std::move(owner));
    if (!def.name_from.empty())
        if (auto name = variable_text(def.name_from)) f->BindName(std::move(name));
    return f;
}

// A lookup of a field check: the value must be found by `key` in `table`. The table's
// record buffer is kept as it was; with `report`, a value not found raises message 18
// with `table_text` for %Message.
int lookup(rt::ErrorManager& errors, TableId table, int key, const char* table_text,
           const std::function<void()>& set_key, bool report) {
    rt::FileManager* fm = Access::Of(table);
    if (!fm) return rt::Level::Fatal;
    const std::uint16_t copy = fm->SaveRecordCopy();
    set_key();
    const bool opened = fm->TryOpen() == rt::Level::Benign;
    int result = fm->GetByKeyQuiet(key);
    if (result != rt::Level::Benign && report) {
        const int shown = errors.RaiseMessage(rt::Msg::FieldNotInFile, table_text);
        result = shown != rt::Level::Benign ? shown : rt::Level::User;
    }
    if (opened) fm->Close();
    fm->RestoreRecordCopy(copy);
    return result;
}

bool blank(std::string_view s) { return rt::clip(s).empty(); }

}  // namespace

// ---- table structures ----

namespace Files {

rt::File& Of(TableId id) {
    auto& f = t_files[slot(id)];
    if (!f) f = make_file(id);
    return *f;
}

void Build() {
    for (int i = 0; i < kStructures; ++i) {
        const auto id = static_cast<TableId>(i);
        auto& f = t_files[slot(id)];
        if (f && f->IsOpen()) f->Close();
        if (!f) f = make_file(id);
    }
}

void Destroy() {
    for (auto& f : t_files) f.reset();
}

rt::File& LVERX() { return Of(TableId::LVERX); }
rt::File& LVER() { return Of(TableId::LVER); }
rt::File& AINC() { return Of(TableId::AINC); }
rt::File& MBASE() { return Of(TableId::MBASE); }
rt::File& USERS() { return Of(TableId::USERS); }
rt::File& NALOZIS() { return Of(TableId::NALOZIS); }
rt::File& NAZIVI() { return Of(TableId::NAZIVI); }
rt::File& SINTETIK() { return Of(TableId::SINTETIK); }
rt::File& SKMATIC() { return Of(TableId::SKMATIC); }
rt::File& SKPROMET() { return Of(TableId::SKPROMET); }
rt::File& KVADRIN() { return Of(TableId::KVADRIN); }
rt::File& OBRAC() { return Of(TableId::OBRAC); }
rt::File& CENE() { return Of(TableId::CENE); }
rt::File& OBAVEZE() { return Of(TableId::OBAVEZE); }
rt::File& SPROM() { return Of(TableId::SPROM); }
rt::File& SFAKT() { return Of(TableId::SFAKT); }
rt::File& SKLAUZUL() { return Of(TableId::SKLAUZUL); }
rt::File& FORMATS() { return Of(TableId::FORMATS); }

}  // namespace Files

// ---- access objects ----

void TableFileManager::Setup() {
    INITIALIZED = 0;
    BUFFER = record_buffer(id_);
    FILENAMEVALUE = table_name(id_);
    ERRORS = &ProgramErrors;
    FILE = &Files::Of(id_);
    rt::FileManager::Setup();
    Access::Set(id_, this);
}

void FileManagerAINC::Setup() {
    FILENAME = [] { return AINCIME.str(); };
    TableFileManager::Setup();
}

void TableFileManager::Teardown() {
    rt::FileManager::Teardown();
    if (Access::Of(id_) == this) Access::Set(id_, nullptr);
}

int TableFileManager::UseTable(int kind) {
    if (kind != rt::kUseInitialise) UseTable(rt::kUseInitialise);
    if (kind == rt::kUseInitialise && INITIALIZED == 0) {
        INUSEFILE = 1;
        Init(Files::Of(id_), ProgramErrors);
        CREATE = 1;
        LOCKRECOVER = 10;
        for (const rt::KeyDef& k : table_def(id_).layout.keys) AddKey(k.name);
    }
    return rt::FileManager::UseTable(kind);
}

int FileManagerCENE::ProveriCene(int field, bool report) {
    const int kept = rt::FileManager::CheckField(field, report);
    switch (field) {
        case 1:
            ERRORS->SetFieldLabel("CEN:Obracun");
            if (CEN.OBRACUN == 0) return kept;
            return lookup(
                *ERRORS, TableId::OBRAC, OBR_Po_obracunu, "OBRAC", [] { OBR.OBRACUN = CEN.OBRACUN; }, report);
        case 2:
            ERRORS->SetFieldLabel("CEN:Sifra");
            if (blank(CEN.SIFRA.view())) return kept;
            return lookup(
                *ERRORS, TableId::OBAVEZE, OBA_Po_sifri, "OBAVEZE", [] { OBA.SIFRA = CEN.SIFRA.view(); },
                report);
        default: return kept;
    }
}

int FileManagerSFAKT::ProveriSfakt(int field, bool report) {
    const int kept = rt::FileManager::CheckField(field, report);
    switch (field) {
        case 1:
            ERRORS->SetFieldLabel("SFA:Obracun");
            if (SFA.OBRACUN == 0) return kept;
            return lookup(
                *ERRORS, TableId::OBRAC, OBR_Po_obracunu, "OBRAC", [] { OBR.OBRACUN = SFA.OBRACUN; }, report);
        case 3:
            ERRORS->SetFieldLabel("SFA:BROJSTANA");
            if (blank(SFA.BROJSTANA.view())) return kept;
            return lookup(
                *ERRORS, TableId::KVADRIN, KVD_Po_broju, "KVADRIN", [] { KVD.BROJ = SFA.BROJSTANA.view(); },
                report);
        default: return kept;
    }
}

// ---- relation objects ----

void TableRelationManager::Setup() {
    access_->Setup();
    Init(*access_, true);
}

void TableRelationManager::Teardown() {
    access_->Teardown();
    rt::RelationManager::Teardown();
    if (Relate::Of(id_) == this) Relate::Set(id_, nullptr);
    if (Access::Of(id_) == access_.get()) Access::Set(id_, nullptr);
    access_.reset();
}

namespace {
constexpr int R = rt::kRelationRestrict;
constexpr int N = rt::kRelationNone;
}  // namespace

void RelationManagerNALOZIS::AddRelationsHook() {
    VezeNalozis();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerNALOZIS::VezeNalozis() {
    AddRelation(*Relate::SKPROMET(), R, R, SKP_PO_NALOGU, {{"NLS:BROJ", "SKP:NALOG"}});
    return 0;
}

void RelationManagerNAZIVI::AddRelationsHook() {
    VezeNazivi();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerNAZIVI::VezeNazivi() {
    AddRelation(*Relate::KVADRIN(), R, R, KVD_Po_analitici, {{"NAZ:ANALITIKA", "KVD:SHKORISNIKA"}});
    AddRelation(*Relate::SKPROMET(), R, R, SKP_PO_ANALITICI, {{"NAZ:ANALITIKA", "SKP:ANALITIKA"}});
    AddRelation(*Relate::SFAKT(), R, R, SFA_PO_KORISNIKU, {{"NAZ:ANALITIKA", "SFA:SHKORISNIKA"}});
    return 0;
}

void RelationManagerSINTETIK::AddRelationsHook() {
    VezeSintetik();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerSINTETIK::VezeSintetik() {
    AddRelation(*Relate::SKPROMET());
    return 0;
}

void RelationManagerSKPROMET::AddRelationsHook() {
    VezeSkpromet();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerSKPROMET::VezeSkpromet() {
    AddRelation(*Relate::NALOZIS());
    AddRelation(*Relate::SINTETIK(), N, N, SIN_PO_SINT, {{"SKP:SINTETIKA", "SIN:SINTETIKA"}});
    AddRelation(*Relate::NAZIVI());
    return 0;
}

void RelationManagerKVADRIN::AddRelationsHook() {
    VezeKvadrin();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerKVADRIN::VezeKvadrin() {
    AddRelation(*Relate::SFAKT(), R, R, SFA_PO_STANU, {{"KVD:BROJ", "SFA:BROJSTANA"}});
    AddRelation(*Relate::NAZIVI());
    return 0;
}

void RelationManagerOBRAC::AddRelationsHook() {
    VezeObrac();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerOBRAC::VezeObrac() {
    AddRelation(*Relate::CENE(), R, R, CEN_Po_obracunu, {{"OBR:OBRACUN", "CEN:OBRACUN"}});
    AddRelation(*Relate::SFAKT(), R, R, SFA_PO_OBRACUNU, {{"OBR:OBRACUN", "SFA:OBRACUN"}});
    return 0;
}

void RelationManagerCENE::AddRelationsHook() {
    VezeCene();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerCENE::VezeCene() {
    AddRelation(*Relate::OBAVEZE());
    AddRelation(*Relate::OBRAC());
    return 0;
}

void RelationManagerOBAVEZE::AddRelationsHook() {
    VezeObaveze();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerOBAVEZE::VezeObaveze() {
    AddRelation(*Relate::CENE(), R, R, CEN_Po_sifri, {{"OBA:SIFRA", "CEN:SIFRA"}});
    AddRelation(*Relate::SPROM(), R, R, SPR_PO_SIFRI, {{"OBA:SIFRA", "SPR:SIFRA"}});
    return 0;
}

void RelationManagerSPROM::AddRelationsHook() {
    VezeSprom();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerSPROM::VezeSprom() {
    AddRelation(*Relate::SFAKT());
    AddRelation(*Relate::OBAVEZE());
    return 0;
}

void RelationManagerSFAKT::AddRelationsHook() {
    VezeSfakt();
    rt::RelationManager::AddRelationsHook();
}
int RelationManagerSFAKT::VezeSfakt() {
    AddRelation(*Relate::SPROM(), R, R, SPR_PO_OBRACUNU,
                {{"SFA:OBRACUN", "SPR:OBRACUN"}, {"SFA:SHKORISNIKA", "SPR:SHKORISNIKA"}});
    AddRelation(*Relate::KVADRIN());
    AddRelation(*Relate::OBRAC());
    AddRelation(*Relate::NAZIVI());
    return 0;
}

std::unique_ptr<TableFileManager> MakeFileManager(TableId id) {
    switch (id) {
        case TableId::LVERX: return std::make_unique<FileManagerLVERX>();
        case TableId::LVER: return std::make_unique<FileManagerLVER>();
        case TableId::AINC: return std::make_unique<FileManagerAINC>();
        case TableId::MBASE: return std::make_unique<FileManagerMBASE>();
        case TableId::USERS: return std::make_unique<FileManagerUSERS>();
        case TableId::NALOZIS: return std::make_unique<FileManagerNALOZIS>();
        case TableId::NAZIVI: return std::make_unique<FileManagerNAZIVI>();
        case TableId::SINTETIK: return std::make_unique<FileManagerSINTETIK>();
        case TableId::SKMATIC: return std::make_unique<FileManagerSKMATIC>();
        case TableId::SKPROMET: return std::make_unique<FileManagerSKPROMET>();
        case TableId::KVADRIN: return std::make_unique<FileManagerKVADRIN>();
        case TableId::OBRAC: return std::make_unique<FileManagerOBRAC>();
        case TableId::CENE: return std::make_unique<FileManagerCENE>();
        case TableId::OBAVEZE: return std::make_unique<FileManagerOBAVEZE>();
        case TableId::SPROM: return std::make_unique<FileManagerSPROM>();
        case TableId::SFAKT: return std::make_unique<FileManagerSFAKT>();
        case TableId::SKLAUZUL: return std::make_unique<FileManagerSKLAUZUL>();
        case TableId::FORMATS: break;
    }
    return nullptr;
}

std::unique_ptr<TableRelationManager> MakeRelationManager(TableId id, std::unique_ptr<TableFileManager> a) {
    switch (id) {
        case TableId::LVERX: return std::make_unique<RelationManagerLVERX>(std::move(a));
        case TableId::LVER: return std::make_unique<RelationManagerLVER>(std::move(a));
        case TableId::AINC: return std::make_unique<RelationManagerAINC>(std::move(a));
        case TableId::MBASE: return std::make_unique<RelationManagerMBASE>(std::move(a));
        case TableId::USERS: return std::make_unique<RelationManagerUSERS>(std::move(a));
        case TableId::NALOZIS: return std::make_unique<RelationManagerNALOZIS>(std::move(a));
        case TableId::NAZIVI: return std::make_unique<RelationManagerNAZIVI>(std::move(a));
        case TableId::SINTETIK: return std::make_unique<RelationManagerSINTETIK>(std::move(a));
        case TableId::SKMATIC: return std::make_unique<RelationManagerSKMATIC>(std::move(a));
        case TableId::SKPROMET: return std::make_unique<RelationManagerSKPROMET>(std::move(a));
        case TableId::KVADRIN: return std::make_unique<RelationManagerKVADRIN>(std::move(a));
        case TableId::OBRAC: return std::make_unique<RelationManagerOBRAC>(std::move(a));
        case TableId::CENE: return std::make_unique<RelationManagerCENE>(std::move(a));
        case TableId::OBAVEZE: return std::make_unique<RelationManagerOBAVEZE>(std::move(a));
        case TableId::SPROM: return std::make_unique<RelationManagerSPROM>(std::move(a));
        case TableId::SFAKT: return std::make_unique<RelationManagerSFAKT>(std::move(a));
        case TableId::SKLAUZUL: return std::make_unique<RelationManagerSKLAUZUL>(std::move(a));
        case TableId::FORMATS: break;
    }
    return nullptr;
}

// ---- per-thread references ----

namespace Access {
rt::FileManager* Of(TableId id) { return slot(id) < t_access.size() ? t_access[slot(id)] : nullptr; }
void Set(TableId id, rt::FileManager* object) {
    if (slot(id) < t_access.size()) t_access[slot(id)] = object;
}
rt::FileManager* LVERX() { return Of(TableId::LVERX); }
rt::FileManager* LVER() { return Of(TableId::LVER); }
rt::FileManager* AINC() { return Of(TableId::AINC); }
rt::FileManager* MBASE() { return Of(TableId::MBASE); }
rt::FileManager* USERS() { return Of(TableId::USERS); }
rt::FileManager* NALOZIS() { return Of(TableId::NALOZIS); }
rt::FileManager* NAZIVI() { return Of(TableId::NAZIVI); }
rt::FileManager* SINTETIK() { return Of(TableId::SINTETIK); }
rt::FileManager* SKMATIC() { return Of(TableId::SKMATIC); }
rt::FileManager* SKPROMET() { return Of(TableId::SKPROMET); }
rt::FileManager* KVADRIN() { return Of(TableId::KVADRIN); }
rt::FileManager* OBRAC() { return Of(TableId::OBRAC); }
rt::FileManager* CENE() { return Of(TableId::CENE); }
rt::FileManager* OBAVEZE() { return Of(TableId::OBAVEZE); }
rt::FileManager* SPROM() { return Of(TableId::SPROM); }
rt::FileManager* SFAKT() { return Of(TableId::SFAKT); }
rt::FileManager* SKLAUZUL() { return Of(TableId::SKLAUZUL); }
}  // namespace Access

namespace Relate {
rt::RelationManager* Of(TableId id) { return slot(id) < t_relate.size() ? t_relate[slot(id)] : nullptr; }
void Set(TableId id, rt::RelationManager* object) {
    if (slot(id) < t_relate.size()) t_relate[slot(id)] = object;
}
rt::RelationManager* LVERX() { return Of(TableId::LVERX); }
rt::RelationManager* LVER() { return Of(TableId::LVER); }
rt::RelationManager* AINC() { return Of(TableId::AINC); }
rt::RelationManager* MBASE() { return Of(TableId::MBASE); }
rt::RelationManager* USERS() { return Of(TableId::USERS); }
rt::RelationManager* NALOZIS() { return Of(TableId::NALOZIS); }
rt::RelationManager* NAZIVI() { return Of(TableId::NAZIVI); }
rt::RelationManager* SINTETIK() { return Of(TableId::SINTETIK); }
rt::RelationManager* SKMATIC() { return Of(TableId::SKMATIC); }
rt::RelationManager* SKPROMET() { return Of(TableId::SKPROMET); }
rt::RelationManager* KVADRIN() { return Of(TableId::KVADRIN); }
rt::RelationManager* OBRAC() { return Of(TableId::OBRAC); }
rt::RelationManager* CENE() { return Of(TableId::CENE); }
rt::RelationManager* OBAVEZE() { return Of(TableId::OBAVEZE); }
rt::RelationManager* SPROM() { return Of(TableId::SPROM); }
rt::RelationManager* SFAKT() { return Of(TableId::SFAKT); }
rt::RelationManager* SKLAUZUL() { return Of(TableId::SKLAUZUL); }
}  // namespace Relate

}  // namespace kvadrin
