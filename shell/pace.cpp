// The pace in force.
#include "shell/pace.h"

namespace {
int current = 100;
}

int pacePercent() {
    return current;
}

void setPacePercent(int percent) {
    if (isPace(percent)) current = percent;
}
