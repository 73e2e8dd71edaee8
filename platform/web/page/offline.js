// Offline play and updates: the service worker (sw.js) keeps each build's files. The browser
// looks for a newer build on each visit and downloads it beside the one playing; the page takes
// it at its next start, before any of the game is loaded, and loads itself again from it. So a
// start never waits for the network, a new build never replaces one that is playing, and the
// page, its script and the program are always of one build. The worker is first registered once
// the game runs, so a first visit does not download the game twice at once. Browsers run
// workers only on HTTPS and on the local machine; elsewhere the game plays online as before.
'use strict';

window.v2Offline = (function () {
  const workers = navigator.serviceWorker;
  if (!workers || !window.isSecureContext) {
    return {ready: Promise.resolve(), started: function () {}};
  }

  async function takeWaitingBuild() {
    const registration = await workers.getRegistration();
    const waiting = registration && registration.waiting;
    if (!waiting || !workers.controller) return;
    await new Promise(function (resolve) {
      workers.addEventListener('controllerchange', resolve, {once: true});
      waiting.postMessage('take-new-build');
    });
    location.reload();
    await new Promise(function () {});  // the page is being replaced
  }

  return {
    ready: takeWaitingBuild().catch(function (error) {
      console.warn('Vextorium2: the stored build cannot be checked', error);
    }),
    started: function () {
      workers.register('sw.js').catch(function (error) {
        console.warn('Vextorium2: no offline play', error);
      });
    },
  };
})();
