// A real game played in the page is proven by the native score server: a new game to a game
// over and a high score, the name entered, the score and the game's record sent with the left
// soft key to a server that lists proven scores only.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { before, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { onlyIn } from './engines.mjs';
import { findPaddle } from './frames.mjs';
import { launch, setting, startServer, storedFiles, storeFiles, until, waitForScreen } from './harness.mjs';
import { lowScoreTable, press, sendUntilListed } from './play.mjs';
import { references } from './references.mjs';

const kCase = { timeout: 240000 };
const kFakeProof = 'not a record';

let ref;
before(() => {
    ref = references(setting('V2_REPLAY'));
});

// ScoreProofs.dat holding a proof for OLD: "V2SP", its name's 9 units, its score, the length.
function seededProofs() {
    const head = Buffer.alloc(18 + 8);
    head.write('OLD', 0, 'utf16le');
    head.writeUInt32LE(1, 18);
    head.writeUInt32LE(kFakeProof.length, 22);
    return Buffer.concat([Buffer.from('V2SP'), head, Buffer.from(kFakeProof)]);
}

const entryOf = (table, i) => {
    const entry = table.subarray(2 + 32 * i, 2 + 32 * (i + 1));
    return { pending: entry[0], name: entry.toString('utf16le', 2, 20).replace(/\0+$/, ''), score: entry.readUInt32LE(20) };
};

// The stored record holds a finished game: the game's end (0xE0) right before the 8 check bytes.
const gameEnded = (files) => {
    const record = files['GameRecord.dat'] ?? [];
    return record.length > 9 && record[record.length - 9] === 0xe0;
};

test('a new game played in the page to a high score is proven by the native server and listed; a record a server does not know is no failure, a refused score is told apart',
    { ...kCase, ...onlyIn(['chromium'], 'request interception') }, async () => {
    const server = await startServer({ provenOnly: true });
    const chromium = await launch();
    try {
        const page = await chromium.page({ width: 1280, height: 800 });
        // OLD's record is answered as by a server that knows nothing of records (404), so OLD
        // goes up without it, and that upload is refused for good (422). Every other request
        // reaches the server.
        await page.setRequestInterception(true);
        page.on('request', (r) => {
            if (r.method() === 'POST' && r.postData() === kFakeProof) {
                r.respond({ status: 404, contentType: 'text/plain', body: 'not found\n' });
            } else if (r.url().includes('myname=OLD')) {
                r.respond({ status: 422, contentType: 'text/plain', body: 'proof refused\n' });
            } else {
                r.continue();
            }
        });
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        await storeFiles(page, { 'ScoreList.sav': lowScoreTable({ name: 'OLD', score: 1 }), 'ScoreProofs.dat': seededProofs() });
        await page.reload();
        await waitForScreen(page, 'the title after the reload', ref.title);
        await page.evaluate(() => {
            window.exchangeTexts = [];
            const line = document.getElementById('exchange');
            new MutationObserver(() => window.exchangeTexts.push(line.textContent)).observe(line, { childList: true, characterData: true, subtree: true });
        });

        // A new game; the paddle held left (pressed until play takes it) loses every ball, and
        // Enter launches each.
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'Enter', ref.stage, 'stage 1');
        await press(page, 'Enter', ref.play, 'play', ref.playMask);
        await until(page, 'ArrowLeft held in play', () => page.keyboard.down('ArrowLeft'), (frame) => {
            const x = findPaddle(frame, ref.paddle);
            return x >= 0 && x !== 70;
        });
        let files = {};
        for (let i = 0; i < 150 && !gameEnded(files); ++i) {
            await page.keyboard.press('Enter');
            await sleep(400);
            files = await storedFiles(page);
        }
        await page.keyboard.up('ArrowLeft');
        assert.ok(gameEnded(files), 'no game over within a minute');

        // The name entered and the score sent (OLD, waiting in a table of scores of 0, first).
        const json = await sendUntilListed(page, server);
        // The exchange that sent both scores said that one was turned down, not that sending
        // failed (a slow answer may have let a second left soft key start another, which then
        // had nothing refused).
        await page.waitForFunction(() => window.exchangeTexts.some((t) => /down|sent|failed/i.test(t)), { timeout: 20000 });
        const texts = (await page.evaluate(() => window.exchangeTexts)).filter((t) => t);
        assert.deepEqual(texts.slice(0, 2), ['Sending scores…', 'The server turned a score down.']);
        const told = ['Sending scores…', 'The server turned a score down.', 'Scores sent.'];
        assert.ok(texts.every((t) => told.includes(t)), texts.join(' / '));

        // The page's game stored the score it showed, answered; OLD, refused, is not sent again.
        files = await storedFiles(page);
        const table = Buffer.from(files['ScoreList.sav'] ?? []);
        assert.equal(table.length, 3202);
        const entered = entryOf(table, 0);
        assert.equal(entered.name, 'A');
        assert.equal(entered.pending, 0, 'the server\'s answer was taken');
        assert.ok(entered.score > 0);
        assert.deepEqual(entryOf(table, 1), { pending: 0, name: 'OLD', score: 1 });
        assert.deepEqual(files['ScoreProofs.dat'] ?? [], [], 'no proof left pending');

        // The record proves that score with the native runner, and the server lists it as
        // proven (OLD never reached it).
        const record = Buffer.from(files['GameRecord.dat']);
        const key = createHash('sha256').update(record).digest('hex');
        assert.deepEqual(json, [{ rank: 1, name: 'A', score: entered.score, proven: true, replay: `/replays/${key}`, sessions: 1, pace: 100 }]);
        const scratch = mkdtempSync(join(tmpdir(), 'v2-record-'));
        try {
            writeFileSync(join(scratch, 'GameRecord.dat'), record);
            const replay = setting('V2_REPLAY');
            const verdict = spawnSync(replay, ['--verify', join(scratch, 'GameRecord.dat'), '--levels',
                join(dirname(replay), 'BrickMap.dat')], { encoding: 'utf8' });
            // The runner names the game by what was played (the server's link names the record).
            assert.match(verdict.stdout, new RegExp(`^proven ${entered.score} [0-9a-f]{64}\n$`));
            assert.equal(verdict.status, 0);
        } finally {
            rmSync(scratch, { recursive: true, force: true });
        }
        console.log(`page game: record ${record.length} bytes, score ${entered.score}`);
        assert.deepEqual(await chromium.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await chromium.close();
        await server.stop();
    }
});

