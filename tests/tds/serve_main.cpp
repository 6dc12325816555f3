// The TDS test server as a program of its own, for the end-to-end test of the real program:
//   kv_tds_serve PORT_FILE LOG_FILE
// Listens on the loopback address, writes its port to PORT_FILE, and serves until its
// standard input closes; then writes to LOG_FILE one line per login ("LOGIN user|password|
// database|app") and per statement ("SQL text"). Every table exists; reads find no rows.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "tests/tds/tds_server.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kv_tds_serve PORT_FILE LOG_FILE\n";
        return 2;
    }
    kvtest::tds::Server server;
    if (!server.Start()) {
        std::cerr << "kv_tds_serve: cannot listen\n";
        return 1;
    }
    using kvtest::tds::ColumnType;
    server.On("SELECT CASE WHEN OBJECT_ID(", kvtest::tds::Reply::Rows({{"", ColumnType::Int}}, {{std::int64_t{1}}}));
    {
        const std::string tmp = std::string(argv[1]) + ".tmp";
        std::ofstream(tmp) << server.Port() << "\n";
        std::rename(tmp.c_str(), argv[1]);
    }
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    server.Stop();
    std::ofstream log(argv[2]);
    for (const auto& l : server.Logins())
        log << "LOGIN " << l.user << "|" << l.password << "|" << l.database << "|" << l.app << "\n";
    for (const auto& r : server.Requests()) {
        if (r.proc == "sp_unprepare") continue;
        log << "SQL " << r.text;
        for (const auto& p : r.params) log << " [" << p.TypeName() << " " << p.text << "]";
        log << "\n";
    }
    return 0;
}
