// The web game in a browser engine (V2_ENGINE: chromium, firefox or webkit), served by a real
// score server on a loopback port, against the screens the native replay runner shows for the
// same keys. Cases that need touch emulation or the page's network events run where the test can
// have them.
import assert from 'node:assert/strict';
import { before, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { onlyIn } from './engines.mjs';
import { differences, findPaddle, kHeight, kPaddleWidth, kWidth } from './frames.mjs';
import { launch, readFrame, setting, startServer, storedFiles, storeFiles, waitFor, waitForPaddle,
    waitForScreen, waitForStill, until } from './harness.mjs';
import { flameTurns, loseSavedGameAsAC, pagePoint, press } from './play.mjs';
import { kSavedGame, references } from './references.mjs';

// The game writes its score table and saved game when the program ends, and a page is left
// without the program ending: until the page writes them when it is left, the checks after a
// reload are reported as to do.

// A case that hangs (a page that stops answering) fails instead of holding up the run.
const kCase = { timeout: 240000 };

let ref;
let touchRef;  // a phone's screens: TAP, and the page's buttons named
before(() => {
    ref = references(setting('V2_REPLAY'));
    touchRef = references(setting('V2_REPLAY'), { touch: true });
});

// One server and one browser (with empty storage) for each case.
async function withGame(viewport, body) {
    const server = await startServer();
    const chromium = await launch();
    try {
        const page = await chromium.page(viewport);
        await page.goto(`${server.origin}/`);
        // A touch screen's page says TAP on its title.
        await waitForScreen(page, 'the title', viewport.hasTouch ? touchRef.title : ref.title);
        await body({ page, server, chromium });
        assert.deepEqual(await chromium.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await chromium.close();
        await server.stop();
    }
}

// Holds a key (again, until the game takes it) until the paddle leaves its first place.
async function holdInPlay(page, key) {
    await until(page, `${key} held in play`, () => page.keyboard.down(key), (frame) => {
        const x = findPaddle(frame, ref.paddle);
        return x >= 0 && x !== 70;
    });
}

// The paddle's centre ends within two of its steps (2.5 pixels each) of the pointer.
const near = (pointer) => (x) => Math.abs(x + kPaddleWidth / 2 - pointer) <= 5;

// A released ball leaves the paddle: the playfield above it changes. (A held ball, drawn from
// row 186, moves with the paddle, so the rows from 180 down are left out.)
async function ballLeaves(page, held) {
    await waitFor(page, 'the ball released', (frame) => {
        const mask = Uint8Array.from(ref.playMask);
        mask.fill(1, 180 * kWidth);
        return differences(frame, held, mask).count > 0;
    });
}

test('the title frame is the replay runner\'s, scaled by a whole factor, centred; a second tab waits', kCase, async () => {
    await withGame({ width: 1280, height: 800 }, async ({ page, server, chromium }) => {
        const shown = await page.evaluate(() => {
            const r = document.querySelector('canvas').getBoundingClientRect();
            return { left: r.left, top: r.top, width: r.width, height: r.height,
                pageWidth: innerWidth, pageHeight: innerHeight };
        });
        const factor = shown.width / kWidth;
        assert.ok(Number.isInteger(factor) && factor >= 1, `width ${shown.width}`);
        assert.equal(shown.height, kHeight * factor);
        // 800 / 220 leaves room for 3 and not 4; the frame stands in the middle.
        assert.equal(factor, 3);
        assert.ok(Math.abs(shown.left + shown.width / 2 - shown.pageWidth / 2) <= 1, 'centred');
        // Exactly the title, at the game's own colour depth.
        assert.equal(differences(await readFrame(page), ref.title).count, 0);

        // One game at a time: a second tab says so and starts when the first is closed.
        const second = await chromium.page();
        await second.goto(`${server.origin}/`);
        await second.waitForFunction(() => /another tab/.test(document.body.innerText), { timeout: 20000 });
        assert.notEqual(differences(await readFrame(second), ref.title).count, 0);
        await page.close();
        await waitForScreen(second, 'the title in the second tab', ref.title);
    });
});

test('keys lead to play and steer the paddle, the mouse steers it and clicks, a reload keeps the game', kCase, async (t) => {
    await withGame({ width: 1280, height: 800 }, async ({ page }) => {
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);

        // The paddle keeps within the field: 0 to 176 - 35.
        await holdInPlay(page, 'ArrowLeft');
        await waitForPaddle(page, 'the paddle at the left wall', ref.paddle, (x) => x === 0);
        await page.keyboard.up('ArrowLeft');
        await page.keyboard.down('ArrowRight');
        await waitForPaddle(page, 'the paddle at the right wall', ref.paddle, (x) => x === kWidth - kPaddleWidth);
        await page.keyboard.up('ArrowRight');

        // The mouse over the frame draws the paddle's centre to it, and leaves it there.
        for (const target of [40, 120]) {
            const point = await pagePoint(page, target, 120);
            await page.mouse.move(point.x, point.y, { steps: 4 });
            await waitForPaddle(page, `the paddle under the mouse at ${target}`, ref.paddle, near(target));
        }
        await sleep(300);
        const steered = await waitForPaddle(page, 'the paddle still', ref.paddle, near(120));

        // The saved game is written as play goes (level 1, 3 lives, 0 points): a reload finds it.
        await page.reload();
        await waitForScreen(page, 'the title after a reload', ref.title);
        const files = await storedFiles(page);
        await t.test('the saved game is kept', () => {
            assert.deepEqual(files['AutoSave.dat'], [1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0]);
        });
        assert.ok(steered.x !== 70);

        // Continue: the saved game's stage and a fresh paddle; a click releases the ball.
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'ArrowDown', ref['menu-continue'], 'Continue chosen');
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);
        const held = await readFrame(page);
        const middle = await pagePoint(page, 88, 100);
        await page.mouse.click(middle.x, middle.y);
        await ballLeaves(page, held);
    });
});

