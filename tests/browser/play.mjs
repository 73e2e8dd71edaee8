// Ways through the game that more than one browser case takes.
import { differences, findPaddle, kHeight, kWidth } from './frames.mjs';
import { until, waitFor, waitForScreen } from './harness.mjs';

// A key pressed (again, until the game takes it), then the screen it leads to.
export async function press(page, key, screen, what, mask) {
    await until(page, `${key} for ${what}`, () => page.keyboard.press(key));
    await waitForScreen(page, what, screen, mask);
}

// In play with the ball held, the times the fire brick's flames turn (the pixels of `mask`, which
// animate on their own, are one brick), counted on the canvas at every display frame from the
// first turn seen for `ms` of the page's own clock. The flames turn every 10 ticks.
export async function flameTurns(page, mask, ms) {
    const box = [kWidth, kHeight, 0, 0];
    mask.forEach((animates, i) => {
        if (!animates) return;
        const x = i % kWidth;
        const y = Math.floor(i / kWidth);
        box.splice(0, 4, Math.min(box[0], x), Math.min(box[1], y), Math.max(box[2], x), Math.max(box[3], y));
    });
    if (box[2] - box[0] >= 16 || box[3] - box[1] >= 10) throw new Error(`more than a brick animates: ${box}`);
    return page.evaluate(([left, top, right, bottom], width, height, ms) => new Promise((resolve) => {
        const canvas = document.querySelector('canvas');
        const small = new OffscreenCanvas(width, height).getContext('2d', { willReadFrequently: true });
        small.imageSmoothingEnabled = false;
        let last = null;
        let turns = -1;
        let start = 0;
        const look = (now) => {
            small.drawImage(canvas, 0, 0, width, height);
            const flames = small.getImageData(left, top, right - left + 1, bottom - top + 1).data.join();
            if (last !== null && flames !== last && ++turns === 0) start = now;
            last = flames;
            if (turns < 0 || now - start < ms) requestAnimationFrame(look);
            else resolve({ turns, elapsed: now - start });
        };
        requestAnimationFrame(look);
    }), box, kWidth, kHeight, ms);
}

// From the title: the saved game of references.mjs (one life, 1230 points) continued and lost
// with the paddle held left, "AC" entered as the name and Done chosen: the table, after its
// wipe has begun.
export async function loseSavedGameAsAC(page, ref, beforeDone = async () => {}) {
    await loseSavedGame(page, ref);
    // 1230 or more beats the default table's lowest (100): the name entry; "AC", Done.
    await press(page, 'Enter', ref['name-entry'], 'the name entry');
    await until(page, 'the cursor moved', () => page.keyboard.press('ArrowDown'));
    await page.keyboard.press('Enter');
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    await press(page, 'Enter', ref['name-ac'], 'the name AC');
    await beforeDone();
    await until(page, 'Done', () => page.keyboard.press('F1'));
}

// From the title: the saved game of references.mjs continued and lost: the game over screen.
export async function loseSavedGame(page, ref) {
    await press(page, 'Enter', ref.about, 'the credits');
    await press(page, 'Enter', ref.menu, 'the menu');
    await press(page, 'ArrowDown', ref['menu-continue'], 'Continue chosen');
    await press(page, 'Enter', ref['stage-continue'], 'stage 1');
    await press(page, 'Enter', ref['play-continue'], 'play', ref.playMask);
    await until(page, 'ArrowLeft held in play', () => page.keyboard.down('ArrowLeft'), (frame) => {
        const x = findPaddle(frame, ref.paddle);
        return x >= 0 && x !== 70;
    });
    await page.keyboard.press('Enter');
    // Any key's release stops the paddle, so the launch leaves it standing where it was. A ball
    // that happens to come back to a paddle standing still can clear the level instead of being
    // lost; so the paddle is sent to one wall and then, every 10 s, to the other.
    let held = 'ArrowLeft';
    for (let turn = 0; ; ++turn) {
        await page.keyboard.up(held);
        held = turn % 2 ? 'ArrowRight' : 'ArrowLeft';
        await page.keyboard.down(held);
        const last = turn === 11;
        try {
            await waitFor(page, 'the game over',
                (frame) => differences(frame, ref['game-over'], ref.gameOverMask).count === 0, 10000, last);
            break;
        } catch (error) {
            if (last) throw error;
        }
    }
    await page.keyboard.up(held);
}
