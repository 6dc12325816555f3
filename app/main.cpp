// Process entry: hands control to the program's main procedure.
#include "shell/glavni.h"

int main() { return kvadrin::RunProgram(); }
