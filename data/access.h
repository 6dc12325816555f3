// This thread's table structures, and the access and relation object of each of the
// seventeen tables with the relations between them. Everything here is per thread: code
// reaches the objects of the thread it runs on, and never hands them to another thread.
#pragma once

#include <memory>

#include "data/tables.h"
#include "platform/files/file.h"
#include "platform/files/manager.h"
#include "platform/files/relation.h"

namespace kvadrin {

// The thread's table structures over its record buffers: the seventeen tables and the
// list-format file. Built closed by MainThreadFilesInit (or at first use), destroyed,
// closing what is open, by MainThreadFilesTerm.
namespace Files {
rt::File& Of(TableId id);
void Build();    // makes the missing structures; closes the existing ones
void Destroy();  // closes and destroys them
rt::File& LVERX();
rt::File& LVER();
rt::File& AINC();
rt::File& MBASE();
rt::File& USERS();
rt::File& NALOZIS();
rt::File& NAZIVI();
rt::File& SINTETIK();
rt::File& SKMATIC();
rt::File& SKPROMET();
rt::File& KVADRIN();
rt::File& OBRAC();
rt::File& CENE();
rt::File& OBAVEZE();
rt::File& SPROM();
rt::File& SFAKT();
rt::File& SKLAUZUL();
rt::File& FORMATS();
}  // namespace Files

// Access object of one table: set up over this thread's structure and record buffer,
// reporting through ProgramErrors; its first use registers the table's keys.
class TableFileManager : public rt::FileManager {
public:
    TableId Table() const { return id_; }
    void Setup() override;
    void Teardown() override;
    int UseTable(int kind) override;

protected:
    explicit TableFileManager(TableId id) : id_(id) {}

private:
    TableId id_;
};

class FileManagerLVERX final : public TableFileManager {
public:
    FileManagerLVERX() : TableFileManager(TableId::LVERX) {}
};
class FileManagerLVER final : public TableFileManager {
public:
    FileManagerLVER() : TableFileManager(TableId::LVER) {}
};
class FileManagerAINC final : public TableFileManager {
public:
    FileManagerAINC() : TableFileManager(TableId::AINC) {}
    void Setup() override;  // the name in use is AINCIME's value
};
class FileManagerMBASE final : public TableFileManager {
public:
    FileManagerMBASE() : TableFileManager(TableId::MBASE) {}
};
class FileManagerUSERS final : public TableFileManager {
public:
    FileManagerUSERS() : TableFileManager(TableId::USERS) {}
};
class FileManagerNALOZIS final : public TableFileManager {
public:
    FileManagerNALOZIS() : TableFileManager(TableId::NALOZIS) {}
};
class FileManagerNAZIVI final : public TableFileManager {
public:
    FileManagerNAZIVI() : TableFileManager(TableId::NAZIVI) {}
};
class FileManagerSINTETIK final : public TableFileManager {
public:
    FileManagerSINTETIK() : TableFileManager(TableId::SINTETIK) {}
};
class FileManagerSKMATIC final : public TableFileManager {
public:
    FileManagerSKMATIC() : TableFileManager(TableId::SKMATIC) {}
};
class FileManagerSKPROMET final : public TableFileManager {
public:
    FileManagerSKPROMET() : TableFileManager(TableId::SKPROMET) {}
};
class FileManagerKVADRIN final : public TableFileManager {
public:
    FileManagerKVADRIN() : TableFileManager(TableId::KVADRIN) {}
};
class FileManagerOBRAC final : public TableFileManager {
public:
    FileManagerOBRAC() : TableFileManager(TableId::OBRAC) {}
};
// CEN:OBRACUN must name a run of OBRAC and CEN:SIFRA a service of OBAVEZE.
class FileManagerCENE final : public TableFileManager {
public:
    FileManagerCENE() : TableFileManager(TableId::CENE) {}
    int CheckField(int field, bool report) override { return ProveriCene(field, report); }
    int ProveriCene(int field, bool report);
};
class FileManagerOBAVEZE final : public TableFileManager {
public:
    FileManagerOBAVEZE() : TableFileManager(TableId::OBAVEZE) {}
};
class FileManagerSPROM final : public TableFileManager {
public:
    FileManagerSPROM() : TableFileManager(TableId::SPROM) {}
};
// SFA:OBRACUN must name a run of OBRAC and SFA:BROJSTANA a unit of KVADRIN.
class FileManagerSFAKT final : public TableFileManager {
public:
    FileManagerSFAKT() : TableFileManager(TableId::SFAKT) {}
    int CheckField(int field, bool report) override { return ProveriSfakt(field, report); }
    int ProveriSfakt(int field, bool report);
};
class FileManagerSKLAUZUL final : public TableFileManager {
public:
    FileManagerSKLAUZUL() : TableFileManager(TableId::SKLAUZUL) {}
};

// Relation object of one table. It owns the table's access object: its set-up sets that
// up first, and its tear-down tears it down and disposes of it.
class TableRelationManager : public rt::RelationManager {
public:
    TableId Table() const { return id_; }
    void Setup() override;
    void Teardown() override;

protected:
    TableRelationManager(TableId id, std::unique_ptr<TableFileManager> access)
        : id_(id), access_(std::move(access)) {}

private:
    TableId id_;
    std::unique_ptr<TableFileManager> access_;
};

#define KVADRIN_RELATION_CLASS(T)                                             \
    class RelationManager##T final : public TableRelationManager {            \
    public:                                                                   \
        explicit RelationManager##T(std::unique_ptr<TableFileManager> access) \
            : TableRelationManager(TableId::T, std::move(access)) {}          \
    }
