// A game begun by the pointer, a finger's tap or a mouse click on the menu's New game entry, is
// recorded as one begun by a key: played to a game over, its score goes up with its record and
// a server that lists proven scores only lists it.
import assert from 'node:assert/strict';
import { before, test } from 'node:test';
import { onlyIn } from './engines.mjs';
import { launch, setting, startServer, storeFiles, until, waitForScreen } from './harness.mjs';
import { loseGame, lowScoreTable, pagePoint, press, sendUntilListed } from './play.mjs';
import { references } from './references.mjs';

const kCase = { timeout: 240000 };

let ref;
let touchRef;  // a page with a coarse pointer says TAP
before(() => {
    ref = references(setting('V2_REPLAY'));
    touchRef = references(setting('V2_REPLAY'), { touch: true });
});

// Keys lead to the menu, `choose(page, at)` takes New game at `at` (a point of the page), keys
// play the game to its end and send the score as A. Only New game is the pointer's.
async function provenAfter(viewport, choose) {
    const server = await startServer({ provenOnly: true });
    const browser = await launch();
    try {
        const page = await browser.page(viewport);
        await page.goto(`${server.origin}/`);
        // Firefox has the touches but not the phone's coarse pointer: the desktop's screens.
        const shown = await page.evaluate(() => matchMedia('(pointer: coarse)').matches) ? touchRef : ref;
        await waitForScreen(page, 'the title', shown.title);
        await storeFiles(page, { 'ScoreList.sav': lowScoreTable() });
        await page.reload();
        await waitForScreen(page, 'the title after the reload', shown.title);
        await press(page, 'Enter', shown.about, 'the credits');
        await press(page, 'Enter', shown.menu, 'the menu');
        // The menu's first entry, New game, spans x 20..160 and y 23..56 of the frame.
        const at = await pagePoint(page, 88, 40);
        await until(page, 'New game by the pointer', () => choose(page, at));
        await waitForScreen(page, 'stage 1', shown.stage);
        await press(page, 'Enter', shown.play, 'play', shown.playMask);
        await loseGame(page, shown);

        const json = await sendUntilListed(page, server);
        assert.equal(json.length, 1, 'the server lists the score');
        assert.equal(json[0].name, 'A');
        assert.ok(json[0].score > 0);
        assert.equal(json[0].proven, true);
        assert.deepEqual(await browser.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await browser.close();
        await server.stop();
    }
}

test('a new game begun by a tap on the menu is recorded and its score proven',
    { ...kCase, ...onlyIn(['chromium', 'firefox'], 'touch events') }, async () => {
    const phone = { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
    await provenAfter(phone, (page, at) => page.touchscreen.tap(at.x, at.y));
});

test('a new game begun by a mouse click on the menu is recorded and its score proven', kCase, async () => {
    // The mouse leaves the frame after the click: over it, it would steer the paddle in play.
    await provenAfter({ width: 1280, height: 800 }, async (page, at) => {
        await page.mouse.click(at.x, at.y);
        await page.mouse.move(0, 0);
    });
});
