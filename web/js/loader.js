// The page's start and its status line (a plain script, not part of the module). It refuses a
// page opened as a file, downloads robotscene.wasm and robotscene.data with one progress line,
// checks each against the size and SHA-256 digest written into index.html at build time
// (ROBOTSCENE_FILES, web/tools/stamp.py), then starts robotscene.js, which the browser checks
// through its integrity attribute. It knows nothing of the scene.
//
// The status line: notes (progress, a lost context) come and go; a failure stays, in words: the
// file at fault and what to do, or that the scene stopped and the error's first line. Emscripten
// is given no setStatus, so nothing else writes or clears the line.
(function () {
  'use strict';
  var FILES = window.ROBOTSCENE_FILES;
  var DOWNLOADED = ['robotscene.wasm', 'robotscene.data'];
  var REBUILD = 'Build the page again with make web, and copy the whole build-web folder to the server.';
  var status = document.getElementById('status');
  var failed = false;

  function show(text) {
    status.textContent = text;
    status.hidden = !text;
  }

  function firstLine(value) {
    return String(value && value.message || value).split('\n')[0];
  }

  function fail(text) {
    if (failed) return; // the first failure is the cause; what follows is its consequence
    failed = true;
    if (Module.stopScene) Module.stopScene();
    show(text);
  }

  var Module = window.Module = {
    canvas: document.getElementById('canvas'),
    print: function (text) { console.log(text); },
    printErr: function (text) { console.warn(text); },
    note: function (text) { if (!failed) show(text); },
    fail: fail,
    onAbort: function (what) { fail('The scene stopped: ' + firstLine(what)); },
    onRuntimeInitialized: function () { Module.note(''); Module.canvas.focus(); },
  };
  window.addEventListener('error', function (e) {
    fail('The scene stopped on an error: ' + firstLine(e.message));
  });
  window.addEventListener('unhandledrejection', function (e) {
    fail('The scene stopped on an error: ' + firstLine(e.reason));
  });

  if (location.protocol === 'file:') {
    fail('This page was opened as a file (file://), and browsers do not let such a page read its own ' +
         'robotscene.wasm and robotscene.data. Serve the folder instead: run make web-serve and open ' +
         'http://localhost:8000/ (any static web server will do).');
    return;
  }

  var loaded = {};
  function progress() {
    var done = 0, total = 0;
    DOWNLOADED.forEach(function (name) { done += loaded[name] || 0; total += FILES[name].size; });
    Module.note('Loading the scene… (' + done + ' of ' + total + ' bytes)');
  }

  function join(chunks, size) {
    var bytes = new Uint8Array(size), at = 0;
    chunks.forEach(function (chunk) { bytes.set(chunk, at); at += chunk.length; });
    return bytes;
  }

  function base64(buffer) {
    return btoa(String.fromCharCode.apply(null, new Uint8Array(buffer)));
  }

  // Plain http away from localhost has no crypto.subtle: there only the size is checked.
  function check(name, bytes) {
    var expected = FILES[name];
    if (bytes.length !== expected.size) {
      throw name + ' is incomplete or from another build (' + bytes.length + ' bytes, not ' +
            expected.size + '). ' + REBUILD;
    }
    if (!window.crypto || !crypto.subtle) return bytes;
    return crypto.subtle.digest('SHA-256', bytes).then(function (digest) {
      if (base64(digest) !== expected.sha256) throw name + ' is damaged (its checksum is not this build\'s). ' + REBUILD;
      return bytes;
    });
  }

  function download(name) {
    return fetch(name).then(function (response) {
      if (!response.ok) {
        throw name + ' could not be downloaded (' + response.status + ' ' + response.statusText + '). ' + REBUILD;
      }
      var reader = response.body.getReader(), chunks = [], size = 0;
      function next() {
        return reader.read().then(function (part) {
          if (part.done) return join(chunks, size);
          chunks.push(part.value);
          size += part.value.length;
          loaded[name] = size;
          progress();
          return next();
        });
      }
      return next();
    }).then(function (bytes) {
      return check(name, bytes);
    }).catch(function (reason) {
      throw typeof reason === 'string' ? reason : name + ' could not be downloaded: ' + firstLine(reason) + '. ' + REBUILD;
    });
  }

  function start(wasm, data) {
    Module.instantiateWasm = function (imports, receive) {
      WebAssembly.instantiate(wasm, imports).then(function (instance) {
        receive(instance, wasm);
      }, function (e) {
        fail('The scene could not start: ' + firstLine(e));
      });
      return {};
    };
    Module.getPreloadedPackage = function () { return data.buffer; };
    var script = document.createElement('script');
    script.src = 'robotscene.js';
    script.integrity = 'sha256-' + FILES['robotscene.js'].sha256;
    script.onerror = function () {
      fail('robotscene.js could not be loaded, or is damaged or from another build. ' + REBUILD);
    };
    document.body.appendChild(script);
  }

  progress();
  Promise.all(DOWNLOADED.map(download)).then(function (files) {
    return WebAssembly.compile(files[0]).then(function (wasm) {
      start(wasm, files[1]);
    }, function (e) {
      throw 'robotscene.wasm is damaged: ' + firstLine(e) + '. ' + REBUILD;
    });
  }).catch(function (reason) {
    fail(typeof reason === 'string' ? reason : 'The scene could not start: ' + firstLine(reason));
  });
})();
