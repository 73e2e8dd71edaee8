// The browser engines the cases run in, chosen by V2_ENGINE (tests/browser/run.mjs sets it):
// chromium and firefox through puppeteer-core (CDP and WebDriver BiDi), webkit through classic
// WebDriver (webkit.mjs). Each launch starts with empty storage; the page's uncaught errors are
// read with pageErrors().
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { launchWebKit } from './webkit.mjs';

export const kEngines = ['chromium', 'firefox', 'webkit'];
export const engine = process.env.V2_ENGINE || 'chromium';
if (!kEngines.includes(engine)) throw new Error(`V2_ENGINE: ${engine} is none of ${kEngines.join(', ')}`);

// A case's options when it needs what only some engines offer the test (touch and network
// emulation, network events): skipped elsewhere, saying why.
export function onlyIn(engines, why) {
    return engines.includes(engine) ? {} : { skip: `${why}: ${engines.join(' and ')} only` };
}

async function launchPuppeteer() {
    const profile = mkdtempSync(join(tmpdir(), `v2-${engine}-`));
    const options = engine === 'firefox'
        ? { browser: 'firefox', executablePath: process.env.V2_FIREFOX || '/usr/bin/firefox-esr',
            extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.volume_scale': '0.0' } }
        : { executablePath: process.env.V2_CHROMIUM || '/usr/bin/chromium',
            args: ['--no-sandbox', '--mute-audio', '--autoplay-policy=no-user-gesture-required'] };
    const browser = await puppeteer.launch({ ...options, headless: true, userDataDir: profile });
    const errors = [];
    return {
        browser,
        engine,
        errors,
        async page(viewport = { width: 1280, height: 800 }) {
            const page = await browser.newPage();
            await page.setViewport(viewport);
            page.on('pageerror', (error) => errors.push(String(error)));
            return page;
        },
        async pageErrors() {
            return errors;
        },
        async close() {
            await browser.close();
            rmSync(profile, { recursive: true, force: true });
        },
    };
}

export function launchEngine() {
    return engine === 'webkit' ? launchWebKit() : launchPuppeteer();
}
