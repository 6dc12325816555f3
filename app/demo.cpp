// kvadrin-demo ROOT: lays out the demo firm under ROOT (see demo_layout.h).
#include <cstdio>
#include <filesystem>

#include "app/demo_layout.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvadrin-demo ROOT\n");
        return 2;
    }
    return kvadrin::demo::LayOut(std::filesystem::absolute(argv[1])) ? 0 : 1;
}
