// What every browser case needs: a real score server serving the web game on a loopback port,
// a browser engine (engines.mjs), and the page's canvas read back as a 176 x 220 frame.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { differences, findPaddle, kHeight, kWidth, writePpm } from './frames.mjs';

// The tools' command line (figures, screenshots): --server, --web and --replay, by default the
// usual build directories; the first two reach the harness through the environment. Returns
// the option reader and the replay runner's path.
export function toolOptions(args = process.argv.slice(2)) {
    const option = (name, fallback) => {
        const at = args.indexOf(name);
        return at >= 0 ? args[at + 1] : fallback;
    };
    process.env.V2_SCORESERVER = resolve(option('--server', 'build/bin/scoreserver'));
    process.env.V2_WEB_DIR = resolve(option('--web', 'build-web/bin/web'));
    return { option, replay: resolve(option('--replay', 'build/bin/vextorium2-replay')) };
}

export function setting(name) {
    const value = process.env[name];
    if (!value) throw new Error(`${name} is not set (tests/browser/run.mjs sets it)`);
    return value;
}

// Starts `scoreserver --listen 127.0.0.1:PORT --web DIR --db <scratch>` and reads the port it
// announces ("scoreserver listening on HOST:PORT"). By default any free port and the built game;
// a server started again on the same port is the same origin to the browser. It lists scores
// without a proof too (--accept-unproven), unless `provenOnly`, as a server does by default.
export async function startServer({ port: wanted = 0, web = setting('V2_WEB_DIR'), provenOnly = false } = {}) {
    const scratch = mkdtempSync(join(tmpdir(), 'v2-browser-'));
    const child = spawn(setting('V2_SCORESERVER'), ['--listen', `127.0.0.1:${wanted}`, '--web',
        web, '--db', join(scratch, 'scores.sqlite'), ...(provenOnly ? [] : ['--accept-unproven'])],
        { stdio: ['ignore', 'pipe', 'inherit'] });
    const port = await new Promise((resolve, reject) => {
        let text = '';
        const timer = setTimeout(() => reject(new Error('scoreserver announced no port')), 10000);
        child.stdout.on('data', (chunk) => {
            text += chunk;
            const line = text.match(/listening on .*:(\d+)\n/);
            if (line) {
                clearTimeout(timer);
                resolve(Number(line[1]));
            }
        });
        child.on('exit', (code) => reject(new Error(`scoreserver exited with ${code}`)));
    });
    const origin = `http://127.0.0.1:${port}`;
    return {
        origin,
        port,
        child,
        scratch,
        async list() {
            const reply = await fetch(`${origin}/Vextorium2/updateScore.php`);
            return reply.text();
        },
        async stop() {
            if (child.exitCode === null && child.signalCode === null) {
                const ended = new Promise((resolve) => child.once('exit', resolve));
                child.kill('SIGCONT');
                child.kill('SIGTERM');
                await ended;
            }
            rmSync(scratch, { recursive: true, force: true });
        },
    };
}

// The engine chosen for this run (engines.mjs), with a profile of its own (so the browser's
// storage starts empty); uncaught errors of the page are read with pageErrors().
export { launchEngine as launch } from './engines.mjs';

// The canvas's picture brought down to the frame's size: at a whole scale factor with
// nearest-neighbour sampling each frame pixel is one block, so this reads the frame exactly.
export async function readFrame(page, attempts = 3) {
    try {
        return await readFrameOnce(page);
    } catch (error) {
        // Reading a frame changes nothing, so a reply the driver lost is asked for again.
        if (attempts <= 1 || !/Could not parse script result/.test(String(error))) throw error;
        return readFrame(page, attempts - 1);
    }
}

async function readFrameOnce(page) {
    const text = await page.evaluate((width, height) => {
        const canvas = document.querySelector('canvas');
        const small = new OffscreenCanvas(width, height);
        const g = small.getContext('2d');
        g.imageSmoothingEnabled = false;
        g.drawImage(canvas, 0, 0, width, height);
        const rgba = g.getImageData(0, 0, width, height).data;
        let out = '';
        for (let i = 0; i < rgba.length; i += 4) out += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
        // Base64, not the raw bytes: WebKit's driver now and then fails to carry a string of
        // control characters back ("Could not parse script result").
        return btoa(out);
    }, kWidth, kHeight);
    return Buffer.from(text, 'base64');
}