// In play with the ball held only the fire brick's flames move: they turn every 10 ticks, and
// a tick comes at every gate, every 11 ms. Counted on the canvas at every display frame over
// four seconds of the page's own clock, the turns show the game's speed: a page that loses time
// at its gates shows fewer, one that runs ahead more.
test('in play the game keeps the gates\' speed: the fire brick\'s flames turn every 110 ms', kCase, async () => {
    await withGame({ width: 1280, height: 800 }, async ({ page }) => {
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);
        const { turns, elapsed } = await flameTurns(page, ref.playMask, 4400);
        const expected = elapsed / 110;
        assert.ok(Math.abs(turns - expected) <= 2,
            `${turns} turns of the flames in ${elapsed.toFixed(0)} ms of the page's clock, ${expected.toFixed(1)} at the gates' speed`);
    });
});

test('on a phone the touch buttons lead to play and move the paddle, a finger steers it',
    { ...kCase, ...onlyIn(['chromium'], 'touch emulation') }, async () => {
    const phone = { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
    await withGame(phone, async ({ page }) => {
        // The buttons carry the handset's key codes.
        const codes = { action: 13, left: 37, up: 38, right: 39, down: 40, home: 91, lsoft: 112, rsoft: 113 };
        const button = async (key) => {
            const handle = await page.$(`#touch [data-key="${codes[key]}"]`);
            assert.ok(handle, `a touch button for ${key}`);
            const box = await handle.boundingBox();
            assert.ok(box && box.width >= 40 && box.height >= 40, `the ${key} button fits a thumb`);
            assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= phone.width &&
                box.y + box.height <= phone.height, `the ${key} button on the screen without scrolling`);
            return { x: box.x + box.width / 2, y: box.y + box.height / 2 };
        };
        const tap = async (key) => {
            const at = await button(key);
            await until(page, `the ${key} button`, () => page.touchscreen.tap(at.x, at.y));
        };
        for (const key of Object.keys(codes)) await button(key);

        // A phone's title (shown) says TAP where a keyboard's says PRESS ENTER.
        assert.notEqual(differences(touchRef.title, ref.title).count, 0);
        await tap('action');
        await waitForScreen(page, 'the credits', touchRef.about);
        await tap('lsoft');
        await waitForScreen(page, 'the menu', touchRef.menu);
        await tap('action');
        await waitForScreen(page, 'stage 1: TAP TO START', touchRef.stage);
        await tap('action');
        await waitForScreen(page, 'play', touchRef.play, touchRef.playMask);

        const left = await button('left');
        let touch = null;
        await until(page, 'the left button held', async () => {
            await touch?.end();
            touch = await page.touchscreen.touchStart(left.x, left.y);
        }, (frame) => {
            const x = findPaddle(frame, ref.paddle);
            return x >= 0 && x < 70;
        });
        await waitForPaddle(page, 'the paddle at the left wall', ref.paddle, (x) => x === 0);
        await touch.end();

        // A finger put down on the frame and moved steers; lifting it is the action key's release.
        const from = await pagePoint(page, 20, 150);
        const to = await pagePoint(page, 130, 150);
        const held = await readFrame(page);
        const finger = await page.touchscreen.touchStart(from.x, from.y);
        await finger.move(to.x, to.y);
        await waitForPaddle(page, 'the paddle under the finger', ref.paddle, near(130));
        await finger.end();
        await ballLeaves(page, held);
    });
});

