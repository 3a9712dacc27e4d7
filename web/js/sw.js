// The worker that keeps one build of the page for visits without a network (a plain script,
// registered by web/js/loader.js once the scene runs). web/tools/stamp.py writes the build's name
// and the addresses of its files into it: each file is asked for by its digest (name?v=<the first
// hex digits of its SHA-256>), and each build has a worker of its own, which the browser installs
// as soon as the site serves it.
//
// Installing fetches the build's files (not the sounds), checks every one against the digest in
// its address and keeps them in one cache named after the build; if any is missing or of another
// build, nothing is kept and the worker before stays. Once installed it takes over at once and
// deletes the caches of every other build, so two builds are never mixed. The page itself comes
// from the network while there is one (a new build is seen at once) and from the cache when not;
// its files come from the cache. A sound is kept the first time it is played, and no file reaches
// the page unless its bytes have the digest in its address. It does not touch other addresses.
'use strict';

var BUILD = '@BUILD@';
var ADDRESSES = @ADDRESSES@;
var SCOPE = self.registration.scope;
var PAGE = SCOPE + 'index.html';
var SOUNDS = SCOPE + 'audio/';
var CACHE_PREFIX = 'robotscene ' + SCOPE + ' ';
var CACHE = CACHE_PREFIX + BUILD;
var OWN = {}; // absolute address -> true, for this build's files
ADDRESSES.forEach(function (address) { OWN[SCOPE + address] = true; });

function hex(buffer) {
  return Array.from(new Uint8Array(buffer), function (b) { return b.toString(16).padStart(2, '0'); }).join('');
}

// A copy of the response, once its bytes are seen to have the digest in its address.
function checked(address, response) {
  if (!response.ok) return Promise.reject(new Error(address + ': ' + response.status + ' ' + response.statusText));
  return response.arrayBuffer().then(function (bytes) {
    return crypto.subtle.digest('SHA-256', bytes).then(function (digest) {
      if (hex(digest).indexOf(new URL(address).searchParams.get('v')) !== 0) {
        throw new Error(address + ' has bytes of another build');
      }
      return new Response(bytes, { status: response.status, statusText: response.statusText,
                                   headers: response.headers });
    });
  });
}

// The page names its build on the loader's element: a page of another build is not kept.
function checkedPage(response) {
  return response.clone().text().then(function (text) {
    if (!response.ok || text.indexOf('data-build="' + BUILD + '"') < 0) throw new Error('index.html is not build ' + BUILD);
    return response;
  });
}

self.addEventListener('install', function (event) {
  var files = Object.keys(OWN).filter(function (address) { return address.indexOf(SOUNDS) !== 0; });
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return Promise.all(files.map(function (address) {
      return fetch(address, { cache: 'no-cache' }).then(function (response) {
        return checked(address, response);
      }).then(function (copy) { return cache.put(address, copy); });
    }).concat(fetch(PAGE, { cache: 'no-cache' }).then(checkedPage).then(function (page) {
      return cache.put(PAGE, page);
    })));
  }).then(function () {
    return self.skipWaiting();
  }, function (reason) {
    return caches.delete(CACHE).then(function () { throw reason; });
  }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf(CACHE_PREFIX) === 0 && name !== CACHE;
    }).map(function (name) { return caches.delete(name); }));
  }).then(function () { return self.clients.claim(); }));
});

function fromCache(address) {
  return caches.open(CACHE).then(function (cache) { return cache.match(address); });
}

function page() {
  return fetch(PAGE, { cache: 'no-cache' }).catch(function (reason) {
    return fromCache(PAGE).then(function (kept) {
      if (!kept) throw reason;
      return kept;
    });
  });
}

function file(address) {
  return fromCache(address).then(function (kept) { return kept || fetch(address); });
}

function sound(address) {
  return fromCache(address).then(function (kept) {
    return kept || fetch(address).then(function (response) {
      return checked(address, response);
    }).then(function (copy) {
      if (!OWN[address]) return copy;
      return caches.open(CACHE).then(function (cache) { return cache.put(address, copy.clone()); }).then(function () {
        return copy;
      });
    }, function () {
      return Response.error();
    });
  });
}

self.addEventListener('fetch', function (event) {
  var request = event.request, address = request.url, path = address.split(/[?#]/)[0];
  if (request.method !== 'GET') return;
  if (request.mode === 'navigate') {
    if (path === SCOPE || path === PAGE) event.respondWith(page());
  } else if (path.indexOf(SOUNDS) === 0 && /[?&]v=/.test(address)) {
    event.respondWith(sound(address));
  } else if (OWN[address]) {
    event.respondWith(file(address));
  }
});
