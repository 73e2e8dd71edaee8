// The page's settings panel, the screen kept awake in play, the finger steering from below the
// picture, and the player's files exported from one browser and imported into another.
import assert from 'node:assert/strict';
import { before, test } from 'node:test';
import { onlyIn } from './engines.mjs';
import { launch, readFrame, setting, startServer, storedFiles, storeFiles, waitFor, waitForPaddle,
    waitForScreen } from './harness.mjs';
import { kPaddleWidth } from './frames.mjs';
import { lowScoreTable, press, stubWakeLock } from './play.mjs';
import { kSavedGame, references } from './references.mjs';

const kCase = { timeout: 240000 };

let ref;
let touchRef;
before(() => {
    ref = references(setting('V2_REPLAY'));
    touchRef = references(setting('V2_REPLAY'), { touch: true });
});

async function withPage(body, viewport = { width: 1280, height: 800 }) {
    const server = await startServer();
    const browser = await launch();
    try {
        await body({ browser, server, page: await opened(browser, server, viewport) });
        assert.deepEqual(await browser.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await browser.close();
        await server.stop();
    }
}

async function opened(browser, server, viewport) {
    const page = await browser.page(viewport);
    await page.goto(`${server.origin}/`);
    await waitForScreen(page, 'the title', viewport.hasTouch ? touchRef.title : ref.title);
    await page.waitForFunction(() => !document.getElementById('settings').disabled);
    return page;
}

// A control of the panel brought into view (the panel scrolls on a small screen) and clicked.
async function tap(page, selector) {
    await page.evaluate((s) => document.querySelector(s).scrollIntoView({ block: 'center' }), selector);
    await page.click(selector);
}

// The page starts again on its own (the panel's restart): waits for the new document's title.
async function restarted(page, action, screen = ref.title, what = 'the title') {
    await page.evaluate(() => { globalThis.v2Before = true; });
    await action();
    await page.waitForFunction(() => !globalThis.v2Before && document.readyState === 'complete' &&
        !document.getElementById('settings').disabled, { timeout: 30000 });
    await waitForScreen(page, `${what} after the restart`, screen);
}

const text = (files, name) => Buffer.from(files[name] ?? []).toString('utf8');
const message = (page) => page.$eval('#panel-message', (p) => p.textContent);

test('the settings panel writes Settings.txt, keeps lines it does not know, refuses a key two actions share; '
    + 'saved in play, the game goes on from its saved game', kCase, async () => {
    await withPage(async ({ page }) => {
        await storeFiles(page, { 'Settings.txt': Buffer.from('# my own\nlook.high_contrast = off\nfuture.option = 7\npace = 75\n') });
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);
        await tap(page, '#settings');
        assert.equal(await page.$eval('input[name="pace"]:checked', (i) => i.value), '75', 'the file\'s pace shown');
        // A game keeps the pace it began at.
        assert.equal(await page.$eval('input[name="pace"][value="50"]', (i) => i.disabled), true, 'the pace changed in play');

        // Cues on (a look would change the stage's picture the restart is told by).
        await tap(page, 'input[name="sound.cues"]');
        // Up's first key becomes W; W for Down as well is refused, saying who has it.
        await tap(page, '#key-map .bind[data-action="up"][data-slot="0"]');
        await page.keyboard.press('w');
        await tap(page, '#key-map .bind[data-action="down"][data-slot="0"]');
        await page.keyboard.press('w');
        assert.match(await message(page), /W is already Up/);
        assert.equal(await page.$eval('#key-map .bind[data-action="down"][data-slot="0"]', (b) => b.textContent),
            '↓ Down', 'the refused key left Down as it was');

        // The program ends as the home key ends it, saving the game, and takes it up again.
        await restarted(page, () => tap(page, '#panel-save'), ref.stage, 'the saved game\'s stage');
        assert.deepEqual((await storedFiles(page))['AutoSave.dat'], [1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0]);
        // The known lines kept in place, the new ones after them; Up keeps its second key.
        assert.equal(text(await storedFiles(page), 'Settings.txt'),
            '# my own\nlook.high_contrast = off\nfuture.option = 7\npace = 75\nsound.cues = on\n'
            + 'key.up = KeyW, Numpad8\n');
        await tap(page, '#settings');
        assert.equal(await page.$eval('input[name="pace"]:checked', (i) => i.value), '75');
        assert.equal(await page.$eval('input[name="sound.cues"]', (i) => i.checked), true);
        assert.equal(await page.$eval('#key-map .bind[data-action="up"][data-slot="0"]', (b) => b.textContent), 'W');
    });
});

