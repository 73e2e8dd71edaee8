// The page around the game on desktops and phones: focus and full screen, the touch buttons'
// layout in both orientations, the score exchange's status line, the box shown when the game
// ends, and the sound of the very first key.
import assert from 'node:assert/strict';
import { before, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { onlyIn } from './engines.mjs';
import { differences } from './frames.mjs';
import { launch, readFrame, setting, startServer, storedFiles, storeFiles, until, waitFor, waitForScreen,
    waitForStill } from './harness.mjs';
import { loseSavedGame, press } from './play.mjs';
import { kSavedGame, references } from './references.mjs';

const kCase = { timeout: 240000 };

let ref;
let touchRef;  // a touch screen's page says TAP on its title
before(() => {
    ref = references(setting('V2_REPLAY'));
    touchRef = references(setting('V2_REPLAY'), { touch: true });
});

// A server and a browser for one case; `prepare(page)` runs before the page is opened, and
// `title` waits for the title before `body` runs.
async function onPage({ viewport = { width: 1280, height: 800 }, prepare, title = true } = {}, body) {
    const server = await startServer();
    const chromium = await launch();
    try {
        const page = await chromium.page(viewport);
        if (prepare) await prepare(page);
        await page.goto(`${server.origin}/`);
        if (title) await waitForScreen(page, 'the title', viewport.hasTouch ? touchRef.title : ref.title);
        await body({ page, server });
        assert.deepEqual(await chromium.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await chromium.close();
        await server.stop();
    }
}

async function step(page, key, screen, what, mask) {
    await until(page, `${key} for ${what}`, () => page.keyboard.press(key));
    await waitForScreen(page, what, screen, mask);
}

const statusLine = (page) => page.$eval('#exchange', (line) => (line.hidden ? '' : line.textContent));
const waitForLine = (page, pattern) => page.waitForFunction((source) => {
    const line = document.getElementById('exchange');
    return line && !line.hidden && new RegExp(source, 'i').test(line.textContent);
}, { timeout: 20000 }, pattern.source);

test('the full-screen button leaves the game running; the window losing focus stops it', kCase, async () => {
    await onPage({}, async ({ page }) => {
        // The button takes focus for the click and gives it back; the window keeps it.
        await page.click('#fullscreen');
        await step(page, 'Enter', ref.about, 'the credits after the full-screen button');
        await page.click('#fullscreen');
        await step(page, 'Enter', ref.menu, 'the menu after the button again');

        // The window itself losing focus stops the game until it comes back.
        await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
        await sleep(200);
        await page.keyboard.press('Enter');
        await sleep(1000);
        assert.equal(differences(await readFrame(page), ref.menu).count, 0, 'the game went on without focus');
        await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
        await waitFor(page, 'the game going on with focus', (frame) => differences(frame, ref.menu).count > 0);
    });
});

// Every button of the page lies on the screen, at least 44 px each way, apart from the others
// and from the picture, which is wholly on the screen, at a whole factor of device pixels
// from 2 up. In landscape the d-pad stands left of the picture and the other buttons right of
// it, and the picture takes at least 60% of the height; in portrait the touch buttons are under
// it, and the picture takes at least 55% of the height, or is as wide as whole factors allow
// (the next would not fit the screen's width).
async function checkLayout(page, width, height, hand = 'both') {
    const shown = await page.evaluate(() => {
        const box = (element) => {
            const r = element.getBoundingClientRect();
            return { name: element.title || element.id, left: r.left, top: r.top, right: r.right, bottom: r.bottom };
        };
        return {
            canvas: box(document.getElementById('canvas')),
            dpad: [...document.querySelectorAll('.dpad .key')].map(box),
            others: [...document.querySelectorAll('#touch .key:not(.dpad .key)')].map(box),
            fullscreen: box(document.getElementById('fullscreen')),
            settings: box(document.getElementById('settings')),
            scroll: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
            ratio: devicePixelRatio,
        };
    });
    const where = `${width} x ${height}, ${hand}`;
    const { canvas, dpad, others } = shown;
    const buttons = [...dpad, ...others, shown.fullscreen, shown.settings];
    assert.equal(buttons.length, 10, where);
    const inside = (b) => b.left >= 0 && b.top >= 0 && b.right <= width && b.bottom <= height;
    const apart = (a, b) => a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
    assert.ok(inside(canvas), `${where}: the picture is cut off: ${JSON.stringify(canvas)}`);
    const factor = ((canvas.right - canvas.left) * shown.ratio) / 176;
    if (factor >= 2) assert.ok(Number.isInteger(factor), `${where}: the picture at ${factor} device pixels`);
    assert.deepEqual(shown.scroll, [width, height], `${where}: the page scrolls`);
    buttons.forEach((b, i) => {
        assert.ok(b.right - b.left >= 44 && b.bottom - b.top >= 44, `${where}: ${b.name} is small`);
        assert.ok(inside(b), `${where}: ${b.name} is off the screen: ${JSON.stringify(b)}`);
        assert.ok(apart(b, canvas), `${where}: ${b.name} covers the picture`);
        for (const other of buttons.slice(i + 1)) assert.ok(apart(b, other), `${where}: ${b.name} on ${other.name}`);
    });
    if (width > height) {
        assert.ok(canvas.bottom - canvas.top >= 0.6 * height, `${where}: the picture is ${canvas.bottom - canvas.top} high`);
        // One-handed, every touch button stands on that hand's side.
        for (const b of dpad) {
            assert.ok(hand === 'right' ? b.left >= canvas.right : b.right <= canvas.left,
                `${where}: ${b.name} is on the wrong side of the picture`);
        }
        for (const b of others) {
            assert.ok(hand === 'left' ? b.right <= canvas.left : b.left >= canvas.right,
                `${where}: ${b.name} is on the wrong side of the picture`);
        }
    } else {
        const widest = factor >= 2 && ((factor + 1) * 176) / shown.ratio > width;
        assert.ok(canvas.bottom - canvas.top >= 0.55 * height || widest,
            `${where}: the picture is ${canvas.bottom - canvas.top} high`);
        for (const b of [...dpad, ...others]) assert.ok(b.top >= canvas.bottom, `${where}: ${b.name} is not under the picture`);
    }
    return canvas;
}

test('phones and tablets in both orientations show every button and the whole picture',
    { ...kCase, ...onlyIn(['chromium'], 'touch emulation') }, async () => {
    const touch = { isMobile: true, hasTouch: true };
    await onPage({ viewport: { width: 320, height: 568, deviceScaleFactor: 2, ...touch } }, async ({ page }) => {
        // One page turned and resized, as a phone is: the layout follows each change. On a
        // screen of one device pixel per CSS pixel, 844 x 390 fits a whole factor of 1 only,
        // 56% of the height.
        const sizes = [[320, 568, 2], [568, 320, 2], [390, 844, 2], [844, 390, 2], [844, 390, 1],
            [320, 568, 1], [1024, 768, 2], [768, 1024, 2]];
        for (const [width, height, deviceScaleFactor] of sizes) {
            await page.setViewport({ width, height, deviceScaleFactor, ...touch });
            await page.waitForFunction((w, h) => innerWidth === w && innerHeight === h, {}, width, height);
            await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
            const canvas = await checkLayout(page, width, height);
            // The smallest phone held upright still shows the picture over half its height.
            if (width === 320) assert.ok(canvas.bottom - canvas.top >= 0.55 * height, `${width} x ${height}: small picture`);
        }
        // The one-handed layouts (the settings' touch buttons: left or right hand).
        for (const hand of ['left', 'right']) {
            for (const [width, height] of [[320, 568], [568, 320], [390, 844], [844, 390]]) {
                await page.setViewport({ width, height, deviceScaleFactor: 2, ...touch });
                await page.waitForFunction((w, h) => innerWidth === w && innerHeight === h, {}, width, height);
                await page.evaluate((h) => {
                    document.body.classList.toggle('hand-left', h === 'left');
                    document.body.classList.toggle('hand-right', h === 'right');
                    dispatchEvent(new Event('resize'));
                    return new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)));
                }, hand);
                await checkLayout(page, width, height, hand);
            }
        }
        assert.equal(differences(await readFrame(page), touchRef.title).count, 0);
    });
});

