// WebKit for the browser cases: the system's MiniBrowser through WebKitWebDriver (classic
// WebDriver over HTTP) on an Xvfb display of its own. It offers the part of puppeteer's page the
// cases use: goto, reload, evaluate, waitForFunction, waitForSelector, waitForNavigation,
// keyboard (press, down, up, type), mouse, click, $, $eval and $$eval, new pages (windows) and
// close. One display and one driver serve the whole test file; each launch is a session of its
// own, whose website data starts empty.
import { spawn } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { createServer } from 'node:net';
import { setTimeout as sleep } from 'node:timers/promises';

const kMiniBrowser = process.env.V2_MINIBROWSER ||
    '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const kScreen = '1600x1200x24';

// WebDriver's codes for the named keys the cases press; one character stands for itself.
const kKeys = { Enter: '\uE007', Escape: '\uE00C', Backspace: '\uE003', Tab: '\uE004', Space: ' ',
    ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015', Home: '\uE011',
    End: '\uE010', Alt: '\uE00A', Shift: '\uE008', Control: '\uE009',
    F1: '\uE031', F2: '\uE032', F11: '\uE03B' };

function keyValue(key) {
    // A letter key by its code (KeyQ) is the letter typed: the driver names keys by character.
    const letter = /^Key([A-Z])$/.exec(key);
    const value = kKeys[key] ?? (key.length === 1 ? key : letter ? letter[1].toLowerCase() : null);
    if (!value) throw new Error(`webkit.mjs: no WebDriver code for the key ${key}`);
    return value;
}

let driver = null;  // { url, stop }

function freePort() {
    return new Promise((resolve, reject) => {
        const server = createServer();
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
    });
}

