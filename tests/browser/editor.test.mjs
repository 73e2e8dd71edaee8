// The level editor (edit.html) in a browser engine: a level made with the palette, the pen, fill,
// erase, undo and redo; test-played at once in the page; published to a real score server; then,
// in a browser that has never seen it, opened as a copy and played by its link. The game's frames
// are compared with the native replay runner's for the same level file and keys.
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { onlyIn } from './engines.mjs';
import { animatedMask, replayShots } from './frames.mjs';
import { launch, setting, startServer, waitForScreen } from './harness.mjs';
import { press } from './play.mjs';

const kCase = { timeout: 240000 };
const kRows = 16;
const kColumns = 11;
const kLevelCells = kRows * kColumns;

// A level file from three levels of 176 codes each.
function levelFile(levels) {
    const bytes = Buffer.alloc(3 * kLevelCells * 4);
    levels.flat().forEach((code, i) => bytes.writeInt32LE(code, 4 * i));
    return bytes;
}
const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');

// The replay runner's screens from the title into play on the set in `file`; the pixels that
// move by themselves in play (the fire bricks' flames) are found from shots at several times.
function setScreens(file) {
    const scratch = mkdtempSync(join(tmpdir(), 'v2-set-'));
    const path = join(scratch, 'set.dat');
    writeFileSync(path, file);
    let script = '50 shot title.png\n100 press action\n800 shot about.png\n850 press action\n' +
        '1550 shot menu.png\n1600 press action\n2300 shot stage.png\n2600 press action\n';
    for (let t = 3300; t < 5000; t += 37) script += `${t} shot play-${t}.png\n`;
    script += '5100 close\n';
    const shots = replayShots(setting('V2_REPLAY'), script, { args: ['--web', '--levels', path] });
    rmSync(shots.dir, { recursive: true, force: true });
    rmSync(scratch, { recursive: true, force: true });
    const play = Object.keys(shots).filter((k) => k.startsWith('play-')).map((k) => shots[k]);
    return { ...shots, play: play[0], playMask: animatedMask(play) };
}

// From the title into play, each screen the runner's.
async function playsSet(page, screens) {
    await waitForScreen(page, 'the title', screens.title);
    await press(page, 'Enter', screens.about, 'the about screen');
    await press(page, 'Enter', screens.menu, 'the menu');
    await press(page, 'Enter', screens.stage, 'the stage screen');
    await press(page, 'Enter', screens.play, 'the set\'s level in play', screens.playMask);
}

// Polls `fn(...args)` in the page until it returns a truthy value; a page being replaced
// meanwhile is asked again.
async function pageWait(page, what, fn, ...args) {
    const until = Date.now() + 20000;
    for (;;) {
        const value = await page.evaluate(fn, ...args).catch(() => null);
        if (value) return value;
        if (Date.now() > until) throw new Error(`the page never showed ${what}`);
        await sleep(100);
    }
}

// The middle of grid cell (row, column) in page coordinates.
async function cellPoint(page, row, column) {
    const box = await page.evaluate(() => {
        const r = document.getElementById('grid').getBoundingClientRect();
        return { left: r.left, top: r.top, width: r.width, height: r.height };
    });
    return { x: box.left + ((column + 0.5) * box.width) / kColumns, y: box.top + ((row + 0.5) * box.height) / kRows };
}
async function clickCell(page, row, column) {
    const at = await cellPoint(page, row, column);
    await page.mouse.click(at.x, at.y);
}
const cells = (page) => page.evaluate(() => Array.from(window.v2Editor.cells()));
const checkText = (page) => page.evaluate(() => document.getElementById('check').textContent);

