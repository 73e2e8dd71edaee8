// Ways through the game that more than one browser case takes.
import { setTimeout as sleep } from 'node:timers/promises';
import { differences, findPaddle, kHeight, kWidth } from './frames.mjs';
import { until, waitFor, waitForScreen } from './harness.mjs';

// Frame pixel (x, y) in page coordinates: the middle of its block on the scaled canvas.
export async function pagePoint(page, x, y) {
    const box = await page.evaluate(() => {
        const r = document.querySelector('canvas').getBoundingClientRect();
        return { left: r.left, top: r.top, width: r.width, height: r.height };
    });
    return { x: box.left + ((x + 0.5) * box.width) / kWidth, y: box.top + ((y + 0.5) * box.height) / kHeight };
}

// ScoreList.sav: music off, sound on, then 100 entries of 32 bytes (pending, a reserved byte,
// the name in 9 UTF-16 units, the score at byte 20). "LOW" with 0 points in every place, so any
// score above 0 enters the table; or in the first place `waiting` ({ name, score }), to be sent.
export function lowScoreTable(waiting = null) {
    const table = Buffer.alloc(2 + 32 * 100);
    table[1] = 1;
    for (let i = 0; i < 100; ++i) {
        const entry = table.subarray(2 + 32 * i);
        const waits = i === 0 && waiting;
        entry.write(waits ? waiting.name : 'LOW', 2, 'utf16le');
        if (waits) {
            entry[0] = 1;
            entry.writeUInt32LE(waiting.score, 20);
        }
    }
    return table;
}

// A key pressed (again, until the game takes it), then the screen it leads to.
export async function press(page, key, screen, what, mask) {
    await until(page, `${key} for ${what}`, () => page.keyboard.press(key));
    await waitForScreen(page, what, screen, mask);
}

// In play with the ball held, the times the fire brick's flames turn (the pixels of `mask`, which
// animate on their own, are one brick), counted on the canvas at every display frame from the
// first turn seen for `ms` of the page's own clock. The flames turn every 10 ticks.
export async function flameTurns(page, mask, ms) {
    const box = [kWidth, kHeight, 0, 0];
    mask.forEach((animates, i) => {
        if (!animates) return;
        const x = i % kWidth;
        const y = Math.floor(i / kWidth);
        box.splice(0, 4, Math.min(box[0], x), Math.min(box[1], y), Math.max(box[2], x), Math.max(box[3], y));
    });
    if (box[2] - box[0] >= 16 || box[3] - box[1] >= 10) throw new Error(`more than a brick animates: ${box}`);
    return page.evaluate(([left, top, right, bottom], width, height, ms) => new Promise((resolve) => {
        const canvas = document.querySelector('canvas');
        const small = new OffscreenCanvas(width, height).getContext('2d', { willReadFrequently: true });
        small.imageSmoothingEnabled = false;
        let last = null;
        let turns = -1;
        let start = 0;
        const look = (now) => {
            small.drawImage(canvas, 0, 0, width, height);
            const flames = small.getImageData(left, top, right - left + 1, bottom - top + 1).data.join();
            if (last !== null && flames !== last && ++turns === 0) start = now;
            last = flames;
            if (turns < 0 || now - start < ms) requestAnimationFrame(look);
            else resolve({ turns, elapsed: now - start });
        };
        requestAnimationFrame(look);
    }), box, kWidth, kHeight, ms);
}

// From play with the ball held: the game lost, on its game-over screen. The paddle is held left
// (pressed until play takes it) and every ball launched. Any key's release stops the paddle, and
// a ball that happens to come back to a paddle standing still can clear the level instead of
// being lost; so after each launch the paddle is sent to one wall, and after 10 s to the other.
export async function loseGame(page, ref) {
    await until(page, 'ArrowLeft held in play', () => page.keyboard.down('ArrowLeft'), (frame) => {
        const x = findPaddle(frame, ref.paddle);
        return x >= 0 && x !== 70;
    });
    const over = (frame) => differences(frame, ref['game-over'], ref.gameOverMask).count === 0;
    let held = 'ArrowLeft';
    for (let second = 0; ; ++second) {
        await page.keyboard.press('Enter');
        await page.keyboard.up(held);
        held = Math.floor(second / 10) % 2 ? 'ArrowRight' : 'ArrowLeft';
        await page.keyboard.down(held);
        const last = second === 119;
        try {
            await waitFor(page, 'the game over', over, 1000, last);
            break;
        } catch (error) {
            if (last) throw error;
        }
    }
    await page.keyboard.up(held);
}

// After a game over with a score that enters the table: "a" and the left soft key until the
// server lists a score (the game over leads to the name entry, "a" types A, the left soft key is
// Done and then, on the table, sends). Answers the server's list.
export async function sendUntilListed(page, server, board = '/scores.json') {
    let json = [];
    for (let i = 0; i < 20 && json.length === 0; ++i) {
        await page.keyboard.press('a');
        await page.keyboard.press('F1');
        for (let wait = 0; wait < 15 && json.length === 0; ++wait) {
            await sleep(100);
            json = await (await fetch(`${server.origin}${board}`, { signal: AbortSignal.timeout(5000) })).json();
        }
    }
    return json;
}

// From the title: the saved game of references.mjs (one life, 1230 points) continued and lost
// with the paddle held left, "AC" entered as the name and Done chosen: the table, after its
// wipe has begun.
export async function loseSavedGameAsAC(page, ref, beforeDone = async () => {}) {
    await loseSavedGame(page, ref);
    // 1230 or more beats the default table's lowest (100): the name entry; "AC", Done.
    await press(page, 'Enter', ref['name-entry'], 'the name entry');
    await until(page, 'the cursor moved', () => page.keyboard.press('ArrowDown'));
    await page.keyboard.press('Enter');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    await press(page, 'Enter', ref['name-ac'], 'the name AC');
    await beforeDone();
    await until(page, 'Done', () => page.keyboard.press('F1'));
}

// From the title: the saved game of references.mjs continued and lost: the game over screen.
export async function loseSavedGame(page, ref) {
    await press(page, 'Enter', ref.about, 'the credits');
    await press(page, 'Enter', ref.menu, 'the menu');
    await press(page, 'ArrowDown', ref['menu-continue'], 'Continue chosen');
    await press(page, 'Enter', ref['stage-continue'], 'stage 1');
    await press(page, 'Enter', ref['play-continue'], 'play', ref.playMask);
    await loseGame(page, ref);
}

// navigator.wakeLock answered by the test, whatever the engine has: what the page asked for.
export function stubWakeLock() {
    globalThis.v2Wake = [];
    const wakeLock = {
        request(type) {
            globalThis.v2Wake.push(`request ${type}`);
            let released = false;
            return Promise.resolve({
                addEventListener() {},
                release() {
                    if (!released) globalThis.v2Wake.push('release');
                    released = true;
                    return Promise.resolve();
                },
            });
        },
    };
    Object.defineProperty(Navigator.prototype, 'wakeLock', { get: () => wakeLock, configurable: true });
}
