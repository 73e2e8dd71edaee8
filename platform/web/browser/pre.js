// The browser back end's page side: the player's files in IndexedDB, the frame into the canvas,
// sound through Web Audio, and the score exchange's requests. Linked in front of the program.

// A level set the page plays (page.js: Module.v2LevelSet = {id, bytes}): its file is written
// before the program starts and named on its command line. The set's saved game and scores go
// to a folder of their own in the storage, which the program names by the set's id.
const v2LevelSetPath = Module.v2LevelSet && !Module.v2Watch ? '/sets/' + Module.v2LevelSet.id + '.dat' : '';
if (v2LevelSetPath) Module['arguments'] = ['--levels', v2LevelSetPath];

Module['preRun'] = [].concat(Module['preRun'] || []);
Module['preRun'].push(function () {
  // A game watched (watch.js) never touches the player's own files.
  if (Module.v2Watch) return;
  if (v2LevelSetPath) {
    FS.mkdir('/sets');
    FS.writeFile(v2LevelSetPath, Module.v2LevelSet.bytes);
  }
  // The storage is read back before the program starts, so it finds its files at once.
  FS.mkdir('/persist');
  FS.mount(IDBFS, {}, '/persist');
  addRunDependency('v2-storage');
  FS.syncfs(true, function (error) {
    if (error) console.warn('Vextorium2: the browser storage cannot be read', error);
    removeRunDependency('v2-storage');
  });
});

// Copies the files to IndexedDB; resolves when the transaction has ended.
Module.v2Persist = function () {
  return new Promise(function (resolve) {
    FS.syncfs(false, function (error) {
      if (error) console.warn('Vextorium2: the browser storage cannot be written', error);
      Module.v2StorageFailed = !!error;
      resolve();
    });
  });
};

// The player's files as the page's own parts see them (the settings panel, export and import):
// paths relative to the program's directory in the storage, every regular file under it.
Module.v2Files = (function () {
  const kDirectory = '/persist/vextorium2';
  function isDirectory(path) {
    try { return FS.isDir(FS.stat(path).mode); } catch (error) { return false; }
  }
  function list(under) {
    const out = [];
    const directory = under ? kDirectory + '/' + under : kDirectory;
    if (!isDirectory(directory)) return out;
    for (const name of FS.readdir(directory)) {
      if (name === '.' || name === '..') continue;
      const path = under ? under + '/' + name : name;
      const mode = FS.stat(kDirectory + '/' + path).mode;
      if (FS.isDir(mode)) Array.prototype.push.apply(out, list(path));
      else if (FS.isFile(mode)) out.push(path);
    }
    return out;
  }
  function makeDirectories(path) {
    let at = '';
    for (const part of (kDirectory + '/' + path).split('/').slice(1, -1)) {
      at += '/' + part;
      if (!isDirectory(at)) FS.mkdir(at);
    }
  }
  return {
    list: function () { return list(''); },
    // The file's bytes, or null when there is none.
    read: function (path) {
      try { return FS.readFile(kDirectory + '/' + path); } catch (error) { return null; }
    },
    // Writes `files` ([path, bytes] pairs) and deletes `removed` (paths), then copies the whole
    // to the browser's storage; resolves to whether the browser kept it.
    change: function (files, removed) {
      for (const path of removed || []) {
        try { FS.unlink(kDirectory + '/' + path); } catch (error) {}
      }
      // (No destructuring here: the toolchain's optimizer reads an older JavaScript.)
      files.forEach(function (file) {
        makeDirectories(file[0]);
        FS.writeFile(kDirectory + '/' + file[0], file[1]);
      });
      return Module.v2Persist().then(function () { return !Module.v2StorageFailed; });
    },
  };
})();

// Rows top to top + rows of the frame, their RGBA bytes in rgba; the rest of the canvas stays.
Module.v2ShowFrame = (function () {
  let context = null;
  let image = null;
  return function (rgba, top, rows) {
    const canvas = document.getElementById('canvas');
    if (!canvas) return;
    if (!context) {
      // The picture comes from the processor: a canvas kept in memory takes it with a copy,
      // where one kept on the graphics card stalls the page for an upload.
      context = canvas.getContext('2d', {alpha: false, willReadFrequently: true});
      image = context.createImageData(canvas.width, canvas.height);
    }
    image.data.set(rgba, top * canvas.width * 4);
    context.putImageData(image, 0, 0, 0, top, canvas.width, rows);
  };
})();

// The score exchange: the path and query of the URL, from the page's own origin; a GET, or a
// POST of `payload` (bytes) when there is one.
Module.v2Fetch = async function (url, timeoutMs, maxBytes, bodyPtr, lengthPtr, payload) {
  const target = new URL(url, location.href);
  const abort = new AbortController();
  const timer = setTimeout(function () { abort.abort(); }, timeoutMs);
  try {
    const options = {signal: abort.signal, cache: 'no-store', redirect: 'manual', credentials: 'omit'};
    if (payload) {
      options.method = 'POST';
      options.headers = {'Content-Type': 'application/octet-stream'};
      options.body = payload;
    }
    const response = await fetch(target.pathname + target.search, options);
    const chunks = [];
    let total = 0;
    if (response.body) {
      const reader = response.body.getReader();
      while (total < maxBytes) {
        const part = await reader.read();
        if (part.done) break;
        chunks.push(part.value);
        total += part.value.length;
      }
      if (total >= maxBytes) reader.cancel().catch(function () {});
    }
    total = Math.min(total, maxBytes);
    const body = _malloc(Math.max(total, 1));
    let at = 0;
    for (const chunk of chunks) {
      const n = Math.min(chunk.length, total - at);
      HEAPU8.set(chunk.subarray(0, n), body + at);
      at += n;
    }
    HEAP32[bodyPtr >> 2] = body;
    HEAP32[lengthPtr >> 2] = total;
    return response.type === 'opaqueredirect' ? 0 : response.status;
  } catch (error) {
    return -1;  // no connection, or no whole reply in time
  } finally {
    clearTimeout(timer);
  }
};

