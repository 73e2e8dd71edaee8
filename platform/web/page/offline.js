// Offline play and updates: the service worker (sw.js) keeps each build's files. At start the
// page looks for a newer build (briefly: offline or on a bad link it starts the stored one) and
// takes it, or one an earlier visit fetched, before any of the game is loaded, loading itself
// again from it: the page, its script and the program are always of one build, and a new build
// never replaces one that is playing. The worker is first registered once the game runs, so a
// first visit does not download the game twice at once. Browsers run workers only on HTTPS and
// on the local machine; elsewhere the game plays online as before.
'use strict';

window.v2Offline = (function () {
  const kCheckMs = 1500;     // for the worker script to be fetched and compared
  const kInstallMs = 20000;  // for a newer build to be downloaded and checked
  const workers = navigator.serviceWorker;
  if (!workers || !window.isSecureContext) {
    return {ready: Promise.resolve(), started: function () {}};
  }

  function within(ms, promise) {
    return Promise.race([promise, new Promise(function (resolve) { setTimeout(resolve, ms); })]);
  }

  function installed(worker) {
    return new Promise(function (resolve) {
      const check = function () {
        if (worker.state !== 'installing') resolve();
      };
      worker.addEventListener('statechange', check);
      check();
    });
  }

  async function takeNewerBuild() {
    const registration = await workers.getRegistration();
    if (!registration || !workers.controller) return;
    if (!registration.waiting) {
      await within(kCheckMs, registration.update().catch(function () {}));
      if (registration.installing) await within(kInstallMs, installed(registration.installing));
    }
    const waiting = registration.waiting;
    if (!waiting) return;
    await new Promise(function (resolve) {
      workers.addEventListener('controllerchange', resolve, {once: true});
      waiting.postMessage('take-new-build');
    });
    location.reload();
    await new Promise(function () {});  // the page is being replaced
  }

  return {
    ready: takeNewerBuild().catch(function (error) {
      console.warn('Vextorium2: the stored build cannot be checked', error);
    }),
    started: function () {
      workers.register('sw.js').catch(function (error) {
        console.warn('Vextorium2: no offline play', error);
      });
    },
  };
})();