// A game on a level set played in the page (`/?set=ID`, the set published on the server): its
// files in the set's own folder, its score proven on the set's levels and listed on the set's
// board only.
test('a game on a level set played in the page is proven and listed on the set\'s board only',
    { ...kCase, ...onlyIn(['chromium'], 'the exchange is the same in every engine') }, async () => {
    const server = await startServer({ provenOnly: true });
    const chromium = await launch();
    try {
        const set = readFileSync(join(dirname(setting('V2_REPLAY')), 'sets', 'wildfire.dat'));
        const id = createHash('sha256').update(set).digest('hex');
        const published = await fetch(`${server.origin}/sets?name=WILDFIRE`, { method: 'POST', body: set });
        assert.equal(published.status, 200);
        assert.equal(await published.text(), `${id}\n`);

        const page = await chromium.page({ width: 1280, height: 800 });
        await page.goto(`${server.origin}/?set=${id}`);
        await waitForScreen(page, 'the title', ref.title);
        await press(page, 'Enter', ref.about, 'the credits');
        await press(page, 'Enter', ref.menu, 'the menu');
        await press(page, 'Enter', ref.stage, 'stage 1');
        // Play, told by the paddle (the set's bricks are not the built-in picture's).
        await until(page, 'Enter for play', () => page.keyboard.press('Enter'),
            (frame) => findPaddle(frame, ref.paddle) >= 0);
        await until(page, 'ArrowLeft held in play', () => page.keyboard.down('ArrowLeft'), (frame) => {
            const x = findPaddle(frame, ref.paddle);
            return x >= 0 && x !== 70;
        });
        const folder = `sets/${id}`;
        let files = {};
        for (let i = 0; i < 150 && !gameEnded(files); ++i) {
            await page.keyboard.press('Enter');
            await sleep(400);
            files = await storedFiles(page, folder);
        }
        await page.keyboard.up('ArrowLeft');
        assert.ok(gameEnded(files), 'no game over within a minute');

        const json = await sendUntilListed(page, server, `/scores.json?set=${id}`);
        files = await storedFiles(page, folder);
        // In the set's own table (the described default one, as a new set starts with).
        const table = Buffer.from(files['ScoreList.sav'] ?? []);
        assert.equal(table.length, 3202);
        const entered = Array.from({ length: 100 }, (_, i) => entryOf(table, i)).find((e) => e.name === 'A');
        assert.ok(entered, 'A entered in the set\'s table');
        assert.equal(entered.pending, 0, 'the server\'s answer was taken');
        const record = Buffer.from(files['GameRecord.dat']);
        const key = createHash('sha256').update(record).digest('hex');
        assert.deepEqual(json, [{ rank: 1, name: 'A', score: entered.score, proven: true, replay: `/replays/${key}`, sessions: 1, pace: 100 }]);
        const builtIn = await (await fetch(`${server.origin}/scores.json`)).json();
        assert.deepEqual(builtIn, [], 'the built-in board holds none of it');
        assert.equal((await storedFiles(page))['GameRecord.dat'], undefined, 'the built-in set\'s files untouched');
        assert.deepEqual(await chromium.pageErrors(), [], 'errors thrown in the page');
    } finally {
        await chromium.close();
        await server.stop();
    }
});
