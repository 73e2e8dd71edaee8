// Offline play and updates: the service worker (sw.js) keeps each build's files and answers a
// page's start from the newest whole build it has, never waiting for the network; it downloads a
// new build while the page plays, for the next start. So the page, its style, its scripts and the
// program are always of one build, and a new build never replaces one that is playing.
// This script, in the page's head, asks for the program's files at once (the page runs them once
// it has the game's lock), and keeps copies of them on a first visit: the worker, registered once
// the game runs, takes its copy of the build from them instead of downloading it again, as some
// browsers would. Browsers run workers only on HTTPS and on the local machine; elsewhere the game
// plays online as before.
'use strict';

window.v2Offline = (function () {
  const workers = navigator.serviceWorker;
  const installing = !!workers && window.isSecureContext && !workers.controller;
  const kFirstVisit = 'v2-first-visit';  // the worker's install reads it, then deletes it
  const copies = [];
  function get(name) {
    return fetch(name, {credentials: 'same-origin'}).then(function (response) {
      if (!response.ok) throw new Error(name + ': ' + response.status);
      if (installing) copies.push([name, response.clone()]);
      return response;
    });
  }
  const downloads = {};
  ['vextorium2.js', 'vextorium2.wasm', 'vextorium2.data'].forEach(function (name) {
    downloads[name] = get(name);
    downloads[name].catch(function () {});
  });
  return {
    downloads: downloads,
    started: function () {
      if (!workers || !window.isSecureContext) return;
      // The page's own files as the browser keeps them for this page (its HTTP cache).
      const kept = [['index.html', './'], ['page.css'], ['offline.js'], ['page.js'], ['favicon.ico'],
                    ['manifest.webmanifest'], ['vextorium2-192.png']];
      (installing && window.caches ? caches.open(kFirstVisit).then(function (cache) {
        return Promise.all(copies.map(function (copy) { return cache.put(copy[0], copy[1]); }).concat(
          kept.map(function (file) {
            return fetch(file[1] || file[0], {cache: 'only-if-cached', mode: 'same-origin'})
              .catch(function () { return fetch(file[1] || file[0], {cache: 'force-cache'}); })
              .then(function (response) { return response.ok ? cache.put(file[0], response) : null; })
              .catch(function () {});
          })));
      }) : Promise.resolve()).catch(function () {}).then(function () {
        return workers.register('sw.js');
      }).catch(function (error) {
        console.warn('Vextorium2: no offline play', error);
      });
    },
  };
})();
