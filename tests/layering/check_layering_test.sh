#!/usr/bin/env bash
# The layering check on small trees of its own: a tree that keeps to its layers passes, and
# each kind of violation planted in a copy of it fails the check, naming the file and line.
#
#   check_layering_test.sh PATH/TO/check-layering
set -euo pipefail
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# put FILE LINE...: appends the lines to FILE under the tree being built.
put() {
    local file=$tree/$1
    shift
    mkdir -p "$(dirname "$file")"
    printf '%s\n' "$@" >>"$file"
}

tree=$work/clean
put assets/resource_ids.h '#pragma once'
put platform/bitmap.h '#pragma once' '#include <vector>'
put platform/common/files.cpp '#include <fcntl.h>' '#include <unistd.h>' '#include "platform/bitmap.h"'
put platform/common/utf8.h '#pragma once' '#include <string>'
put platform/sdl/window.h '#pragma once'
put platform/sdl/window.cpp '#include "platform/sdl/window.h"' '#include <SDL.h>' \
    '#include "assets/resource_ids.h"' '#include "platform/common/utf8.h"'
put platform/http/client.cpp '#include <curl/curl.h>' '#include "platform/bitmap.h"'
put platform/headless/state.cpp '#include <png.h>' '#include "platform/bitmap.h"'
put globals/globals.h '#pragma once' '#include <string>' '#include "platform/bitmap.h"'
put globals/shared.h '#pragma once' 'class Image;' 'extern Image* explosionImage;  // shared' \
    'extern bool muted;' 'inline bool effectsAudible() {' '    return !muted;' '}' \
    'std::string programDirectory();'
put graphics/image.h '#pragma once' '#include <cstdint>' '#include "globals/globals.h"'
put graphics/picture.h '#pragma once' 'class Image {' '  public:' '    struct Pixel {};' '};'
put frontend/app.h '#pragma once' 'class World;' 'class GameApp final : public Base {};'
put shell/display.h '#pragma once' 'class Display {};' 'class GameApp;'
put sound/clip.cpp '#include "platform/bitmap.h"'
put entities/ball.h '#pragma once' '#include "graphics/image.h"'
put entities/ball.cpp '#include "entities/ball.h"' '' '#include <vector>' '#include "ball.h"' \
    '#include "assets/resource_ids.h"' '#include "sound/clip.h"'
put sound/clip.h '#pragma once'
put world/playfield.cpp '  #  include "entities/ball.h"' '#include "platform/common/utf8.h"'
put scores/table.cpp '#include "graphics/image.h"'
put frontend/app.cpp '#include "world/playfield.h"' '#include "scores/table.h"'
put shell/entry.cpp '#include "frontend/app.h"'
put tests/world/playfield_test.cpp '#include <gtest/gtest.h>' '#include <unistd.h>' \
    '#include "platform/headless/state.h"'
put tools/server/store.cpp '#include <sqlite3.h>' '#include "world/playfield.h"'
put server/store.cpp '#include <sqlite3.h>' '#include <microhttpd.h>' '#include "world/playfield.h"'
put assets/generator/lettering.cpp '#include "platform/common/pixel_font.h"' '#include <png.h>'
put build/CMakeCache.txt ''
put build/generated.cpp '#include <SDL.h>'

if ! output=$("$check" "$work/clean" 2>&1); then
    echo "FAIL: the clean tree is refused:"
    echo "$output"
    failures=$((failures + 1))
fi

# planted FILE LINE TEXT: TEXT appended to FILE (as its line LINE) in a copy of the clean tree
# must fail the check with a report for FILE:LINE (for FILE alone when LINE is 0).
case_number=0
planted() {
    local file=$1 line=$2 text=$3
    case_number=$((case_number + 1))
    tree=$work/case$case_number
    cp -r "$work/clean" "$tree"
    put "$file" "$text"
    local where=$file:$line:
    ((line > 0)) || where=$file:
    [[ $line -eq 0 || $(wc -l <"$tree/$file") -eq $line ]] || {
        echo "FAIL (test set-up): $file has no line $line"
        failures=$((failures + 1))
        return
    }
    local output rc=0
    output=$("$check" "$tree" 2>&1) || rc=$?
    if [[ $rc -ne 1 || $output != *"$where"* ]]; then
        echo "FAIL: '$text' in $file: exit $rc, reports:"
        echo "$output"
        failures=$((failures + 1))
    fi
}

# A lower layer including a higher one, wherever the two stand in the order.
planted entities/ball.cpp 7 '#include "world/playfield.h"'
planted globals/globals.h 4 '#include "shell/entry.h"'
planted sound/clip.cpp 2 '#include "entities/ball.h"'
planted scores/table.cpp 2 '#include "frontend/app.h"'
planted graphics/image.h 4 '#include "tests/support/bmp_builder.h"'
# System headers in game code: SDL, curl, SQLite, POSIX, libpng.
planted graphics/image.h 4 '#include <SDL.h>'
planted sound/clip.cpp 2 '#include <curl/curl.h>'
planted scores/table.cpp 2 '#include <sqlite3.h>'
planted world/playfield.cpp 3 '#include <unistd.h>'
planted frontend/app.cpp 3 '#include <sys/stat.h>'
planted shell/entry.cpp 2 '#include <png.h>'
# Game code reaching past the platform's interfaces, or climbing out of its folder.
planted frontend/app.cpp 3 '#include "platform/headless/state.h"'
planted shell/entry.cpp 2 '#include "platform/sdl/window.h"'
planted world/playfield.cpp 3 '#include "../shell/entry.h"'
planted entities/ball.cpp 7 '#include "missing.h"'
# The platform's own rules: interfaces and the headers game code includes stay standard,
# each back end keeps its library and its headers, and nothing includes the game.
planted platform/bitmap.h 3 '#include <unistd.h>'
planted platform/common/utf8.h 3 '#include <SDL.h>'
planted platform/common/files.cpp 4 '#include <SDL2/SDL.h>'
planted platform/headless/state.cpp 3 '#include <curl/curl.h>'
planted platform/headless/state.cpp 3 '#include "platform/sdl/window.h"'
planted platform/http/client.cpp 3 '#include "globals/globals.h"'
planted assets/resource_ids.h 2 '#include "platform/bitmap.h"'
# A type of a higher layer declared where the include it would need is forbidden, and globals/
# holding anything but what the layers share.
planted world/playfield.cpp 3 'class GameApp;'
planted platform/bitmap.h 3 'struct Image;'
planted globals/shared.h 9 'class Display;'
planted globals/shared.h 9 'extern Display* display;'
planted globals/shared.h 9 'extern bool appRunning;  // the main loop runs while set'
planted globals/shared.h 9 'int frameCount();'
# A folder of code that is in no layer.
planted network/socket.cpp 0 '#include <vector>'

if ((failures > 0)); then
    echo "$failures case(s) failed"
    exit 1
fi
echo "the clean tree passes and all $case_number planted violations are caught"