test('the score exchange says it is sending and how it ended; keys pressed meanwhile are dropped',
    { ...kCase, ...onlyIn(['chromium', 'firefox'], 'the page\'s network events') }, async () => {
    await onPage({}, async ({ page, server }) => {
        let requests = 0;
        page.on('request', (r) => r.url().includes('updateScore') && ++requests);
        await step(page, 'Enter', ref.about, 'the credits');
        await step(page, 'Enter', ref.menu, 'the menu');
        await until(page, 'the cursor moved', () => page.keyboard.press('ArrowDown'));
        for (let i = 0; i < 2; ++i) await page.keyboard.press('ArrowDown');
        await step(page, 'Enter', ref.scores, 'the high-score table');
        assert.equal(await statusLine(page), '', 'a status before any exchange');

        // A server that takes the connection and never answers: the whole wait passes.
        server.child.kill('SIGSTOP');
        await until(page, 'the exchange', () => page.keyboard.press('F1'), () => requests > 0);
        await waitForLine(page, /sending/);
        for (let i = 0; i < 17; ++i) await page.keyboard.press('ArrowDown');
        await waitForLine(page, /failed/);
        await waitForStill(page, 'the table after the exchange');
        assert.equal(differences(await readFrame(page), ref.scores).count, 0, 'keys of the wait were applied');

        // Answered: sent; the keys work again.
        server.child.kill('SIGCONT');
        requests = 0;
        await until(page, 'the second exchange', () => page.keyboard.press('F1'), () => requests > 0);
        await waitForLine(page, /sent/);
        assert.doesNotMatch(await statusLine(page), /failed/);
        await step(page, 'Enter', ref['menu-scores'], 'the menu after the exchange');
    });
});