test('the screen is kept awake from the stage to the game\'s end, not on the menus', kCase, async () => {
    await withPage(async ({ page }) => {
        await page.evaluate(stubWakeLock);
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        assert.deepEqual(await page.evaluate(() => globalThis.v2Wake), []);
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);
        assert.deepEqual(await page.evaluate(() => globalThis.v2Wake), ['request screen']);
        // The home key ends the game: the lock is let go.
        await page.keyboard.press('Escape');
        await page.waitForFunction(() => !document.getElementById('overlay').hidden);
        assert.deepEqual(await page.evaluate(() => globalThis.v2Wake), ['request screen', 'release']);
    });
});

test('in play a finger below the picture steers the paddle, which stays in sight above it',
    { ...kCase, ...onlyIn(['chromium'], 'touch emulation') }, async () => {
    const phone = { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
    await withPage(async ({ page }) => {
        await press(page, 'Enter', touchRef.about, 'the credits');
        await press(page, 'Enter', touchRef.menu, 'the menu');
        await press(page, 'Enter', touchRef.stage, 'stage 1');
        await press(page, 'Enter', touchRef.play, 'play', touchRef.playMask);
        // The default offset, 24 frame pixels, gives a band that high under the picture.
        const box = await page.evaluate(() => {
            const r = document.getElementById('canvas').getBoundingClientRect();
            const steer = document.getElementById('steer');
            return { left: r.left, bottom: r.bottom, width: r.width, strip: steer.hidden ? 0 : steer.offsetHeight };
        });
        const scale = box.width / 176;
        assert.equal(box.strip, 24 * scale, 'the band under the picture');
        // A finger 20 frame pixels under the frame's last row: below the paddle and the status line.
        const at = (x) => ({ x: box.left + (x + 0.5) * scale, y: box.bottom + 20 * scale });
        const near = (target) => (x) => Math.abs(x + kPaddleWidth / 2 - target) <= 5;
        const from = at(30);
        const finger = await page.touchscreen.touchStart(from.x, from.y);
        await waitForPaddle(page, 'the paddle over the finger at the left', touchRef.paddle, near(30));
        const to = at(140);
        await finger.move(to.x, to.y);
        await waitForPaddle(page, 'the paddle over the finger at the right', touchRef.paddle, near(140));
        await finger.end();
    }, phone);
});

test('the files exported from one browser are all there after an import into another', kCase, async () => {
    const server = await startServer();
    try {
        const files = {
            'ScoreList.sav': lowScoreTable(),
            'AutoSave.dat': kSavedGame,
            'GameRecord.dat': Buffer.from([1, 2, 3, 4, 5]),
            'Settings.txt': Buffer.from('pace = 75\n# mine\n'),
        };
        // One browser at a time: the WebKit driver holds one session.
        let exported;
        let file;
        await inBrowser(server, async (page) => {
            await storeFiles(page, files);
            exported = await storedFiles(page);
            for (const name of Object.keys(files)) assert.deepEqual(Buffer.from(exported[name]), files[name], name);
            // The download's contents, kept by the test instead of saved.
            await page.evaluate(() => {
                URL.createObjectURL = (blob) => { globalThis.v2Exported = blob.text(); return 'about:blank'; };
                HTMLAnchorElement.prototype.click = () => {};
            });
            await tap(page, '#settings');
            await page.evaluate(() => document.getElementById('export').click());
            file = await page.evaluate(() => globalThis.v2Exported);
            assert.match(await message(page), new RegExp(`Exported ${Object.keys(exported).length} files`));
        });

        await inBrowser(server, async (page) => {
            const choose = (contents) => page.evaluate((t) => {
                const input = document.getElementById('import-file');
                const chosen = new DataTransfer();
                chosen.items.add(new File([t], 'vextorium2.json', { type: 'application/json' }));
                input.files = chosen.files;
                input.dispatchEvent(new Event('change'));
            }, contents);
            await tap(page, '#settings');
            // A damaged file changes nothing and says so.
            const before = await storedFiles(page);
            await choose(file.replace(/"ScoreList.sav": "[A-Za-z]/, '"ScoreList.sav": "*'));
            await page.waitForFunction(() => /cannot be imported/.test(document.getElementById('panel-message').textContent));
            assert.equal(await page.$eval('#import-confirm', (row) => row.hidden), true);
            assert.deepEqual(await storedFiles(page), before);

            await choose(file);
            await page.waitForFunction(() => !document.getElementById('import-confirm').hidden);
            await restarted(page, () => tap(page, '#import-yes'));
            const listed = (all) => Object.keys(all).sort().map((name) => `${name}: ${Buffer.from(all[name]).toString('base64')}`);
            assert.deepEqual(listed(await storedFiles(page)), listed(exported));
        });
    } finally {
        await server.stop();
    }
});

// A browser of its own (empty storage) on the title of the server's page.
async function inBrowser(server, body) {
    const browser = await launch();
    try {
        await body(await opened(browser, server, { width: 1280, height: 800 }));
        assert.deepEqual(await browser.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await browser.close();
    }
}
