#!/usr/bin/env node
// Runs the browser cases against built programs; builds nothing itself.
//   node tests/browser/run.mjs --server build/bin/scoreserver --web build-web/bin/web \
//       --replay build/bin/vextorium2-replay [--chromium /usr/bin/chromium] [node --test options]
// The replay runner captures the screens the page must show; its directory holds the data.
import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const options = { '--server': 'V2_SCORESERVER', '--web': 'V2_WEB_DIR', '--replay': 'V2_REPLAY',
    '--chromium': 'V2_CHROMIUM' };
const env = { ...process.env };
const rest = [];
const args = process.argv.slice(2);
for (let i = 0; i < args.length; ++i) {
    if (options[args[i]] && i + 1 < args.length) env[options[args[i]]] = resolve(args[++i]);
    else rest.push(args[i]);
}
for (const name of ['V2_SCORESERVER', 'V2_WEB_DIR', 'V2_REPLAY']) {
    if (!env[name] || !existsSync(env[name])) {
        console.error(`run.mjs: ${name} missing: give --server, --web and --replay`);
        process.exit(2);
    }
}
const here = dirname(fileURLToPath(import.meta.url));
const run = spawnSync(process.execPath, ['--test', '--test-concurrency=1', '--test-timeout=240000',
    ...rest, join(here, 'game.test.mjs'), join(here, 'page.test.mjs'),
    join(here, 'offline.test.mjs')], { env, stdio: 'inherit' });
process.exit(run.status ?? 1);
