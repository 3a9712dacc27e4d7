// The page's start and its status panel (a plain script, not part of the module). It refuses a
// page opened as a file or a browser without WebGL 2, has the browser's graphics started in a
// worker, and once the panel is on the screen downloads robotscene.wasm, robotscene.data and
// robotscene.js with one progress line (the module compiling as it arrives), checks each against
// the size and SHA-256 digest stamped on this script's element at build time (web/tools/stamp.py),
// then starts the module; once it runs, it registers the worker that keeps the build for visits
// without a network (web/js/sw.js). It knows nothing of the scene.
//
// The panel: notes (progress, a lost context) come and go; a failure stays, hides the picture and
// says what happened and what to do, with advice for whoever can act on the cause: the visitor
// (connection, browser), whoever runs the site (files of different builds, its security policy)
// or whoever builds the page (make web). Emscripten is given no setStatus: nothing else writes it.
(function () {
  'use strict';
  var element = document.currentScript;
  var BUILD = element.dataset.build;
  var FILES = JSON.parse(element.dataset.files || '{}');
  var DOWNLOADED = ['robotscene.wasm', 'robotscene.data', 'robotscene.js'];
  var FIRST_PICTURE_WAIT_MS = 1000;
  var WARM_UP_GRACE_MS = 2000; // how long past the files the warm-up worker's answer is awaited
  var ADVICE = {
    connection: 'Check the connection and reload the page.',
    builds: 'The site serves files of different builds: whoever runs it should copy one whole ' +
            'build-web folder to it again, and not change files while visitors load them.',
    build: 'Build the page with make web and copy the whole build-web folder to the server.',
    server: 'Reload the page later; if this stays, whoever runs the site should look at its server.',
    policy: 'Whoever runs the site should let the page load its own scripts, WebAssembly and files ' +
            '(the policy the page needs is in its hosting notes, docs/web.md).',
    browser: 'Try another browser, or turn hardware acceleration (graphics acceleration) on in this ' +
             'browser\'s settings and reload.',
    reload: 'Reload the page to start the scene again.',
  };
  var status = document.getElementById('status');
  var title = document.getElementById('status-title');
  var detail = document.getElementById('status-detail');
  var failure = null; // the cause shown, once the scene cannot run
  var warmup = null; // the worker holding a WebGL 2 context until the program has its own
  var lastError = ''; // a line the program wrote to stderr in the task now running

  // The title is only replaced when it changes: the loading title stays the page's largest text.
  // The panel is a live region, busy while the figures run (a screen reader is not made to read
  // every one of them), not once it says anything else.
  function show(main, more, busy) {
    if (title.textContent !== main) title.textContent = main;
    detail.textContent = more || '';
    status.hidden = !main;
    if (!busy) status.removeAttribute('aria-busy');
  }

  function firstLine(value) {
    return String(value && value.message || value).split('\n')[0];
  }

  function Problem(text, advice) {
    this.text = text;
    this.advice = advice || '';
  }

  // The first failure is the cause and what follows its consequence, except that a blocked
  // policy explains any failure it caused.
  function fail(problem) {
    if (failure && !(problem.advice === ADVICE.policy && failure.advice !== ADVICE.policy)) return;
    failure = problem;
    if (warmup) warmup.terminate();
    if (Module.stopScene) Module.stopScene();
    Module.canvas.style.visibility = 'hidden';
    status.classList.add('failed');
    show(problem.text, problem.advice);
  }

  function stopped(how) {
    return new Problem('The scene stopped' + how + '.', ADVICE.reload);
  }

  var Module = window.Module = {
    canvas: document.getElementById('canvas'),
    print: function (text) { console.log(text); },
    printErr: function (text) {
      console.warn(text);
      lastError = text;
      queueMicrotask(function () { lastError = ''; });
    },
    note: function (text) { if (!failure) show(text); },
    fail: function (text, advice) { fail(new Problem(text, advice)); },
    // C's abort() gives no reason: what the program wrote to stderr just before is one.
    onAbort: function (what) { fail(stopped(': ' + (what ? firstLine(what) : lastError || 'the program aborted'))); },
    onRuntimeInitialized: function () {
      Module.note('');
      Module.canvas.focus();
    },
    // Main has made the program's context and set the scene up: the worker's context can go.
    // The worker itself is left idle, as ending it would block this thread while the browser
    // tears its graphics down.
    onSceneStart: function () {
      if (warmup) warmup.postMessage('release');
      setTimeout(keepForOffline); // not in main's last step: a task of its own
    },
    // Every file of the build, the sounds too, is asked for by its digest.
    locateFile: function (path, prefix) { return (prefix || '') + (FILES[path] ? FILES[path].url : path); },
    // The images are unpacked in one task, and main, which makes the GL context and decodes
    // them, runs in the next.
    preRun: [function () {
      Module.addRunDependency('yield');
      setTimeout(function () { Module.removeRunDependency('yield'); });
    }],
  };

  window.addEventListener('error', function (e) { fail(stopped(' on an error: ' + firstLine(e.message))); });
  window.addEventListener('unhandledrejection', function (e) { fail(stopped(' on an error: ' + firstLine(e.reason))); });
  document.addEventListener('securitypolicyviolation', function (e) {
    if (e.disposition === 'report') return;
    var blocked = { inline: 'inline code', eval: 'code made at run time', 'wasm-eval': 'WebAssembly' }[e.blockedURI] ||
                  e.blockedURI.replace(/^.*\/([^/?#]+)([?#].*)?$/, '$1') || 'a part of the page';
    fail(new Problem('The site\'s security policy (Content-Security-Policy) blocked ' + blocked + ' (' +
                     e.effectiveDirective + ').', ADVICE.policy));
  });

  // The browser's graphics take long to start (most of a second on a phone): a worker starts them
  // off this thread while the files download (web/js/gpu-warmup.js). Answers whether it got WebGL 2
  // (undefined where it could not tell).
  function warmUp() {
    return new Promise(function (answered) {
      try {
        warmup = new Worker(FILES['gpu-warmup.js'].url);
        warmup.onmessage = function (e) { answered(e.data); };
        warmup.onerror = function () { answered(); };
      } catch (e) {
        answered();
      }
    });
  }

  // Whether the browser gives WebGL 2, from a throwaway context, where the worker did not say it
  // does (a context made here costs the page's thread what the worker saves it).
  function hasWebGl2() {
    var gl = document.createElement('canvas').getContext('webgl2');
    var lose = gl && gl.getExtension('WEBGL_lose_context');
    if (lose) lose.loseContext();
    return !!gl;
  }

  var received = {};
  function progress() {
    var done = 0, total = 0;
    DOWNLOADED.forEach(function (name) { done += received[name] || 0; total += FILES[name].size; });
    if (!failure) show(title.textContent, Math.floor(100 * done / total) + ' % (' + done + ' of ' + total + ' bytes)', true);
  }

  function base64(buffer) {
    return btoa(String.fromCharCode.apply(null, new Uint8Array(buffer)));
  }

  // Plain http away from localhost has no crypto.subtle: there only the size is checked.
  function check(name, bytes) {
    var expected = FILES[name];
    if (bytes.length !== expected.size) {
      throw new Problem(name + ' has ' + bytes.length + ' bytes where this page expects ' + expected.size + '.',
                        ADVICE.builds);
    }
    if (!window.crypto || !crypto.subtle) return bytes;
    return crypto.subtle.digest('SHA-256', bytes).then(function (digest) {
      if (base64(digest) !== expected.sha256) {
        throw new Problem(name + ' is not the file this page was built with (its SHA-256 digest differs).', ADVICE.builds);
      }
      return bytes;
    });
  }

  function refused(name, response) {
    var answer = ' (' + response.status + ' ' + response.statusText + ').';
    return response.status === 404 || response.status === 410
      ? new Problem(name + ' is not on the server' + answer, ADVICE.build)
      : new Problem('The server did not give ' + name + answer, ADVICE.server);
  }

  function lost(name, reason) {
    return reason instanceof Problem ? reason
      : new Problem(name + ' could not be downloaded: the connection was lost (' + firstLine(reason) + ').',
                    ADVICE.connection);
  }

  // A body that ends short of the length the server announced was cut off on the way (some
  // browsers end it quietly rather than with an error).
  function read(name, response) {
    var reader = response.body.getReader(), chunks = [], size = 0;
    var announced = Number(response.headers.get('Content-Length')) || 0;
    function next() {
      return reader.read().then(function (part) {
        if (part.done && size < announced) {
          throw new Problem(name + ' could not be downloaded: the connection was lost after ' + size + ' of ' +
                            announced + ' bytes.', ADVICE.connection);
        }
        if (part.done) {
          var bytes = new Uint8Array(size), at = 0;
          chunks.forEach(function (chunk) { bytes.set(chunk, at); at += chunk.length; });
          return bytes;
        }
        chunks.push(part.value);
        size += part.value.length;
        received[name] = size;
        progress();
        return next();
      });
    }
    return next();
  }

  // The module compiles while it downloads when the server gives it as application/wasm; a
  // compilation that could not start so is done again from the checked bytes.
  function download(name) {
    return fetch(FILES[name].url).then(function (response) {
      if (!response.ok) throw refused(name, response);
      var compiled = name === 'robotscene.wasm' && WebAssembly.compileStreaming &&
        WebAssembly.compileStreaming(response.clone()).catch(function () { return null; });
      return read(name, response).then(function (bytes) {
        return check(name, bytes);
      }).then(function (bytes) {
        return compiled ? compiled.then(function (module) { return module || bytes; }) : bytes;
      });
    }).catch(function (reason) {
      throw lost(name, reason);
    });
  }

  // WebAssembly refused: by the site's policy where the browser says so (not every browser sends a
  // securitypolicyviolation for it), else by the browser.
  function refusedWasm(what, e) {
    return /Content.Security.Policy/i.test(firstLine(e))
      ? new Problem('The site\'s security policy (Content-Security-Policy) blocked WebAssembly: ' + firstLine(e) + '.',
                    ADVICE.policy)
      : new Problem(what + ': ' + firstLine(e) + '.', ADVICE.browser);
  }

  function compile(wasm) {
    return wasm instanceof WebAssembly.Module ? wasm : WebAssembly.compile(wasm).catch(function (e) {
      throw refusedWasm('This browser could not compile robotscene.wasm', e);
    });
  }

  function start(wasm, data) {
    Module.instantiateWasm = function (imports, receive) {
      WebAssembly.instantiate(wasm, imports).then(function (instance) {
        receive(instance, wasm);
      }, function (e) {
        fail(refusedWasm('The scene could not start', e));
      });
      return {};
    };
    Module.getPreloadedPackage = function () { return data.buffer; };
    var script = document.createElement('script');
    script.src = FILES['robotscene.js'].url;
    script.integrity = 'sha256-' + FILES['robotscene.js'].sha256;
    script.onerror = function () {
      fail(new Problem('robotscene.js could not be run: the connection was lost, or the file changed on the ' +
                       'server while the page loaded.', ADVICE.connection));
    };
    document.body.appendChild(script);
  }

  // A worker keeps this build for visits without a network; a page that cannot have one still runs.
  // The site's worker is looked at again at every start, so that a new build's replaces the old
  // one's at once.
  function keepForOffline() {
    if (!('serviceWorker' in navigator) || !window.isSecureContext) return;
    navigator.serviceWorker.register('sw.js').then(function (registration) {
      return registration.update();
    }).catch(function (e) {
      console.log('The scene is not kept for visits without a network: ' + firstLine(e));
    });
  }

  if (location.protocol === 'file:') {
    fail(new Problem('This page was opened as a file (file://), and browsers do not let such a page read ' +
                     'its own robotscene.wasm and robotscene.data.',
                     'Serve the folder instead: run make web-serve and open http://localhost:8000/ ' +
                     '(any static web server will do).'));
    return;
  }
  if (!BUILD) {
    fail(new Problem('This is the page\'s source, not a built page.', ADVICE.build));
    return;
  }
  progress();
  var warmedUp = warmUp();
  afterFirstPicture(load);

  // The downloads start once the panel is on the screen, so that they do not hold up the page's
  // first picture; at once where the browser does not say when that is or draws nothing (a hidden
  // page), and in any case after a second.
  function afterFirstPicture(then) {
    var types = window.PerformanceObserver && PerformanceObserver.supportedEntryTypes || [];
    if (types.indexOf('paint') < 0 || document.hidden) return then();
    var seen = new PerformanceObserver(once), waited = setTimeout(once, FIRST_PICTURE_WAIT_MS);
    function once() {
      seen.disconnect();
      clearTimeout(waited);
      if (then) then();
      then = null;
    }
    seen.observe({ type: 'paint', buffered: true });
  }

  // The worker's answer is awaited until a little after the files are in: one that finds no WebGL 2
  // says so before they are, a slow one still spares this thread a context of its own (files from
  // the worker's cache come at once), and one that never answers cannot hold the scene back.
  function load() {
    var downloads = Promise.all(DOWNLOADED.map(download));
    var unanswered = downloads.then(function () {
      return new Promise(function (done) { setTimeout(done, WARM_UP_GRACE_MS); });
    });
    var graphics = Promise.race([warmedUp, unanswered]).then(function (given) {
      if (given !== true && !hasWebGl2()) {
        throw new Problem('This browser gives the page no WebGL 2, which the scene needs to draw.', ADVICE.browser);
      }
    });
    Promise.all([downloads, graphics]).then(function (done) {
      var files = done[0];
      return Promise.all([compile(files[0]), files[1]]);
    }).then(function (ready) {
      start(ready[0], ready[1]);
    }).catch(function (reason) {
      fail(reason instanceof Problem ? reason : new Problem('The scene could not start: ' + firstLine(reason) + '.',
                                                            ADVICE.reload));
    });
  }
})();
