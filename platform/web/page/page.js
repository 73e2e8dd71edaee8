// The page around the game: the frame scaled by whole device pixels and centred, the full-screen
// button, the touch buttons (shown on touch screens), and the boxes the program shows. One game
// runs per browser, as on the desktop: a second tab waits until the first is closed, so two
// games never write the same stored files.
'use strict';

var Module = {
  canvas: document.getElementById('canvas'),
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); },
};

(function () {
  const canvas = document.getElementById('canvas');
  const touch = document.getElementById('touch');
  const status = document.getElementById('status');
  const overlay = document.getElementById('overlay');
  const messages = [];

  // The largest whole factor of device pixels that fits beside the touch buttons.
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const spare = document.body.classList.contains('touch') ? touch.offsetHeight + 12 : 0;
    const width = window.innerWidth - 8;
    const height = window.innerHeight - spare - 8;
    const scale = Math.max(1, Math.floor(Math.min(width * ratio / 176, height * ratio / 220)));
    canvas.style.width = (176 * scale / ratio) + 'px';
    canvas.style.height = (220 * scale / ratio) + 'px';
  }

  function showTouch() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    layout();
  }
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) showTouch();
  window.addEventListener('touchstart', showTouch, {capture: true, passive: true});
  window.addEventListener('resize', layout);
  layout();

  // A touch button holds its key while a finger is on it.
  touch.querySelectorAll('.key').forEach(function (button) {
    const key = Number(button.dataset.key);
    let held = false;
    function press(down) {
      if (held === down || !Module._v2_touchKey) return;
      held = down;
      button.classList.toggle('held', down);
      Module._v2_touchKey(key, down ? 1 : 0);
    }
    button.addEventListener('pointerdown', function (event) {
      event.preventDefault();
      button.releasePointerCapture && button.releasePointerCapture(event.pointerId);
      press(true);
    });
    ['pointerup', 'pointercancel', 'pointerleave'].forEach(function (type) {
      button.addEventListener(type, function () { press(false); });
    });
    button.addEventListener('contextmenu', function (event) { event.preventDefault(); });
  });

  function toggleFullScreen() {
    const element = document.documentElement;
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function () {});
    } else if (element.requestFullscreen) {
      element.requestFullscreen().catch(function () {});
    }
  }
  document.getElementById('fullscreen').addEventListener('click', function (event) {
    toggleFullScreen();
    event.currentTarget.blur();
  });
  document.addEventListener('fullscreenchange', layout);
  Module.v2ToggleFullScreen = toggleFullScreen;

  // Boxes one at a time; the program never waits for them.
  function nextMessage() {
    if (!overlay.hidden || messages.length === 0) return;
    const message = messages.shift();
    document.getElementById('overlay-caption').textContent = message.caption;
    document.getElementById('overlay-text').textContent = message.text;
    document.getElementById('overlay-button').textContent = message.button;
    overlay.onclick = null;
    document.getElementById('overlay-button').onclick = function () {
      overlay.hidden = true;
      message.done();
      nextMessage();
    };
    overlay.hidden = false;
  }
  Module.v2ShowMessage = function (text, caption) {
    messages.push({text: text, caption: caption || 'Vextorium2', button: 'OK',
                   done: function () {}});
    nextMessage();
  };
  let releaseGame = function () {};
  Module.v2ProgramEnded = function () {
    releaseGame();
    messages.push({text: 'The game has ended.', caption: 'Vextorium2', button: 'Play again',
                   done: function () { location.reload(); }});
    nextMessage();
  };
  Module.onRuntimeInitialized = function () {
    status.hidden = true;
    if (window.v2Offline) window.v2Offline.started();
  };

  function startGame() {
    // A newer build already fetched is taken first (offline.js).
    (window.v2Offline ? window.v2Offline.ready : Promise.resolve()).then(function () {
      const script = document.createElement('script');
      script.src = 'vextorium2.js';
      script.async = true;
      document.body.appendChild(script);
    });
  }
  if (navigator.locks && navigator.locks.request) {
    // A reload lets go of the lock a moment after the new page asks for it: no notice for that.
    let started = false;
    const notice = setTimeout(function () {
      if (started) return;
      status.textContent = 'Vextorium2 is open in another tab. It starts here when that tab is closed.';
    }, 1500);
    navigator.locks.request('vextorium2-game', function () {
      started = true;
      clearTimeout(notice);
      status.textContent = 'Loading…';
      startGame();
      // Held while the game runs: until the page closes or the game ends.
      return new Promise(function (release) { releaseGame = release; });
    });
  } else {
    startGame();
  }
  Module.onAbort = function () {
    Module.v2ShowMessage('The game stopped because of an error.', 'Vextorium2');
  };
})();
