/*
 * What the launcher and the runtime library agree on.
 * Compiles as C and as C++; the runtime side includes it to export its entry.
 *
 *   The runtime library ("tavrn.vlr" beside the program, or "tavrn.vle" in the
 *   registered install folder) exports GetNewSock with C linkage.
 *   GetNewSock(GEAR_RUNTIME_ENTRY_KEY) returns the runtime's start routine;
 *   any other key gets 0 (the runtime refuses).
 *   The launcher calls the start routine once with the address of the first
 *   byte of the program image. If the routine returns, the process ends with
 *   exit code 0.
 *
 * The image handed over is 16-byte aligned and may lie in read-only memory:
 * the runtime must not write to it (it resolves fix-ups into its own tables).
 * The executable also exports the image and its size under the names below,
 * so that the runtime can bound every read of the image:
 *   Linux:   dlsym(RTLD_DEFAULT, GEAR_IMAGE_SIZE_SYMBOL)
 *   Windows: GetProcAddress(GetModuleHandleW(NULL), GEAR_IMAGE_SIZE_SYMBOL)
 * The size symbol is a `const size_t`.
 */
#ifndef GEARLAUNCH_RUNTIME_ENTRY_H
#define GEARLAUNCH_RUNTIME_ENTRY_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GEAR_RUNTIME_ENTRY_NAME "GetNewSock"
#define GEAR_RUNTIME_ENTRY_KEY 1000

#define GEAR_IMAGE_SYMBOL "gear_program_image"
#define GEAR_IMAGE_SIZE_SYMBOL "gear_program_image_size"
#define GEAR_IMAGE_ALIGNMENT 16

/* How the runtime library marks GetNewSock for export. */
#if defined(_WIN32)
#define GEAR_RUNTIME_EXPORT __declspec(dllexport)
#else
#define GEAR_RUNTIME_EXPORT __attribute__((visibility("default")))
#endif

typedef void (*gear_start_routine)(const void* image);
typedef gear_start_routine (*gear_runtime_entry)(int32_t key);

#ifdef __cplusplus
}
#endif

#endif /* GEARLAUNCH_RUNTIME_ENTRY_H */
