// The replay runner under Node reads the score host from Node's environment, as the native
// runner reads it from its own, so that both trace the same requests.
Module['preRun'] = (Module['preRun'] || []).concat(function () {
    var host = typeof process !== 'undefined' ? process.env['VEXTORIUM2_SCORE_HOST'] : undefined;
    if (host !== undefined) ENV['VEXTORIUM2_SCORE_HOST'] = host;
});
