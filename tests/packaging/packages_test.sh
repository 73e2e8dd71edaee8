#!/usr/bin/env bash
# packages_test.sh BUILD_DIR VERSION: makes the two Debian packages from the build and checks
# them; every failed check is printed and the exit status is 1. Skipped (77) without dpkg-deb.
set -uo pipefail
build=$1
version=$2
command -v dpkg-deb >/dev/null || { echo "no dpkg-deb: skipped"; exit 77; }

work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAILED: cpack"; exit 1; }
arch=$(dpkg --print-architecture)
game_deb=$work/out/vextorium2_${version}_$arch.deb
server_deb=$work/out/vextorium2-scoreserver_${version}_$arch.deb
[ -f "$game_deb" ] && [ -f "$server_deb" ] || { ls "$work/out"; echo "FAILED: packages"; exit 1; }

# Metadata: names, version, sections, and the libraries each program links, from Debian's
# packages of them.
expect_eq "game name" "$(dpkg-deb -f "$game_deb" Package)" vextorium2
expect_eq "server name" "$(dpkg-deb -f "$server_deb" Package)" vextorium2-scoreserver
expect_eq "game version" "$(dpkg-deb -f "$game_deb" Version)" "$version"
expect_eq "server version" "$(dpkg-deb -f "$server_deb" Version)" "$version"
expect_eq "game section" "$(dpkg-deb -f "$game_deb" Section)" games
game_depends=$(dpkg-deb -f "$game_deb" Depends)
for dep in libsdl2-2.0-0 libcurl4 libstdc++6 libc6; do
    [[ ", $game_depends" == *", $dep "* ]] || fail "game Depends lacks $dep: $game_depends"
done
server_depends=$(dpkg-deb -f "$server_deb" Depends)
for dep in adduser libsqlite3-0 libstdc++6 libc6; do
    [[ ", $server_depends" == *", $dep"[\ ,]* || ", $server_depends" == *", $dep" ]] ||
        fail "server Depends lacks $dep: $server_depends"
done
[[ "$server_depends" != *libsdl2* ]] || fail "the server depends on SDL: $server_depends"

# Contents.
dpkg-deb -c "$game_deb" | awk '{print $6 ($7 ? " " $7 " " $8 : "")}' >"$work/game.list"
dpkg-deb -c "$server_deb" | awk '{print $6}' >"$work/server.list"
for path in ./usr/lib/vextorium2/{vextorium2,BrickMap.dat,blast.wav,hit.wav,music.wav,menudown.wav,menuup.wav,Action.wav} \
    "./usr/games/vextorium2 -> ../lib/vextorium2/vextorium2" \
    ./usr/share/applications/vextorium2.desktop ./usr/share/man/man6/vextorium2.6.gz \
    ./usr/share/doc/vextorium2/copyright ./usr/share/doc/vextorium2/changelog.gz \
    ./usr/share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/vextorium2.png; do
    grep -qxF "$path" "$work/game.list" || fail "game package lacks $path"
done
for path in ./usr/bin/scoreserver ./lib/systemd/system/vextorium2-scoreserver.service \
    ./usr/share/man/man8/scoreserver.8.gz ./usr/share/doc/vextorium2-scoreserver/copyright; do
    grep -qxF "$path" "$work/server.list" || fail "server package lacks $path"
done
grep -q scoreserver "$work/game.list" && fail "the game package holds the server"
grep -q "usr/lib/vextorium2" "$work/server.list" && fail "the server package holds the game"

# The service: its own system user, made by the maintainer script, and the database under
# /var/lib/vextorium2, with the program the package installs.
dpkg-deb -e "$server_deb" "$work/control"
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] || fail "no executable $script"
done
grep -q "adduser --system" "$work/control/postinst" ||
    fail "postinst does not make the system user"
dpkg -x "$server_deb" "$work/root"
dpkg -x "$game_deb" "$work/root"
# Both packages say the program is under the Expat (MIT) licence, with its text.
for name in vextorium2 vextorium2-scoreserver; do
    copyright=$work/root/usr/share/doc/$name/copyright
    grep -qx "License: Expat" "$copyright" && grep -q "Permission is hereby granted" "$copyright" ||
        fail "$name's copyright file does not grant the Expat licence"
done
unit=$work/root/lib/systemd/system/vextorium2-scoreserver.service
expect_eq "unit user" "$(sed -n 's/^User=//p' "$unit")" vextorium2
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ -x "$work/root${exec_start%% *}" ] || fail "the unit starts ${exec_start%% *}, not in the package"
[[ "$exec_start" == *" --db /var/lib/vextorium2/"* ]] || fail "the unit's database: $exec_start"

# The game knows the version it is packaged as.
expect_eq "game --version" "$("$work/root/usr/lib/vextorium2/vextorium2" --version)" "vextorium2 $version"
expect_eq "server --version" "$("$work/root/usr/bin/scoreserver" --version)" "scoreserver $version"

# The installed game, headless, from its desktop entry's Exec line: it runs until SIGTERM, quits
# as asked (status 0) and leaves its score table beside itself (the scratch root is writable).
exec=$(sed -n 's/^Exec=//p' "$work/root/usr/share/applications/vextorium2.desktop")
expect_eq "desktop Exec" "$exec" /usr/games/vextorium2
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME=$work/xdg \
    timeout --preserve-status -s TERM 2 "$work/root$exec" >"$work/game.log" 2>&1
status=$?
[ "$status" -eq 0 ] || { cat "$work/game.log"; fail "installed game: status $status"; }
expect_eq "score table size" "$(stat -c %s "$work/root/usr/lib/vextorium2/ScoreList.sav" 2>/dev/null)" 3202

# The verifier the server proves scores with comes in its package and runs from there: an
# empty record is refused, with the verifier's own word for it.
verifier=$work/root/usr/libexec/vextorium2-scoreserver/vextorium2-replay
[ -x "$verifier" ] && [ -f "${verifier%/*}/BrickMap.dat" ] || fail "no verifier in the server's package"
: >"$work/empty.record"
verdict=$("$verifier" --verify "$work/empty.record" || true)
[[ "$verdict" == "refused "* ]] || fail "the packaged verifier says: $verdict"

# The installed server on a free loopback port: a plain upload is recorded and, with
# --accept-unproven, listed.
"$work/root${exec_start%% *}" --listen 127.0.0.1:0 --db "$work/scores.sqlite" --accept-unproven \
    >"$work/server.log" 2>&1 &
server_pid=$!
port=
for _ in $(seq 100); do
    port=$(sed -n 's/^scoreserver listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/server.log")
    [ -n "$port" ] && break
    sleep 0.1
done
if [ -z "$port" ]; then
    cat "$work/server.log"; fail "installed server does not listen"
else
    url=http://127.0.0.1:$port/Vextorium2/updateScore.php
    curl -fsS -m 5 "$url?myname=PACKAGE&myscore=424242" >/dev/null || fail "upload refused"
    list=$(curl -fsS -m 5 "$url")
    [[ "$list" == *";PACKAGE,424242"* ]] || fail "the list lacks the upload: $list"
    kill -TERM "$server_pid"
    wait "$server_pid"
    status=$?
    server_pid=
    expect_eq "server status after SIGTERM" "$status" 0
fi

# lintian: no error or warning (an override is explained beside it, in packaging/).
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-level ">=info" "$game_deb" "$server_deb" ||
        fail "lintian"
else
    echo "no lintian: its check skipped"
fi

[ "$failures" -eq 0 ] && echo "packages: every check passed"
[ "$failures" -eq 0 ]