// What the two soft keys' buttons say (their key's action on the screen shown; blank where it
// does nothing). They are in the page whether or not the touch buttons are shown.
const softLabels = (page) => page.$$eval('#touch .soft', (keys) => keys.map((k) => k.textContent).join('|'));

test('the soft keys\' buttons say what each key does on the screen shown', kCase, async () => {
    await onPage({}, async ({ page }) => {
        assert.equal(await softLabels(page), 'OK|');
        await step(page, 'Enter', ref.about, 'the credits');
        await step(page, 'Enter', ref.menu, 'the menu');
        assert.equal(await softLabels(page), 'Select|');
        await until(page, 'the cursor moved', () => page.keyboard.press('ArrowDown'));
        for (let i = 0; i < 2; ++i) await page.keyboard.press('ArrowDown');
        await step(page, 'Enter', ref.scores, 'the high-score table');
        assert.equal(await softLabels(page), 'Sync|Back');
        await step(page, 'F2', ref['menu-scores'], 'the menu again');
        await until(page, 'Start chosen', () => page.keyboard.press('ArrowUp'));
        await page.keyboard.press('ArrowUp');
        await page.keyboard.press('ArrowUp');
        await step(page, 'Enter', ref.stage, 'stage 1');
        assert.equal(await softLabels(page), 'Start|');
        await step(page, 'Enter', ref.play, 'play', ref.playMask);
        assert.equal(await softLabels(page), 'Pause|Mute');
    });
});

// The box at the home key, and its button.
const homeBox = (page) => page.evaluate(() => ({
    text: document.querySelector('#overlay .box').innerText,
    button: document.getElementById('overlay-button').textContent,
    focused: document.activeElement?.id,
}));

test('the home key at the name entry keeps the score with the letters typed once, and says so', kCase, async (t) => {
    await onPage({}, async ({ page }) => {
        await storeFiles(page, { 'AutoSave.dat': kSavedGame });
        await page.reload();
        await waitForScreen(page, 'the title with the saved game', ref.title);
        await loseSavedGame(page, ref);
        await press(page, 'Enter', ref['name-entry'], 'the name entry');
        // Typed, then Enter and Space: each letter entered once (the grid's cursor rests on C).
        await page.keyboard.type('ac');
        await page.keyboard.press('Enter');
        await page.keyboard.press(' ');
        await waitForStill(page, 'the name typed');
        assert.equal(differences(await readFrame(page), ref['name-ac']).count, 0, 'the name is not AC');
        await page.keyboard.press('Escape');
        // The program tells of the kept score on its way out, before it has ended: the box of
        // its end takes that in.
        await page.waitForFunction(() => !document.getElementById('overlay').hidden &&
            document.getElementById('overlay-button').textContent !== 'OK', { timeout: 20000 });
        const shown = await homeBox(page);
        await t.test('the box tells where the score went, and no saved game', () => {
            assert.match(shown.text, /Your score of \d+ is kept in the high-score table as AC\./);
            assert.doesNotMatch(shown.text, /game is saved/i);
            assert.equal(shown.button, 'Play again');
        });
        const score = Number(shown.text.match(/score of (\d+)/)[1]);
        await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
        await waitForScreen(page, 'the title again', ref.title);
        const table = Buffer.from((await storedFiles(page))['ScoreList.sav'] ?? []);
        await t.test('the table holds it', () => {
            const entries = Array.from({ length: 100 }, (_, i) => table.subarray(2 + 32 * i, 2 + 32 * (i + 1)));
            const ours = entries.filter((e) => e.toString('utf16le', 2, 6) === 'AC' && e.readUInt16LE(6) === 0);
            assert.equal(ours.length, 1);
            assert.equal(ours[0].readUInt32LE(20), score);
            assert.ok(score >= 1230, `score ${score}`);
        });
    });
});

