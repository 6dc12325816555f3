#include "shell/login.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/thread_data.h"
#include "platform/core/ini.h"
#include "platform/core/path.h"
#include "platform/core/text.h"
#include "shell/firms_list.h"
#include "shell/procedure.h"

namespace kvadrin {

namespace Event = rt::ui::Event;
using rt::ui::Binding;
using rt::ui::kLevelConsumed;
using rt::ui::kLevelGoOn;

namespace {

constexpr std::string_view kChooseFirm = "Odaberi firmu !";

void Halt(int exit_code) {
    std::fflush(nullptr);
    std::_Exit(exit_code);  // ends the process at once, as the runtime's HALT
}

void BeepOnce() { rt::ui::Beep(); }

template <std::size_t N>
Binding OfString(rt::FString<N>& s) {
    return {Binding::Kind::Field, rt::FieldType::String, N, s.data()};
}

template <std::size_t N>
bool Blank(const rt::FString<N>& s) {
    return rt::clip(s.view()).empty();
}

// FORMAT(value, @n04).
std::string Year04(long value) {
    if (value < 0 || value > 9999) return "####";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04ld", value);
    return buf;
}

std::string DatabaseName(std::string_view folder) { return rt::clip(folder) + "_" + Year04(RAD_GOD); }

bool Embedded(std::string_view server) {
    return rt::lower(server.substr(0, std::min<std::size_t>(9, server.size()))) == "(localdb)";
}

std::string Fetch(const rt::IniManager& ini, const char* name) { return ini.Fetch(name, name, ""); }

void ReadLoginSettings(bool with_firm) {
    rt::IniManager ini;
    ini.Init(LoginIniFile(), false);
    GLO.SERVER = Fetch(ini, "Server");
    GLO.NAME = Fetch(ini, "Name");
    if (with_firm) NAZIVFIRME = Fetch(ini, "NazivFirme");
    ini.Kill();
}

// The password is never written.
void WriteLoginSettings(bool with_firm) {
    const std::string path = LoginIniFile();
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(rt::native_path(path)).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    rt::IniManager ini;
    ini.Init(path, false);  // a plain INI file: three sections, nothing else
    const std::string server = rt::clip(GLO.SERVER.view()), name = rt::clip(GLO.NAME.view());
    // One rewrite of the file for all its entries.
    if (with_firm)
        ini.Update({{"Server", "Server", server},
                    {"Name", "Name", name},
                    {"NazivFirme", "NazivFirme", rt::clip(NAZIVFIRME.view())}});
    else
        ini.Update({{"Server", "Server", server}, {"Name", "Name", name}});
    ini.Kill();
}

// The firm row in M: its database, server and (after Connect) its firm lines.
void TakeFirm() {
    NAZIVFIRME = M.NAZIVFIRME.view();
    MSBASE = DatabaseName(M.FOLDERNAME.view());
    GLO.SERVER = M.SERVERNAME.view();
}

int GetFirmByName() {
    rt::FileManager* mbase = Access::MBASE();
    if (!mbase) return rt::Level::Fatal;
    M.NAZIVFIRME = NAZIVFIRME.view();
    return mbase->GetByKeyQuiet(M_PO_NAZIVU);
}

// A connection that failed: two beeps and the message.
void ConnectionFailed(const std::string& text) {
    SoundBeep();
    SoundBeep();
    rt::ui::Message(text);
}

// On the embedded store a database is made only when the user says so: a new firm or a
// new year needs one, a mistyped folder must not get one. False when it was to be made
// and could not be (the failure then shown).
bool OfferNewDatabase() {
    const rt::sql::ConnectionText t = LoginConnection();
    if (!t.embedded() || t.database.empty()) return true;
    const rt::sql::EmbeddedDatabase d = rt::sql::FindEmbeddedDatabase(t);
    if (d.exists) return true;
    const std::string question = "Baza podataka " + t.database + " ne postoji u folderu\n" +
                                 rt::utf8_to_cp1250(d.folder) + "\n\nNapraviti novu bazu podataka ?";
    if (rt::ui::Message(question, rt::utf8_to_cp1250("Nova baza podataka"), rt::ui::Icon::Question, "&Da|&Ne",
                        2) != 1)
        return true;  // not made: the connection fails as with any database that is not there
    if (rt::sql::CreateEmbeddedDatabase(t)) return true;
    ConnectionFailed(rt::FileError() + " # " + rt::FileErrorCode());
    return false;
}

// The USERS table opened on this thread as the proof that the firm database answers.
bool OpenConnectionTest() {
    rt::File& users = Files::USERS();
    const unsigned mode = rt::kReadWrite | rt::kDenyNone;
    int rc = users.Open(mode);
    if (rc == rt::kFileNotFound) {
        if (users.Create() != rt::kNoError) rt::ui::Message(rt::FileError());
        users.Close();
        rc = users.Open(mode);
    }
    if (rc == rt::kNoError) return true;
    const int code = rt::ErrorCode();
    const std::string text = code == rt::kDriverError ? rt::FileError() + " # " + rt::FileErrorCode()
                                                      : "Error:" + std::to_string(code) + " # " + rt::Error();
    ConnectionFailed(text);
    return false;
}

// ---- The two logins ------------------------------------------------------------------

class LoginController : public ProcedureController {
public:
    LoginController(ProcedureObjects& p, bool with_firm) : ProcedureController(p), with_firm_(with_firm) {}

protected:
    void RegisterButtons() override {
        AddDialogButton(window().Feq("?OK"), RequestCompleted);
        AddDialogButton(window().Feq("?CANCEL"), RequestCancelled);
    }