// Polls the canvas until `done(frame)` holds; on time-out the last frame is kept for a look.
export async function waitFor(page, what, done, timeoutMs = 20000, keep = true) {
    const until = Date.now() + timeoutMs;
    let frame;
    for (;;) {
        frame = await readFrame(page);
        const result = done(frame);
        if (result !== false && result !== undefined && result !== null) return result;
        if (Date.now() > until) break;
        await sleep(25);
    }
    const kept = join(tmpdir(), `v2-browser-${what.replace(/\W+/g, '-')}.ppm`);
    if (keep) writePpm(kept, frame);
    throw new Error(`the page never showed ${what} (last frame: ${kept})`);
}

// Waits until the canvas has not changed for `quietMs` (a wipe has ended on a still screen).
export async function waitForStill(page, what, quietMs = 700) {
    let last = null;
    let since = Date.now();
    return waitFor(page, what, (frame) => {
        if (!last || !frame.equals(last)) {
            last = frame;
            since = Date.now();
        }
        return Date.now() - since >= quietMs ? frame : false;
    });
}

// A wipe may show its whole target a few ticks before the game enters that screen, and a key
// that comes then is ignored. So `act` is repeated until the canvas shows that it was taken:
// `taken(frame, before)`, by default any change of the picture.
export async function until(page, what, act, taken = (frame, before) => !frame.equals(before)) {
    const before = await readFrame(page);
    for (let attempt = 0; attempt < 8; ++attempt) {
        await act();
        try {
            return await waitFor(page, what, (frame) => taken(frame, before), 1000, false);
        } catch {
            // not taken yet
        }
    }
    throw new Error(`${what}: no effect on the page`);
}

export function waitForScreen(page, what, reference, mask = null, timeoutMs) {
    return waitFor(page, what, (frame) => differences(frame, reference, mask).count === 0, timeoutMs);
}

export function waitForPaddle(page, what, template, test, timeoutMs) {
    return waitFor(page, what, (frame) => {
        const x = findPaddle(frame, template);
        return x >= 0 && test(x) ? { x } : false;
    }, timeoutMs);
}

// The player's files in the page's storage: the game writes them, as the desktop program does
// when its own directory is read-only, to vextorium2/ under the user data directory, which in
// the page is the Emscripten file system's mount of the browser's storage (IDBFS).
function storage() {
    const fs = globalThis.FS ?? globalThis.Module?.FS;
    const idbfs = globalThis.IDBFS ?? fs.filesystems?.IDBFS;
    const mount = fs.root.mount.mounts.find((m) => m.type === idbfs);
    return { fs, dir: `${mount.mountpoint}/vextorium2` };
}

// The files there (`folder`: those of a folder below it, such as a level set's "sets/ID").
export async function storedFiles(page, folder = '') {
    return page.evaluate((find, below) => {
        const found = eval(find)();
        const fs = found.fs;
        const dir = below ? `${found.dir}/${below}` : found.dir;
        const out = {};
        if (!fs.analyzePath(dir).exists) return out;
        for (const name of fs.readdir(dir)) {
            const path = `${dir}/${name}`;
            // Files only: a level set's folder is read on its own.
            if (name !== '.' && name !== '..' && !fs.isDir(fs.stat(path).mode)) out[name] = Array.from(fs.readFile(path));
        }
        return out;
    }, `(${storage})`, folder);
}

// Writes files there and waits until they are in the browser's storage.
export async function storeFiles(page, files) {
    await page.evaluate((find, entries) => new Promise((resolve, reject) => {
        const { fs, dir } = eval(find)();
        if (!fs.analyzePath(dir).exists) fs.mkdir(dir);
        for (const [name, bytes] of entries) fs.writeFile(`${dir}/${name}`, new Uint8Array(bytes));
        fs.syncfs(false, (error) => (error ? reject(new Error(String(error))) : resolve()));
    }), `(${storage})`, Object.entries(files).map(([name, bytes]) => [name, Array.from(bytes)]));
}
