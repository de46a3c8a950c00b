/*
 * Marks a function as an entry point of an engine library: C linkage and
 * default visibility. The engine libraries are built with
 * -fvisibility=hidden, so only functions carrying this mark are exported.
 */
#ifndef KEPLO_ENGINE_EXPORT_H
#define KEPLO_ENGINE_EXPORT_H

#ifdef __cplusplus
#define ENGINE_EXPORT extern "C" __attribute__((visibility("default")))
#else
#define ENGINE_EXPORT __attribute__((visibility("default")))
#endif

#endif
