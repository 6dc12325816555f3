#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "platform/core/process.h"

extern char** environ;

namespace rt {

std::string start_program(const std::string& program) {
    if (program.empty()) return "no program named";
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    // posix_spawnp reports a program that cannot be found or run as its result.
    const int rc = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ);
    if (rc != 0) return program + ": " + std::strerror(rc);
    // The child is reaped when it ends, so that it does not linger while this process runs.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }).detach();
    return {};
}

}  // namespace rt
