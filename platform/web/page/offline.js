// Offline play and updates: the service worker (sw.js) keeps each build's files and answers a
// page's start from the newest whole build it has, never waiting for the network; it downloads a
// new build while the page plays, for the next start. So the page, its style, its scripts and the
// program are always of one build, and a new build never replaces one that is playing. The worker
// is first registered once the game runs, so a first visit does not download the game twice at
// once. Browsers run workers only on HTTPS and on the local machine; elsewhere the game plays
// online as before.
'use strict';

window.v2Offline = (function () {
  const workers = navigator.serviceWorker;
  return {
    started: function () {
      if (!workers || !window.isSecureContext) return;
      workers.register('sw.js').catch(function (error) {
        console.warn('Vextorium2: no offline play', error);
      });
    },
  };
})();
