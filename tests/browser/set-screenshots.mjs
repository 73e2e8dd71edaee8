#!/usr/bin/env node
// Screenshots of the level editor and of level sets in headless Chromium for docs/level-sets.md:
// the editor on a desktop page and on a phone, each with one of our sets opened; the server's
// /sets page with our four sets published; and the game playing one of them by its link.
// Builds nothing.
//   node tests/browser/set-screenshots.mjs --server build/bin/scoreserver --web build-web/bin/web \
//       --replay build/bin/vextorium2-replay --out docs
import { createHash } from 'node:crypto';
import { readFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { launch, startServer, toolOptions, until } from './harness.mjs';

const { option, replay } = toolOptions();
const out = resolve(option('--out', 'docs'));
const sets = join(dirname(replay), 'sets');
const names = { starter: 'Starter', ironwork: 'Ironwork', wildfire: 'Wildfire', phantoms: 'Phantoms' };

const server = await startServer();
const chromium = await launch();
try {
    const ids = {};
    for (const [file, name] of Object.entries(names)) {
        const bytes = readFileSync(join(sets, `${file}.dat`));
        const reply = await fetch(`${server.origin}/sets?name=${name}`, { method: 'POST', body: bytes });
        ids[file] = (await reply.text()).trim();
        if (ids[file] !== createHash('sha256').update(bytes).digest('hex')) throw new Error(`${name}: ${ids[file]}`);
    }

    const editor = async (name, viewport, set, level) => {
        const page = await chromium.page(viewport);
        await page.goto(`${server.origin}/edit.html?set=${ids[set]}`);
        await page.waitForFunction(() => document.querySelectorAll('#palette .brick').length > 0);
        await sleep(300);
        await page.click(`#tabs button[data-level="${level}"]`);
        await page.click('#palette button[data-code="61"]');
        await page.evaluate(() => window.scrollTo(0, 0));
        await sleep(200);
        await page.screenshot({ path: `${out}/${name}` });
        console.log(`wrote ${out}/${name}`);
        await page.close();
    };
    await editor('editor-desktop.png', { width: 1280, height: 860 }, 'wildfire', 2);
    await editor('editor-phone.png', { width: 390, height: 844, isMobile: true, hasTouch: true }, 'ironwork', 1);

    const list = await chromium.page({ width: 1000, height: 420 });
    await list.goto(`${server.origin}/sets`);
    await list.screenshot({ path: `${out}/sets-page.png` });
    console.log(`wrote ${out}/sets-page.png`);
    await list.close();

    const game = await chromium.page({ width: 900, height: 720 });
    await game.goto(`${server.origin}/?set=${ids.ironwork}`);
    await sleep(1500);
    for (let i = 0; i < 4; ++i) {
        await until(game, 'the next screen', () => game.keyboard.press('Enter'));
        await sleep(800);
    }
    await until(game, 'the ball released', () => game.keyboard.press('Enter'));
    await sleep(2500);
    await game.screenshot({ path: `${out}/set-play.png` });
    console.log(`wrote ${out}/set-play.png`);
} finally {
    await chromium.close();
    await server.stop();
}
