#include "winint/debug.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/core/datetime.h"
#include "platform/core/path.h"
#include "platform/core/sysinfo.h"
#include "platform/core/text.h"
#include "winint/errors.h"
#include "winint/stack.h"

namespace {

constexpr std::size_t kPiece = 1024;

std::mutex g_name_mutex;  // guards the file name (all threads write the same value)
std::string g_debug_file_name;
std::int32_t g_last_debug_event = 0;

struct ThreadFile {
    bool name_taken = false;
    int state = 0;  // 0 not opened, 1 open, negative: opening failed
    std::FILE* file = nullptr;
    ~ThreadFile() {
        if (file) std::fclose(file);
    }
};
thread_local ThreadFile t_file;

std::vector<MessageName> g_names;

}  // namespace

std::recursive_mutex& WinLinkLock() {
    static std::recursive_mutex lock;
    return lock;
}

bool WlSwitch(std::string_view name) {
    const std::string wanted = rt::lower(name);
    for (const std::string& p : rt::sys::CommandLine())
        if (rt::lower(p) == wanted) return true;
    return false;
}

std::string WlCommandValue(std::string_view name) {
    const std::string wanted = rt::lower(name) + "=";
    for (const std::string& p : rt::sys::CommandLine())
        if (p.size() >= wanted.size() && rt::lower(p.substr(0, wanted.size())) == wanted)
            return rt::utf8_to_cp1250(p.substr(wanted.size()));
    return {};
}

void WlDebugRestart() {
    {
        std::lock_guard lock(g_name_mutex);
        g_debug_file_name.clear();
    }
    if (t_file.file) std::fclose(t_file.file);
    t_file = {};
}

