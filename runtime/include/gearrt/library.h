/*
 * The interface of a support library (such as the visual-style library):
 * a shared library that the runtime loads from its own folder and whose
 * numbered commands the program calls through the runtime.
 * Compiles as C and as C++; nothing crosses it by exception.
 */
#ifndef GEARRT_LIBRARY_H
#define GEARRT_LIBRARY_H

#include "services.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GR_LIBRARY_INTERFACE_VERSION 1u

/* What the runtime offers a support library. */
typedef struct gr_library_host {
    uint32_t struct_size;
    uint32_t version;
    void* ctx;
    /* Switch the window's controls to the platform's themed look (1) or the plain look (0). */
    void (*set_visual_style)(void* ctx, int32_t themed) GR_NOEXCEPT;
} gr_library_host;

/* Exported by every support library. */
typedef struct gr_library_info {
    uint32_t struct_size;
    uint32_t interface_version; /* GR_LIBRARY_INTERFACE_VERSION */
    const char* name;           /* file base name, e.g. "stylx" */
    int32_t major, minor;       /* the library's own version */
    gr_status (*command)(const gr_library_host* host, int32_t command, const gr_value* args,
                         int32_t nargs, gr_value* result) GR_NOEXCEPT;
} gr_library_info;

#define GR_LIBRARY_ENTRY "gr_library"
/* How a support library marks its entry for export. */
#if defined(_WIN32)
#define GR_LIBRARY_EXPORT __declspec(dllexport)
#else
#define GR_LIBRARY_EXPORT __attribute__((visibility("default")))
#endif
typedef const gr_library_info* (*gr_library_entry_fn)(void);

#ifdef __cplusplus
}
#endif

#endif /* GEARRT_LIBRARY_H */
