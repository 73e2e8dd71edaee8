// A player's first visit: every byte the server sends, counted by a proxy in front of it, and
// the time to the title on a slow link (Chromium's network emulation). Used by the browser
// cases (the bytes) and by scripts/web-figures (both).
import { createConnection, createServer } from 'node:net';
import { setTimeout as sleep } from 'node:timers/promises';
import { kHeight, kWidth } from './frames.mjs';
import { launch, waitForScreen } from './harness.mjs';

// Reads the HTTP/1.1 exchanges of one connection as they pass: each request's path, and the
// status and bytes (head and body) of the response that answers it, in order.
function exchangeReader(files) {
    const asked = [];
    let requestText = '';
    let reply = Buffer.alloc(0);
    let body = -1;  // bytes of the current response's body still to come; -1: in its head
    let current = null;
    return {
        request(chunk) {
            requestText += chunk.toString('latin1');
            for (let at; (at = requestText.indexOf('\r\n\r\n')) >= 0;) {
                const line = requestText.slice(0, requestText.indexOf('\r\n'));
                asked.push(line.split(' ')[1] ?? '?');
                requestText = requestText.slice(at + 4);  // the game's first visit sends no bodies
            }
        },
        response(chunk) {
            reply = Buffer.concat([reply, chunk]);
            for (;;) {
                if (body < 0) {
                    const at = reply.indexOf('\r\n\r\n');
                    if (at < 0) return;
                    const head = reply.subarray(0, at).toString('latin1');
                    const status = Number(head.split(' ')[1]);
                    const length = Number(head.match(/\r\ncontent-length:\s*(\d+)/i)?.[1] ?? 0);
                    const path = (asked.shift() ?? '?').split('?')[0];
                    current = files[path] ??= { requests: 0, full: 0, bytes: 0 };
                    current.requests += 1;
                    if (status === 200) current.full += 1;
                    current.bytes += at + 4;
                    reply = reply.subarray(at + 4);
                    body = length;
                }
                const taken = Math.min(body, reply.length);
                current.bytes += taken;
                body -= taken;
                reply = reply.subarray(taken);
                if (body > 0) return;
                body = -1;
            }
        },
    };
}