namespace {

std::string FileName() {
    std::lock_guard lock(g_name_mutex);
    return g_debug_file_name;
}

void OpenThreadFile(const std::string& name) {
    // Appending, shared with the other threads' copies; a missing file is created.
    std::FILE* f = std::fopen(rt::native_path(name).c_str(), "ab");
    if (!f) {
        t_file.state = -2;
        return;
    }
    // Unbuffered: each piece reaches the file in one write, whole.
    std::setvbuf(f, nullptr, _IONBF, 0);
    t_file.file = f;
    t_file.state = 1;
}

std::string TwoDigits(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

}  // namespace

void WlDebugWrite(std::string_view text) {
    const std::string clipped = rt::clip(text);
    const std::string line = clipped + "\r\n";

    if (!t_file.name_taken) {
        t_file.name_taken = true;
        std::string value = rt::clip(WlCommandValue("DebugOutputFile"));
        if (!value.empty()) {
            std::lock_guard lock(g_name_mutex);
            g_debug_file_name = value.substr(0, 512);
        }
    }
    const std::string name = FileName();
    if (name.empty()) {
        rt::sys::DebuggerOutput(line);
        return;
    }
    if (t_file.state == 0) OpenThreadFile(name);
    if (t_file.state != 1) {
        rt::sys::DebuggerOutput(line);
        return;
    }
    const std::int32_t t = rt::clock();
    std::string stamped = TwoDigits(rt::hours_of(t)) + ":" + TwoDigits(rt::minutes_of(t)) + ":" +
                          TwoDigits(rt::seconds_of(t)) + ":" + std::to_string(t % 100) + " " + line;
    // The stamp makes the line longer than the text's own buffer; the line is kept whole,
    // line end included, so that a long line cannot run into the next one.
    std::size_t at = 0;
    while (stamped.size() - at >= kPiece) {
        std::fwrite(stamped.data() + at, 1, kPiece, t_file.file);
        at += kPiece;
    }
    if (at < stamped.size()) std::fwrite(stamped.data() + at, 1, stamped.size() - at, t_file.file);
}

void WlDebugEvent(std::string_view entry_text, std::string_view window_name, int event, int field,
                  bool blank_window, bool zero_event, bool zero_field) {
    if (!WlSwitch("/debug")) return;
    if (blank_window) window_name = {};
    if (zero_event) event = 0;
    if (zero_field) field = 0;
    (void)field;
    const std::string entry = std::string(entry_text.substr(0, 255));
    const std::string window = std::string(window_name.substr(0, 40));
    std::string line = rt::clip(window) + " ";
    if (event != 0) line += std::to_string(event) + " ";
    line += rt::clip(entry);
    WlDebugWrite(line);
    rt::sys::CallWithRegisters(&wl_SaveStack);
    g_last_debug_event = event;
    rt::sys::CallWithRegisters(&wl_TestStack);
}

std::int32_t WlLastDebugEvent() { return g_last_debug_event; }

// ---------------------------------------------------------------- message names

namespace {

struct NameNumber {
    const char* name;
    std::int32_t number;
};

// The table in its order of adding (ascending numbers).
constexpr NameNumber kMessages[] = {
    {"WM_NULL", 0x0},
    {"WM_CREATE", 0x1},
    {"WM_DESTROY", 0x2},
    {"WM_MOVE", 0x3},
    {"WM_SIZE", 0x5},
    {"WM_ACTIVATE", 0x6},
    {"WM_SETFOCUS", 0x7},
    {"WM_KILLFOCUS", 0x8},
    {"WM_ENABLE", 0xA},
    {"WM_SETREDRAW", 0xB},
    {"WM_SETTEXT", 0xC},
    {"WM_GETTEXT", 0xD},
    {"WM_GETTEXTLENGTH", 0xE},
    {"WM_PAINT", 0xF},
    {"WM_CLOSE", 0x10},
    {"WM_QUERYENDSESSION", 0x11},
    {"WM_QUIT", 0x12},
    {"WM_QUERYOPEN", 0x13},
    {"WM_ERASEBKGND", 0x14},
    {"WM_SYSCOLORCHANGE", 0x15},
    {"WM_ENDSESSION", 0x16},
    {"WM_SYSTEMERROR", 0x17},
    {"WM_SHOWWINDOW", 0x18},
    {"WM_CTLCOLOR", 0x19},
    {"WM_WININICHANGE", 0x1A},
    {"WM_DEVMODECHANGE", 0x1B},
    {"WM_ACTIVATEAPP", 0x1C},
    {"WM_FONTCHANGE", 0x1D},
    {"WM_TIMECHANGE", 0x1E},
    {"WM_CANCELMODE", 0x1F},
    {"WM_SETCURSOR", 0x20},
    {"WM_MOUSEACTIVATE", 0x21},
    {"WM_CHILDACTIVATE", 0x22},
    {"WM_QUEUESYNC", 0x23},
    {"WM_GETMINMAXINFO", 0x24},
    {"WM_ICONERASEBKGND", 0x27},
    {"WM_NEXTDLGCTL", 0x28},
    {"WM_SPOOLERSTATUS", 0x2A},
    {"WM_DRAWITEM", 0x2B},
    {"WM_MEASUREITEM", 0x2C},
    {"WM_DELETEITEM", 0x2D},
    {"WM_VKEYTOITEM", 0x2E},
    {"WM_CHARTOITEM", 0x2F},
    {"WM_SETFONT", 0x30},
    {"WM_GETFONT", 0x31},
    {"WM_QUERYDRAGICON", 0x37},
    {"WM_COMPAREITEM", 0x39},
    {"WM_COMPACTING", 0x41},
    {"WM_COMMNOTIFY", 0x44},
    {"WM_WINDOWPOSCHANGING", 0x46},
    {"WM_WINDOWPOSCHANGED", 0x47},
    {"WM_POWER", 0x48},
    {"WM_NOTIFY", 0x4E},
    {"WM_INPUTLANGCHANGEREQU", 0x50},
    {"WM_INPUTLANGCHANGE", 0x51},
    {"WM_TCARD", 0x52},
    {"WM_HELP", 0x53},
    {"WM_USERCHANGED", 0x54},
    {"WM_NOTIFYFORMAT", 0x55},
    {"WM_CONTEXTMENU", 0x7B},
    {"WM_STYLECHANGING", 0x7C},
    {"WM_STYLECHANGED", 0x7D},
    {"WM_DISPLAYCHANGE", 0x7E},
    {"WM_GETICON", 0x7F},
    {"WM_SETICON", 0x80},
    {"WM_NCCREATE", 0x81},
    {"WM_NCDESTROY", 0x82},
    {"WM_NCCALCSIZE", 0x83},
    {"WM_NCHITTEST", 0x84},
    {"WM_NCPAINT", 0x85},
    {"WM_NCACTIVATE", 0x86},
    {"WM_GETDLGCODE", 0x87},
    {"WM_SYNCPAINT", 0x88},
    {"WM_NCMOUSEMOVE", 0xA0},
    {"WM_NCLBUTTONDOWN", 0xA1},
    {"WM_NCLBUTTONUP", 0xA2},
    {"WM_NCLBUTTONDBLCLK", 0xA3},
    {"WM_NCRBUTTONDOWN", 0xA4},
    {"WM_NCRBUTTONUP", 0xA5},
    {"WM_NCRBUTTONDBLCLK", 0xA6},
    {"WM_NCMBUTTONDOWN", 0xA7},
    {"WM_NCMBUTTONUP", 0xA8},
    {"WM_NCMBUTTONDBLCLK", 0xA9},
    {"WM_KEYDOWN", 0x100},
    {"WM_KEYFIRST", 0x100},
    {"WM_KEYUP", 0x101},
    {"WM_CHAR", 0x102},
    {"WM_DEADCHAR", 0x103},
    {"WM_SYSKEYDOWN", 0x104},
    {"WM_SYSKEYUP", 0x105},
    {"WM_SYSCHAR", 0x106},
    {"WM_SYSDEADCHAR", 0x107},
    {"WM_KEYLAST", 0x108},
    {"WM_INITDIALOG", 0x110},
    {"WM_COMMAND", 0x111},
    {"WM_SYSCOMMAND", 0x112},
    {"WM_TIMER", 0x113},
    {"WM_HSCROLL", 0x114},
    {"WM_VSCROLL", 0x115},
    {"WM_INITMENU", 0x116},
    {"WM_INITMENUPOPUP", 0x117},
    {"WM_MENUSELECT", 0x11F},
    {"WM_MENUCHAR", 0x120},
    {"WM_ENTERIDLE", 0x121},
    {"WM_UNINITMENUPOPUP", 0x125},
    {"WM_CTLCOLORMSGBOX", 0x132},
    {"WM_CTLCOLOREDIT", 0x133},
    {"WM_CTLCOLORLISTBOX", 0x134},
    {"WM_CTLCOLORBTN", 0x135},
    {"WM_CTLCOLORDLG", 0x136},
    {"WM_CTLCOLORSCROLLBAR", 0x137},
    {"WM_CTLCOLORSTATIC", 0x138},
    {"WM_MOUSEMOVE", 0x200},
    {"WM_LBUTTONDOWN", 0x201},
    {"WM_LBUTTONUP", 0x202},
    {"WM_LBUTTONDBLCLK", 0x203},
    {"WM_RBUTTONDOWN", 0x204},
    {"WM_RBUTTONUP", 0x205},
    {"WM_RBUTTONDBLCLK", 0x206},
    {"WM_MBUTTONDOWN", 0x207},
    {"WM_MBUTTONUP", 0x208},
    {"WM_MBUTTONDBLCLK", 0x209},
    {"WM_MOUSEWHEEL", 0x20A},
    {"WM_PARENTNOTIFY", 0x210},
    {"WM_ENTERMENULOOP", 0x211},
    {"WM_EXITMENULOOP", 0x212},
    {"WM_NEXTMENU", 0x213},
    {"WM_SIZING", 0x214},
    {"WM_CAPTURECHANGED", 0x215},
    {"WM_MOVING", 0x216},
    {"WM_POWERBROADCAST", 0x218},
    {"WM_DEVICECHANGE", 0x219},
    {"WM_MDICREATE", 0x220},
    {"WM_MDIDESTROY", 0x221},
    {"WM_MDIACTIVATE", 0x222},
    {"WM_MDIRESTORE", 0x223},
    {"WM_MDINEXT", 0x224},
    {"WM_MDIMAXIMIZE", 0x225},
    {"WM_MDITILE", 0x226},
    {"WM_MDICASCADE", 0x227},
    {"WM_MDIICONARRANGE", 0x228},
    {"WM_MDIGETACTIVE", 0x229},
    {"WM_MDISETMENU", 0x230},
    {"WM_ENTERSIZEMOVE", 0x231},
    {"WM_EXITSIZEMOVE", 0x232},
    {"WM_DROPFILES", 0x233},
    {"WM_NCMOUSEHOVER", 0x2A0},
    {"WM_MOUSEHOVER", 0x2A1},
    {"WM_NCMOUSELEAVE", 0x2A2},
    {"WM_MOUSELEAVE", 0x2A3},
    {"WM_WTSSESSION_CHANGE", 0x2B1},
    {"WM_TABLET_FIRST", 0x2C0},
    {"WM_TABLET_LAST", 0x2DF},
    {"WM_CUT", 0x300},
    {"WM_COPY", 0x301},
    {"WM_PASTE", 0x302},
    {"WM_CLEAR", 0x303},
    {"WM_UNDO", 0x304},
    {"WM_RENDERFORMAT", 0x305},
    {"WM_RENDERALLFORMATS", 0x306},
    {"WM_DESTROYCLIPBOARD", 0x307},
    {"WM_DRAWCLIPBOARD", 0x308},
    {"WM_PAINTCLIPBOARD", 0x309},
    {"WM_VSCROLLCLIPBOARD", 0x30A},
    {"WM_SIZECLIPBOARD", 0x30B},
    {"WM_ASKCBFORMATNAME", 0x30C},
    {"WM_CHANGECBCHAIN", 0x30D},
    {"WM_HSCROLLCLIPBOARD", 0x30E},
    {"WM_QUERYNEWPALETTE", 0x30F},
    {"WM_PALETTEISCHANGING", 0x310},
    {"WM_PALETTECHANGED", 0x311},
    {"WM_HOTKEY", 0x312},
    {"WM_PRINT", 0x317},
    {"WM_PRINTCLIENT", 0x318},
    {"WM_THEMECHANGED", 0x31A},
    {"WM_HANDHELDFIRST", 0x358},
    {"WM_HANDHELDLAST", 0x35F},
    {"WM_AFXFIRST", 0x360},
    {"WM_AFXLAST", 0x37F},
    {"WM_PENWINFIRST", 0x380},
    {"WM_PENWINLAST", 0x38F},
    {"WM_COALESCE_FIRST", 0x390},
    {"WM_COALESCE_LAST", 0x39F},
};

}  // namespace

void wl_AddQ(std::string_view name, std::int32_t number) {
    WlSetContext("wl_AddQ");
    g_names.push_back({std::string(name.substr(0, 25)), number});
}

void wl_BuildWMQ() {
    WlSetContext("wl_BuildWMQ");
    g_names.clear();
    for (const NameNumber& m : kMessages) wl_AddQ(std::string("WE::") + m.name, m.number);
    std::stable_sort(g_names.begin(), g_names.end(),
                     [](const MessageName& a, const MessageName& b) { return a.number < b.number; });
}

std::vector<MessageName> MessageNameQueue() {
    std::lock_guard lock(WinLinkLock());
    return g_names;
}

std::optional<std::string> WlMessageName(std::int32_t number) {
    auto it = std::lower_bound(g_names.begin(), g_names.end(), number,
                               [](const MessageName& m, std::int32_t n) { return m.number < n; });
    if (it == g_names.end() || it->number != number) return std::nullopt;
    return rt::clip(it->name);
}
