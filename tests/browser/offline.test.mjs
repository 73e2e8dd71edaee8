// The web game installed: its icons and manifest, the sounds it makes in the page, and play with
// the server gone after one visit.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { before, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { firstVisitBytes } from './first_visit.mjs';
import { launch, setting, startServer, storedFiles, storeFiles, waitForScreen, waitForStill }
    from './harness.mjs';
import { loseSavedGameAsAC } from './play.mjs';
import { kSavedGame, references } from './references.mjs';

const kCase = { timeout: 240000 };

let ref;
before(() => {
    ref = references(setting('V2_REPLAY'));
});

// Waits until the offline worker has a whole build kept (its marker written last).
async function installed(page) {
    await page.waitForFunction(async () => {
        for (const name of await caches.keys()) if (await (await caches.open(name)).match('.build')) return true;
        return false;
    }, { timeout: 60000, polling: 200 });
}

test('the page names its manifest, icons and favicon, served with their types, plays the desktop\'s sounds and costs a first visit under 400 KB', kCase, async () => {
    const server = await startServer();
    const chromium = await launch();
    try {
        const get = async (path) => {
            const reply = await fetch(`${server.origin}/${path}`);
            return { type: reply.headers.get('content-type'), cache: reply.headers.get('cache-control'),
                status: reply.status, bytes: Buffer.from(await reply.arrayBuffer()) };
        };
        const favicon = await get('favicon.ico');
        assert.equal(favicon.status, 200);
        assert.equal(favicon.type, 'image/x-icon');
        // An icon file: reserved 0, type 1, then its pictures; 16 and 32 pixels among them.
        assert.deepEqual([favicon.bytes.readUInt16LE(0), favicon.bytes.readUInt16LE(2)], [0, 1]);
        const sides = Array.from({ length: favicon.bytes.readUInt16LE(4) }, (_, i) => favicon.bytes[6 + 16 * i]);
        assert.ok(sides.includes(16) && sides.includes(32), `favicon sides ${sides}`);

        const manifest = await get('manifest.webmanifest');
        assert.equal(manifest.type, 'application/manifest+json');
        const app = JSON.parse(manifest.bytes.toString());
        assert.equal(app.name, 'Vextorium2');
        assert.equal(app.display, 'standalone');
        assert.match(app.theme_color, /^#[0-9A-Fa-f]{6}$/);
        // The sizes browsers install from, each a PNG of the size it claims (IHDR width, height).
        const declared = [];
        for (const icon of app.icons.filter((i) => i.type === 'image/png')) {
            const png = await get(icon.src);
            assert.equal(png.type, 'image/png', icon.src);
            const side = png.bytes.readUInt32BE(16);
            assert.equal(icon.sizes, `${side}x${png.bytes.readUInt32BE(20)}`, icon.src);
            declared.push(side);
        }
        assert.ok(declared.includes(192) && declared.includes(512), `icon sizes ${declared}`);

        // The worker script is fetched afresh on every check, never kept stale.
        const worker = await get('sw.js');
        assert.equal(worker.type, 'text/javascript; charset=utf-8');
        assert.match(worker.cache, /no-cache/);

        // The page links them, and shows the title.
        const page = await chromium.page();
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        const links = await page.$$eval('link', (all) => all.map((l) => l.rel));
        assert.ok(['icon', 'manifest'].every((rel) => links.includes(rel)), `links ${links}`);
        // Chromium finds nothing that keeps it from offering to install the page.
        const cdp = await page.createCDPSession();
        const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
        assert.deepEqual(installabilityErrors, []);

        // The sounds rendered in the page are the desktop's WAV files: the same header, and no
        // sample more than one step away.
        const native = dirname(setting('V2_REPLAY'));
        const made = await page.evaluate(() => {
            const out = {};
            for (const name of FS.readdir('/game').filter((n) => n.endsWith('.wav'))) {
                out[name] = Array.from(FS.readFile(`/game/${name}`));
            }
            return out;
        });
        assert.deepEqual(Object.keys(made).sort(),
            ['Action.wav', 'blast.wav', 'hit.wav', 'menudown.wav', 'menuup.wav', 'music.wav']);
        for (const [name, bytes] of Object.entries(made)) {
            const mine = Buffer.from(bytes);
            const theirs = readFileSync(join(native, name));
            assert.equal(mine.length, theirs.length, name);
            assert.ok(mine.subarray(0, 44).equals(theirs.subarray(0, 44)), `${name} header`);
            let largest = 0;
            for (let at = 44; at < mine.length; at += 2) {
                largest = Math.max(largest, Math.abs(mine.readInt16LE(at) - theirs.readInt16LE(at)));
            }
            assert.ok(largest <= 1, `${name}: a sample ${largest} steps away`);
        }

        // A first visit costs a phone at most 400 KB, the worker's copy of the game included.
        const sent = await firstVisitBytes(chromium.browser, server.port, ref.title);
        assert.ok(sent <= 400 * 1000, `a first visit sent ${sent} bytes`);
        assert.deepEqual(await chromium.pageErrors(), []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

test('after one visit the game starts and plays with the server gone; its score goes with the next exchange', kCase, async (t) => {
    let server = await startServer();
    const chromium = await launch();
    try {
        const page = await chromium.page();
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        await installed(page);
        await storeFiles(page, { 'AutoSave.dat': kSavedGame });
        const { port } = server;
        await server.stop();

        await page.reload();
        await waitForScreen(page, 'the title with the server gone', ref.title);
        await loseSavedGameAsAC(page, ref);
        await waitForStill(page, 'the table after its wipe');
        // Sent with no server: the score stays in the table, to be sent.
        await page.keyboard.press('F1');
        await sleep(1500);
        const pending = Buffer.from((await storedFiles(page))['ScoreList.sav'] ?? []);
        await t.test('the score is kept, to be sent', () => {
            assert.equal(pending.length, 3202);
            const entries = Array.from({ length: 100 }, (_, i) => pending.subarray(2 + 32 * i, 2 + 32 * (i + 1)));
            const ours = entries.filter((e) => e.toString('utf16le', 2, 6) === 'AC' && e.readUInt16LE(6) === 0);
            assert.equal(ours.length, 1);
            assert.ok(ours[0].readUInt32LE(20) >= 1230);
            assert.notEqual(ours[0][0], 0, 'marked to be sent');
        });

        // The server back: the next exchange sends it.
        server = await startServer({ port });
        let list = '';
        for (let attempt = 0; attempt < 5 && !list; ++attempt) {
            await page.keyboard.press('F1');
            for (let i = 0; i < 30 && !list; ++i, await sleep(100)) list = await server.list();
        }
        assert.match(list, /^;AC,\d+$/);
        assert.ok(Number(list.split(',')[1]) >= 1230, list);
        assert.deepEqual(await chromium.pageErrors(), []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

// A new build on the server, whole or half-replaced: update.test.mjs, in every engine.