// A loopback TCP proxy to `port` that counts the bytes going back to the browser: headers,
// bodies, and the service worker's own requests alike; and for each path, the requests, the
// full answers (200) and the bytes.
export async function countingProxy(port) {
    const sockets = new Set();
    const proxy = { sent: 0, files: {} };
    const server = createServer((client) => {
        const upstream = createConnection({ host: '127.0.0.1', port });
        for (const socket of [client, upstream]) {
            sockets.add(socket);
            socket.on('close', () => sockets.delete(socket));
            socket.on('error', () => {});
        }
        const reader = exchangeReader(proxy.files);
        client.on('data', (chunk) => reader.request(chunk));
        upstream.on('data', (chunk) => {
            proxy.sent += chunk.length;
            reader.response(chunk);
        });
        client.pipe(upstream);
        upstream.pipe(client);
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    proxy.origin = `http://127.0.0.1:${server.address().port}`;
    proxy.close = () => new Promise((resolve) => {
        for (const socket of sockets) socket.destroy();
        server.close(resolve);
    });
    return proxy;
}

// A first visit in a browser of the engine under test with an empty profile, through the
// counting proxy: the page up to the title, then the offline worker's copy of the game, until
// nothing more comes for a while. { sent, files: { path: { requests, full, bytes } } }
export async function firstVisit(port, title) {
    const proxy = await countingProxy(port);
    const browser = await launch();
    try {
        const page = await browser.page();
        await page.goto(`${proxy.origin}/`);
        await waitForScreen(page, 'the title on a first visit', title);
        await page.waitForFunction(async () => {
            for (const name of await caches.keys()) if (await (await caches.open(name)).match('.build')) return true;
            return false;
        }, { timeout: 60000 });
        let last = -1;
        for (let i = 0; i < 50 && proxy.sent !== last; ++i) {
            last = proxy.sent;
            await sleep(500);
        }
        return { sent: proxy.sent, files: proxy.files };
    } finally {
        await browser.close();
        await proxy.close();
    }
}

// Bytes sent for a first visit in a fresh browser context: the page up to the title, and the
// offline worker's copy of the game, until nothing more comes for a while.
export async function firstVisitBytes(browser, port, title) {
    const proxy = await countingProxy(port);
    const context = await browser.createBrowserContext();
    try {
        const page = await context.newPage();
        await page.setViewport({ width: 1280, height: 800 });
        await page.goto(`${proxy.origin}/`);
        await waitForScreen(page, 'the title on a first visit', title);
        await page.waitForFunction(async () => {
            for (const name of await caches.keys()) if (await (await caches.open(name)).match('.build')) return true;
            return false;
        }, { timeout: 60000, polling: 200 });
        let last = -1;
        for (let i = 0; i < 50 && proxy.sent !== last; ++i) {
            last = proxy.sent;
            await new Promise((resolve) => setTimeout(resolve, 300));
        }
        return proxy.sent;
    } finally {
        await context.close();
        await proxy.close();
    }
}

// The moment the canvas first shows `title` (in the page's own clock, from the navigation's
// start), checked on every animation frame; put into each new document.
export function titleWatcher(expected, width, height) {
    const want = Uint8Array.from(atob(expected), (c) => c.charCodeAt(0));
    const check = () => {
        const canvas = document.querySelector('canvas');
        if (canvas && canvas.width > 0) {
            const small = new OffscreenCanvas(width, height);
            const g = small.getContext('2d');
            g.imageSmoothingEnabled = false;
            g.drawImage(canvas, 0, 0, width, height);
            const got = g.getImageData(0, 0, width, height).data;
            let same = true;
            for (let i = 0, j = 0; same && j < want.length; i += 4, j += 3) {
                same = got[i] >> 3 === want[j] >> 3 && got[i + 1] >> 3 === want[j + 1] >> 3 &&
                    got[i + 2] >> 3 === want[j + 2] >> 3;
            }
            if (same) {
                globalThis.titleShownAt = performance.now();
                return;
            }
        }
        requestAnimationFrame(check);
    };
    requestAnimationFrame(check);
}

// A first visit over an emulated link (`kbits` down, `rttMs` round trips): the time to the
// title, and the bytes on the wire by then and in all (the page's requests; the offline worker's
// are made after the title and are counted by firstVisitBytes).
export async function slowFirstVisit(browser, origin, title, { kbits = 1600, rttMs = 150 } = {}) {
    const context = await browser.createBrowserContext();
    try {
        const page = await context.newPage();
        await page.setViewport({ width: 390, height: 844 });
        const cdp = await page.createCDPSession();
        await cdp.send('Network.enable');
        await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
        await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: rttMs,
            downloadThroughput: (kbits * 1000) / 8, uploadThroughput: (kbits * 1000) / 8 });
        const finished = [];
        cdp.on('Network.loadingFinished', (event) => {
            finished.push({ at: event.timestamp, bytes: event.encodedDataLength });
        });
        let navigationStart = 0;
        cdp.on('Network.requestWillBeSent', (event) => {
            if (!navigationStart) navigationStart = event.timestamp;
        });
        await page.evaluateOnNewDocument(titleWatcher, Buffer.from(title).toString('base64'), kWidth, kHeight);
        await page.goto(origin);
        await page.waitForFunction(() => globalThis.titleShownAt !== undefined, { timeout: 60000 });
        const titleMs = await page.evaluate(() => globalThis.titleShownAt);
        const beforeTitle = finished.filter((f) => (f.at - navigationStart) * 1000 <= titleMs)
            .reduce((sum, f) => sum + f.bytes, 0);
        return { titleMs, beforeTitle, all: finished.reduce((sum, f) => sum + f.bytes, 0) };
    } finally {
        await context.close();
    }
}
