// Keeps the page, the program and the texture, so that after one visit the demo starts with no
// network, from the page or from a home-screen icon. The cache is named after the build's
// content: a new build fills a new cache, and once a page has loaded all of the old build it
// lets the new worker take over (the "activate" message), which removes the old cache. The
// texture is asked of the network first, so that a new one put on the server is seen without a
// rebuild; the kept copy stands in when the network fails.
var VERSION = '@QUORVANE_CACHE_VERSION@';
var PREFIX = 'quorvane ' + self.registration.scope + ' ';
var CACHE = PREFIX + VERSION;
var TEXTURE = 'water05t.bmp';
var KEPT = [@QUORVANE_KEPT_FILES@];

function fresh(name) { return new Request(name, {cache: 'reload'}); }

self.addEventListener('install', function(event) {
  event.waitUntil(caches.open(CACHE).then(function(cache) {
    return cache.addAll(KEPT.map(fresh)).then(function() {
      // A server without the texture is the program's to report, not a reason to fail here.
      return fetch(fresh(TEXTURE)).then(function(response) {
        if (response.ok) return cache.put(TEXTURE, response);
      }, function() {});
    });
  }));
});

self.addEventListener('message', function(event) {
  if (event.data == 'activate') self.skipWaiting();
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(names) {
    return Promise.all(names.filter(function(name) {
      return name.startsWith(PREFIX) && name != CACHE;
    }).map(function(name) { return caches.delete(name); }));
  }).then(function() { return self.clients.claim(); }));
});

self.addEventListener('fetch', function(event) {
  var request = event.request;
  var url = new URL(request.url);
  if (request.method != 'GET' || !request.url.startsWith(self.registration.scope)) return;
  var name = url.href.slice(self.registration.scope.length).split(/[?#]/)[0] || 'index.html';
  if (name == TEXTURE) {
    event.respondWith(caches.open(CACHE).then(function(cache) {
      return fetch(request).then(function(response) {
        if (response.ok) {
          event.waitUntil(cache.put(TEXTURE, response.clone()));
          return response;
        }
        return cache.match(TEXTURE).then(function(kept) { return kept || response; });
      }, function(error) {
        return cache.match(TEXTURE).then(function(kept) { return kept || Promise.reject(error); });
      });
    }));
  } else if (KEPT.indexOf(name) >= 0) {
    event.respondWith(caches.open(CACHE).then(function(cache) {
      return cache.match(name).then(function(kept) { return kept || fetch(request); });
    }));
  }
});