// One player per stream. A block starts now, or (follow) where the stream's last block ends.
// Browsers start sound only from a key, touch or click: the context is resumed within the first
// one, before the game hears of it. It starts running a moment later, so from that gesture on
// blocks are started even on a context still suspended: they sound as soon as it runs, and the
// first key's own sound is not lost. Blocks asked for before any gesture pass in silence.
Module.v2Audio = (function () {
  let context = null;
  let wanted = false;
  const streams = new Map();
  let nextId = 1;
  // A running context renders even silence, waking the page hundreds of times a second: once
  // nothing has played for a while it rests (suspended), and the next sound wakes it.
  const kRestAfterMs = 2000;
  let resting = false;
  let restTimer = 0;

  function playing() {
    for (const stream of streams.values()) if (stream.sources.length > 0) return true;
    return false;
  }

  function restLater() {
    clearTimeout(restTimer);
    restTimer = setTimeout(function () {
      if (!context || context.state !== 'running' || playing()) return;
      resting = true;
      context.suspend().catch(function () {});
    }, kRestAfterMs);
  }

  function wake() {
    clearTimeout(restTimer);
    if (!resting) return;
    resting = false;
    context.resume().catch(function () {});
  }

  function audioContext() {
    if (context) return context;
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return null;
    try { context = new Context(); } catch (error) { return null; }
    restLater();
    return context;
  }

  function toBuffer(heap, data, length, rate, channels, bits) {
    const bytes = bits / 8;
    const frames = Math.floor(length / (channels * bytes));
    if (frames === 0) return null;
    let buffer;
    try { buffer = context.createBuffer(channels, frames, rate); } catch (error) { return null; }
    for (let c = 0; c < channels; ++c) {
      const out = buffer.getChannelData(c);
      for (let f = 0; f < frames; ++f) {
        const at = data + (f * channels + c) * bytes;
        out[f] = bits === 8 ? (heap[at] - 128) / 128
                            : (((heap[at] | (heap[at + 1] << 8)) << 16) >> 16) / 32768;
      }
    }
    return buffer;
  }

  function stopAll(stream) {
    for (const source of stream.sources) { try { source.stop(); } catch (error) {} }
    stream.sources = [];
    if (!playing()) restLater();
  }

  function start(stream, when, offset) {
    if (!stream.buffer) return;
    // A resting context is woken (it was running before, so the browser lets it resume).
    if (resting) wake();
    else if (context.state !== 'running' && !wanted) return;
    clearTimeout(restTimer);
    const source = context.createBufferSource();
    source.buffer = stream.buffer;
    source.connect(context.destination);
    source.onended = function () {
      stream.sources = stream.sources.filter(function (s) { return s !== source; });
      if (!playing()) restLater();
    };
    source.start(when, offset);
    stream.sources.push(source);
  }

  return {
    open: function () {
      if (!audioContext()) return 0;
      const id = nextId++;
      streams.set(id, {sources: [], buffer: null, key: '', duration: 0, endAt: 0,
                       paused: false, left: 0});
      return id;
    },
    play: function (id, heap, data, length, rate, channels, bits, follow) {
      const stream = streams.get(id);
      if (!stream) return;
      const key = data + ':' + length;
      if (stream.key !== key) {
        stream.buffer = toBuffer(heap, data, length, rate, channels, bits);
        stream.key = key;
      }
      stream.duration = stream.buffer ? stream.buffer.duration : 0;
      const now = context.currentTime;
      const when = follow ? Math.max(now, stream.endAt) : now;
      if (!follow) stopAll(stream);
      stream.endAt = when + stream.duration;
      stream.paused = false;
      start(stream, when, 0);
    },
    pause: function (id) {
      const stream = streams.get(id);
      if (!stream || stream.paused) return;
      stream.paused = true;
      stream.left = Math.max(0, stream.endAt - context.currentTime);
      stopAll(stream);
    },
    resume: function (id) {
      const stream = streams.get(id);
      if (!stream || !stream.paused) return;
      stream.paused = false;
      const now = context.currentTime;
      const offset = stream.duration - stream.left;
      if (stream.left > 0) start(stream, now + Math.max(0, -offset), Math.max(0, offset));
      stream.endAt = now + stream.left;
    },
    stop: function (id) {
      const stream = streams.get(id);
      if (!stream) return;
      stopAll(stream);
      stream.endAt = 0;
    },
    close: function (id) {
      const stream = streams.get(id);
      if (stream) stopAll(stream);
      streams.delete(id);
    },
    unlock: function () {
      // An event the browser does not count as a gesture (a touch's start) starts nothing.
      if (!audioContext() || (navigator.userActivation && !navigator.userActivation.isActive)) return;
      wanted = true;
      // A resting context is left to rest: the next sound wakes it.
      if (context.state === 'running' || resting) return;
      context.resume().catch(function () {});
      restLater();
    },
  };
})();

['keydown', 'pointerdown', 'touchstart', 'touchend', 'mousedown', 'click'].forEach(function (type) {
  window.addEventListener(type, function () { Module.v2Audio.unlock(); }, {capture: true});
});