    // Connect: a blank server or login name only beeps; otherwise the window closes as
    // completed and the settings are written. The caller then does its part.
    bool Connect() {
        if (Blank(GLO.SERVER) || Blank(GLO.NAME)) {
            SoundBeep();
            return false;
        }
        ProcedureController::OnAccepted();
        window().Update();
        WriteLoginSettings(with_firm_);
        return true;
    }

    bool with_firm_;
};

class LogMultiController : public LoginController {
public:
    explicit LogMultiController(ProcedureObjects& p) : LoginController(p, true) {}

    int Setup() override {
        int level = SetupHead();
        if (level != kLevelGoOn) return level;
        ReadLoginSettings(true);
        if (rt::RelationManager* r = Relate::MBASE()) OpenRelation(*r);
        level = SetupDialogSteps();
        if (level != kLevelGoOn) return level;
        ProposeFirm();
        if (Blank(NAZIVFIRME)) NAZIVFIRME = kChooseFirm;
        window().Display();
        return kLevelGoOn;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (feq == w.Feq("?OK")) {
            if (!Connect()) return kLevelConsumed;
            if (GetFirmByName() != rt::Level::Benign) {
                rt::ui::Message("Izabrana firma nije registrovana !");
                CloseWithResponse(RequestCancelled);
                return kLevelGoOn;
            }
            MSBASE = DatabaseName(M.FOLDERNAME.view());
            SetOwnerFirme();
            NAZIVFIRME = M.R[0].view();
            ADRESA = M.R[1].view();
            MESTO = M.R[2].view();
            ZIRORAC1 = M.R[4].view();
            PIB = M.R[6].view();
            MATBROJ = M.R[9].view();
            FIRMA_R15 = M.R[14].view();
            return kLevelGoOn;
        }
        if (feq == w.Feq("?NAZIVFIRME")) {
            if (!Blank(NAZIVFIRME)) {
                if (GetFirmByName() == rt::Level::Benign) {
                    GLO.SERVER = M.SERVERNAME.view();
                } else if (RunUpdate(1, SelectRecord) == RequestCompleted) {
                    NAZIVFIRME = M.NAZIVFIRME.view();
                    GLO.SERVER = M.SERVERNAME.view();
                } else {
                    GLO.SERVER.clear();
                    w.Display(w.Feq("?GLO:SERVER"));  // the entry must not keep the old server
                    w.Select(feq);
                    return kLevelConsumed;
                }
            }
            AfterFirmChoice();
            return kLevelGoOn;
        }
        if (feq == w.Feq("?CALLLOOKUP")) {
            w.Update();
            M.NAZIVFIRME = NAZIVFIRME.view();
            if (RunUpdate(1, SelectRecord) == RequestCompleted) {
                NAZIVFIRME = M.NAZIVFIRME.view();
                GLO.SERVER = M.SERVERNAME.view();
            }
            AfterFirmChoice();
            return kLevelGoOn;
        }
        if (feq == w.Feq("?CANCEL")) w.Update();
        return ProcedureController::OnAccepted();
    }

protected:
    void CallUpdate(int number) override {
        if (number == 1) BrowseMBase();
    }

private:
    // The firm the settings name, else the first at or after "Odaberi firmu !".
    void ProposeFirm() {
        rt::FileManager* mbase = Access::MBASE();
        if (!mbase) return;
        if (GetFirmByName() == rt::Level::Benign) {
            TakeFirm();
            return;
        }
        NAZIVFIRME = kChooseFirm;
        Files::MBASE().Clear();
        M.NAZIVFIRME = kChooseFirm;
        if (mbase->UseTable(rt::kUseOpen) != rt::Level::Benign) return;
        Files::MBASE().SetFrom(M_PO_NAZIVU);
        if (mbase->TryNext() == rt::Level::Benign) TakeFirm();
    }

    void AfterFirmChoice() {
        Reset(1);
        if (rt::ErrorCode() == rt::kNoError) {
            MSBASE = DatabaseName(M.FOLDERNAME.view());
            window().Display();
        }
    }
};

class LoginSingleController : public LoginController {
public:
    explicit LoginSingleController(ProcedureObjects& p) : LoginController(p, false) {}

