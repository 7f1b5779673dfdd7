/*
 * A stand-in for the runtime library in the launcher's tests. It appends
 * what happens to it, one line each, to the file named by GEAR_STUB_LOG:
 *   load <own path>            when it is loaded
 *   entry <key>                when GetNewSock is called
 *   start aligned=<0|1> same=<0|1> size=<n> fnv=<hash>
 *                              when its start routine gets the image: whether
 *                              the address is 16-byte aligned, whether it is
 *                              the executable's exported image, the exported
 *                              size and the FNV-1a hash of that many bytes
 *   unload                     when it is released (on Windows only by
 *                              FreeLibrary, not at the end of the process)
 * Built in three kinds:
 *   STUB_ENTRY_STARTS   GetNewSock(1000) returns the start routine
 *   STUB_ENTRY_REFUSES  GetNewSock always returns 0
 *   neither             no GetNewSock at all
 */
#ifndef _WIN32
#define _GNU_SOURCE /* dladdr, RTLD_DEFAULT */
#endif
#include <gearlaunch/runtime_entry.h>

#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#define STUB_EXPORT __declspec(dllexport)
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#define STUB_EXPORT __attribute__((visibility("default")))
#endif

static void append(const char* text, size_t length)
{
#ifdef _WIN32
    char path[4096];
    DWORD n = GetEnvironmentVariableA("GEAR_STUB_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text, (DWORD)length, &written, NULL);
    CloseHandle(f);
#else
    const char* path = getenv("GEAR_STUB_LOG");
    if (path == NULL) return;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    ssize_t written = write(fd, text, length);
    (void)written;
    close(fd);
#endif
}

static void record(const char* line) { append(line, strlen(line)); }

static char own_path[65536];

static void record_load(void)
{
    record("load ");
    append(own_path, strlen(own_path));
    record("\n");
}

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        static wchar_t wide[32768];
        DWORD n = GetModuleFileNameW(self, wide, 32768);
        if (n > 0 && n < 32768)
            WideCharToMultiByte(CP_UTF8, 0, wide, (int)n + 1, own_path, sizeof own_path, NULL, NULL);
        record_load();
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        record("unload\n");
    }
    return TRUE;
}
#else
__attribute__((constructor)) static void on_load(void)
{
    static int anchor;
    Dl_info info;
    if (dladdr(&anchor, &info) != 0 && info.dli_fname != NULL && strlen(info.dli_fname) < sizeof own_path)
        strcpy(own_path, info.dli_fname);
    record_load();
}

__attribute__((destructor)) static void on_unload(void) { record("unload\n"); }
#endif

#if defined(STUB_ENTRY_STARTS)
static const void* exported(const char* name)
{
#ifdef _WIN32
    FARPROC found = GetProcAddress(GetModuleHandleW(NULL), name);
    const void* address = NULL;
    memcpy(&address, &found, sizeof address);
    return address;
#else
    return dlsym(RTLD_DEFAULT, name);
#endif
}

static void start(const void* image)
{
    const size_t* size_symbol = (const size_t*)exported(GEAR_IMAGE_SIZE_SYMBOL);
    const size_t size = size_symbol != NULL ? *size_symbol : 0;
    const unsigned char* bytes = (const unsigned char*)image;
    unsigned long long hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    char line[160];
    snprintf(line, sizeof line, "start aligned=%d same=%d size=%llu fnv=%016llx\n",
             ((size_t)image % GEAR_IMAGE_ALIGNMENT) == 0, exported(GEAR_IMAGE_SYMBOL) == image,
             (unsigned long long)size, hash);
    record(line);
}
#endif

#if defined(STUB_ENTRY_STARTS) || defined(STUB_ENTRY_REFUSES)
STUB_EXPORT gear_start_routine GetNewSock(int32_t key)
{
    char line[48];
    snprintf(line, sizeof line, "entry %ld\n", (long)key);
    record(line);
#if defined(STUB_ENTRY_STARTS)
    return key == GEAR_RUNTIME_ENTRY_KEY ? start : NULL;
#else
    return NULL;
#endif
}
#endif
