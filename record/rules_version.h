// The rules version a record is made under: raised whenever a change to the game's code can
// change how a recorded game plays out (a score, a random draw, a tick's order), so that an
// older record is never judged by rules it was not played under.
#pragma once
#include <cstdint>

inline constexpr uint32_t kRulesVersion = 1;