#define KVADRIN_RELATION_CLASS_WITH(T, routine)                               \
    class RelationManager##T final : public TableRelationManager {            \
    public:                                                                   \
        explicit RelationManager##T(std::unique_ptr<TableFileManager> access) \
            : TableRelationManager(TableId::T, std::move(access)) {}          \
        void AddRelationsHook() override;                                     \
        int routine();                                                        \
    }

KVADRIN_RELATION_CLASS(LVERX);
KVADRIN_RELATION_CLASS(LVER);
KVADRIN_RELATION_CLASS(AINC);
KVADRIN_RELATION_CLASS(MBASE);
KVADRIN_RELATION_CLASS(USERS);
KVADRIN_RELATION_CLASS_WITH(NALOZIS, VezeNalozis);
KVADRIN_RELATION_CLASS_WITH(NAZIVI, VezeNazivi);
KVADRIN_RELATION_CLASS_WITH(SINTETIK, VezeSintetik);
KVADRIN_RELATION_CLASS(SKMATIC);
KVADRIN_RELATION_CLASS_WITH(SKPROMET, VezeSkpromet);
KVADRIN_RELATION_CLASS_WITH(KVADRIN, VezeKvadrin);
KVADRIN_RELATION_CLASS_WITH(OBRAC, VezeObrac);
KVADRIN_RELATION_CLASS_WITH(CENE, VezeCene);
KVADRIN_RELATION_CLASS_WITH(OBAVEZE, VezeObaveze);
KVADRIN_RELATION_CLASS_WITH(SPROM, VezeSprom);
KVADRIN_RELATION_CLASS_WITH(SFAKT, VezeSfakt);
KVADRIN_RELATION_CLASS(SKLAUZUL);

#undef KVADRIN_RELATION_CLASS
#undef KVADRIN_RELATION_CLASS_WITH

// The access object and the relation object of a table, newly made (the dictionary
// makes them; a relation object takes its access object along).
std::unique_ptr<TableFileManager> MakeFileManager(TableId id);
std::unique_ptr<TableRelationManager> MakeRelationManager(TableId id,
                                                          std::unique_ptr<TableFileManager> access);

// This thread's current access object of each table: nullptr while the thread has no
// dictionary. Set by the object's set-up, cleared by its tear-down.
namespace Access {
rt::FileManager* Of(TableId id);
void Set(TableId id, rt::FileManager* object);
rt::FileManager* LVERX();
rt::FileManager* LVER();
rt::FileManager* AINC();
rt::FileManager* MBASE();
rt::FileManager* USERS();
rt::FileManager* NALOZIS();
rt::FileManager* NAZIVI();
rt::FileManager* SINTETIK();
rt::FileManager* SKMATIC();
rt::FileManager* SKPROMET();
rt::FileManager* KVADRIN();
rt::FileManager* OBRAC();
rt::FileManager* CENE();
rt::FileManager* OBAVEZE();
rt::FileManager* SPROM();
rt::FileManager* SFAKT();
rt::FileManager* SKLAUZUL();
}  // namespace Access

// This thread's relation object of each table: nullptr while the thread has no dictionary.
namespace Relate {
rt::RelationManager* Of(TableId id);
void Set(TableId id, rt::RelationManager* object);
rt::RelationManager* LVERX();
rt::RelationManager* LVER();
rt::RelationManager* AINC();
rt::RelationManager* MBASE();
rt::RelationManager* USERS();
rt::RelationManager* NALOZIS();
rt::RelationManager* NAZIVI();
rt::RelationManager* SINTETIK();
rt::RelationManager* SKMATIC();
rt::RelationManager* SKPROMET();
rt::RelationManager* KVADRIN();
rt::RelationManager* OBRAC();
rt::RelationManager* CENE();
rt::RelationManager* OBAVEZE();
rt::RelationManager* SPROM();
rt::RelationManager* SFAKT();
rt::RelationManager* SKLAUZUL();
}  // namespace Relate

}  // namespace kvadrin
