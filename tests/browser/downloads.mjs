#!/usr/bin/env node
// A first visit's download in the engine V2_ENGINE names: all the server sends, counted on the
// wire by a proxy in front of it (the offline worker's copy of the game included), and each
// file's requests and full answers. Builds nothing.
//   V2_ENGINE=firefox node tests/browser/downloads.mjs --server build/bin/scoreserver \
//       --web build-web/bin/web --replay build/bin/vextorium2-replay
import { engine } from './engines.mjs';
import { firstVisit } from './first_visit.mjs';
import { startServer, toolOptions } from './harness.mjs';
import { references } from './references.mjs';

const { replay } = toolOptions();
const ref = references(replay);
const server = await startServer();
try {
    const visit = await firstVisit(server.port, ref.title);
    const twice = Object.entries(visit.files).filter(([, f]) => f.full > 1).map(([path]) => path);
    console.log(`${engine.padEnd(9)} first visit ${(visit.sent / 1000).toFixed(1)} KB sent, ` +
        `${Object.keys(visit.files).length} files; sent more than once: ${twice.join(' ') || 'none'}`);
    for (const [path, f] of Object.entries(visit.files).sort((a, b) => b[1].bytes - a[1].bytes)) {
        console.log(`  ${path.padEnd(24)} ${(f.bytes / 1000).toFixed(1).padStart(7)} KB  ` +
            `${f.requests} request(s), ${f.full} full`);
    }
} finally {
    await server.stop();
}
process.exit(0);