test('the home key saves the game, says so and offers to play on; the box keeps the keys', kCase, async (t) => {
    await onPage({}, async ({ page }) => {
        await step(page, 'Enter', ref.about, 'the credits');
        await step(page, 'Enter', ref.menu, 'the menu');
        await step(page, 'Enter', ref.stage, 'stage 1');
        await step(page, 'Enter', ref.play, 'play', ref.playMask);
        await page.keyboard.press('Escape');
        await page.waitForSelector('#overlay:not([hidden])', { timeout: 20000 });
        const box = () => homeBox(page);
        const shown = await box();
        assert.match(shown.text, /saved/i);
        assert.equal(shown.button, 'Play on');
        // Tab never leaves the box for the full-screen button behind it.
        for (let i = 0; i < 3; ++i) {
            await page.keyboard.press('Tab');
            assert.equal((await box()).focused, 'overlay-button', `after ${i + 1} Tab`);
        }
        // Enter presses the button: the game starts again straight into the saved game.
        await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
        await waitForScreen(page, 'the saved game\'s stage', ref.stage);
        const files = await storedFiles(page);
        await t.test('the saved game is kept', () => {
            assert.deepEqual(files['AutoSave.dat'], [1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0]);
        });
        await step(page, 'Enter', ref.play, 'play on', ref.playMask);

        // Where the game was not saved, the box says so and offers to play again; where the
        // saved game is gone when Play on starts the game, the page says so and shows the title.
        await page.keyboard.press('Escape');
        await page.waitForSelector('#overlay:not([hidden])', { timeout: 20000 });
        assert.equal((await homeBox(page)).button, 'Play on');
        await page.evaluate(() => {
            const fs = globalThis.FS ?? Module.FS;
            fs.unlink('/persist/vextorium2/AutoSave.dat');
            return new Promise((done) => fs.syncfs(false, done));
        });
        await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
        await page.waitForSelector('#overlay:not([hidden])', { timeout: 20000 });
        assert.match((await homeBox(page)).text, /no saved game/i);
        await page.keyboard.press('Enter');
        await waitForScreen(page, 'the title without a saved game', ref.title);
        await page.keyboard.press('Escape');
        await page.waitForSelector('#overlay:not([hidden])', { timeout: 20000 });
        const atTitle = await homeBox(page);
        assert.doesNotMatch(atTitle.text, /saved/i);
        assert.equal(atTitle.button, 'Play again');
    });
});

// Counts the sound blocks the page starts and those that played to their end. Headless
// Chromium lets any page play sound, so the stricter browsers' rule is played here: a context
// starts suspended, and only a resume asked for while a key, touch or click is being handled
// starts it.
function listenToSounds() {
    globalThis.testSounds = { contexts: [], started: [], ended: 0 };
    const Context = globalThis.AudioContext;
    globalThis.AudioContext = class extends Context {
        constructor(...args) {
            super(...args);
            super.suspend();
            testSounds.contexts.push(this);
        }

        resume() {
            if (globalThis.event?.isTrusted && navigator.userActivation.isActive) return super.resume();
            return Promise.reject(new DOMException('no gesture', 'NotAllowedError'));
        }
    };
    const start = AudioBufferSourceNode.prototype.start;
    AudioBufferSourceNode.prototype.start = function (...args) {
        testSounds.started.push(this.buffer.duration);
        this.addEventListener('ended', () => ++testSounds.ended);
        return start.apply(this, args);
    };
}

test('the first key\'s sound plays although the browser starts sound only on a key',
    { ...kCase, ...onlyIn(['chromium'], 'the browser\'s autoplay policy set through CDP') }, async () => {
    const options = { title: false,
        prepare: (page) => page.evaluateOnNewDocument(listenToSounds) };
    await onPage(options, async ({ page }) => {
        const cdp = await page.createCDPSession();
        const look = async (expression) =>
            (await cdp.send('Runtime.evaluate', { expression, returnByValue: true })).result.value;
        // The title drawn and at rest (no wipe that would take the key).
        let last = '';
        for (let since = Date.now(), until = since + 20000; Date.now() - since < 700; await sleep(50)) {
            const picture = await look(`testSounds.contexts.length ? document.querySelector('canvas').toDataURL() : ''`);
            if (!picture || picture !== last) since = Date.now();
            last = picture;
            assert.ok(Date.now() < until, 'no title at rest');
        }
        assert.deepEqual(await look('testSounds.contexts.map((c) => c.state)'), ['suspended'],
            'sound held back until a key');
        // One key only: its action sound is the first sound of the page.
        await page.keyboard.press('Enter');
        await waitForScreen(page, 'the credits', ref.about);
        await page.waitForFunction(() => testSounds.ended > 0, { timeout: 10000 }).catch(() => {});
        const sounds = await page.evaluate(() => ({ ...testSounds, contexts: testSounds.contexts.map((c) => c.state) }));
        assert.deepEqual(sounds.contexts, ['running']);
        assert.ok(sounds.started.some((seconds) => seconds < 2), `short sounds started: ${sounds.started}`);
        assert.ok(sounds.ended > 0, 'no sound played to its end');
    });
});
