// Relation objects: a table's access object together with its relations to other tables.
// They open and close the table (with its related tables when asked), and update and
// delete its current record so that no child is left without its parent: a restrict
// relation refuses the delete of a parent that has children and resets changed linking
// fields of a parent that has children.
#pragma once

#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files/manager.h"

namespace rt {

// What a relation does when the parent's linking fields change or the parent is deleted.
enum RelationMode : int {
    kRelationNone = 0,
    kRelationRestrict = 2,
};

class RelationManager;

struct Relation {
    RelationManager* other = nullptr;
    int update_mode = kRelationNone;
    int delete_mode = kRelationNone;
    int child_key = -1;  // the child's key that finds the children of one parent; -1: none
    // Linking fields: (parent field, child field), indexes into the two layouts.
    std::vector<std::pair<int, int>> links;
    bool named_only() const { return links.empty(); }
};

class RelationManager {
public:
    RelationManager();
    virtual ~RelationManager();
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    int USELOGOUT = 0;             // 1: the changes of one operation run as one transaction
    int DEFEREDRELATIONSDONE = 0;  // 1 once AddRelationsHook has run
    int CASCADEOPEN = 0;           // 1: Open and Close take the related tables along

    virtual void Setup() {}
    // The base tear-down: forgets the relations and the access object.
    virtual void Teardown();
    // Defines the relations; called once, the first time they are needed.
    virtual void AddRelationsHook() {}

    // The base set-up.
    void Init(FileManager& me, bool use_logout);
    FileManager& Me() const { return *me_; }
    bool HasMe() const { return me_ != nullptr; }

    // A relation to a child table: the child's key and the linking fields by their names
    // ({"NLS:BROJ", "SKP:NALOG"}). An unknown name is a fault in the program and aborts.
    void AddRelation(RelationManager& child, int update_mode, int delete_mode, int child_key,
                     std::initializer_list<std::pair<std::string_view, std::string_view>> links);
    // A table on the other side of a relation, named only (opened along with this one).
    void AddRelation(RelationManager& other);
    // The relations, defined first when they are not yet.
    const std::vector<Relation>& Relations();

    void SetCascadeOpen(bool on = true) { CASCADEOPEN = on ? 1 : 0; }
    void ToggleQuickScan(bool on);

    // Opens through the access object (counted); with cascading on, each related table
    // too. Close closes what the matching Open opened.
    int Open();
    int Close();
    // Writes the current record. A changed linking field of a restrict relation whose
    // children still refer to the old value is reset to it, with the message
    // RestrictUpdate, and nothing is written (answer User): the caller sees the reset
    // values and may save again.
    int Update();
    // Deletes the current record, after the question ConfirmDelete when `ask` (answer
    // Cancel when declined). A restrict relation with children refuses it with the
    // message RestrictDelete.
    int Delete(bool ask = false);

private:
    void ensure_relations();
    std::vector<RelationManager*> related();
    // 1 when a child refers to the values of the parent's linking fields in `parent`
    // (a record of this table), 0 when none does, -1 when the child could not be read
    // (reported, the thread's error state says why).
    int has_children(const Relation& r, const unsigned char* parent);
    bool begin();
    int end(bool began, int level, Msg failure);

    FileManager* me_ = nullptr;
    std::vector<Relation> relations_;
    std::vector<bool> opened_cascading_;  // per open not yet closed
    // Definitions of the child tables as the checks open them: never created by a check.
    std::map<const TableDef*, std::unique_ptr<TableDef>> probe_defs_;
};

}  // namespace rt
