// The screens the browser cases expect, captured by the native replay runner from the same
// keys: a new game up to play with the paddle at both ends, and a saved game (level 1, one
// life, 1230 points) lost with the paddle held left, through the name entry to the table. The
// page is the web edition, and on a phone (touch: true) its screens say TAP and name its buttons.
import { animatedMask, kHeight, kWidth, paddleTemplate, replayShots } from './frames.mjs';

export const kSavedGame = Buffer.from([1, 0, 0, 0, 1, 0, 0, 0, 0xce, 0x04, 0, 0]);

function walk(replay, edition) {
    let script = `50 shot title
100 press action
800 shot about
850 press action
1550 shot menu
1600 press action
2300 shot stage
2600 press action
`;
    // Play begins at 3212; the shots that follow show which pixels animate on their own.
    for (let t = 3300; t < 5000; t += 37) script += `${t} shot play-${t}\n`;
    script += `5000 down left
6500 shot left
6600 up left
7200 close
`;
    return replayShots(replay, script.replace(/shot (\S+)/g, 'shot $1.png'), { args: edition });
}

// Menu entries: Start, Continue, Options, High Score, Help.
function scoresScreen(replay, edition) {
    return replayShots(replay, `100 press action
800 press action
1500 press down
1600 press down
1700 press down
1800 press action
2500 shot scores.png
2600 press action
3300 shot menu-scores.png
`, { args: edition });
}

function lostGame(replay, edition) {
    let keys = `100 press action
800 press action
1500 press down
1600 shot menu-continue.png
2100 press action
2750 shot stage-continue.png
2800 press action
3500 shot play-continue.png
4050 down left
`;
    for (let t = 4000; t <= 60000; t += 1000) keys += `${t} press action\n`;
    const sorted = (text) => text.trim().split('\n')
        .sort((a, b) => Number(a.split(' ')[0]) - Number(b.split(' ')[0])).join('\n') + '\n';
    const files = { 'AutoSave.dat': kSavedGame };
    const first = replayShots(replay, sorted(keys),
        { files, args: [...edition, '--seed', '3', '--until', '60000'] });
    const over = Number(first.trace.match(/^(\d+) state GAME_OVER$/m)?.[1]);
    if (!over) throw new Error('the saved game was not lost within a minute');
    const before = sorted(keys).split('\n').filter((l) => l && Number(l.split(' ')[0]) < over);
    const t = (ms) => over + ms;
    const script = `${before.join('\n')}
${t(100)} shot game-over.png
${t(200)} press action
${t(900)} shot name-entry.png
${t(950)} press down
${t(1000)} press action
${t(1050)} press right
${t(1100)} press right
${t(1150)} press action
${t(1200)} shot name-ac.png
`;
    return replayShots(replay, script, { files, args: [...edition, '--seed', '3'] });
}

// The game-over screen without its final score (digits 16 pixels high from row 139): the
// browser's game draws its own random numbers, so its ball takes another path.
function scoreRows() {
    const mask = new Uint8Array(kWidth * kHeight);
    mask.fill(1, 139 * kWidth, (139 + 16) * kWidth);
    return mask;
}

export function references(replay, { touch = false } = {}) {
    const edition = touch ? ['--web', '--touch'] : ['--web'];
    const played = walk(replay, edition);
    const playShots = Object.keys(played).filter((k) => k.startsWith('play-')).map((k) => played[k]);
    const lost = lostGame(replay, edition);
    return {
        ...played,
        ...scoresScreen(replay, edition),
        ...lost,
        play: playShots[0],
        gameOverMask: scoreRows(),
        playMask: animatedMask(playShots),
        // The paddle starts at column 70 (centred at 70.5) and was held to column 0.
        paddle: paddleTemplate(playShots[0], played.left, 70),
    };
}