test('a level made in the editor is test-played at once, published, and played by its link', kCase, async () => {
    const server = await startServer();
    const browser = await launch();
    let stranger = null;
    let closed = false;
    try {
        const page = await browser.page({ width: 1280, height: 900 });
        await page.goto(`${server.origin}/edit.html`);
        await pageWait(page, 'the palette', () => document.querySelectorAll('#palette .brick').length);
        // Every kind and colour the level file allows: 10 each of stone, metal and gem, 3 each of
        // hidden, stable and fire.
        assert.equal(await page.evaluate(() => document.querySelectorAll('#palette .brick').length), 39);

        // Level 1: a row of fire bricks (cell by cell) and a row of blue gems (one stroke).
        await page.click('#palette button[data-code="60"]');
        for (let column = 0; column < kColumns; ++column) await clickCell(page, 2, column);
        await page.click('#palette button[data-code="35"]');
        let at = await cellPoint(page, 4, 0);
        await page.mouse.move(at.x, at.y);
        await page.mouse.down();
        for (let column = 1; column < kColumns; ++column) {
            at = await cellPoint(page, 4, column);
            await page.mouse.move(at.x, at.y);
        }
        await page.mouse.up();
        const level1 = Array(kLevelCells).fill(0);
        level1.fill(60, 2 * kColumns, 3 * kColumns);
        level1.fill(35, 4 * kColumns, 5 * kColumns);
        const empty = Array(kLevelCells).fill(0);
        assert.deepEqual(await cells(page), [...level1, ...empty, ...empty]);
        // The stroke is one change: undo takes the whole row back, redo brings it again.
        await page.click('#undo');
        const withoutGems = [...level1];
        withoutGems.fill(0, 4 * kColumns, 5 * kColumns);
        assert.deepEqual(await cells(page), [...withoutGems, ...empty, ...empty]);
        await page.click('#redo');
        assert.deepEqual(await cells(page), [...level1, ...empty, ...empty]);
        // The server's check, shown: two levels have nothing to break, so no publishing yet.
        assert.match(await checkText(page), /Level 2 has no brick to break.*Level 3 has no brick to break/);
        assert.equal(await page.evaluate(() => document.getElementById('publish-button').disabled), true);

        // Test-play: the level shown, in every place of a set of its own, opened in the game.
        const trial = levelFile([level1, level1, level1]);
        await page.click('#test-play');
        const trialId = await pageWait(page, 'the game on the trial set',
            () => new URLSearchParams(location.search).get('set'));
        assert.equal(trialId, sha256(trial));
        await playsSet(page, setScreens(trial));
        // The set's game writes its own files, in a folder of the set's own.
        const stored = await pageWait(page, 'the set\'s saved game in the storage', (id) => {
            const fs = globalThis.FS ?? globalThis.Module?.FS;
            const path = `/persist/vextorium2/sets/${id}/AutoSave.dat`;
            return fs && fs.analyzePath(path).exists ? Array.from(fs.readFile(path)) : null;
        }, trialId).catch(() => null);
        assert.ok(stored, 'the set\'s saved game in a folder of its own');

        // Back in the editor the work is as it was; levels 2 and 3 filled, one cell erased.
        await page.goto(`${server.origin}/edit.html`);
        await pageWait(page, 'the palette', () => document.querySelectorAll('#palette .brick').length);
        assert.deepEqual(await cells(page), [...level1, ...empty, ...empty]);
        await page.click('#tools button[data-tool="fill"]');
        await page.click('#palette button[data-code="12"]');
        await page.click('#tabs button[data-level="1"]');
        await clickCell(page, 7, 5);
        await page.click('#palette button[data-code="21"]');
        await page.click('#tabs button[data-level="2"]');
        await clickCell(page, 15, 10);
        await page.click('#tools button[data-tool="erase"]');
        await clickCell(page, 0, 0);
        const level2 = Array(kLevelCells).fill(12);
        const level3 = Array(kLevelCells).fill(21);
        level3[0] = 0;
        assert.deepEqual(await cells(page), [...level1, ...level2, ...level3]);
        assert.match(await checkText(page), /Ready to publish/);

        // Published under a name: the server answers the id, serves the file and lists the set.
        const file = levelFile([level1, level2, level3]);
        const id = sha256(file);
        await page.click('#set-name');
        await page.keyboard.type('Rows');
        await page.click('#publish-button');
        await pageWait(page, 'the set published', () => /Published/.test(document.getElementById('publish-result').textContent));
        assert.equal(await page.evaluate(() => document.querySelector('#publish-result a').getAttribute('href')), `./?set=${id}`);
        const served = await fetch(`${server.origin}/sets/${id}`);
        assert.equal(served.status, 200);
        assert.deepEqual(Buffer.from(await served.arrayBuffer()), file);
        const listed = await (await fetch(`${server.origin}/sets.json`)).json();
        assert.ok(listed.some((set) => set.id === id && set.name === 'Rows'), JSON.stringify(listed));
        assert.deepEqual(await browser.pageErrors(), [], 'errors thrown in the page');

        // Its link, in a browser with empty storage: the game fetches the set and plays it. (One
        // browser at a time: WebKit's driver holds one session.)
        await browser.close();
        closed = true;
        stranger = await launch();
        const other = await stranger.page({ width: 1280, height: 800 });
        // A copy opened in the editor from the server first: the same levels.
        await other.goto(`${server.origin}/edit.html?set=${id}`);
        await pageWait(other, 'the copy', () => /Ready to publish/.test(document.getElementById('check').textContent));
        assert.deepEqual(await cells(other), [...level1, ...level2, ...level3]);
        await other.goto(`${server.origin}/?set=${id}`);
        await playsSet(other, setScreens(file));
        assert.deepEqual(await stranger.pageErrors(), [], 'errors thrown in the page');
    } finally {
        if (stranger) await stranger.close();
        if (!closed) await browser.close();
        await server.stop();
    }
});

