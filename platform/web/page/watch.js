// The watch page: fetches a proven game's record from the server (watch.html?game=ID) and hands
// it to the game, which plays it back in real time (watch_mode.cpp). The page's buttons only
// pause it and set its speed; the game never hears a key, a click or a touch, and the player's
// stored files are never opened (pre.js leaves the storage alone while watching).
'use strict';

// The program's settings; the watch's own part is Module.v2Watch, set below.
var Module = {};

(function () {
  const kMaxRecordBytes = 16 << 20;  // far beyond any real game's record, as the server allows
  const canvas = document.getElementById('canvas');
  const room = document.getElementById('screen');
  const status = document.getElementById('status');
  const state = document.getElementById('watch-state');
  const title = document.getElementById('watch-title');
  const pause = document.getElementById('pause');
  const speeds = Array.from(document.querySelectorAll('#watch-bar .speed'));

  // The largest whole factor of device pixels that fits, as on the game's own page; on a screen
  // on its side where that leaves the picture under 80% of the height, all the room it has, in
  // uneven blocks.
  const landscape = window.matchMedia('(orientation: landscape)');
  function layout() {
    const ratio = window.devicePixelRatio || 1;
    const fit = Math.min(room.clientWidth / 176, room.clientHeight / 220);
    let shown = Math.max(1, Math.floor(fit * ratio)) / ratio;
    if (landscape.matches && 220 * shown < 0.8 * window.innerHeight) {
      shown = Math.max(shown, Math.floor(fit * ratio * 220) / ratio / 220);
    }
    canvas.style.width = (176 * shown) + 'px';
    canvas.style.height = (220 * shown) + 'px';
  }
  window.addEventListener('resize', layout);
  layout();

  const watch = { record: null, speed: 1, paused: false, over: false };
  Module.v2Watch = watch;

  // The screen kept awake while the game plays (where the browser can), asked for again when
  // the page is shown again, and let go once it is paused or over.
  let playing = false;
  let lock = null;
  let asking = false;
  function keepAwake() {
    const wanted = playing && !watch.paused && !watch.over;
    if (!wanted) {
      if (lock) lock.release().catch(function () {});
      lock = null;
      return;
    }
    if (lock || asking || document.visibilityState !== 'visible') return;
    if (!navigator.wakeLock || !navigator.wakeLock.request) return;
    asking = true;
    navigator.wakeLock.request('screen').then(function (taken) {
      asking = false;
      lock = taken;
      taken.addEventListener('release', function () {
        if (lock === taken) lock = null;
      });
      keepAwake();  // paused or over meanwhile: let go again
    }, function () { asking = false; });
  }
  document.addEventListener('visibilitychange', keepAwake);

  function show() {
    keepAwake();
    if (watch.over) return;
    state.textContent = watch.paused ? 'Paused' : `Playing at ${watch.speed}x`;
    state.dataset.state = watch.paused ? 'paused' : 'playing';
    pause.textContent = watch.paused ? 'Resume' : 'Pause';
    pause.setAttribute('aria-pressed', String(watch.paused));
    speeds.forEach(function (button) {
      button.setAttribute('aria-pressed', String(Number(button.dataset.speed) === watch.speed));
    });
  }
  // A change takes effect at once, not after the game's current wait.
  function changed() {
    show();
    if (Module.v2Wake) Module.v2Wake();
  }
  pause.addEventListener('click', function () {
    watch.paused = !watch.paused;
    changed();
  });
  speeds.forEach(function (button) {
    button.addEventListener('click', function () {
      watch.speed = Number(button.dataset.speed);
      changed();
    });
  });

  function failed(text) {
    watch.over = true;
    keepAwake();
    status.hidden = false;
    status.textContent = text;
    state.textContent = 'This game cannot be watched.';
    state.dataset.state = 'failed';
    pause.disabled = true;
    speeds.forEach(function (button) { button.disabled = true; });
  }

  watch.ended = function (proven, score, reason) {
    watch.over = true;
    keepAwake();
    pause.disabled = true;
    speeds.forEach(function (button) { button.disabled = true; });
    if (proven) {
      state.textContent = `Ended: ${score} points, proven.`;
      state.dataset.state = 'ended';
      state.dataset.score = String(score);
    } else {
      failed(`This game does not play back here: ${reason}.`);
    }
  };
  Module.onRuntimeInitialized = function () {
    playing = true;
    status.hidden = true;
    pause.disabled = false;
    speeds.forEach(function (button) { button.disabled = false; });
    show();
  };
  Module.onAbort = function () { failed('The game stopped because of an error.'); };

  // Reads the reply whole, refusing one beyond the limit.
  async function recordOf(response) {
    const length = Number(response.headers.get('Content-Length'));
    if (length > kMaxRecordBytes) throw new Error('too large');
    const bytes = new Uint8Array(await response.arrayBuffer());
    if (bytes.length > kMaxRecordBytes) throw new Error('too large');
    return bytes;
  }

  const game = new URLSearchParams(location.search).get('game') || '';
  if (!/^[0-9a-f]{64}$/.test(game)) {
    failed('No game to watch: the address names none.');
    return;
  }
  // Whose game it is, from the list at every pace, or from a level set's board (which a server
  // that cannot reach its store may not give); a game played below full pace says so, and is
  // shown at its own pace.
  function lookUp(list) {
    fetch(list, { cache: 'no-store', credentials: 'omit' }).then(function (response) {
      return response.ok ? response.json() : [];
    }).then(function (rows) {
      const entry = rows.find(function (row) { return row.replay === '/replays/' + game; });
      const pace = entry && entry.pace < 100 ? `, played at ${entry.pace}% pace` : '';
      if (entry) title.textContent = `${entry.name}: ${entry.score} points, proven${pace}`;
    }).catch(function () {});
  }
  lookUp('/scores.json?pace=any');

  // A game played on a level set: the game asks for the set its record names (the id the
  // server serves it by), checks that the file is that one and plays on it. Without it the
  // game is not played at all: no other levels stand in for the set.
  const kSetFileBytes = 2112;
  watch.fetchSet = async function (id) {
    if (!/^[0-9a-f]{64}$/.test(id)) {
      failed('This game was played on a level set this page cannot name.');
      return -1;
    }
    lookUp('/scores.json?set=' + id);
    let response;
    try {
      response = await fetch('/sets/' + id, { cache: 'no-store', credentials: 'omit' });
    } catch (error) {
      failed('The level set this game was played on could not be fetched. Try again later.');
      return -1;
    }
    if (response.status === 404) {
      failed('The level set this game was played on is not on the server.');
      return -1;
    }
    if (!response.ok) {
      failed(`The server did not give the level set this game was played on (${response.status}). Try again later.`);
      return -1;
    }
    const bytes = new Uint8Array(await response.arrayBuffer().catch(function () { return new ArrayBuffer(0); }));
    if (bytes.length !== kSetFileBytes) {
      failed('The server did not give the level set this game was played on. Try again later.');
      return -1;
    }
    watch.levels = bytes;
    return bytes.length;
  };
  fetch('/replays/' + game, { cache: 'no-store', credentials: 'omit' }).then(async function (response) {
    if (response.status === 404) return failed('This game is not on the server.');
    if (!response.ok) return failed(`The server did not give the game (${response.status}). Try again later.`);
    watch.record = await recordOf(response);
    const script = document.createElement('script');
    script.src = 'vextorium2.js';
    script.async = true;
    document.body.appendChild(script);
  }).catch(function () {
    failed('The game could not be fetched. Try again later.');
  });
})();