// Xvfb (it names its display) and the driver on it; both end with this process.
async function startDriver() {
    const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', kScreen, '-nolisten', 'tcp'],
        { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
    const display = await new Promise((resolve, reject) => {
        let text = '';
        const timer = setTimeout(() => reject(new Error('Xvfb named no display')), 10000);
        xvfb.stdio[3].on('data', (chunk) => {
            text += chunk;
            if (text.includes('\n')) {
                clearTimeout(timer);
                resolve(text.trim());
            }
        });
        xvfb.on('exit', (code) => reject(new Error(`Xvfb exited with ${code}`)));
    });
    // Neither holds the test file's process open: they end with it.
    xvfb.stdio[3].destroy();
    xvfb.unref();
    const port = await freePort();
    const child = spawn('WebKitWebDriver', [`--port=${port}`], {
        stdio: 'ignore',
        env: { ...process.env, DISPLAY: `:${display}` },
    });
    child.unref();
    const stop = () => {
        child.kill();
        xvfb.kill();
    };
    process.once('exit', stop);
    // A test file stopped from outside (a case that timed out) leaves nothing running either.
    for (const signal of ['SIGTERM', 'SIGINT']) {
        process.once(signal, () => {
            stop();
            process.exit(1);
        });
    }
    const url = `http://127.0.0.1:${port}`;
    for (let i = 0; i < 100; ++i) {
        try {
            if ((await fetch(`${url}/status`)).ok) return { url, stop };
        } catch { /* not listening yet */ }
        await sleep(100);
    }
    stop();
    throw new Error('WebKitWebDriver did not answer');
}

class Session {
    constructor(url, id) {
        this.base = `${url}/session/${id}`;
        this.current = null;
    }

    async call(method, path, body) {
        const reply = await fetch(`${this.base}${path}`, {
            method,
            headers: { 'content-type': 'application/json' },
            body: body === undefined ? undefined : JSON.stringify(body),
        });
        const json = await reply.json();
        if (!reply.ok) throw new Error(`WebDriver ${method} ${path}: ${json.value?.message ?? reply.status}`);
        return json.value;
    }

    // Commands go to the current window: each page makes its own window current first.
    async on(handle) {
        if (this.current !== handle) {
            await this.call('POST', '/window', { handle });
            this.current = handle;
        }
    }
}

class Page {
    constructor(session, handle, browser) {
        this.session = session;
        this.handle = handle;
        this.owner = browser;
        this.onLoad = [];
        this.keyboard = {
            press: (key) => this.actions([this.keys([{ type: 'keyDown', value: keyValue(key) },
                { type: 'keyUp', value: keyValue(key) }])]),
            down: (key) => this.actions([this.keys([{ type: 'keyDown', value: keyValue(key) }])]),
            up: (key) => this.actions([this.keys([{ type: 'keyUp', value: keyValue(key) }])]),
            // Each character pressed and released in turn, as puppeteer's type does.
            type: (text) => this.actions([this.keys([...text].flatMap((c) => [
                { type: 'keyDown', value: keyValue(c) }, { type: 'keyUp', value: keyValue(c) }]))]),
        };
        const to = (x, y) => ({ type: 'pointerMove', duration: 0, origin: 'viewport',
            x: Math.round(x), y: Math.round(y) });
        this.mouse = {
            move: (x, y) => this.actions([this.pointer([to(x, y)])]),
            down: () => this.actions([this.pointer([{ type: 'pointerDown', button: 0 }])]),
            up: () => this.actions([this.pointer([{ type: 'pointerUp', button: 0 }])]),
            click: (x, y) => this.actions([this.pointer([to(x, y), { type: 'pointerDown', button: 0 },
                { type: 'pointerUp', button: 0 }])]),
        };
    }

    keys(actions) {
        return { type: 'key', id: 'keyboard', actions };
    }

    pointer(actions) {
        return { type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions };
    }

    async command(method, path, body) {
        await this.session.on(this.handle);
        return this.session.call(method, path, body);
    }

    actions(list) {
        return this.command('POST', '/actions', { actions: list });
    }

    browser() {
        return this.owner;
    }

    // The window is sized so that the page's own area is the viewport asked for.
    async setViewport({ width, height }) {
        await this.command('POST', '/window/rect', { width, height });
        const inner = await this.evaluate(() => [innerWidth, innerHeight]);
        await this.command('POST', '/window/rect', { width: 2 * width - inner[0], height: 2 * height - inner[1] });
    }

    // Scripts to run in each document: classic WebDriver cannot run them before the page's
    // own, so they run as soon as it has loaded.
    async evaluateOnNewDocument(fn, ...args) {
        this.onLoad.push([fn, args]);
    }

    async loaded() {
        await this.evaluate(() => {
            if (globalThis.v2Errors) return;
            globalThis.v2Errors = [];
            addEventListener('error', (event) => globalThis.v2Errors.push(String(event.message)));
            addEventListener('unhandledrejection', (event) => globalThis.v2Errors.push(String(event.reason)));
        });
        for (const [fn, args] of this.onLoad) await this.evaluate(fn, ...args);
    }

    async goto(url) {
        await this.command('POST', '/url', { url });
        await this.loaded();
    }

    async reload() {
        await this.command('POST', '/refresh', {});
        await this.loaded();
    }

    // fn: a function called with args, or a script's text (an expression's value is returned;
    // statements run for their effect). No eval in the page: a page's security policy may forbid
    // it, not the driver's scripts.
    evaluate(fn, ...args) {
        if (typeof fn === 'function') return this.run(`(${fn}).apply(null, ${JSON.stringify(args)})`);
        return this.run(fn.includes(';') ? `(() => { ${fn} })()` : `(${fn})`);
    }

    async run(call) {
        const script = `const done = arguments[arguments.length - 1];
            new Promise((resolve) => resolve(${call})).then(
                (value) => done({ value: value === undefined ? null : value }),
                (error) => done({ error: String(error) + '\\n' + (error && error.stack) }));`;
        const reply = await this.command('POST', '/execute/async', { script, args: [] });
        if (reply?.error) throw new Error(`evaluate: ${reply.error}`);
        return reply?.value ?? undefined;
    }

    async waitForFunction(fn, { timeout = 30000 } = {}, ...args) {
        const until = Date.now() + timeout;
        for (;;) {
            const value = await this.evaluate(fn, ...args);
            if (value) return value;
            if (Date.now() > until) throw new Error(`waitForFunction timed out: ${fn}`);
            await sleep(100);
        }
    }

    async $(selector) {
        const found = await this.evaluate((s) => document.querySelector(s) !== null, selector);
        if (!found) return null;
        return {
            boundingBox: () => this.evaluate((s) => {
                const r = document.querySelector(s).getBoundingClientRect();
                return { x: r.left, y: r.top, width: r.width, height: r.height };
            }, selector),
            click: async () => {
                const box = await this.evaluate((s) => {
                    const r = document.querySelector(s).getBoundingClientRect();
                    return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
                }, selector);
                await this.mouse.click(box.x, box.y);
            },
        };
    }

    async waitForSelector(selector, { timeout = 30000 } = {}) {
        await this.waitForFunction((s) => document.querySelector(s) !== null, { timeout }, selector);
        return this.$(selector);
    }

    // Resolves once the document has been replaced by a new one that has loaded.
    async waitForNavigation({ timeout = 30000 } = {}) {
        await this.evaluate(() => {
            globalThis.v2Left = true;
        });
        await this.waitForFunction(() => !globalThis.v2Left && document.readyState === 'complete', { timeout });
        await this.loaded();
    }

    async click(selector) {
        const handle = await this.$(selector);
        if (!handle) throw new Error(`click: nothing matches ${selector}`);
        await handle.click();
    }

    $eval(selector, fn, ...args) {
        return this.run(`(${fn}).apply(null, [document.querySelector(${JSON.stringify(selector)}), ...${JSON.stringify(args)}])`);
    }

    // The page's network events are not offered by classic WebDriver.
    on(event) {
        throw new Error(`webkit.mjs: no page events (${event}) through classic WebDriver`);
    }

    $$eval(selector, fn) {
        return this.run(`(${fn})(Array.from(document.querySelectorAll(${JSON.stringify(selector)})))`);
    }

    async errors() {
        return (await this.evaluate(() => globalThis.v2Errors ?? [])) ?? [];
    }

    async screenshot({ path } = {}) {
        const png = Buffer.from(await this.command('GET', '/screenshot'), 'base64');
        if (path) writeFileSync(path, png);
        return png;
    }

    async close() {
        if (this.closed) return;
        this.closed = true;
        this.owner.pages = this.owner.pages.filter((p) => p !== this);
        await this.command('DELETE', '/window');
        this.session.current = null;
    }
}

// A fresh MiniBrowser session: { browser, page(viewport), pageErrors(), close() } as launch()
// gives for the other engines.
export async function launchWebKit() {
    driver ??= await startDriver();
    const reply = await fetch(`${driver.url}/session`, {
        method: 'POST',
        headers: { 'content-type': 'application/json' },
        body: JSON.stringify({ capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': {
            binary: kMiniBrowser, args: ['--automation'] } } } }),
    });
    const json = await reply.json();
    if (!reply.ok) throw new Error(`WebKitWebDriver: no session: ${json.value?.message}`);
    const session = new Session(driver.url, json.value.sessionId);
    let first = await session.call('GET', '/window');
    const browser = {
        pages: [],
        async newPage(viewport = { width: 1280, height: 800 }) {
            let handle = first;
            first = null;
            if (!handle) ({ handle } = await session.call('POST', '/window/new', { type: 'window' }));
            const page = new Page(session, handle, browser);
            browser.pages.push(page);
            await page.setViewport(viewport);
            return page;
        },
    };
    return {
        browser,
        engine: 'webkit',
        page: (viewport) => browser.newPage(viewport),
        async pageErrors() {
            const all = [];
            for (const page of browser.pages) all.push(...await page.errors().catch(() => []));
            return all;
        },
        async close() {
            await session.call('DELETE', '').catch(() => {});
        },
    };
}
