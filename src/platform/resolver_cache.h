// The system resolver's cache of names.
#ifndef QEL_PLATFORM_RESOLVER_CACHE_H_
#define QEL_PLATFORM_RESOLVER_CACHE_H_

// Asks the system's caching resolver to forget its answers
// (`resolvectl flush-caches` where systemd-resolved is present). False when
// the system has no such cache or the flush failed. Waits at most a few
// seconds.
bool FlushResolverCache();

#endif  // QEL_PLATFORM_RESOLVER_CACHE_H_
