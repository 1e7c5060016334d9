// steer's service worker: once the page has been served, it keeps the page
// and what the page loads and names beside it for use offline. Each build
// has a cache of its own, named by where it is served and by what it
// holds, so that a new release takes the place of the old one there and
// nothing else of the site's is touched, another copy of steer elsewhere on
// it included: scripts/web writes in the files and what they hold.
var own = 'steer ' + self.registration.scope + ' ';
var cache = own + '@CACHE@';
var files = '@FILES@'.split(' ');

self.addEventListener('install', function (e) {
  e.waitUntil(caches.open(cache).then(function (c) {
    return c.addAll(files);
  }).then(function () {
    return self.skipWaiting();
  }));
});

self.addEventListener('activate', function (e) {
  e.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf(own) == 0 && name != cache;
    }).map(function (name) {
      return caches.delete(name);
    }));
  }).then(function () {
    return self.clients.claim();
  }));
});

// What is kept comes from the cache. Offline, the folder's own address is
// the page too, and anything else that was not kept is not found, as the
// browser's own request for an icon.
self.addEventListener('fetch', function (e) {
  e.respondWith(caches.open(cache).then(function (c) {
    return c.match(e.request, {ignoreSearch: true}).then(function (kept) {
      return kept || fetch(e.request).catch(function () {
        if (e.request.mode == 'navigate')
          return c.match('index.html');
        return new Response('', {status: 404, statusText: 'Not kept offline'});
      });
    });
  }));
});
