// List formats: the column layouts of a browse's list (widths and order: the list's format
// text), kept in the list-format file under the application, the procedure, the user and
// the list control, one record per format (FORMATID, FORMATNAME). The file is a table
// structure with the record fields APPNAME, PROCID, USERID, CTRLID, FORMATID, FORMATNAME,
// FLAG, FORMAT and VARLINE; the caller gives it (it lives with the program's tables).
//
// Each sort order has its format: SetFormat leaves the format in use (storing its layout
// when SAVEFORMAT is 1 and the layout changed) and applies the stored layout of the new
// one, or the list's default layout when none is stored yet.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files/file.h"

namespace rt::ui {

class Window;
class SortHeader;
class BrowseManager;

class FormatManager {
public:
    explicit FormatManager(File& formats) : file_(&formats) {}
    ~FormatManager();
    FormatManager(const FormatManager&) = delete;
    FormatManager& operator=(const FormatManager&) = delete;

    int SAVEFORMAT = 0;  // 1: a changed layout is stored when its format is left

    void Setup(std::string_view procedure, std::string_view application, Window& window, int list,
               int columns);
    // Options of the settings file; the values are kept for the menu's defaults.
    void SetOptions(int first, int second, int flag, std::string_view ini);
    // The sort header re-reads the columns after a format is applied.
    void SetupSortHeader(SortHeader& header, BrowseManager& browse);
    // Leaves the format in use and applies format `id` named `name`. True when a stored
    // layout was applied.
    bool SetFormat(std::string_view name, int id);
    const std::string& CurrentName() const { return name_; }

    // The format menu: "save the layout", "default layout", then the stored formats of
    // the list. SetMenuPosition gives the number of the menu's first item in the popup.
    std::string MakePopupMenu() const;
    void SetMenuPosition(int first_choice) { menu_first_ = first_choice; }
    // A choice of the popup (its number); true when a layout was applied.
    bool OnPopupChoice(int choice);

    // Stores the list's layout as the format in use (whatever SAVEFORMAT says).
    bool SaveCurrent();
    // The list's layout from the resource.
    void RestoreDefault();
    // Stored formats of this list (name, id), by id.
    std::vector<std::pair<std::string, int>> Stored() const;
    // The stored layout of a format ("" when none).
    std::string StoredLayout(int id) const;

    // Stores the format in use when SAVEFORMAT is 1 and its layout changed.
    void Teardown(int);

private:
    std::string layout() const;
    void apply(const std::string& format);
    bool read(int id);  // into the record buffer
    bool write(int id, std::string_view name, std::string_view format);
    void key_fields(int id) const;
    bool open();

    File* file_;
    Window* window_ = nullptr;
    int list_ = 0;
    int columns_ = 0;
    std::string procedure_, application_, ini_;
    std::string default_;  // the resource's layout
    std::string applied_;  // the layout as it was applied (the change check)
    std::string name_;
    int id_ = 0;
    int menu_first_ = 1;
    SortHeader* header_ = nullptr;
    bool opened_ = false;
};

}  // namespace rt::ui
