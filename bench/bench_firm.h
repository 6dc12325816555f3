// The firm a benchmark works on, for as long as the object lives: a folder of its own
// (made with mkdtemp, the current folder, where Formats.FDB and KVD.INI go), the firm's
// database on the embedded store in it (as a firm that has been worked with has one), and
// the program's process-wide objects ready. At its end the settings are closed, the
// previous folder is current again, the folder is removed and the module ended.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/globals.h"
#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/files/sql/connection.h"
#include "tests/temp_folder.h"

namespace kvbench {

class Firm {
public:
    // `folder` names the folder, `database` the firm's database.
    Firm(const std::string& folder, const std::string& database)
        : dir_(kvtest::FreshFolder(folder)), cwd_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir_);
        ::setenv("KVADRIN_LOCALDB", dir_.c_str(), 1);
        kvadrin::MainModuleInit();
        kvadrin::InstallThreadHooks();
        kvadrin::OWNERFIRME = "(localdb)\\bench," + database + ",,;TrustedConnection=True";
        if (!rt::sql::CreateEmbeddedDatabase(kvadrin::OWNERFIRME.view())) std::abort();
        kvadrin::ProgramErrors.Init();
        kvadrin::ProgramSettings.Init((dir_ / "KVD.INI").string());
    }
    ~Firm() {
        kvadrin::ProgramSettings.Kill();
        std::filesystem::current_path(cwd_);
        std::filesystem::remove_all(dir_);
        kvadrin::MainModuleTerm();
    }
    Firm(const Firm&) = delete;
    Firm& operator=(const Firm&) = delete;

private:
    std::filesystem::path dir_, cwd_;
};

}  // namespace kvbench
