// The settings file object: INI files with [section] headers and key=value lines.
//
// Section and key names compare without regard to case (CP1250 letters folded); values
// come back as stored, without the blanks around "=" and at the line's end. Comments
// (";") and lines that are neither headers nor entries are kept when the file is
// rewritten. Lines end in CRLF when written; CRLF and LF both read. Text is CP1250 bytes
// and is written unchanged.
//
// Every operation holds the object's lock and the lock of its file, which every
// IniManager of the process on the same file shares; a write also holds the file's lock
// between processes (FileLock). Every write re-reads the file, changes its entries and
// replaces the file by a synced temporary copy, so a write never loses the file or the
// entries that other objects, threads or processes wrote; a write that changes nothing
// leaves the file alone.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// A window's placement as it is stored per procedure name.
struct WindowPlacement {
    bool maximized = false;
    bool minimized = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool has_position = false;  // x and y hold a stored (to save: a valid) position
    bool has_size = false;      // width and height hold a stored (to save: a valid) size
};

class IniManager {
public:
    // Section and key of the object's own bookkeeping entry.
    static constexpr std::string_view kBookkeepingSection = "__Dont_Touch_Me__";
    static constexpr std::string_view kSectorsKey = "Sectors";

    IniManager();
    ~IniManager();
    IniManager(const IniManager&) = delete;
    IniManager& operator=(const IniManager&) = delete;

    // Set-up on a file name such as ".\KVD.INI" (mapped with native_path). The file need
    // not exist; the first write creates it. A plain file (`bookkeeping` false) is an INI
    // file that other programs read as they read any: Kill writes nothing into it.
    void Init(std::string_view file_name, bool bookkeeping = true);
    // Tear-down: when the object wrote sections during its life (and keeps its
    // bookkeeping), adds their names to the comma-separated "Sectors" entry of the
    // bookkeeping section (keeping the names the file already lists). The object then
    // holds no file until the next Init.
    void Kill();
    // The native path of the file; empty before Init.
    std::string FileName() const;

    // A missing file, section or key reads the default.
    std::string Fetch(std::string_view section, std::string_view key,
                      std::string_view default_value = {}) const;
    // The value's leading integer (optional sign, then digits); the default when the
    // entry is missing or does not begin with a number in the range of long.
    long Fetch(std::string_view section, std::string_view key, long default_value) const;
    // True and the value when the entry exists.
    bool TryFetch(std::string_view section, std::string_view key, std::string& value) const;

    // Writes, delete of a key, delete of a section. False when nothing could be written:
    // no file set up, the file unreadable or not replaceable, or a name or value that
    // would not read back as written (empty names, CR, LF or NUL anywhere, "]" in a
    // section name, "=" in a key, a key beginning with ";" or "[").
    bool Update(std::string_view section, std::string_view key, std::string_view value);
    bool Update(std::string_view section, std::string_view key, long value);
    // Several entries in one rewrite of the file; none is written when one is invalid.
    struct Entry {
        std::string_view section, key, value;
    };
    bool Update(std::initializer_list<Entry> entries);
    bool DeleteKey(std::string_view section, std::string_view key);
    bool DeleteSection(std::string_view section);

    // Window placement in the section named by the procedure name: "Maximize" and
    // "Minimize" ("Yes"/"No"), "XPos", "YPos", "Width", "Height". Loading fills `out`
    // with what is stored (a size only for a resizable window) and leaves the fields it
    // finds nothing for as they are; it answers whether the section holds a placement.
    bool LoadWindowPosition(std::string_view proc_name, WindowPlacement& out, bool resizable) const;
    // Saving stores the two flags always; the position (when has_position) and, for a
    // resizable window, the size (when has_size) only when the window is neither
    // maximized nor minimized, so the last normal placement is kept for those cases.
    bool SaveWindowPosition(std::string_view proc_name, const WindowPlacement& in, bool resizable);

private:
    struct Document;
    // Reads, edits and replaces the file under the file's lock; the caller holds mutex_.
    bool modify_locked(const std::function<void(Document&)>& edit);
    void note_section(std::string_view section);

    mutable std::mutex mutex_;
    std::string path_;
    std::shared_ptr<std::mutex> file_lock_;
    bool bookkeeping_ = true;
    std::vector<std::string> sectors_;  // sections written since Init, first spelling kept
};

}  // namespace rt
