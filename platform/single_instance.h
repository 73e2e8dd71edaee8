// Single-instance service: only one copy of the game runs for one program directory.
#pragma once
#include <string>

namespace platform {

enum class InstanceCheck {
    First,        // this is the only copy; the lock is held until the process ends
    OtherRaised,  // another copy runs and was asked to raise its window
    Failed,       // neither could be established
};

// flock on a lock file named after `name` and the program directory, plus an abstract
// local socket through which a second copy asks the first to raise its window.
InstanceCheck ensureSingleInstance(const std::string& name);

// True once for each raise request a later copy sent (the window back ends poll this).
bool takeRaiseRequest();

}  // namespace platform
