#!/usr/bin/env node
// Figures of the web game: download size, a first visit's bytes and its title over a slow link,
// time from navigation to the title frame on loopback, and the processor use of headless
// Chromium on the title screen and in play (the ball held, then moving), beside that of a page
// with nothing but a canvas handed the same pictures at the same times, and of a page that only
// wakes at the game's gate rate. Builds nothing.
//   node tests/browser/figures.mjs --server build/bin/scoreserver --web build-web/bin/web \
//       --replay build/bin/vextorium2-replay [--seconds 10] [--loads 5]
//       [--before DIR]   an earlier build's web directory, measured the same way after it
import { readFileSync, readdirSync, statSync } from 'node:fs';
import { request } from 'node:http';
import { join, resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { gzipSync } from 'node:zlib';
import { firstVisitBytes, slowFirstVisit, titleWatcher } from './first_visit.mjs';
import { kHeight, kWidth } from './frames.mjs';
import { launch, startServer, toolOptions, until, waitForPaddle, waitForScreen } from './harness.mjs';
import { flameTurns } from './play.mjs';
import { references } from './references.mjs';

const { option, replay } = toolOptions();
const seconds = Number(option('--seconds', 10));
const loads = Number(option('--loads', 5));
const before = option('--before', null);  // an earlier build's web directory
const ref = references(replay);
const kib = (n) => (n / 1024).toFixed(1).padStart(9);

// Bytes the server sends for a path to a client that takes gzip.
function served(origin, path) {
    return new Promise((done, fail) => {
        request(`${origin}${path}`, { headers: { 'Accept-Encoding': 'gzip' } }, (reply) => {
            let bytes = 0;
            reply.on('data', (chunk) => { bytes += chunk.length; });
            reply.on('end', () => done({ bytes, encoding: reply.headers['content-encoding'] ?? '-' }));
        }).on('error', fail).end();
    });
}

// Processor ticks of a process and of every process below it, with each one's kind (Chromium's
// --type=...).
function treeTicks(root) {
    const parent = new Map();
    for (const name of readdirSync('/proc')) {
        if (!/^\d+$/.test(name)) continue;
        try {
            const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
            const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
            parent.set(Number(name), { ppid: Number(fields[1]), ticks: Number(fields[11]) + Number(fields[12]) });
        } catch { /* gone meanwhile */ }
    }
    const inTree = (pid) => {
        for (let p = pid; p > 1; p = parent.get(p)?.ppid ?? 0) if (p === root) return true;
        return false;
    };
    const tree = new Map();
    for (const [pid, { ticks }] of parent) {
        if (!inTree(pid)) continue;
        let kind = 'browser';
        try {
            const line = readFileSync(`/proc/${pid}/cmdline`, 'utf8');
            kind = line.match(/--type=([\w-]+)/)?.[1] ?? kind;
        } catch { /* gone meanwhile */ }
        tree.set(pid, { kind, ticks });
    }
    return tree;
}

// A process that ends during the interval is not counted; one that starts counts from zero.
async function processorUse(pid, label) {
    const before = treeTicks(pid);
    await sleep(seconds * 1000);
    const after = treeTicks(pid);
    const hz = 100;  // USER_HZ on Linux
    const byKind = {};
    for (const [p, { kind, ticks }] of after) {
        byKind[kind] = (byKind[kind] ?? 0) + (100 * (ticks - (before.get(p)?.ticks ?? 0))) / hz / seconds;
    }
    const kinds = Object.keys(byKind).sort();
    const total = kinds.reduce((sum, k) => sum + byKind[k], 0);
    // The page's own processes: its renderer and the GPU process that shows its pictures.
    const page = (byKind.renderer ?? 0) + (byKind['gpu-process'] ?? 0);
    console.log(`${label.padEnd(8)} ${page.toFixed(1).padStart(6)} ${total.toFixed(1).padStart(6)}   ` +
        kinds.map((k) => `${k} ${byKind[k].toFixed(1)}`).join(', '));
    return page;
}

// What the game's page hands its canvas for `ms`: each band of rows (its time from the start,
// first row, rows, RGBA bytes in base64), as the program's v2ShowFrame gives it.
function recordPictures(page, ms) {
    return page.evaluate((ms) => new Promise((resolve) => {
        const show = Module.v2ShowFrame;
        const bands = [];
        const start = performance.now();
        Module.v2ShowFrame = (rgba, top, rows) => {
            bands.push([performance.now() - start, top, rows, rgba.slice()]);
            show(rgba, top, rows);
        };
        setTimeout(() => {
            Module.v2ShowFrame = show;
            const base64 = (bytes) => {
                let text = '';
                for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
                return btoa(text);
            };
            const size = document.getElementById('canvas').getBoundingClientRect();
            resolve({ ms, width: size.width, height: size.height,
                bands: bands.map(([at, top, rows, bytes]) => [at, top, rows, base64(bytes)]) });
        }, ms);
    }), ms);
}

// A page with nothing but a canvas of the game's size, shown as large, handed the recorded
// pictures at their times, over and over, as the game's page hands them: the least any page
// showing the game's pictures can cost the browser.
async function plainCanvas(chromium, recording) {
    const page = await chromium.page();
    await page.setContent(`<!doctype html><body style="margin:0; height:100vh; display:flex; ` +
        'align-items:center; justify-content:center; background:#000"><canvas id="canvas" width="176" ' +
        `height="220" style="width:${recording.width}px; height:${recording.height}px; ` +
        'image-rendering:pixelated"></canvas></body>');
    await page.evaluate((recording) => {
        const context = document.getElementById('canvas').getContext('2d', { alpha: false, willReadFrequently: true });
        const image = context.createImageData(176, 220);
        const bands = recording.bands.map(([at, top, rows, text]) =>
            [at, top, rows, Uint8Array.from(atob(text), (c) => c.charCodeAt(0))]);
        if (bands.length === 0) return;
        let next = 0;
        let base = performance.now();
        const show = () => {
            for (const now = performance.now() - base; next < bands.length && bands[next][0] <= now; ++next) {
                const [, top, rows, bytes] = bands[next];
                image.data.set(bytes, top * 176 * 4);
                context.putImageData(image, 0, 0, 0, top, 176, rows);
            }
            if (next === bands.length) {
                next = 0;
                base += recording.ms;
            }
            setTimeout(show, Math.max(0, bands[next][0] - (performance.now() - base)));
        };
        show();
    }, recording);
    return page;
}

// The title, then play with the ball held on the paddle, then with the ball moving (the action
// key pressed every second, which sends a lost ball off again): the processor use of each, as
// `${prefix}title`, `${prefix}play` and `${prefix}moving`, and the game's speed in play over the
// page's clock. Each screen's pictures are recorded for a few seconds before it is measured;
// returns the recordings and the page's figures.
async function screens(chromium, origin, pid, prefix) {
    const page = await chromium.page();
    const recordings = {};
    const figures = {};
    const kRecordMs = 3000;
    await page.goto(`${origin}/`);
    await waitForScreen(page, 'the title', ref.title);
    await sleep(2000);  // the start-up's work done
    recordings.title = await recordPictures(page, kRecordMs);
    figures.title = await processorUse(pid, `${prefix}title`);
    for (const [screen, what] of [[ref.about, 'credits'], [ref.menu, 'menu'], [ref.stage, 'stage']]) {
        await until(page, what, () => page.keyboard.press('Enter'));
        await waitForScreen(page, what, screen);
    }
    await until(page, 'play', () => page.keyboard.press('Enter'));
    await waitForPaddle(page, 'play', ref.paddle, (x) => x === 70);
    recordings.play = await recordPictures(page, kRecordMs);
    figures.play = await processorUse(pid, `${prefix}play`);
    // The game's speed: the fire brick's flames turn every 10 ticks, a tick at every gate (11 ms).
    const { turns, elapsed } = await flameTurns(page, ref.playMask, seconds * 1000);
    console.log(`${prefix}speed  the flames turned ${turns} times in ${elapsed.toFixed(0)} ms of the page's ` +
        `clock: ${(turns * 110 / elapsed * 100).toFixed(1)}% of the gates' speed`);
    let moving = true;
    const keepMoving = (async () => {
        while (moving) {
            await page.keyboard.press('Enter');
            await sleep(1000);
        }
    })();
    await sleep(500);
    recordings.moving = await recordPictures(page, kRecordMs);
    figures.moving = await processorUse(pid, `${prefix}moving`);
    moving = false;
    await keepMoving;
    await page.close();
    return { recordings, figures };
}

const server = await startServer();
const chromium = await launch();
try {
    console.log('download (KiB)            raw     gzip -9  served (encoding)');
    let total = [0, 0, 0];
    for (const name of readdirSync(process.env.V2_WEB_DIR).sort()) {
        const path = join(process.env.V2_WEB_DIR, name);
        if (!statSync(path).isFile()) continue;
        const bytes = readFileSync(path);
        const packed = gzipSync(bytes, { level: 9 }).length;
        const sent = await served(server.origin, `/${name}`);
        total = [total[0] + bytes.length, total[1] + packed, total[2] + sent.bytes];
        console.log(`  ${name.padEnd(20)}${kib(bytes.length)}${kib(packed)}${kib(sent.bytes)} (${sent.encoding})`);
    }
    console.log(`  ${'all'.padEnd(20)}${kib(total[0])}${kib(total[1])}${kib(total[2])}`);

    // --loads 0 leaves out the visits and loads (the processor figures alone).
    if (loads > 0) {
        // A first visit: all the server sends (the offline worker's copy included), and the title
        // over a phone's link.
        console.log(`first visit, all sent (KiB): ${kib(await firstVisitBytes(chromium.browser, server.port, ref.title))}`);
        const slow = [];
        for (let i = 0; i < loads; ++i) slow.push(await slowFirstVisit(chromium.browser, `${server.origin}/`, ref.title));
        slow.sort((x, y) => x.titleMs - y.titleMs);
        const middle = slow[slow.length >> 1];
        console.log(`title on 1.6 Mbit/s, 150 ms round trips (ms, ${loads} first visits): median ` +
            `${middle.titleMs.toFixed(0)}, min ${slow[0].titleMs.toFixed(0)}, max ${slow.at(-1).titleMs.toFixed(0)}; ` +
            `on the wire by the title ${(middle.beforeTitle / 1024).toFixed(1)} KiB, the page's requests in all ` +
            `${(middle.all / 1024).toFixed(1)} KiB`);

        // The moment the canvas first shows the title, from the navigation's start, in the page's
        // own clock: a watcher put into each new document checks the canvas on every frame.
        const title = Buffer.from(ref.title).toString('base64');
        const times = { cold: [], warm: [] };
        for (let i = 0; i < loads; ++i) {
            const context = await chromium.browser.createBrowserContext();
            const page = await context.newPage();
            await page.setViewport({ width: 1280, height: 800 });
            await page.evaluateOnNewDocument(titleWatcher, title, kWidth, kHeight);
            for (const kind of ['cold', 'warm']) {
                await (kind === 'cold' ? page.goto(`${server.origin}/`) : page.reload());
                await page.waitForFunction(() => globalThis.titleShownAt !== undefined, { timeout: 60000 });
                times[kind].push(await page.evaluate(() => globalThis.titleShownAt));
            }
            await context.close();
        }
        for (const [kind, list] of Object.entries(times)) {
            list.sort((a, b) => a - b);
            console.log(`navigation to title, ${kind} cache (ms, ${loads} loads): median ` +
                `${list[list.length >> 1].toFixed(0)}, min ${list[0].toFixed(0)}, max ${list.at(-1).toFixed(0)}`);
        }
    }

    // Processor use: the title, then play with the ball held on the paddle; with --before, the
    // same for an earlier build's page, served by a server of its own, in the same run.
    const pid = chromium.browser.process().pid;
    console.log(`chromium ${seconds} s a screen: % of one core, the page (renderer + gpu), all ` +
        'processes, then by kind');
    const game = await screens(chromium, server.origin, pid, '');
    // The same pictures at the same times on a page that does nothing else.
    const plain = {};
    for (const [name, recording] of Object.entries(game.recordings)) {
        const page = await plainCanvas(chromium, recording);
        await sleep(1000);
        // The game's page had a key every second while the ball moved: this one too.
        let keys = name === 'moving';
        const pressing = (async () => {
            for (; keys; await sleep(1000)) await page.keyboard.press('Enter');
        })();
        plain[name] = await processorUse(pid, `plain-${name}`);
        keys = false;
        await pressing;
        await page.close();
    }
    for (const name of Object.keys(plain)) {
        const shown = game.recordings[name].bands;
        const rows = shown.reduce((sum, band) => sum + band[2], 0);
        const ratio = plain[name] > 0 ? (game.figures[name] / plain[name]).toFixed(2) : '-';
        console.log(`over-plain-${name} ${ratio}  the game's page ` +
            `${game.figures[name].toFixed(1)}, a canvas alone ${plain[name].toFixed(1)} (% of one core); ` +
            `${(shown.length * 1000 / game.recordings[name].ms).toFixed(0)} pictures a second, ` +
            `${(rows * 1000 / game.recordings[name].ms).toFixed(0)} rows a second`);
    }
    if (before) {
        const earlier = await startServer({ web: before });
        try {
            await screens(chromium, earlier.origin, pid, 'before-');
        } finally {
            await earlier.stop();
        }
    }

    // What the browser costs a page that does nothing but wake as often as the game's gates open
    // (every 11 ms): the least the game's page can cost, whatever it does when it wakes.
    const idle = await chromium.page();
    await idle.evaluate(() => {
        const wake = () => setTimeout(wake, 11);
        wake();
    });
    await sleep(1000);
    await processorUse(pid, 'wakes');
} finally {
    await chromium.close();
    await server.stop();
}
