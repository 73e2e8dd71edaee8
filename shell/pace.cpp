// The pace in force.
#include "shell/pace.h"

#include <cstring>
#include <string>

#include "record/game_record.h"

// A record says the pace its sessions were played at; it can hold every pace a player may
// choose.
static_assert([] {
    for (int pace : kPaces)
        if (!isPace(pace) || !recordablePace(static_cast<uint32_t>(pace))) return false;
    return true;
}());

namespace {
int current = 100;
}

int pacePercent() {
    return current;
}

void setPacePercent(int percent) {
    if (isPace(percent)) current = percent;
}

int paceArgument(const char* text) {
    for (int pace : kPaces)
        if (text != nullptr && std::strcmp(text, std::to_string(pace).c_str()) == 0) return pace;
    return 0;
}
