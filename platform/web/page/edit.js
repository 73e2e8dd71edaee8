// The level editor: a level set is the game's level file, three levels of 16 rows by 11 cells,
// each cell a signed 32-bit little-endian code (kind x 10 + colour). The work in progress lives
// in the page's storage, so a test-play, a reload or a closed tab loses nothing; everything but
// publishing works offline.
'use strict';

(function () {
  const kLevels = 3;
  const kRows = 16;
  const kColumns = 11;
  const kCells = kLevels * kRows * kColumns;
  const kFileBytes = kCells * 4;  // 2112
  const kBrickW = 16;
  const kBrickH = 10;
  const kScale = 4;               // the grid's canvas is drawn at four times the game's pixels
  const kWorkKey = 'vextorium2-editor';
  const kSetKey = 'vextorium2-set-';  // a set's file by its id, as the game's page reads it
  const kHistory = 200;

  // The kinds the level file knows, in code order, and what each does in play.
  const kKinds = [
    { kind: 1, name: 'Stone', colours: 10, note: 'one hit' },
    { kind: 2, name: 'Metal', colours: 10, note: 'two hits' },
    { kind: 3, name: 'Gem', colours: 10, note: 'three hits' },
    { kind: 4, name: 'Hidden', colours: 3, note: 'unseen until its first hit; two hits' },
    { kind: 5, name: 'Stable', colours: 3, note: '100 hits or a blast; need not be cleared' },
    { kind: 6, name: 'Fire', colours: 3, note: 'one hit; its blast breaks the eight around it' },
  ];
  const kColourNames = ['red', 'orange', 'yellow', 'green', 'teal', 'blue', 'violet', 'pink', 'white', 'grey'];
  const kStable = 5;

  // A cell the game draws and plays: 0, or a known kind in a colour its sheet holds.
  function knownCell(code) {
    if (code === 0) return true;
    if (!Number.isInteger(code) || code < 10) return false;
    const kind = Math.floor(code / 10);
    const colour = code % 10;
    if (kind < 1 || kind > 6) return false;
    return kind < 4 || colour <= 2;
  }
  function describe(code) {
    if (code === 0) return 'empty';
    const kind = kKinds[Math.floor(code / 10) - 1];
    return `${kind.name} ${kKinds.indexOf(kind) < 3 ? kColourNames[code % 10] : code % 10 + 1} (${kind.note})`;
  }
  const at = (level, row, column) => (level * kRows + row) * kColumns + column;

  // The server's check, word for word in effect: exact size, known cells, and on every level a
  // brick that counts for clearing it. One message per fault.
  function faultsOf(cells) {
    const faults = [];
    for (let level = 0; level < kLevels; ++level) {
      let breakable = 0;
      for (let row = 0; row < kRows; ++row) {
        for (let column = 0; column < kColumns; ++column) {
          const code = cells[at(level, row, column)];
          if (!knownCell(code)) {
            faults.push(`Level ${level + 1}, row ${row + 1}, column ${column + 1}: ${code} is no brick the game knows.`);
          } else if (code !== 0 && Math.floor(code / 10) !== kStable) {
            ++breakable;
          }
        }
      }
      if (breakable === 0) faults.push(`Level ${level + 1} has no brick to break (stable bricks do not count).`);
    }
    return faults;
  }

  function toFile(cells) {
    const bytes = new Uint8Array(kFileBytes);
    const view = new DataView(bytes.buffer);
    cells.forEach((code, i) => view.setInt32(4 * i, code, true));
    return bytes;
  }
  // The cells of a level file, or a plain reason why these bytes are none.
  function fromFile(bytes) {
    if (bytes.length !== kFileBytes) {
      return { error: `A level file holds ${kFileBytes.toLocaleString('en')} bytes; this one holds ${bytes.length.toLocaleString('en')}.` };
    }
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    const cells = new Int32Array(kCells);
    for (let i = 0; i < kCells; ++i) {
      cells[i] = view.getInt32(4 * i, true);
      if (!knownCell(cells[i])) {
        const level = Math.floor(i / (kRows * kColumns));
        const row = Math.floor(i / kColumns) % kRows;
        return { error: `Level ${level + 1}, row ${row + 1}, column ${i % kColumns + 1} holds ${cells[i]}, no brick the game knows: the file is damaged or no level file.` };
      }
    }
    return { cells };
  }
  function toBase64(bytes) {
    let raw = '';
    for (const b of bytes) raw += String.fromCharCode(b);
    return btoa(raw);
  }
  function fromBase64(text) {
    const raw = atob(text);
    return Uint8Array.from(raw, (c) => c.charCodeAt(0));
  }

  // SHA-256 in plain script: a set's id, also on a plain-HTTP page where the browser's own
  // digest is not offered.
  const kK = new Uint32Array([
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2]);
  function sha256(bytes) {
    const length = bytes.length;
    const padded = new Uint8Array(Math.ceil((length + 9) / 64) * 64);
    padded.set(bytes);
    padded[length] = 0x80;
    const view = new DataView(padded.buffer);
    view.setUint32(padded.length - 8, Math.floor(length / 0x20000000));
    view.setUint32(padded.length - 4, (length * 8) >>> 0);
    const h = new Uint32Array([0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19]);
    const w = new Uint32Array(64);
    const rotr = (x, n) => (x >>> n) | (x << (32 - n));
    for (let block = 0; block < padded.length; block += 64) {
      for (let i = 0; i < 16; ++i) w[i] = view.getUint32(block + 4 * i);
      for (let i = 16; i < 64; ++i) {
        const s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >>> 3);
        const s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >>> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
      }
      let [a, b, c, d, e, f, g, k] = h;
      for (let i = 0; i < 64; ++i) {
        const t1 = k + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kK[i] + w[i];
        const t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        k = g; g = f; f = e; e = (d + t1) >>> 0; d = c; c = b; b = a; a = (t1 + t2) >>> 0;
      }
      h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e; h[5] += f; h[6] += g; h[7] += k;
    }
    return Array.from(h, (x) => x.toString(16).padStart(8, '0')).join('');
  }

  // Boxes, one at a time.
  const overlay = document.getElementById('overlay');
  const messages = [];
  function nextMessage() {
    if (!overlay.hidden || messages.length === 0) return;
    const [caption, text] = messages.shift();
    document.getElementById('overlay-caption').textContent = caption;
    document.getElementById('overlay-text').textContent = text;
    overlay.hidden = false;
    document.getElementById('overlay-button').focus();
  }
  document.getElementById('overlay-button').addEventListener('click', () => {
    overlay.hidden = true;
    nextMessage();
  });
  function tell(caption, text) {
    messages.push([caption, text]);
    nextMessage();
  }

  // The work: every cell, the level shown, the tool and brick chosen, and the history.
  let cells = new Int32Array(kCells);
  let level = 0;
  let tool = 'paint';
  let brush = 10;
  const undone = [];
  const redone = [];

  function save() {
    try {
      localStorage.setItem(kWorkKey, JSON.stringify({ file: toBase64(toFile(cells)), level }));
    } catch (error) {
      // no storage: the work lasts as long as the page
    }
  }
  function restore() {
    try {
      const work = JSON.parse(localStorage.getItem(kWorkKey) || 'null');
      if (!work) return;
      const read = fromFile(fromBase64(work.file));
      if (read.cells) {
        cells = read.cells;
        level = Math.min(kLevels - 1, Math.max(0, work.level | 0));
      }
    } catch (error) {
      // a damaged copy: a new set
    }
  }

  // Every change goes through here: one undo step each (a stroke of the pen is one change).
  function remember() {
    undone.push(cells.slice());
    if (undone.length > kHistory) undone.shift();
    redone.length = 0;
  }
  function changed() {
    save();
    draw();
    showCheck();
    document.getElementById('undo').disabled = undone.length === 0;
    document.getElementById('redo').disabled = redone.length === 0;
  }
  function undo() {
    if (undone.length === 0) return;
    redone.push(cells);
    cells = undone.pop();
    changed();
  }
  function redo() {
    if (redone.length === 0) return;
    undone.push(cells);
    cells = redone.pop();
    changed();
  }
  function replaceAll(next) {
    remember();
    cells = next;
    changed();
  }

  // Pictures: the game's bricks (a row per kind, a column per colour) and its play backdrop.
  const sheet = document.createElement('canvas');
  const backdrop = new Image();
  let picturesReady = 0;
  function loaded() {
    if (++picturesReady === 2) {
      buildPalette();
      draw();
    }
  }
  const bricks = new Image();
  bricks.onload = function () {
    sheet.width = bricks.width;
    sheet.height = bricks.height;
    const g = sheet.getContext('2d');
    g.drawImage(bricks, 0, 0);
    // The gem's cut corners are the sheet's black key: clear them, in the gem row alone.
    const gems = g.getImageData(0, 2 * kBrickH, sheet.width, kBrickH);
    for (let i = 0; i < gems.data.length; i += 4) {
      if (gems.data[i] === 0 && gems.data[i + 1] === 0 && gems.data[i + 2] === 0) gems.data[i + 3] = 0;
    }
    g.putImageData(gems, 0, 2 * kBrickH);
    loaded();
  };
  backdrop.onload = loaded;
  bricks.src = 'bricks.png';
  backdrop.src = 'backdrop.png';

  const grid = document.getElementById('grid');
  const gc = grid.getContext('2d');
  function drawBrick(g, code, x, y, scale) {
    const kind = Math.floor(code / 10);
    const colour = code % 10;
    g.imageSmoothingEnabled = false;
    if (kind === 4) g.globalAlpha = 0.55;  // hidden in play until hit
    g.drawImage(sheet, colour * kBrickW, (kind - 1) * kBrickH, kBrickW, kBrickH, x, y, kBrickW * scale, kBrickH * scale);
    g.globalAlpha = 1;
    if (kind === 4) {
      g.setLineDash([scale * 2, scale * 2]);
      g.strokeStyle = '#FFFFFF';
      g.lineWidth = Math.max(1, scale / 2);
      g.strokeRect(x + g.lineWidth / 2, y + g.lineWidth / 2, kBrickW * scale - g.lineWidth, kBrickH * scale - g.lineWidth);
      g.setLineDash([]);
    }
  }
  function draw() {
    if (picturesReady < 2) return;
    gc.imageSmoothingEnabled = false;
    gc.drawImage(backdrop, 0, 0, 176, 160, 0, 0, 176 * kScale, 160 * kScale);
    gc.strokeStyle = 'rgba(90, 106, 200, 0.35)';
    gc.lineWidth = 2;
    for (let column = 1; column < kColumns; ++column) {
      gc.beginPath();
      gc.moveTo(column * kBrickW * kScale, 0);
      gc.lineTo(column * kBrickW * kScale, grid.height);
      gc.stroke();
    }
    for (let row = 1; row < kRows; ++row) {
      gc.beginPath();
      gc.moveTo(0, row * kBrickH * kScale);
      gc.lineTo(grid.width, row * kBrickH * kScale);
      gc.stroke();
    }
    for (let row = 0; row < kRows; ++row) {
      for (let column = 0; column < kColumns; ++column) {
        const code = cells[at(level, row, column)];
        if (code !== 0) drawBrick(gc, code, column * kBrickW * kScale, row * kBrickH * kScale, kScale);
      }
    }
    document.querySelectorAll('#tabs button').forEach((tab) => {
      tab.setAttribute('aria-selected', String(Number(tab.dataset.level) === level));
    });
  }

  function buildPalette() {
    const palette = document.getElementById('palette');
    for (const kind of kKinds) {
      const group = document.createElement('div');
      group.className = 'group';
      const label = document.createElement('span');
      label.textContent = `${kind.name}: ${kind.note}`;
      group.append(label);
      for (let colour = 0; colour < kind.colours; ++colour) {
        const code = kind.kind * 10 + colour;
        const button = document.createElement('button');
        button.className = 'brick';
        button.dataset.code = String(code);
        button.title = describe(code);
        button.setAttribute('aria-label', describe(code));
        button.setAttribute('aria-pressed', String(code === brush));
        const picture = document.createElement('canvas');
        picture.width = kBrickW * 3;
        picture.height = kBrickH * 3;
        drawBrick(picture.getContext('2d'), code, 0, 0, 3);
        button.append(picture);
        button.addEventListener('click', () => {
          brush = code;
          if (tool === 'erase') chooseTool('paint');
          document.querySelectorAll('#palette .brick').forEach((b) => {
            b.setAttribute('aria-pressed', String(b === button));
          });
        });
        group.append(button);
      }
      palette.append(group);
    }
  }

  function chooseTool(name) {
    tool = name;
    document.querySelectorAll('.tool').forEach((b) => b.setAttribute('aria-pressed', String(b.dataset.tool === name)));
  }
  document.querySelectorAll('.tool').forEach((b) => b.addEventListener('click', () => chooseTool(b.dataset.tool)));

  // The cells alike and joined to (row, column) on the level shown, given the brush's code.
  function fill(row, column, code) {
    const from = cells[at(level, row, column)];
    if (from === code) return false;
    const todo = [[row, column]];
    while (todo.length > 0) {
      const [r, c] = todo.pop();
      if (r < 0 || r >= kRows || c < 0 || c >= kColumns || cells[at(level, r, c)] !== from) continue;
      cells[at(level, r, c)] = code;
      todo.push([r + 1, c], [r - 1, c], [r, c + 1], [r, c - 1]);
    }
    return true;
  }

  // The pen: a press starts one change; painting goes on while it is held.
  let stroke = null;
  function cellAt(event) {
    const box = grid.getBoundingClientRect();
    const column = Math.floor((event.clientX - box.left) / box.width * kColumns);
    const row = Math.floor((event.clientY - box.top) / box.height * kRows);
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns) return null;
    return { row, column };
  }
  function apply(cell) {
    const code = tool === 'erase' ? 0 : brush;
    const i = at(level, cell.row, cell.column);
    if (cells[i] === code) return false;
    cells[i] = code;
    return true;
  }
  grid.addEventListener('pointerdown', (event) => {
    const cell = cellAt(event);
    if (!cell) return;
    event.preventDefault();
    grid.setPointerCapture && grid.setPointerCapture(event.pointerId);
    const before = cells.slice();
    if (tool === 'fill') {
      if (fill(cell.row, cell.column, brush)) {
        undone.push(before);
        redone.length = 0;
        changed();
      }
      return;
    }
    stroke = { before, changed: apply(cell) };
    if (stroke.changed) draw();
  });
  grid.addEventListener('pointermove', (event) => {
    const cell = cellAt(event);
    document.getElementById('cell-info').textContent = cell
      ? `Row ${cell.row + 1}, column ${cell.column + 1}: ${describe(cells[at(level, cell.row, cell.column)])}` : '';
    if (!stroke || !cell) return;
    if (apply(cell)) {
      stroke.changed = true;
      draw();
    }
  });
  function endStroke() {
    if (!stroke) return;
    if (stroke.changed) {
      undone.push(stroke.before);
      if (undone.length > kHistory) undone.shift();
      redone.length = 0;
      changed();
    }
    stroke = null;
  }
  grid.addEventListener('pointerup', endStroke);
  grid.addEventListener('pointercancel', endStroke);

  document.querySelectorAll('#tabs button').forEach((tab) => tab.addEventListener('click', () => {
    level = Number(tab.dataset.level);
    save();
    draw();
  }));
  document.getElementById('undo').addEventListener('click', undo);
  document.getElementById('redo').addEventListener('click', redo);
  document.getElementById('clear-level').addEventListener('click', () => {
    const next = cells.slice();
    next.fill(0, at(level, 0, 0), at(level + 1, 0, 0));
    replaceAll(next);
  });
  document.getElementById('new-set').addEventListener('click', () => replaceAll(new Int32Array(kCells)));
  window.addEventListener('keydown', (event) => {
    if (event.target instanceof HTMLInputElement) return;
    const key = event.key.toLowerCase();
    if ((event.ctrlKey || event.metaKey) && key === 'z') {
      event.preventDefault();
      event.shiftKey ? redo() : undo();
    } else if ((event.ctrlKey || event.metaKey) && key === 'y') {
      event.preventDefault();
      redo();
    } else if (!event.ctrlKey && !event.metaKey && !event.altKey) {
      const tools = { p: 'paint', f: 'fill', e: 'erase' };
      if (tools[key]) chooseTool(tools[key]);
    }
  });

  // The check the server makes, shown before publishing.
  function showCheck() {
    const box = document.getElementById('check');
    const faults = faultsOf(cells);
    box.replaceChildren();
    const heading = document.createElement('h2');
    heading.textContent = 'Check';
    const list = document.createElement('ul');
    const items = faults.length > 0 ? faults : [`Ready to publish: ${kFileBytes.toLocaleString('en')} bytes, every cell a brick the game knows, something to break on every level.`];
    for (const text of items) {
      const item = document.createElement('li');
      item.textContent = text;
      item.className = faults.length > 0 ? 'fault' : 'fine';
      list.append(item);
    }
    box.append(heading, list);
    document.getElementById('publish-button').disabled = faults.length > 0;
    document.getElementById('test-play').disabled = !levelPlayable(level);
    return faults;
  }
  function levelPlayable(n) {
    for (let i = at(n, 0, 0); i < at(n + 1, 0, 0); ++i) {
      if (cells[i] !== 0 && knownCell(cells[i]) && Math.floor(cells[i] / 10) !== kStable) return true;
    }
    return false;
  }

  // Keeps a set's file where the game's page finds it (`/?set=ID`) and answers its id.
  function keepSet(bytes) {
    const id = sha256(bytes);
    try {
      localStorage.setItem(kSetKey + id, toBase64(bytes));
    } catch (error) {
      return null;
    }
    return id;
  }

  // Test-play: the level shown first, then the set's other levels that can be played (the
  // level shown again in place of one that cannot), opened in the game's page at once.
  document.getElementById('test-play').addEventListener('click', () => {
    if (!levelPlayable(level)) return;
    const order = [level, (level + 1) % kLevels, (level + 2) % kLevels].map((n) => (levelPlayable(n) ? n : level));
    const trial = new Int32Array(kCells);
    order.forEach((n, i) => trial.set(cells.subarray(at(n, 0, 0), at(n + 1, 0, 0)), at(i, 0, 0)));
    const id = keepSet(toFile(trial));
    if (!id) {
      tell('Test-play', 'The browser keeps no files for this page, so the level cannot be handed to the game.');
      return;
    }
    location.href = './?set=' + id;
  });

  document.getElementById('download').addEventListener('click', () => {
    const url = URL.createObjectURL(new Blob([toFile(cells)], { type: 'application/octet-stream' }));
    const link = document.createElement('a');
    const name = document.getElementById('set-name').value.trim().replace(/[^\w-]+/g, '-');
    link.href = url;
    link.download = (name || 'BrickMap') + '.dat';
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
  });

  const opener = document.getElementById('open-file');
  opener.addEventListener('change', () => {
    const file = opener.files[0];
    opener.value = '';
    if (!file) return;
    if (file.size !== kFileBytes) {
      tell('Not a level file', `${file.name}: a level file holds ${kFileBytes.toLocaleString('en')} bytes; this one holds ${file.size.toLocaleString('en')}. Your levels are as they were.`);
      return;
    }
    file.arrayBuffer().then((buffer) => {
      const read = fromFile(new Uint8Array(buffer));
      if (read.error) {
        tell('Not a level file', `${file.name}: ${read.error} Your levels are as they were.`);
        return;
      }
      replaceAll(read.cells);
    }, () => tell('Not a level file', `${file.name} cannot be read. Your levels are as they were.`));
  });

  // A name as the server takes it: 1 to 8 characters (UTF-16 units), not all spaces, no
  // control characters and neither ';' nor ','.
  function nameFault(name) {
    if (name.length === 0 || name.trim().length === 0) return 'Give the set a name.';
    if (name.length > 8) return 'A name has at most 8 characters.';
    if (/[;,\p{Cc}\p{Cf}\p{Co}\p{Cn}]/u.test(name)) return 'A name has no ";" or "," and no control characters.';
    return '';
  }
  const result = document.getElementById('publish-result');
  function showResult(text, fault, id) {
    result.replaceChildren(text);
    result.className = fault ? 'fault' : '';
    if (!id) return;
    const links = [['Play it', './?set=' + id], ['its board', 'scores?set=' + id], ['edit a copy', 'edit.html?set=' + id]];
    links.forEach(([label, href], i) => {
      const link = document.createElement('a');
      link.href = href;
      link.textContent = label;
      result.append(i === 0 ? ' ' : ' · ', link);
    });
  }
  document.getElementById('publish').addEventListener('submit', (event) => {
    event.preventDefault();
    const name = document.getElementById('set-name').value;
    const fault = nameFault(name);
    if (fault) return showResult(fault, true);
    if (showCheck().length > 0) return showResult('The set does not pass the check above.', true);
    const bytes = toFile(cells);
    const button = document.getElementById('publish-button');
    button.disabled = true;
    showResult('Publishing…', false);
    fetch('sets?name=' + encodeURIComponent(name), {
      method: 'POST', body: bytes, credentials: 'omit', cache: 'no-store',
      headers: { 'Content-Type': 'application/octet-stream' },
    }).then((reply) => reply.text().then((text) => {
      if (!reply.ok) throw new Error(text.trim() || `the server answered ${reply.status}`);
      const id = text.trim();
      keepSet(bytes);
      showResult(`Published as "${name}".`, false, id);
    })).catch((error) => {
      showResult(error instanceof TypeError ? 'Not published: no connection to the server. Your levels are kept here.'
        : `Not published: ${error.message}`, true);
    }).finally(() => { button.disabled = faultsOf(cells).length > 0; });
  });

  // `edit.html?set=ID`: a copy of a published set (or one kept here), to change and publish anew.
  function openRequested() {
    const id = new URLSearchParams(location.search).get('set');
    if (id === null) return Promise.resolve();
    if (!/^[0-9a-f]{64}$/.test(id)) {
      tell('No such level set', `"${id}" names no level set.`);
      return Promise.resolve();
    }
    let kept = null;
    try { kept = localStorage.getItem(kSetKey + id); } catch (error) {}
    const got = kept ? Promise.resolve(fromBase64(kept))
      : fetch('sets/' + id, { credentials: 'omit' }).then((reply) => {
        if (!reply.ok) throw new Error(reply.status === 404 ? 'the server has no such set' : `the server answered ${reply.status}`);
        return reply.arrayBuffer().then((buffer) => new Uint8Array(buffer));
      });
    return got.then((bytes) => {
      const read = fromFile(bytes);
      if (read.error) throw new Error(read.error);
      level = 0;
      replaceAll(read.cells);
      history.replaceState(null, '', 'edit.html');
    }).catch((error) => {
      tell('Level set not opened', `The set cannot be opened (${error instanceof TypeError ? 'no connection to the server' : error.message}). Your levels are as they were.`);
    });
  }

  restore();
  changed();
  openRequested();
  // Offline use: the game's worker keeps the editor with the rest of the build.
  if (navigator.serviceWorker && window.isSecureContext) {
    window.addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}));
  }
  window.v2Editor = { faultsOf, toFile, sha256, cells: () => cells };
})();
