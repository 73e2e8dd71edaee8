// The game on the SDL back end.
#include "shell/entry.h"

int main() {
    return runProgram();
}