test('a file that is no level file is refused plainly and the work is kept; a set opened downloads as it was', { ...kCase,
    ...onlyIn(['chromium', 'firefox'], 'a file chosen for the page') }, async () => {
    const server = await startServer();
    const browser = await launch();
    const scratch = mkdtempSync(join(tmpdir(), 'v2-open-'));
    try {
        const page = await browser.page({ width: 390, height: 844 });
        await page.goto(`${server.origin}/edit.html`);
        await pageWait(page, 'the palette', () => document.querySelectorAll('#palette .brick').length);
        // Every target a finger aims at is at least 44 pixels each way.
        const small = await page.evaluate(() => Array.from(document.querySelectorAll('button, .button, input:not([hidden])'))
            .filter((e) => e.offsetParent !== null)
            .map((e) => e.getBoundingClientRect()).filter((r) => r.width < 44 || r.height < 44).length);
        assert.equal(small, 0);
        await clickCell(page, 3, 3);
        const work = await cells(page);
        const input = await page.$('#open-file');
        // One byte short, then the right size with a cell of kind 7.
        const short = join(scratch, 'short.dat');
        writeFileSync(short, Buffer.alloc(2111));
        await input.uploadFile(short);
        await pageWait(page, 'the refusal', () => !document.getElementById('overlay').hidden);
        assert.match(await page.evaluate(() => document.getElementById('overlay-text').textContent), /2,112 bytes; this one holds 2,111/);
        await page.click('#overlay-button');
        const damaged = Buffer.alloc(2112);
        damaged.writeInt32LE(70, 4 * 5);
        const bad = join(scratch, 'bad.dat');
        writeFileSync(bad, damaged);
        await input.uploadFile(bad);
        await pageWait(page, 'the refusal', () => !document.getElementById('overlay').hidden);
        assert.match(await page.evaluate(() => document.getElementById('overlay-text').textContent), /row 1, column 6 holds 70/);
        assert.deepEqual(await cells(page), work);
        await page.click('#overlay-button');

        // One of our sets opened, then downloaded under the name given: the same bytes.
        const ours = join(dirname(setting('V2_REPLAY')), 'sets', 'wildfire.dat');
        await input.uploadFile(ours);
        await pageWait(page, 'the set opened', () => /Ready to publish/.test(document.getElementById('check').textContent));
        await page.evaluate(() => {
            const made = URL.createObjectURL;
            URL.createObjectURL = (blob) => {
                window.v2Downloaded = blob;
                return made.call(URL, blob);
            };
            // The file is taken here, not saved: a browser under automation may open it instead.
            HTMLAnchorElement.prototype.click = function () {
                window.v2DownloadName = this.download;
            };
        });
        await page.click('#set-name');
        await page.keyboard.type('Wildfire');
        await page.click('#download');
        const downloaded = await pageWait(page, 'the download', async () => window.v2Downloaded &&
            [window.v2DownloadName, Array.from(new Uint8Array(await window.v2Downloaded.arrayBuffer()))]);
        assert.equal(downloaded[0], 'Wildfire.dat');
        assert.deepEqual(Buffer.from(downloaded[1]), readFileSync(ours));
        assert.deepEqual(await browser.pageErrors(), [], 'errors thrown in the page');
    } finally {
        rmSync(scratch, { recursive: true, force: true });
        await browser.close();
        await server.stop();
    }
});
