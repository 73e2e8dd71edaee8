#!/usr/bin/env node
// Runs the browser cases against built programs in each engine, one after the other; builds
// nothing itself.
//   node tests/browser/run.mjs --server build/bin/scoreserver --web build-web/bin/web \
//       --replay build/bin/vextorium2-replay [--engines chromium,firefox,webkit]
//       [--chromium /usr/bin/chromium] [--firefox /usr/bin/firefox-esr] [node --test options]
// The replay runner captures the screens the page must show; its directory holds the data.
import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { kEngines } from './engines.mjs';

const options = { '--server': 'V2_SCORESERVER', '--web': 'V2_WEB_DIR', '--replay': 'V2_REPLAY',
    '--chromium': 'V2_CHROMIUM', '--firefox': 'V2_FIREFOX' };
const env = { ...process.env };
const rest = [];
const args = process.argv.slice(2);
let engines = kEngines;
for (let i = 0; i < args.length; ++i) {
    if (options[args[i]] && i + 1 < args.length) env[options[args[i]]] = resolve(args[++i]);
    else if (args[i] === '--engines' && i + 1 < args.length) engines = args[++i].split(',');
    else rest.push(args[i]);
}
const unknown = engines.filter((e) => !kEngines.includes(e));
if (unknown.length > 0) {
    console.error(`run.mjs: no engine ${unknown.join(', ')} (${kEngines.join(', ')})`);
    process.exit(2);
}
for (const name of ['V2_SCORESERVER', 'V2_WEB_DIR', 'V2_REPLAY']) {
    if (!env[name] || !existsSync(env[name])) {
        console.error(`run.mjs: ${name} missing: give --server, --web and --replay`);
        process.exit(2);
    }
}
const here = dirname(fileURLToPath(import.meta.url));
const failed = [];
for (const engine of engines) {
    console.log(`# engine: ${engine}`);
    // The installed game's cases stop and start the network through Chromium's own protocol,
    // and the proven game's case answers one request itself through it.
    const files = ['game.test.mjs', 'page.test.mjs', 'pointer.test.mjs', 'settings.test.mjs',
        'watch.test.mjs', 'editor.test.mjs', 'update.test.mjs',
        ...(engine === 'chromium' ? ['offline.test.mjs', 'proof.test.mjs'] : [])];
    const run = spawnSync(process.execPath, ['--test', '--test-concurrency=1', '--test-timeout=240000',
        ...rest, ...files.map((file) => join(here, file))], { env: { ...env, V2_ENGINE: engine }, stdio: 'inherit' });
    if (run.status !== 0) failed.push(engine);
}
if (failed.length > 0) console.error(`run.mjs: cases failed in ${failed.join(', ')}`);
process.exit(failed.length > 0 ? 1 : 0);
