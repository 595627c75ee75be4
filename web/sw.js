// The game's offline copy: the files of one build, in one cache named after the build.
// Every file is checked against this build's digest before it is kept or served, so a
// server that already holds a newer build never gets its files mixed into this one.
"use strict";
var BUILD = "@BUILD@";
var FILES = "@FILES@";  // path -> SHA-256 of this build's file
var TIERS = /^tessory-tier\d+\./;  // image tiers: kept once the page has needed them
var CACHE = "tessory-" + BUILD;

function hex(buffer) {
  return Array.prototype.map.call(new Uint8Array(buffer), function (b) {
    return (b < 16 ? "0" : "") + b.toString(16);
  }).join("");
}

// The file of this build from the network, or a rejection.
function fetchOwn(path) {
  return fetch(path, {cache: "no-cache"}).then(function (response) {
    if (!response.ok) throw new Error(path + ": " + response.status);
    var type = response.headers.get("Content-Type") || "application/octet-stream";
    return response.arrayBuffer().then(function (body) {
      return crypto.subtle.digest("SHA-256", body).then(function (digest) {
        if (hex(digest) !== FILES[path]) throw new Error(path + " belongs to another build");
        return new Response(body, {headers: {"Content-Type": type}});
      });
    });
  });
}

function keep(cache, path) {
  return cache.match(path).then(function (hit) {
    return hit || fetchOwn(path).then(function (response) { return cache.put(path, response); });
  });
}

self.addEventListener("install", function (event) {
  var first = Object.keys(FILES).filter(function (path) { return !TIERS.test(path); });
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return Promise.all(first.map(function (path) { return keep(cache, path); }));
  }));
});

self.addEventListener("activate", function (event) {
  // Only one build is kept: the older ones' caches go.
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf("tessory-") == 0 && name != CACHE;
    }).map(function (name) { return caches.delete(name); }));
  }).then(function () { return self.clients.claim(); }));
});

self.addEventListener("message", function (event) {
  if (event.data === "take over") {
    self.skipWaiting();
  } else if (event.data && event.data.keep) {
    // Packages the page loaded before this worker ran it.
    caches.open(CACHE).then(function (cache) {
      event.data.keep.filter(function (path) { return path in FILES; }).forEach(function (path) {
        keep(cache, path).catch(function () {});
      });
    });
  }
});

self.addEventListener("fetch", function (event) {
  var request = event.request, scope = self.registration.scope;
  var url = request.url.split(/[?#]/)[0];
  if (request.method != "GET" || url.indexOf(scope) != 0) return;
  var path = url.slice(scope.length) || "index.html";
  if (!(path in FILES)) return;  // not part of the game: the network as usual
  event.respondWith(caches.open(CACHE).then(function (cache) {
    return cache.match(path).then(function (hit) {
      return hit || fetchOwn(path).then(function (response) {
        cache.put(path, response.clone());
        return response;
      });
    });
  }));
});