    int Setup() override {
        int level = SetupHead();
        if (level != kLevelGoOn) return level;
        ReadLoginSettings(false);
        level = SetupDialogSteps();
        if (level != kLevelGoOn) return level;
        MSBASE = DatabaseName(FOLDERFIRME.view());
        window().Display();
        return kLevelGoOn;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        const int feq = w.field();
        if (feq == w.Feq("?OK")) {
            if (!Connect()) return kLevelConsumed;
            MSBASE = DatabaseName(FOLDERFIRME.view());
            SetOwnerFirme();
            return kLevelGoOn;
        }
        if (feq == w.Feq("?CANCEL")) w.Update();
        return ProcedureController::OnAccepted();
    }
};

void BindLogin(rt::ui::Window& w) {
    auto use = [&w](const char* label, Binding b) {
        if (int feq = w.Feq(label)) w.Use(feq, b);
    };
    use("?NAZIVFIRME", OfString(NAZIVFIRME));
    use("?MSBASE", OfString(MSBASE));
    use("?GLO:SERVER", OfString(GLO.SERVER));
    use("?GLO:NAME", OfString(GLO.NAME));
    use("?GLO:PASSWORD", OfString(GLO.PASSWORD));
    use("?RAD_GOD", {Binding::Kind::Field, rt::FieldType::Long, 4, RAD_GOD.bytes()});
    use("?VERZIJA", {Binding::Kind::Field, rt::FieldType::CString, 10, VERZIJA.data()});
}

}  // namespace

void (*HaltProcess)(int) = &Halt;
void (*SoundBeep)() = &BeepOnce;

std::string LoginIniFile() {
    const char c = FIRMA_R15.view()[6];
    if (c != 'L' && c != 'l') return ".\\LOGIN_TAVSQL.INI";
    std::filesystem::path folder;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        folder = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        folder = std::filesystem::path(home) / ".config";
    // The folder from the environment is a name on disk; the program holds its text.
    return rt::utf8_to_cp1250((folder / "kvadrin" / "LOGIN_TAVSQL.INI").string());
}

rt::sql::ConnectionText LoginConnection() {
    rt::sql::ConnectionText t;
    t.server = rt::clip(GLO.SERVER.view());
    t.database = rt::clip(MSBASE.view());
    if (Embedded(t.server)) {
        t.options["TRUSTEDCONNECTION"] = "True";
    } else {
        t.user = rt::clip(GLO.NAME.view());
        t.password = rt::clip(GLO.PASSWORD.view());
    }
    return t;
}

void SetOwnerFirme() {
    const rt::sql::ConnectionText t = LoginConnection();
    std::string text = t.server + "," + t.database + ",";
    if (Embedded(t.server))
        text += ",;TrustedConnection=True";
    else
        text += t.user + "," + t.password;
    OWNERFIRME = text;
    rt::sql::SetConnectionValues(OWNERFIRME.view(), t);
}

void MSSQLLogMulti() {
    RunWindowProcedure("MSSQLLogMulti", WindowKind::Dialog, MSSQLLogMultiWindow(), BindLogin,
                       [](ProcedureObjects& p) { return std::make_unique<LogMultiController>(p); });
}

void MSSQLLogin() {
    RunWindowProcedure("MSSQLLogin", WindowKind::Dialog, MSSQLLoginWindow(), BindLogin,
                       [](ProcedureObjects& p) { return std::make_unique<LoginSingleController>(p); });
}

void OtvoriSQL() {
    std::string prikazi;
    rt::ui::Window w(OtvoriSQLWindow());
    w.SetProcedureName("OtvoriSQL");
    if (int feq = w.Feq("?PRIKAZI")) w.Use(feq, Binding::OfText(&prikazi));
    const std::string firm = rt::clip(NAZIVFIRME.view());
    if (firm.empty() || firm == "XYZ")
        MSSQLLogMulti();
    else
        MSSQLLogin();
    std::uint8_t response = CallResponse;
    if (response == RequestCompleted && !OfferNewDatabase()) {
        HaltProcess(0);
        CallResponse = RequestCancelled;  // reached only when the halt is replaced
        return;
    }
    w.SetWaitCursor(true);
    w.Open();
    prikazi = rt::clip(rt::clip(GLO.SERVER.view()) + "," + rt::clip(MSBASE.view()));
    w.Display();
    while (w.Accept()) {
        if (w.event() == Event::CloseWindow) break;
        if (w.event() != Event::OpenWindow) continue;
        if (response == RequestCompleted && !OpenConnectionTest()) {
            HaltProcess(0);
            response = RequestCancelled;  // reached only when the halt is replaced
        }
        w.Post(Event::CloseWindow);
    }
    w.SetWaitCursor(false);
    w.Close();
    CallResponse = response;
}

}  // namespace kvadrin
