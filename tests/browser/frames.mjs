// Frames of the game: the native replay runner's shots as references, and comparisons with
// what the page's canvas shows.
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { inflateSync } from 'node:zlib';

export const kWidth = 176;
export const kHeight = 220;

// A frame is kWidth x kHeight pixels of three bytes (red, green, blue), top row first.
export function readPng(path) {
    const png = readFileSync(path);
    let at = 8;
    let header = null;
    const data = [];
    while (at < png.length) {
        const length = png.readUInt32BE(at);
        const type = png.toString('latin1', at + 4, at + 8);
        const body = png.subarray(at + 8, at + 8 + length);
        if (type === 'IHDR') header = body;
        if (type === 'IDAT') data.push(body);
        at += 12 + length;
    }
    if (!header || header.readUInt32BE(0) !== kWidth || header.readUInt32BE(4) !== kHeight ||
        header[8] !== 8 || header[9] !== 2) {
        throw new Error(`${path}: not a ${kWidth} x ${kHeight} 8-bit RGB picture`);
    }
    const raw = inflateSync(Buffer.concat(data));
    const stride = kWidth * 3;
    const frame = Buffer.alloc(stride * kHeight);
    for (let y = 0; y < kHeight; ++y) {
        if (raw[y * (stride + 1)] !== 0) throw new Error(`${path}: filtered rows are not read`);
        raw.copy(frame, y * stride, y * (stride + 1) + 1, (y + 1) * (stride + 1));
    }
    return frame;
}

// Runs the native replay runner in a fresh program directory holding the shipped data (and
// `files`, name -> bytes) and returns the shots the script names `shot NAME.png`, by NAME.
export function replayShots(replayBin, script, { files = {}, args = [] } = {}) {
    const dir = mkdtempSync(join(tmpdir(), 'v2-reference-'));
    const data = dirname(replayBin);
    for (const name of readdirSync(data)) {
        if (name === 'BrickMap.dat' || name.endsWith('.wav')) copyFileSync(join(data, name), join(dir, name));
    }
    for (const [name, bytes] of Object.entries(files)) writeFileSync(join(dir, name), bytes);
    const text = script.replace(/ shot (\S+)/g, (_, name) => ` shot ${join(dir, name)}`);
    writeFileSync(join(dir, 'script.txt'), text);
    execFileSync(replayBin, ['--dir', dir, '--script', join(dir, 'script.txt'),
        '--trace', join(dir, 'trace.txt'), ...args]);
    const shots = {};
    for (const [, name] of text.matchAll(/ shot \S*\/([^/\s]+)\.png/g)) {
        shots[name] = readPng(join(dir, `${name}.png`));
    }
    shots.trace = readFileSync(join(dir, 'trace.txt'), 'utf8');
    shots.dir = dir;
    return shots;
}

// The pixels that differ between shots of one screen taken at different times: the animated
// parts, left out of comparisons.
export function animatedMask(shots) {
    const mask = new Uint8Array(kWidth * kHeight);
    for (const shot of shots.slice(1)) {
        for (let i = 0; i < mask.length; ++i) {
            for (let c = 0; c < 3; ++c) if (shot[3 * i + c] !== shots[0][3 * i + c]) mask[i] = 1;
        }
    }
    return mask;
}

// Pixels that differ between two frames, outside the mask. Channels are compared at the
// frame's own precision: the game's colours have five bits a channel, and how the low bits of
// the widened value are filled is up to the display.
export function differences(a, b, mask = null) {
    let count = 0;
    let box = null;
    for (let i = 0; i < kWidth * kHeight; ++i) {
        if (mask && mask[i]) continue;
        let same = true;
        for (let c = 0; c < 3; ++c) same &&= a[3 * i + c] >> 3 === b[3 * i + c] >> 3;
        if (same) continue;
        ++count;
        const x = i % kWidth;
        const y = Math.floor(i / kWidth);
        box = box ? [Math.min(box[0], x), Math.min(box[1], y), Math.max(box[2], x), Math.max(box[3], y)]
                  : [x, y, x, y];
    }
    return { count, box };
}

// The paddle: 35 columns wide at the start of a level, its top edge on row 194, drawn down to
// row 198. Its opaque pixels are those where a frame with the paddle at `x` differs from one
// without it there; a frame shows the paddle at the column where all of them match.
export const kPaddleWidth = 35;
export function paddleTemplate(withPaddle, without, x) {
    const pixels = [];
    for (let y = 194; y < 199; ++y) {
        for (let dx = 0; dx < kPaddleWidth; ++dx) {
            const i = (y * kWidth + x + dx) * 3;
            const rgb = withPaddle.subarray(i, i + 3);
            if (rgb.some((v, c) => v >> 3 !== without[i + c] >> 3)) pixels.push({ dx, y, rgb: [...rgb] });
        }
    }
    return pixels;
}
export function findPaddle(frame, template) {
    for (let x = 0; x + kPaddleWidth <= kWidth; ++x) {
        const here = ({ dx, y, rgb }) =>
            rgb.every((v, c) => v >> 3 === frame[(y * kWidth + x + dx) * 3 + c] >> 3);
        if (template.every(here)) return x;
    }
    return -1;
}

export function writePpm(path, frame) {
    writeFileSync(path, Buffer.concat([Buffer.from(`P6\n${kWidth} ${kHeight}\n255\n`), frame]));
}
