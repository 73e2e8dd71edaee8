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
  let screenState = '';  // the screen the program shows (Module.v2ScreenState)
  let touchOffset = 24;  // frame pixels the finger steers below the paddle (the settings)

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
    steeringRoom();
  }

  // With the touch buttons the full-screen button joins them, beside the home key: held upright
  // a short phone has no room for it over the picture (page.css places it in each orientation).
  const fullScreenButton = document.getElementById('fullscreen');
  function showTouch() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    touch.querySelector('.home').after(fullScreenButton);
    touch.querySelector('.home').before(document.getElementById('settings'));
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
    screenChanged(state);
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
    keepAwake(false);
    settingsButton.disabled = true;
    if (programEndedForRestart(gameSaved)) return;  // the page starts again at once
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
  // ---- The screen kept awake while a game is in play (where the browser can), asked for
  // again when the page is shown again: browsers let go of the lock when it is hidden.
  const keepAwake = (function () {
    let lock = null;
    let wanted = false;
    let asking = false;
    function take() {
      if (!wanted || lock || asking || document.visibilityState !== 'visible') return;
      if (!navigator.wakeLock || !navigator.wakeLock.request) return;
      asking = true;
      navigator.wakeLock.request('screen').then(function (taken) {
        asking = false;
        if (!wanted) {
          taken.release().catch(function () {});
          return;
        }
        lock = taken;
        taken.addEventListener('release', function () {
          if (lock === taken) lock = null;
        });
      }, function () { asking = false; });
    }
    document.addEventListener('visibilitychange', take);
    return function (now) {
      wanted = now;
      if (now) {
        take();
      } else if (lock) {
        const held = lock;
        lock = null;
        held.release().catch(function () {});
      }
    };
  })();

  // ---- The player's settings: Settings.txt in the program's files, one `name = value` a line.
  // The panel changes the lines it knows and keeps every other line as it was; the program
  // reads the file when it starts, so a change it must hear of restarts it.
  const kSettingsFile = 'Settings.txt';
  // A fingertip's height below the paddle on a phone at two device pixels a frame pixel.
  const kTouchOffsetDefault = 24;
  const kPlain = {
    'pace': {values: ['100', '75', '50'], initial: '100'},
    'look.high_contrast': {values: ['on', 'off'], initial: 'off'},
    'look.flash_safe': {values: ['on', 'off'], initial: 'off'},
    'sound.cues': {values: ['on', 'off'], initial: 'off'},
    'volume.music': {from: 0, to: 100, initial: '100'},
    'volume.effects': {from: 0, to: 100, initial: '100'},
    'pointer.sensitivity': {from: 50, to: 200, initial: '100'},
    'touch.offset': {from: 0, to: 60, initial: String(kTouchOffsetDefault)},
    'touch.layout': {values: ['both', 'left', 'right'], initial: 'both'},
  };
  // The page's own: a change restarts nothing.
  const kPageOnly = ['touch.offset', 'touch.layout'];
  const kActions = [['up', 'Up'], ['down', 'Down'], ['left', 'Left'], ['right', 'Right'],
                    ['action', 'Action'], ['soft_left', 'Left soft key'],
                    ['soft_right', 'Right soft key'], ['home', 'Home']];
  const kDefaultKeys = {
    up: ['ArrowUp', 'Numpad8'], down: ['ArrowDown', 'Numpad2'], left: ['ArrowLeft', 'Numpad4'],
    right: ['ArrowRight', 'Numpad6'], action: ['Enter', 'Space', 'NumpadEnter', 'Numpad5'],
    soft_left: ['F1'], soft_right: ['F2'], home: ['Escape'],
  };
  const kDefaultPads = {
    up: ['dpup'], down: ['dpdown'], left: ['dpleft'], right: ['dpright'], action: ['a'],
    soft_left: ['x'], soft_right: ['y'], home: ['back'],
  };
  // The program's own keys, which no action may have.
  const kReservedKeys = {F10: 'F10 opens the game\'s own settings screen.', F11: 'F11 switches full screen.'};
  // The standard gamepad mapping's buttons by index; the triggers have no name.
  const kPadButtons = ['a', 'b', 'x', 'y', 'leftshoulder', 'rightshoulder', null, null, 'back',
                       'start', 'leftstick', 'rightstick', 'dpup', 'dpdown', 'dpleft', 'dpright',
                       'guide'];
  const kKinds = {key: {prefix: 'key.', defaults: kDefaultKeys, what: 'key'},
                  pad: {prefix: 'pad.', defaults: kDefaultPads, what: 'button'}};

  function settingLine(line) {
    const match = /^\s*([A-Za-z0-9_.]+)\s*=\s*(.*?)\s*$/.exec(line);
    return match && !line.trimStart().startsWith('#') ? {name: match[1], value: match[2]} : null;
  }
  function plainValue(name, value) {
    const rule = kPlain[name];
    if (rule.values) return rule.values.includes(value) ? value : null;
    if (!/^\d{1,3}$/.test(value)) return null;
    const number = Number(value);
    return number >= rule.from && number <= rule.to ? String(number) : null;
  }
  function nameList(value, kind) {
    const names = value.split(',').map(function (name) { return name.trim(); });
    const valid = kind === 'key' ? /^[A-Za-z0-9]{1,32}$/ : /^[a-z]{1,16}$/;
    // Up to four, as the game's own action key has; the panel gives each action two places.
    if (names.length < 1 || names.length > 4 || names.some(function (name) {
      return !valid.test(name) || (kind === 'pad' && !kPadButtons.includes(name));
    }) || new Set(names).size !== names.length) return null;
    return names;
  }
  // What the file says, as the program reads it: a value out of range is the default's; where
  // the file gives one key to two actions, both keep their defaults.
  function readSettings(text) {
    const settings = {plain: {}, key: {}, pad: {}};
    for (const line of text.split(/\r?\n/)) {
      const entry = settingLine(line);
      if (!entry) continue;
      if (kPlain[entry.name]) {
        settings.plain[entry.name] = plainValue(entry.name, entry.value);
        continue;
      }
      for (const kind of ['key', 'pad']) {
        const action = entry.name.startsWith(kKinds[kind].prefix) &&
                       entry.name.slice(kKinds[kind].prefix.length);
        if (action && kDefaultKeys[action]) settings[kind][action] = nameList(entry.value, kind);
      }
    }
    for (const kind of ['key', 'pad']) {
      const owners = {};
      for (const [action] of kActions) {
        for (const name of settings[kind][action] || []) (owners[name] = owners[name] || []).push(action);
      }
      for (const name in owners) {
        if (owners[name].length > 1) owners[name].forEach(function (action) { settings[kind][action] = null; });
      }
    }
    return settings;
  }
  function valueOf(settings, name) {
    return settings.plain[name] || kPlain[name].initial;
  }
  function namesOf(settings, kind, action) {
    return settings[kind][action] || kKinds[kind].defaults[action];
  }
  // The file again with the panel's values: known lines changed in place, new ones added at
  // the end, a map back to its default taken out; every other line kept.
  function settingsText(text, settings) {
    const wanted = {};
    for (const name in kPlain) wanted[name] = valueOf(settings, name);
    for (const kind of ['key', 'pad']) {
      for (const [action] of kActions) {
        const names = settings[kind][action];
        wanted[kKinds[kind].prefix + action] = names ? names.join(', ') : null;
      }
    }
    const written = {};
    const lines = text === '' ? [] : text.replace(/\r?\n$/, '').split(/\r?\n/);
    const out = [];
    for (const line of lines) {
      const entry = settingLine(line);
      if (!entry || !(entry.name in wanted)) {
        out.push(line);
      } else if (wanted[entry.name] !== null) {
        out.push(entry.name + ' = ' + wanted[entry.name]);
        written[entry.name] = true;
      }
    }
    for (const name in wanted) {
      if (written[name] || wanted[name] === null) continue;
      if (kPlain[name] && wanted[name] === kPlain[name].initial) continue;
      out.push(name + ' = ' + wanted[name]);
    }
    return out.length > 0 ? out.join('\n') + '\n' : '';
  }

  // The settings the program reads (all but the page's own), as one text to compare.
  function programSettings(settings) {
    return settingsText('', settings).split('\n').filter(function (line) {
      return !kPageOnly.some(function (name) { return line.startsWith(name + ' '); });
    }).join('\n');
  }

  function storedText(name) {
    const bytes = Module.v2Files && Module.v2Files.read(name);
    return bytes ? new TextDecoder().decode(bytes) : '';
  }

  // The page's part of the settings, applied at once: the finger's offset in play and the
  // touch buttons' side.
  function applyPageSettings(settings) {
    touchOffset = Number(valueOf(settings, 'touch.offset'));
    const hand = valueOf(settings, 'touch.layout');
    document.body.classList.toggle('hand-left', hand === 'left');
    document.body.classList.toggle('hand-right', hand === 'right');
    layout();
  }
  // In play the finger steers from below the paddle: the room under the picture is where.
  function steeringRoom() {
    const inPlay = screenState === 'PLAY';
    Module.v2TouchOffset = inPlay ? touchOffset : 0;
    const strip = document.getElementById('steer');
    const scale = canvas.getBoundingClientRect().height / 220;
    const free = Math.max(0, room.clientHeight - canvas.getBoundingClientRect().height);
    // Kept on every screen, so that the picture stays where it is when play begins.
    const height = document.body.classList.contains('touch') ? Math.min(free, touchOffset * scale) : 0;
    document.getElementById('frame').style.marginBottom = height > 0 ? height + 'px' : '';
    strip.style.height = height + 'px';
    strip.hidden = !inPlay || height <= 0;
  }

  // A game is in play from its stage screen to its end.
  function screenChanged(state) {
    screenState = state;
    keepAwake(state === 'STAGE' || state === 'PLAY');
    steeringRoom();
    if (ending && ending.waiting && state !== 'NAME_ENTRY') {
      ending.waiting = false;
      endGame();
    }
  }

  // ---- The panel
  const panel = document.getElementById('panel');
  const sheet = panel.querySelector('form');
  const panelMessage = document.getElementById('panel-message');
  const settingsButton = document.getElementById('settings');
  let edited = null;      // the settings as the panel shows them
  let fileText = '';      // Settings.txt as it was when the panel opened
  let listening = null;   // a key's or button's place waiting for its new one
  let padPoll = 0;

  function say(text) { panelMessage.textContent = text; }

  function prettyKey(code) {
    const arrows = {ArrowUp: '↑ Up', ArrowDown: '↓ Down', ArrowLeft: '← Left', ArrowRight: '→ Right'};
    return arrows[code] || code.replace(/^Key(?=.$)/, '').replace(/^Digit/, '').replace(/^Numpad/, 'Num ');
  }
  function showMaps() {
    for (const kind of ['key', 'pad']) {
      const map = document.getElementById(kind + '-map');
      map.textContent = '';
      for (const [action, label] of kActions) {
        const names = namesOf(edited, kind, action);
        const name = document.createElement('span');
        name.textContent = label;
        map.appendChild(name);
        for (let slot = 0; slot < 2; ++slot) {
          const button = document.createElement('button');
          button.type = 'button';
          button.className = 'bind';
          button.dataset.kind = kind;
          button.dataset.action = action;
          button.dataset.slot = String(slot);
          const waiting = listening && listening.kind === kind && listening.action === action &&
                          listening.slot === slot;
          const bound = names[slot] || '';
          button.textContent = waiting ? 'Press…'
                                       : bound ? (kind === 'key' ? prettyKey(bound) : bound) : '—';
          button.setAttribute('aria-label', label + ', ' + kKinds[kind].what + ' ' + (slot + 1) +
                              ': ' + (bound || 'none'));
          if (waiting) button.classList.add('waiting');
          button.addEventListener('click', function () { listen(kind, action, slot); });
          map.appendChild(button);
        }
      }
    }
  }
  function showPanel() {
    // A game's record holds the one pace it is played at: it is changed between games.
    const inGame = screenState === 'STAGE' || screenState === 'PLAY';
    sheet.querySelectorAll('[name="pace"]').forEach(function (input) { input.disabled = inGame; });
    document.getElementById('pace-note').hidden = !inGame;
    for (const name in kPlain) {
      const value = valueOf(edited, name);
      sheet.querySelectorAll('[name="' + name + '"]').forEach(function (input) {
        if (input.type === 'radio') input.checked = input.value === value;
        else if (input.type === 'checkbox') input.checked = value === 'on';
        else input.value = value;
        const output = input.parentElement.querySelector('output');
        if (output) output.textContent = value + (name === 'touch.offset' ? ' px' : '%');
      });
    }
    showMaps();
  }
  sheet.addEventListener('input', function (event) {
    const input = event.target;
    if (!kPlain[input.name]) return;
    edited.plain[input.name] = input.type === 'checkbox' ? (input.checked ? 'on' : 'off') : input.value;
    showPanel();
  });

  // Waits for the new key or button of one place; chosen again, it stops waiting.
  function listen(kind, action, slot) {
    const again = listening && listening.kind === kind && listening.action === action &&
                  listening.slot === slot;
    stopListening();
    if (again) return;
    listening = {kind: kind, action: action, slot: slot};
    say('');
    showMaps();
    if (kind === 'pad') {
      const held = padButtonsDown();
      const look = function () {
        const down = padButtonsDown();
        const pressed = down.find(function (index) { return !held.includes(index); });
        held.splice(0, held.length, ...down);
        if (pressed === undefined) {
          padPoll = requestAnimationFrame(look);
        } else if (!kPadButtons[pressed]) {
          say('That button cannot be used. Press another.');
          padPoll = requestAnimationFrame(look);
        } else {
          bind(kPadButtons[pressed]);
        }
      };
      padPoll = requestAnimationFrame(look);
    }
  }
  function stopListening() {
    cancelAnimationFrame(padPoll);
    if (!listening) return;
    listening = null;
    showMaps();
  }
  function padButtonsDown() {
    const down = [];
    const pads = navigator.getGamepads ? navigator.getGamepads() : [];
    for (const pad of pads) {
      if (!pad || !pad.connected || pad.mapping !== 'standard') continue;
      pad.buttons.forEach(function (button, index) {
        if (button.pressed && !down.includes(index)) down.push(index);
      });
    }
    return down;
  }
  // The place waiting takes `name`, unless another action has it (refused, saying which).
  function bind(name) {
    const {kind, action, slot} = listening;
    const labelOf = function (which) {
      return kActions.find(function (entry) { return entry[0] === which; })[1];
    };
    const shown = kind === 'key' ? prettyKey(name) : name;
    for (const [other] of kActions) {
      if (other !== action && namesOf(edited, kind, other).includes(name)) {
        say(shown + ' is already ' + labelOf(other) + '. Choose another, or change ' +
            labelOf(other) + ' first.');
        stopListening();
        return;
      }
    }
    const names = namesOf(edited, kind, action).slice(0, 2);
    if (names.indexOf(name) !== slot) {
      const at = names.indexOf(name);
      if (at >= 0) names.splice(at, 1);
      if (slot < names.length) names[slot] = name;
      else names.push(name);
    }
    edited[kind][action] = names.slice(0, 2);
    say(labelOf(action) + ': ' + edited[kind][action].map(kind === 'key' ? prettyKey : String)
        .join(', ') + '.');
    stopListening();
  }
  function clearSlot() {
    const {kind, action, slot} = listening;
    const names = namesOf(edited, kind, action).slice(0, 2);
    if (names.length < 2) {
      say('Each action keeps one ' + kKinds[kind].what + ' at least.');
    } else {
      names.splice(slot, 1);
      edited[kind][action] = names;
      say('');
    }
    stopListening();
  }

  // Keys while the panel is open are the panel's: the game hears none (its releases still go
  // through, so that no key stays held there).
  window.addEventListener('keydown', function (event) {
    if (panel.hidden) return;
    event.stopImmediatePropagation();
    if (listening && listening.kind === 'key') {
      event.preventDefault();
      if (event.repeat) return;
      if (event.code === 'Escape') stopListening();
      else if (event.code === 'Delete' || event.code === 'Backspace') clearSlot();
      else if (kReservedKeys[event.code]) say(kReservedKeys[event.code]);
      else if (!/^[A-Za-z0-9]{1,32}$/.test(event.code)) say('That key cannot be used.');
      else bind(event.code);
    } else if (event.key === 'Escape') {
      event.preventDefault();
      if (listening) stopListening();
      else closePanel();
    } else if (event.key === 'Tab') {
      // The focus stays in the panel.
      const stops = Array.from(sheet.querySelectorAll('button:not([hidden]), input:not([type="file"])'))
        .filter(function (element) { return element.offsetParent !== null; });
      const at = stops.indexOf(document.activeElement);
      // A group of radio buttons is one stop: any of the first group is the first.
      const first = at <= 0 || (stops[0].type === 'radio' && document.activeElement.name === stops[0].name);
      if (event.shiftKey ? first : at === stops.length - 1) {
        event.preventDefault();
        stops[event.shiftKey ? stops.length - 1 : 0].focus();
      }
    }
  }, {capture: true});

  function coverGame(now) {
    if (Module._v2_pageCovered) Module._v2_pageCovered(now ? 1 : 0);
  }
  function openPanel() {
    if (!Module.v2Files || !overlay.hidden || ending) return;
    fileText = storedText(kSettingsFile);
    edited = readSettings(fileText);
    say('');
    document.getElementById('import-confirm').hidden = true;
    showPanel();
    panel.hidden = false;
    behind.forEach(function (element) { element.inert = true; });
    coverGame(true);
    sheet.querySelector('input').focus();
  }
  function closePanel() {
    stopListening();
    panel.hidden = true;
    behind.forEach(function (element) { element.inert = false; });
    coverGame(false);
    settingsButton.blur();
  }
  settingsButton.addEventListener('click', openPanel);
  document.getElementById('panel-cancel').addEventListener('click', closePanel);
  document.getElementById('panel-defaults').addEventListener('click', function () {
    stopListening();
    edited = {plain: {}, key: {}, pad: {}};
    showPanel();
    say('Every setting as it first was. Save keeps them.');
  });
  sheet.addEventListener('submit', function (event) {
    event.preventDefault();
    stopListening();
    const before = readSettings(fileText);
    const text = settingsText(fileText, edited);
    if (text === fileText) {
      closePanel();
      return;
    }
    const restart = programSettings(before) !== programSettings(edited);
    Module.v2Files.change([[kSettingsFile, new TextEncoder().encode(text)]], []).then(function (kept) {
      if (!kept) {
        say('The browser did not keep the settings.');
        return;
      }
      applyPageSettings(edited);
      closePanel();
      if (restart) restartGame(null);
    });
  });

  // ---- A restart, for settings the program reads when it starts or for files imported: the
  // program ends as the home key ends it (the game in play saved, the files written), then
  // `then` runs with the program's files at rest, and the page starts again, into the saved
  // game where there was one. At the name entry the restart waits until the name is entered.
  let ending = null;
  function restartGame(then) {
    if (ending) return;
    ending = {then: then, tries: 0};
    endGame();
  }
  function endGame() {
    if (!ending || ending.ended) return;
    if (screenState === 'NAME_ENTRY') {
      ending.waiting = true;
      return;
    }
    // A key is not heard during the score exchange: asked again until the program ends.
    if (Module._v2_touchKey && ending.tries++ < 60) {
      Module._v2_touchKey(91, 1);
      Module._v2_touchKey(91, 0);
      ending.timer = setTimeout(endGame, 250);
    } else {
      location.reload();
    }
  }
  function programEndedForRestart(gameSaved) {
    if (!ending) return false;
    ending.ended = true;
    clearTimeout(ending.timer);
    const then = ending.then || function () { return Promise.resolve(true); };
    then().then(function (playOn) {
      if (playOn && gameSaved) sessionStorage.setItem(kPlayOn, '1');
      location.reload();
    });
    return true;
  }

  // ---- Export and import: every file of the player's in one JSON file,
  // {"format": "vextorium2-files", "version": 1, "exported": ISO time, "files": {path: base64}}.
  const kExportFormat = 'vextorium2-files';
  const kMostImportBytes = 96 << 20;
  function toBase64(bytes) {
    let text = '';
    for (let at = 0; at < bytes.length; at += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
    }
    return btoa(text);
  }
  function fromBase64(text) {
    if (typeof text !== 'string' || !/^[A-Za-z0-9+/]*={0,2}$/.test(text) || text.length % 4 !== 0) {
      throw new Error('a file is not base64');
    }
    const raw = atob(text);
    const bytes = new Uint8Array(raw.length);
    for (let i = 0; i < raw.length; ++i) bytes[i] = raw.charCodeAt(i);
    return bytes;
  }
  document.getElementById('export').addEventListener('click', function () {
    const files = {};
    for (const path of Module.v2Files.list().sort()) files[path] = toBase64(Module.v2Files.read(path));
    const text = JSON.stringify({format: kExportFormat, version: 1,
                                 exported: new Date().toISOString(), files: files}, null, 1);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([text], {type: 'application/json'}));
    link.download = 'vextorium2-' + new Date().toISOString().slice(0, 10) + '.json';
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 60000);
    say('Exported ' + Object.keys(files).length + ' files.');
  });
  // The files of an export, every one checked before any is written; throws saying why.
  function importedFiles(text) {
    let data;
    try { data = JSON.parse(text); } catch (error) { throw new Error('it is not JSON'); }
    if (!data || data.format !== kExportFormat) throw new Error('it is not an export of this game');
    if (data.version !== 1) throw new Error('it is of a newer version of the game');
    if (!data.files || typeof data.files !== 'object' || Array.isArray(data.files)) throw new Error('it lists no files');
    const files = [];
    for (const path of Object.keys(data.files)) {
      const parts = path.split('/');
      if (path.length > 200 || parts.some(function (part) { return !/^[A-Za-z0-9_-][A-Za-z0-9._-]*$/.test(part); })) {
        throw new Error('a file has a name the game does not write');
      }
      files.push([path, fromBase64(data.files[path])]);
    }
    if (files.length === 0 || files.length > 4096) throw new Error('it lists no files or too many');
    return {files: files, exported: typeof data.exported === 'string' ? data.exported.slice(0, 10) : ''};
  }
  const importFile = document.getElementById('import-file');
  let toImport = null;
  document.getElementById('import').addEventListener('click', function () {
    importFile.value = '';
    importFile.click();
  });
  importFile.addEventListener('change', function () {
    const file = importFile.files && importFile.files[0];
    if (!file) return;
    const refuse = function (why) {
      say('This file cannot be imported: ' + why + '. Nothing was changed.');
    };
    if (file.size > kMostImportBytes) return refuse('it is too large');
    file.text().then(function (text) {
      try {
        toImport = importedFiles(text);
      } catch (error) {
        return refuse(error.message);
      }
      document.getElementById('import-what').textContent = 'Replace your saved game, scores and settings with the ' +
        toImport.files.length + ' files of this export' + (toImport.exported ? ' of ' + toImport.exported : '') + '?';
      document.getElementById('import-confirm').hidden = false;
      say('');
      document.getElementById('import-no').focus();
    }, function () { refuse('the browser could not read it'); });
  });
  document.getElementById('import-no').addEventListener('click', function () {
    toImport = null;
    document.getElementById('import-confirm').hidden = true;
    say('Nothing was changed.');
  });
  document.getElementById('import-yes').addEventListener('click', function () {
    const files = toImport.files;
    closePanel();
    restartGame(function () {
      const paths = files.map(function (file) { return file[0]; });
      const removed = Module.v2Files.list().filter(function (path) { return !paths.includes(path); });
      return Module.v2Files.change(files, removed).then(function () { return false; });
    });
  });

  // WebKit (Safari, and every browser on an iPhone or iPad) deletes what a site's scripts stored
  // after seven days of use without a visit to it, unless the page is installed on the Home
  // Screen.
  const installed = navigator.standalone === true ||
    (window.matchMedia && window.matchMedia('(display-mode: standalone)').matches);
  document.getElementById('storage-note').hidden =
    !(/^Apple/.test(navigator.vendor || '') && !installed);

  Module.onRuntimeInitialized = function () {
    status.hidden = true;
    settingsButton.disabled = false;
    applyPageSettings(readSettings(storedText(kSettingsFile)));
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
