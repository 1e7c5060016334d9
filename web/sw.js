// steer's service worker: once the page has been served, it keeps the page
// and what the page loads and names beside it for use offline. Each build
// has a cache of its own, named by where it is served and by what it
// holds, so that a new release takes the place of the old one there and
// nothing else of the site's is touched, another copy of steer elsewhere on
// it included: scripts/web writes in the files and what they hold.
var own = 'steer ' + self.registration.scope + ' ';
var cache = own + '@CACHE@';
var files = '@FILES@'.split(' ');

// What is kept comes from the host itself: a copy in the browser's own
// cache may be of the release before, which the host's dates can make
// look fresh for days.
self.addEventListener('install', function (e) {
  e.waitUntil(caches.open(cache).then(function (c) {
    return c.addAll(files.map(function (name) {
      return new Request(name, {cache: 'reload'});
    }));
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

// What is kept comes from the cache, the page at the folder's own address
// too, so that every load is of one release, online or not. Offline,
// anything else that was not kept is not found, as the browser's own
// request for an icon, and any other page of the folder is steer's. A
// worker that a new release has just replaced may still be answering a
// request when its cache is gone: that goes to the host.
self.addEventListener('fetch', function (e) {
  var url = new URL(e.request.url);
  url.search = '';
  var name = url.href == self.registration.scope ? 'index.html' : url.href;
  e.respondWith(caches.match(name, {cacheName: cache}).catch(function () {
  }).then(function (kept) {
    return kept || fetch(e.request).catch(function () {
      if (e.request.mode == 'navigate')
        return caches.match('index.html', {cacheName: cache});
      return new Response('', {status: 404, statusText: 'Not kept offline'});
    });
  }));
});
