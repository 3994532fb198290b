#include "vkbd/CommandLine.h"

int main(int argc, char** argv) {
    return vkbd::RunCommandLine({argv + 1, argv + argc});
}