// A pad of the standard mapping, as the page's navigator.getGamepads() reports it; the test
// sets its buttons and axes.
function fakePad() {
    const pad = { id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
        axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, () => ({ pressed: false, touched: false, value: 0 })) };
    globalThis.testPad = pad;
    navigator.getGamepads = () => [pad, null, null, null];
}
const setPad = (page, change) => page.evaluate(change);

test('a standard gamepad\'s buttons and stick act as the handset\'s keys', kCase, async () => {
    const server = await startServer();
    const chromium = await launch();
    try {
        const page = await chromium.page();
        await page.evaluateOnNewDocument(fakePad);
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        // A (button 0) is the action key, X (button 2) the left soft key.
        const push = (button) => until(page, `pad button ${button}`, async () => {
            await setPad(page, `testPad.buttons[${button}].pressed = true; testPad.buttons[${button}].value = 1`);
            await sleep(150);
            await setPad(page, `testPad.buttons[${button}].pressed = false; testPad.buttons[${button}].value = 0`);
        });
        for (const [button, screen, what, mask] of [[0, ref.about, 'the credits'], [2, ref.menu, 'the menu'],
            [0, ref.stage, 'stage 1'], [0, ref.play, 'play', ref.playMask]]) {
            await push(button);
            await waitForScreen(page, what, screen, mask);
        }
        // The pad's right arrow (button 15), then the stick pushed left, each to the wall. The
        // page reads buttons before the stick, so the arrow's release (which stops the paddle,
        // as any key's does) never comes after the stick's push.
        const arrow = (on) => setPad(page, `testPad.buttons[15].pressed = ${on}; testPad.buttons[15].value = ${+on}`);
        await until(page, 'the right arrow held', async () => {
            await arrow(false);
            await sleep(100);
            await arrow(true);
        }, (frame) => findPaddle(frame, ref.paddle) > 70);
        await waitForPaddle(page, 'the paddle at the right wall', ref.paddle, (x) => x === kWidth - kPaddleWidth);
        await arrow(false);
        await setPad(page, 'testPad.axes[0] = -1');
        await waitForPaddle(page, 'the paddle at the left wall', ref.paddle, (x) => x === 0);
        assert.deepEqual(await chromium.pageErrors(), []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

// The keys and buttons the player placed (Settings.txt in the page's storage, read at the start)
// are the ones the game hears: Q is action and J left instead of Enter and the left arrow, the
// pad's B (button 1) action and its right shoulder (button 5) right.
test('keys and buttons placed in the settings reach play', kCase, async () => {
    const server = await startServer();
    const chromium = await launch();
    try {
        const page = await chromium.page();
        await page.evaluateOnNewDocument(fakePad);
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        const settings = 'key.action = KeyQ\nkey.left = KeyJ\npad.action = b\npad.right = rightshoulder\n';
        await storeFiles(page, { 'Settings.txt': Buffer.from(settings) });
        await page.reload();
        await waitForScreen(page, 'the title after a reload', ref.title);
        await page.keyboard.press('Enter');  // no longer the action key
        await sleep(500);
        await waitForScreen(page, 'the title kept', ref.title);
        await press(page, 'KeyQ', ref.about, 'the credits');
        await until(page, 'pad button 1', async () => {
            await setPad(page, 'testPad.buttons[1].pressed = true; testPad.buttons[1].value = 1');
            await sleep(150);
            await setPad(page, 'testPad.buttons[1].pressed = false; testPad.buttons[1].value = 0');
        });
        await waitForScreen(page, 'the menu', ref.menu);
        await press(page, 'KeyQ', ref.stage, 'stage 1');
        await press(page, 'KeyQ', ref.play, 'play', ref.playMask);
        await holdInPlay(page, 'KeyJ');
        await waitForPaddle(page, 'the paddle at the left wall', ref.paddle, (x) => x === 0);
        await page.keyboard.up('KeyJ');
        await setPad(page, 'testPad.buttons[5].pressed = true; testPad.buttons[5].value = 1');
        await waitForPaddle(page, 'the paddle at the right wall', ref.paddle, (x) => x === kWidth - kPaddleWidth);
        assert.deepEqual(await chromium.pageErrors(), []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

test('a high score is entered, uploaded, listed by the server and kept over a reload', kCase, async (t) => {
    await withGame({ width: 1280, height: 800 }, async ({ page, server }) => {
        await storeFiles(page, { 'AutoSave.dat': kSavedGame });
        await page.reload();
        await waitForScreen(page, 'the title', ref.title);
        await loseSavedGameAsAC(page, ref, async () => {
            // Backspace deletes, typed letters pick their cells: AC again, the cursor on C.
            await until(page, 'Backspace', () => page.keyboard.press('Backspace'));
            await page.keyboard.press('Backspace');
            await page.keyboard.type('ac');
            await waitForScreen(page, 'the name AC typed', ref['name-ac']);
        });
        await waitForStill(page, 'the table after its wipe');
        assert.deepEqual(await server.list(), '', 'nothing is sent before the left soft key');

        // The left soft key sends the score (again if the table had not taken the key yet: an
        // answered score is not sent twice, and the server records one upload once).
        let list = '';
        for (let attempt = 0; attempt < 5 && !list; ++attempt) {
            await page.keyboard.press('F1');
            for (let i = 0; i < 30 && !list; ++i, await sleep(100)) list = await server.list();
        }
        const [, score] = list.match(/^;AC,(\d+)$/) ?? [];
        assert.ok(Number(score) >= 1230, `the server's list: ${list}`);

        // A game continued from a saved game that has no record of its own proves nothing: the
        // test server lists plain uploads (--accept-unproven), marked as such.
        const json = await (await fetch(`${server.origin}/scores.json`)).json();
        assert.deepEqual(json, [{ rank: 1, name: 'AC', score: Number(score), proven: false }]);
        const board = await page.browser().newPage();
        await board.goto(`${server.origin}/scores`);
        const rows = await board.$$eval('tr', (trs) => trs.map((tr) => tr.innerText.split(/\s+/).filter(Boolean)));
        assert.ok(rows.some((r) => r.join(' ') === `1 AC unproven ${score}`), JSON.stringify(rows));
        await board.close();

        // After the reload the table holds the server's list joined to it: AC once, in order
        // among the default scores, nothing left to send.
        await page.reload();
        await waitForScreen(page, 'the title after a reload', ref.title);
        const table = Buffer.from((await storedFiles(page))['ScoreList.sav'] ?? []);
        await t.test('the table is kept', () => {
            assert.equal(table.length, 3202);
            const entry = (i) => table.subarray(2 + 32 * i, 2 + 32 * (i + 1));
            const ac = [...Array(100).keys()].filter((i) => entry(i).toString('utf16le', 2, 6) === 'AC');
            assert.equal(ac.length, 1, 'AC once');
            assert.equal(entry(ac[0]).readUInt16LE(6), 0);
            assert.equal(entry(ac[0]).readUInt32LE(20), Number(score));
            for (let i = 0; i < 100; ++i) {
                assert.equal(entry(i)[0], 0, `entry ${i} still to be sent`);
                if (i > 0) assert.ok(entry(i - 1).readUInt32LE(20) >= entry(i).readUInt32LE(20), `in order at ${i}`);
            }
        });
    });
});

test('a silent and then a dead server leave the page responsive during the exchange',
    { ...kCase, ...onlyIn(['chromium', 'firefox'], 'the page\'s network events') }, async () => {
    await withGame({ width: 1280, height: 800 }, async ({ page, server }) => {
        const events = [];
        page.on('request', (r) => r.url().includes('updateScore') && events.push('sent'));
        page.on('requestfailed', (r) => r.url().includes('updateScore') && events.push('ended'));
        page.on('requestfinished', (r) => r.url().includes('updateScore') && events.push('ended'));
        const ended = async () => {
            for (let i = 0; i < 300 && !events.includes('ended'); ++i) await sleep(100);
            assert.ok(events.includes('ended'), 'the exchange gave up');
        };

        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await until(page, 'the cursor moved', () => page.keyboard.press('ArrowDown'));
        for (let i = 0; i < 2; ++i) await page.keyboard.press('ArrowDown');
        await press(page, 'Enter', ref.scores, 'the high-score table');

        // Stopped: connections are taken by the system but never answered.
        server.child.kill('SIGSTOP');
        await until(page, 'the exchange', () => page.keyboard.press('F1'), () => events.includes('sent'));
        // The page goes on drawing animation frames while the request is open.
        await page.evaluate(() => new Promise((resolve) => {
            let frames = 0;
            const next = () => (++frames === 5 ? resolve() : requestAnimationFrame(next));
            requestAnimationFrame(next);
        }));
        events.push('page ran');
        // Keys pressed while the exchange waits are dropped, not all applied afterwards.
        for (let i = 0; i < 5; ++i) await page.keyboard.press('ArrowDown');
        await ended();
        assert.deepEqual(events.slice(0, 3), ['sent', 'page ran', 'ended']);
        // The table is as it was (not scrolled), and keys work again.
        await waitForScreen(page, 'the table unchanged', ref.scores);

        // Killed: the connection is refused at once; the game stays on its table.
        server.child.kill('SIGKILL');
        events.length = 0;
        await page.keyboard.press('F1');
        await ended();
        await press(page, 'Enter', ref['menu-scores'], 'the menu after the failed exchange');
    });
});
