// The installed game in every engine: a first visit is sent each file once and 400 KB at most,
// counted on the wire; a new build deployed while a page is played is taken whole at the next
// start, and no start waits for it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { appendFileSync, cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { before, test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { fileURLToPath } from 'node:url';
import { engine } from './engines.mjs';
import { firstVisit } from './first_visit.mjs';
import { launch, setting, startServer, until, waitForScreen } from './harness.mjs';
import { differences } from './frames.mjs';
import { references } from './references.mjs';

const kCase = { timeout: 240000 };
const kSource = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

let ref;
before(() => {
    ref = references(setting('V2_REPLAY'));
});

// WebKit's automation session keeps no HTTP cache the page can read back, so there the page's own
// small files (the page, its style and scripts, the favicon: about 20 KB) go a second time to the
// offline worker; the program's files go once everywhere.
test('a first visit is sent each file of the game once, 400 KB in all at most', kCase, async () => {
    const server = await startServer();
    try {
        const visit = await firstVisit(server.port, ref.title);
        const small = new Set(['/', '/index.html', '/page.css', '/offline.js', '/page.js', '/favicon.ico']);
        const twice = Object.entries(visit.files).filter(([path, n]) => n.full > 1 &&
            !(engine === 'webkit' && small.has(path)));
        assert.deepEqual(twice, [], `files sent more than once: ${JSON.stringify(visit.files)}`);
        assert.ok(visit.sent <= 400 * 1000, `a first visit sent ${visit.sent} bytes`);
    } finally {
        await server.stop();
    }
});

// A copy of the built game marked as build `mark` in its page, style, page script, program's
// script and program (a custom section, which changes nothing it does), with its list of files
// written as the build writes it.
function markedBuild(from, mark) {
    const dir = mkdtempSync(join(tmpdir(), 'v2-build-'));
    cpSync(from, dir, { recursive: true });
    const page = join(dir, 'index.html');
    writeFileSync(page, readFileSync(page, 'utf8').replace('<head>', `<head>\n<meta name="v2-build" content="${mark}">`));
    appendFileSync(join(dir, 'page.css'), `\n:root { --v2-build: "${mark}"; }\n`);
    appendFileSync(join(dir, 'page.js'), `\nwindow.v2TestPage = "${mark}";\n`);
    appendFileSync(join(dir, 'vextorium2.js'), `\nglobalThis.v2TestScript = "${mark}";\n`);
    const name = Buffer.from('v2-test-build');
    appendFileSync(join(dir, 'vextorium2.wasm'), Buffer.concat([Buffer.from([0, name.length + 2, name.length]),
        name, Buffer.from(mark)]));
    execFileSync('cmake', [`-DWEB_DIR=${dir}`, `-DTEMPLATE=${kSource}/platform/web/page/sw.js.in`,
        '-P', `${kSource}/platform/web/service_worker.cmake`]);
    return dir;
}

// Which build each part of the running page came from: the page, its style, its script, the
// program's script and, read back from the fetch the page made, the program.
async function runningBuild(page) {
    return page.evaluate(async () => {
        const wasm = performance.getEntriesByType('resource').some((e) => e.name.endsWith('vextorium2.wasm'))
            ? await fetch('vextorium2.wasm').then((r) => r.arrayBuffer()).catch(() => null) : null;
        const program = wasm ? new TextDecoder().decode(new Uint8Array(wasm).slice(-1)) : '?';
        return [document.querySelector('meta[name="v2-build"]')?.content,
            getComputedStyle(document.documentElement).getPropertyValue('--v2-build').trim().replace(/"/g, ''),
            window.v2TestPage, globalThis.v2TestScript, program].join('');
    });
}

// A start: the title (it never waits for the network or for a worker). How long it took is
// told, not judged: a busy machine's time says nothing of the page.
async function start(page, what) {
    const begun = Date.now();
    await page.reload();
    await waitForScreen(page, `the title at ${what}`, ref.title, null, 20000);
    console.log(`${engine}: ${what}: the title after ${Date.now() - begun} ms`);
    return runningBuild(page);
}

const wholeBuilds = (page) => page.evaluate(async () => {
    const out = [];
    for (const name of await caches.keys()) {
        if (await (await caches.open(name)).match('.build')) out.push(name);
    }
    return out;
});

test('a new build deployed while the page is played is taken whole at the next start; no start waits', kCase, async () => {
    const a = markedBuild(setting('V2_WEB_DIR'), 'A');
    const b = markedBuild(setting('V2_WEB_DIR'), 'B');
    // The server's files caught halfway through being replaced: B's list and scripts, A's program.
    const half = markedBuild(setting('V2_WEB_DIR'), 'B');
    cpSync(join(a, 'vextorium2.wasm'), join(half, 'vextorium2.wasm'));
    let server = await startServer({ web: a });
    const browser = await launch();
    const restart = async (web) => {
        const { port } = server;
        await server.stop();
        server = await startServer({ port, web });
    };
    try {
        const page = await browser.page();
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        await page.waitForFunction(async () => {
            for (const name of await caches.keys()) if (await (await caches.open(name)).match('.build')) return true;
            return false;
        }, { timeout: 60000 });
        assert.equal(await start(page, 'the first start from the stored build'), 'AAAAA');

        // Keys pressed and a stage played, then the half-replaced files deployed: refused.
        const play = async () => {
            for (const [screen, what] of [[ref.about, 'the credits'], [ref.menu, 'the menu'], [ref.stage, 'stage 1']]) {
                await until(page, what, () => page.keyboard.press('Enter'));
                await waitForScreen(page, what, screen);
            }
            await until(page, 'play', () => page.keyboard.press('Enter'));
            await sleep(1000);
        };
        await play();
        await restart(half);
        assert.equal(await start(page, 'the start that finds half a build'), 'AAAAA');
        await page.keyboard.press('Enter');
        await sleep(3000);
        assert.equal(await start(page, 'the start after half a build'), 'AAAAA');

        // The new build deployed while a stage is played; a key changes the screen just before
        // each start.
        await play();
        await restart(b);
        const first = await start(page, 'the start that finds the new build');
        assert.ok(first === 'AAAAA' || first === 'BBBBB', `one build whole: ${first}`);
        await until(page, 'the credits', () => page.keyboard.press('Enter'), (frame) => differences(frame, ref.title).count > 0);
        for (let i = 0; i < 50 && (await wholeBuilds(page)).length < 2 && first === 'AAAAA'; ++i) await sleep(200);
        // The server takes connections but answers none: a start that asked it anything first
        // would never show the title.
        server.child.kill('SIGSTOP');
        assert.equal(await start(page, 'the next start, the server not answering'), 'BBBBB');
        server.child.kill('SIGCONT');
        await page.keyboard.press('Enter');

        // And B plays with the server gone; the old build is deleted at a start once no page
        // runs it.
        await server.stop();
        await sleep(11000);
        assert.equal(await start(page, 'a start offline'), 'BBBBB');
        assert.equal((await wholeBuilds(page)).length, 1, 'one build kept');
        assert.deepEqual(await browser.pageErrors(), []);
    } finally {
        await browser.close();
        await server.stop();
        for (const dir of [a, b, half]) rmSync(dir, { recursive: true, force: true });
    }
});
