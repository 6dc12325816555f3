// Process entry: the GUI server runs on the main thread; the program's main procedure
// runs as thread 1 on a thread of its own, and the process ends when it returns.
#include "billing/startup.h"
#include "platform/qt/gui_server.h"
#include "shell/glavni.h"

int main(int argc, char** argv) {
    kvadrin::StartUp();
    return rt::qt::StartGui(argc, argv, [] { return kvadrin::RunProgram(); });
}
