// Ways through the game that more than one browser case takes.
import { findPaddle } from './frames.mjs';
import { until, waitForScreen } from './harness.mjs';

// A key pressed (again, until the game takes it), then the screen it leads to.
export async function press(page, key, screen, what, mask) {
    await until(page, `${key} for ${what}`, () => page.keyboard.press(key));
    await waitForScreen(page, what, screen, mask);
}

// From the title: the saved game of references.mjs (one life, 1230 points) continued and lost
// with the paddle held left, "AC" entered as the name and Done chosen: the table, after its
// wipe has begun.
export async function loseSavedGameAsAC(page, ref, beforeDone = async () => {}) {
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
    await waitForScreen(page, 'the game over', ref['game-over'], ref.gameOverMask, 120000);
    await page.keyboard.up('ArrowLeft');

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
