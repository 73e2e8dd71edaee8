// The page around the game: the frame scaled by whole device pixels and centred, the full-screen
// button, the touch buttons (shown on touch screens: under the picture, or beside it in
// landscape), the score exchange's status line, and the boxes the program shows. One game
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
  const room = document.getElementById('screen');
  const touch = document.getElementById('touch');
  const status = document.getElementById('status');
  const overlay = document.getElementById('overlay');
  const overlayButton = document.getElementById('overlay-button');
  const messages = [];

  // The largest whole factor of device pixels that fits the room the touch buttons leave. With
  // the touch buttons, a picture under 60% of the page's height beside them (landscape) or 55%
  // over them (upright) is too small to play: where that factor is 1 (a screen of few device
  // pixels), it takes all the room instead, in uneven blocks (still sharp-edged: the canvas is
  // scaled pixelated). From 2 up the blocks stay even, the picture crisp.
  const landscape = window.matchMedia('(orientation: landscape)');
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const width = room.clientWidth;
    const height = room.clientHeight;
    const scale = Math.max(1, Math.floor(Math.min(width * ratio / 176, height * ratio / 220)));
    let shown = scale / ratio;
    const least = landscape.matches ? 0.6 : 0.55;
    if (document.body.classList.contains('touch') && scale < 2 && 220 * shown < least * window.innerHeight) {
      shown = Math.max(shown, Math.floor(Math.min(width / 176, height / 220) * ratio * 220) / ratio / 220);
    }
    canvas.style.width = (176 * shown) + 'px';
    canvas.style.height = (220 * shown) + 'px';
  }

  // With the touch buttons the full-screen button joins them, beside the home key: held upright
  // a short phone has no room for it over the picture (page.css places it in each orientation).
  const fullScreenButton = document.getElementById('fullscreen');
  function showTouch() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    touch.querySelector('.home').after(fullScreenButton);
    layout();
  }
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) showTouch();
  // A touch on a page that did not take it for a touch screen shows the buttons once it has
  // ended, which moves the picture: the game places the touch's start and end on the frame as
  // it was shown (its handlers on the canvas hear them before the window does).
  window.addEventListener('touchend', showTouch, {passive: true});
  window.addEventListener('touchcancel', showTouch, {passive: true});
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

  // The soft keys' buttons say what each key does on the screen shown, as the screen's own
  // corners do; a key that does nothing there leaves its button blank. During a wipe the keys
  // are not heard, and the labels stay until the next screen.
  const softKeys = touch.querySelectorAll('.soft');
  const kSoftLabels = {
    TITLE: ['OK', ''], ABOUT: ['OK', ''], MENU: ['Select', ''], OPTIONS: ['Select', ''],
    HELP: [], SCORES: ['Sync', 'Back'], NAME_ENTRY: ['Done', 'Cancel'],
    STAGE: ['Start', ''], PLAY: ['Pause', 'Mute'], GAME_OVER: ['OK', ''], VICTORY: ['OK', ''],
  };
  let helpPage = 0;
  Module.v2ScreenState = function (state) {
    if (!kSoftLabels[state]) return;
    // The help is always entered at its first page and left from its last (the third).
    helpPage = state === 'HELP' ? helpPage + 1 : 0;
    const labels = state === 'HELP' ? [helpPage >= 3 ? 'Menu' : 'Next', ''] : kSoftLabels[state];
    softKeys.forEach(function (button, i) {
      button.textContent = labels[i];
      button.classList.toggle('idle', labels[i] === '');
    });
  };

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

  // Boxes one at a time; the program never waits for them. While one is shown it has the keys:
  // Enter or Space presses its button, Tab stays on it, and the game hears no key press (its
  // releases still reach the game, so no key stays held there).
  const behind = [document.getElementById('handset'), document.getElementById('fullscreen')];
  let shown = null;
  function closeMessage() {
    overlay.hidden = true;
    shown = null;
    behind.forEach(function (element) { element.inert = false; });
  }
  function nextMessage() {
    if (!overlay.hidden || messages.length === 0) return;
    const message = messages.shift();
    shown = message;
    document.getElementById('overlay-caption').textContent = message.caption;
    document.getElementById('overlay-text').textContent = message.text;
    overlayButton.textContent = message.button;
    overlay.onclick = null;
    overlayButton.onclick = function () {
      closeMessage();
      message.done();
      nextMessage();
    };
    overlay.hidden = false;
    behind.forEach(function (element) { element.inert = true; });
    overlayButton.focus();
  }
  window.addEventListener('keydown', function (event) {
    if (overlay.hidden) return;
    event.stopImmediatePropagation();
    if (event.key === 'Tab') {
      event.preventDefault();
      overlayButton.focus();
    } else if (event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      if (!event.repeat) overlayButton.click();
    }
  }, {capture: true});
  Module.v2ShowMessage = function (text, caption) {
    messages.push({text: text, caption: caption || 'Vextorium2', button: 'OK', note: true,
                   done: function () {}});
    nextMessage();
  };
  let releaseGame = function () {};
  // The home key ends the program, which has written what it keeps on its way out: the saved
  // game in play (gameSaved), a new high score, the options. One box says what was kept, with
  // what the program told on its way out (the kept score) and had not been read yet. "Play on"
  // starts the game again straight into the saved game; "Play again" at the title.
  const kPlayOn = 'vextorium2-play-on';
  Module.v2ProgramEnded = function (gameSaved) {
    releaseGame();
    const notes = [];
    if (shown && shown.note) {
      notes.push(shown.text);
      closeMessage();
    }
    for (let i = messages.length - 1; i >= 0; --i) {
      if (messages[i].note) notes.unshift(messages.splice(i, 1)[0].text);
    }
    const kept = !Module.v2StorageFailed;
    const playOn = kept && gameSaved;
    notes.push(!kept ? 'The game has ended, but the browser did not keep its files.'
                     : playOn ? 'Your game is saved.' : 'The game has ended.');
    messages.unshift({text: notes.join(' '), caption: 'Vextorium2',
                      button: playOn ? 'Play on' : 'Play again',
                      done: function () {
                        if (playOn) sessionStorage.setItem(kPlayOn, '1');
                        location.reload();
                      }});
    nextMessage();
  };

  // The score exchange: what it is doing, then how it ended, for a few seconds.
  const exchange = document.getElementById('exchange');
  const exchangeTexts = {sending: 'Sending scores…', sent: 'Scores sent.',
                         refused: 'The server turned a score down.',
                         failed: 'Sending failed. Try again later.'};
  let exchangeTimer = 0;
  Module.v2ExchangeStatus = function (state) {
    clearTimeout(exchangeTimer);
    exchange.textContent = exchangeTexts[state] || '';
    exchange.className = state;
    exchange.hidden = false;
    if (state !== 'sending') exchangeTimer = setTimeout(function () { exchange.hidden = true; }, 4000);
  };
  Module.onRuntimeInitialized = function () {
    status.hidden = true;
    if (window.v2Offline) window.v2Offline.started();
  };

  // A level set to play (`/?set=ID`, ID its file's SHA-256): from the page's own storage, where
  // the editor and earlier visits leave sets, or else from the server, then kept for playing
  // offline. A set that cannot be had is told plainly, and the game's own levels are played.
  const kSetFileBytes = 2112;
  const kSetStorage = 'vextorium2-set-';
  function fromBase64(text) {
    const raw = atob(text);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }
  function toBase64(bytes) {
    let raw = '';
    for (const b of bytes) raw += String.fromCharCode(b);
    return btoa(raw);
  }
  function levelSet() {
    const id = new URLSearchParams(location.search).get('set');
    if (id === null) return Promise.resolve(null);
    if (!/^[0-9a-f]{64}$/.test(id)) {
      Module.v2ShowMessage('"' + id + '" names no level set. The game\'s own levels are played.');
      return Promise.resolve(null);
    }
    try {
      const kept = localStorage.getItem(kSetStorage + id);
      if (kept) return Promise.resolve({id: id, bytes: fromBase64(kept)});
    } catch (error) {
      // no storage: the server's copy
    }
    return fetch('sets/' + id, {credentials: 'omit'})
      .then(function (response) {
        if (!response.ok) throw new Error(response.status === 404 ? 'the server has no such set' : 'HTTP ' + response.status);
        return response.arrayBuffer();
      })
      .then(function (buffer) {
        const bytes = new Uint8Array(buffer);
        if (bytes.length !== kSetFileBytes) throw new Error('the server sent no level file');
        try { localStorage.setItem(kSetStorage + id, toBase64(bytes)); } catch (error) {}
        return {id: id, bytes: bytes};
      })
      .catch(function (error) {
        Module.v2ShowMessage('The level set cannot be loaded (' + (error instanceof TypeError ? 'no connection to the server' : error.message) +
                             '). The game\'s own levels are played.');
        return null;
      });
  }

  function startGame() {
    levelSet().then(function (set) {
      if (set) {
        Module.v2LevelSet = set;
        document.title = 'Vextorium2 · level set ' + set.id.slice(0, 8);
      }
      startProgram();
    });
  }

  function startProgram() {
    // Started by "Play on": the program takes up the saved game at once.
    try {
      Module.v2PlayOn = sessionStorage.getItem(kPlayOn) === '1';
      sessionStorage.removeItem(kPlayOn);
    } catch (error) {
      Module.v2PlayOn = false;
    }
    // The program's files as offline.js asked for them: its script run from that download, its
    // data and code handed over, so that each is fetched once.
    const downloads = window.v2Offline.downloads;
    const script = document.createElement('script');
    script.async = true;
    Promise.all([downloads['vextorium2.js'].then(function (r) { return r.text(); }),
                 downloads['vextorium2.data'].then(function (r) { return r.arrayBuffer(); })])
      .then(function (files) {
        Module.locateFile = function (path) { return path; };
        Module.getPreloadedPackage = function () { return files[1]; };
        Module.instantiateWasm = function (imports, done) {
          downloads['vextorium2.wasm']
            .then(function (response) { return WebAssembly.instantiateStreaming(response, imports); })
            .catch(function () {
              return fetch('vextorium2.wasm').then(function (response) { return response.arrayBuffer(); })
                .then(function (code) { return WebAssembly.instantiate(code, imports); });
            })
            .then(function (result) { done(result.instance, result.module); },
                  function (error) { Module.onAbort && Module.onAbort(error); });
          return {};
        };
        script.src = URL.createObjectURL(new Blob([files[0]], {type: 'text/javascript'}));
      }, function () {
        script.src = 'vextorium2.js';  // its own requests, as it would without this page
      })
      .then(function () { document.body.appendChild(script); });
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
