#!/usr/bin/env node
// Screenshots of the web game in headless Chromium for the README: a desktop-sized page and a
// phone with the touch buttons, upright and on its side, all in play; and the settings panel on
// both. Builds nothing.
//   node tests/browser/screenshots.mjs --server build/bin/scoreserver --web build-web/bin/web \
//       --replay build/bin/vextorium2-replay --out docs
import { resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { launch, startServer, toolOptions, until, waitForPaddle, waitForScreen } from './harness.mjs';
import { references } from './references.mjs';

const { option, replay } = toolOptions();
const out = resolve(option('--out', 'docs'));
const desktopRef = references(replay);
const touchRef = references(replay, { touch: true });  // a touch screen's page says TAP

const shots = [
    ['web-desktop.png', { width: 1280, height: 800 }],
    ['web-phone.png', { width: 390, height: 844, isMobile: true, hasTouch: true }],
    ['web-phone-landscape.png', { width: 844, height: 390, isMobile: true, hasTouch: true }],
];
const server = await startServer();
const chromium = await launch();
try {
    for (const [name, viewport] of shots) {
        const ref = viewport.hasTouch ? touchRef : desktopRef;
        const page = await chromium.page(viewport);
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', ref.title);
        for (const [screen, what] of [[ref.about, 'credits'], [ref.menu, 'menu'], [ref.stage, 'stage']]) {
            await until(page, what, () => page.keyboard.press('Enter'));
            await waitForScreen(page, what, screen);
        }
        await until(page, 'play', () => page.keyboard.press('Enter'));
        await waitForPaddle(page, 'play', ref.paddle, (x) => x === 70);
        // The ball on its way up to the bricks.
        await until(page, 'the ball released', () => page.keyboard.press('Enter'));
        await sleep(600);
        await page.screenshot({ path: `${out}/${name}` });
        console.log(`wrote ${out}/${name}`);
        await page.close();
    }
    for (const [name, viewport] of [['web-settings.png', shots[0][1]], ['web-settings-phone.png', shots[1][1]]]) {
        const page = await chromium.page(viewport);
        await page.goto(`${server.origin}/`);
        await waitForScreen(page, 'the title', viewport.hasTouch ? touchRef.title : desktopRef.title);
        await page.waitForFunction(() => !document.getElementById('settings').disabled);
        await page.click('#settings');
        // On the phone, Up's first key being chosen, the panel scrolled to the keys.
        if (viewport.hasTouch) {
            await page.evaluate(() => document.getElementById('key-map').scrollIntoView({ block: 'center' }));
            await page.click('#key-map .bind[data-action="up"][data-slot="0"]');
        }
        await sleep(300);
        await page.screenshot({ path: `${out}/${name}` });
        console.log(`wrote ${out}/${name}`);
        await page.close();
    }
} finally {
    await chromium.close();
    await server.stop();
}
