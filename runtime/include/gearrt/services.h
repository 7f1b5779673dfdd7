/*
 * The host runtime's service table: the only door between the program's
 * routines and the runtime that owns windows, databases and the printer.
 *
 * Rules of this interface (it compiles as C and as C++):
 *  - The table begins with its own size and an interface version; a caller
 *    checks `struct_size` before it uses a slot that a later version added.
 *  - The table only ever grows at its end. A retired slot stays as a null
 *    entry; nothing is ever moved.
 *  - No function throws. Every function returns a status (GR_OK or a
 *    runtime error code); results travel through out-parameters.
 *  - Slots are laid out so that slot N corresponds to byte offset 4*N of the
 *    program image's 32-bit service table; the image's service stubs name
 *    slots by that offset (see gr_slot_for_image_offset).
 *  - All texts are UTF-8, passed as pointer and length (no NUL needed).
 *    A text the runtime returns was allocated by the runtime's allocate
 *    service and belongs to the caller, who hands it back to `release`.
 */
#ifndef GEARRT_SERVICES_H
#define GEARRT_SERVICES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define GR_NOEXCEPT noexcept
extern "C" {
#else
#define GR_NOEXCEPT
#endif

#define GR_INTERFACE_VERSION 4u

/* ---- Status codes ------------------------------------------------------ */
typedef int32_t gr_status;
#define GR_OK 0
#define GR_ERR_NUMBER_EXPECTED 2 /* a value of another kind where a number was required */
#define GR_ERR_TEXT_EXPECTED 5   /* a value of another kind where a text was required */
#define GR_ERR_BAD_ARGUMENT 10   /* wrong argument count or kind for a command */
#define GR_ERR_NO_SUCH_COMMAND 11
#define GR_ERR_NO_SUCH_CONTROL 12
#define GR_ERR_NO_SUCH_PROPERTY 13
#define GR_ERR_DATABASE 14       /* no current database/record, missing field, not open */
#define GR_ERR_OUT_OF_MEMORY 15
#define GR_ERR_ABORTED 16        /* a routine called back by the runtime ended early */

/* ---- Typed runtime values --------------------------------------------- */
typedef enum gr_kind {
    GR_KIND_NONE = 0,   /* no value: an omitted optional argument */
    GR_KIND_TEXT = 1,
    GR_KIND_BYTE = 2,   /* 8-bit unsigned */
    GR_KIND_SHORT = 3,  /* 16-bit signed */
    GR_KIND_INT = 4,    /* 32-bit signed */
    GR_KIND_LONG = 5,   /* 64-bit signed */
    GR_KIND_FLOAT = 6,  /* 4-byte IEEE 754 */
    GR_KIND_DOUBLE = 7, /* 8-byte IEEE 754 */
    GR_KIND_BOOL = 8,
    GR_KIND_ROUTINE = 9,  /* a routine passed as a value (callback) */
    GR_KIND_CONTROL = 10, /* a control passed as an object */
    GR_KIND_BYTESET = 11  /* a byte set (only its length is carried) */
} gr_kind;

typedef struct gr_env gr_env;
struct gr_value;

/* A routine the runtime can call: event handlers, start routine, search
 * conditions. `ctx` is the value given with the routine (null for handlers).
 * It returns GR_OK, or GR_ERR_ABORTED when it ended early after a runtime
 * error that has already been reported. */
typedef gr_status (*gr_routine_fn)(gr_env* env, void* ctx, const struct gr_value* args,
                                   int32_t nargs, struct gr_value* result);

typedef struct gr_text {
    const char* data; /* UTF-8, not necessarily NUL-terminated */
    uint32_t len;
} gr_text;

typedef struct gr_control_ref {
    uint32_t window;  /* window identity, e.g. 0x52010001 */
    uint32_t control; /* control identity, or the window's own control identity */
    uint32_t kind;    /* control kind number, e.g. 0x10005 */
} gr_control_ref;

typedef struct gr_routine_ref {
    gr_routine_fn fn;
    void* ctx;
} gr_routine_ref;

typedef struct gr_value {
    int32_t kind; /* a gr_kind */
    int32_t reserved;
    union {
        int64_t i;   /* BYTE, SHORT, INT, LONG, BOOL (0/1) */
        float f;     /* FLOAT */
        double d;    /* DOUBLE */
        gr_text text;
        gr_control_ref control;
        gr_routine_ref routine;
        uint32_t byteset_len;
    } u;
} gr_value;

/* ---- Core commands (operations called with typed arguments) ------------ */
/* Numbers are fixed for ever; new commands are added at the end. */
typedef enum gr_command {
    GR_CMD_PROGRAM_FOLDER = 1,      /* () -> text */
    GR_CMD_OPEN_DATABASE = 2,       /* (text path, text alias) -> bool */
    GR_CMD_SELECT_DATABASE = 3,     /* (text alias) -> bool */
    GR_CMD_GO_FIRST = 4,            /* () -> bool */
    GR_CMD_SEARCH_RECORD = 5,       /* (routine condition) -> bool */
    GR_CMD_READ_FIELD = 6,          /* (text name [, int expected kind]) -> value */
    GR_CMD_TEXT_TO_NUMBER = 7,      /* (text) -> double */
    GR_CMD_VALUE_TO_TEXT = 8,       /* (any) -> text */
    GR_CMD_NUMBER_TO_NAME_TEXT = 9, /* (number, bool) -> text */
    GR_CMD_ROUND_TO = 10,           /* (number, int places) -> double */
    GR_CMD_ABS = 11,                /* (number) -> double */
    GR_CMD_COS = 12,
    GR_CMD_TAN = 13,
    GR_CMD_ATAN = 14,
    GR_CMD_SHOW_MESSAGE = 15,       /* (text, int style [, text caption]) -> int button */
    GR_CMD_APPEND_TEXT = 16,        /* (control, text) */
    GR_CMD_ITEM_TEXT = 17,          /* (control, int index) -> text */
    GR_CMD_BEGIN_PRINT = 18,        /* (control, bool, bool, int [, ...]) -> bool */
    GR_CMD_SET_PRINT_FONT_SIZE = 19,/* (control, number) */
    GR_CMD_PRINT_TEXT = 20,         /* (control, int x, int y, text) */
    GR_CMD_END_PRINT = 21,          /* (control) */
    GR_CMD_SCREEN_WIDTH = 22,       /* () -> int */
    GR_CMD_CURSOR_X = 23,
    GR_CMD_CURSOR_Y = 24,
    GR_CMD_CLIENT_WIDTH = 25,       /* (control) -> int */
    GR_CMD_CLIENT_HEIGHT = 26,
    GR_CMD_PLACE_WINDOW = 27,       /* (control, [int left], [int top]) */
    GR_CMD_CLOSE_MAIN_WINDOW = 28,  /* (control [, any]) */
    GR_CMD_LAST_DATABASE_ERROR = 29,/* () -> text: why the last OpenDatabase failed ("" if it did not) */
    GR_CMD_DATABASE_STATE_CHANGED = 30, /* () -> bool: the last OpenDatabase ended otherwise than the
                                           previous one of the same path in this run (true the first time) */
    /* Drawing on the printed page (interface version 4): positions and pen
     * widths in the printer's units (tenths of a millimetre from the page's
     * top-left corner), any real number; a pen width of 0 or less is the
     * thinnest line the device draws. */
    GR_CMD_PRINT_LINE = 31,         /* (control, number x1, y1, x2, y2, number pen width) */
    GR_CMD_PRINT_POLYLINE = 32,     /* (control, number pen width, number x1, y1, x2, y2 [, x, y ...]):
                                       2 to GR_MAX_POLYLINE_POINTS points joined in order */
    GR_CMD_COUNT_ = 33
} gr_command;
#define GR_MAX_POLYLINE_POINTS 4096

/* Event numbers a form binds (beside 0 created/clicked, -6 mouse moved,
 * -9 key pressed): a context-menu entry the program added with
 * `context_menu_entry` was chosen; its argument is the entry's command. */
#define GR_EVENT_MENU_COMMAND (-20)

/* What the loaded program holds (answered by `program_sizes`): a program
 * checks that its image has the routines and constants a later version of
 * it added before it offers what needs them. */
typedef struct gr_program_sizes {
    uint32_t struct_size; /* sizeof(gr_program_sizes) of the runtime that filled it */
    uint32_t routines;    /* entries of the routine table */
    uint32_t constants;   /* entries of the constant table */
    uint32_t controls;    /* entries of the control table */
} gr_program_sizes;

/* Support-library commands (call_library). */
/* ---- Property numbers (read and written with get/set_property) ------- */
/* Numbers are fixed for ever; which kind has which property is the table in
 * gearrt/properties.hpp. */
typedef enum gr_property {
    GR_PROP_LEFT = 0,   /* window: outer frame, screen coordinates */
    GR_PROP_TOP = 1,
    GR_PROP_WIDTH = 2,
    GR_PROP_HEIGHT = 3,
    GR_PROP_DISABLED = 6,          /* edit box, check box, radio button, combo box, button */
    GR_PROP_TEXT = 8,              /* window title; edit-box content (text) */
    GR_PROP_EDIT_TEXT_COLOUR = 10, /* edit box, 0xBBGGRR */
    GR_PROP_LABEL_TEXT_COLOUR = 16,/* label, 0xBBGGRR */
    GR_PROP_PRINTER_FONT = 17,     /* printer; sub-field GR_FONT_SIZE_SUB_FIELD: size in points */
    GR_PROP_CHECKED = 18,          /* check box, radio button: 0 or 1 */
    GR_PROP_SELECTED_INDEX = 19    /* combo box: -1 for none */
} gr_property;
#define GR_FONT_SIZE_SUB_FIELD 5

#define GR_LIB_STYLE 1                  /* position of the visual-style library */
#define GR_STYLE_CMD_ENABLE_VISUAL_STYLE 0

/* The monitor a window is on (window_monitor): its rectangle, in the units
 * and coordinates of the window's own place (GR_PROP_LEFT ...), and the
 * edges at which the desktop ends alongside the window (GR_EDGE_* bits; an
 * edge that another monitor continues is not among them). */
typedef struct gr_monitor {
    int32_t left, top, width, height;
    uint32_t open_edges;
} gr_monitor;
#define GR_EDGE_LEFT 1u
#define GR_EDGE_TOP 2u
#define GR_EDGE_RIGHT 4u
#define GR_EDGE_BOTTOM 8u

/* ---- The table ---------------------------------------------------------- */
typedef struct gr_services {
    uint32_t struct_size; /* sizeof(gr_services) of the runtime that filled it */
    uint32_t version;     /* GR_INTERFACE_VERSION of that runtime */

    /* --- version 1 --- */
    /* 0x00: report a runtime error (shown to the user); the caller then ends its routine. */
    gr_status (*error_trap)(gr_env* env, gr_status code, const char* message, uint32_t len) GR_NOEXCEPT;
    void* retired_04;
    /* 0x08: command of a support library, by library position and command number. */
    gr_status (*call_library)(gr_env* env, int32_t library, int32_t command, const gr_value* args,
                              int32_t nargs, gr_value* result) GR_NOEXCEPT;
    /* 0x0C: command of the core library. */
    gr_status (*call_core)(gr_env* env, int32_t command, const gr_value* args, int32_t nargs,
                           gr_value* result) GR_NOEXCEPT;
    /* 0x10: read a control property. */
    gr_status (*get_property)(gr_env* env, uint32_t window, uint32_t control, int32_t property,
                              gr_value* result) GR_NOEXCEPT;
    /* 0x14: write a control property; sub_field -1 is the whole property. */
    gr_status (*set_property)(gr_env* env, uint32_t window, uint32_t control, int32_t property,
                              int32_t sub_field, const gr_value* value) GR_NOEXCEPT;
    /* 0x18: allocate memory that `release` frees (null when out of memory). */
    void* (*allocate)(gr_env* env, size_t size) GR_NOEXCEPT;
    void* retired_1c;
    /* 0x20: release memory from `allocate` or a returned text; null is ignored. */
    void (*release)(gr_env* env, void* block) GR_NOEXCEPT;
    /* 0x24: end the program with an exit code (the host decides how the process ends). */
    void (*exit)(gr_env* env, int32_t code) GR_NOEXCEPT;
    /* 0x28: run the message loop until the main window closes. */
    gr_status (*message_loop)(gr_env* env, int32_t flags) GR_NOEXCEPT;
    /* 0x2C: build and show a window from the program's form description. */
    gr_status (*create_window)(gr_env* env, uint32_t window) GR_NOEXCEPT;
    /* 0x30: initialise the program's runtime state; `exit_routine` runs at exit. */
    gr_status (*initialise)(gr_env* env, int32_t mode, gr_routine_ref exit_routine) GR_NOEXCEPT;

    /* --- version 2 --- */
    /* 0x34: text constant `index` of the program's constant table. The text
     * belongs to the runtime and stays valid while it runs: the caller does
     * not release it. An index past the table is GR_ERR_BAD_ARGUMENT. */
    gr_status (*constant_text)(gr_env* env, uint32_t index, gr_text* out) GR_NOEXCEPT;

    /* --- version 3 --- */
    /* 0x38: entry `index` of the program's control table (its window's own
     * element first, then the controls in form order) as the loaded program
     * resolved it: the window, control and kind numbers to pass to the
     * other services. The runtime may number windows and controls as it
     * likes, so a program names them only through this. An index past the
     * table is GR_ERR_BAD_ARGUMENT. */
    gr_status (*control_ref)(gr_env* env, uint32_t index, gr_control_ref* out) GR_NOEXCEPT;
    /* 0x3C: number constant `index` of the program's constant table. An
     * index past the table, or one that names a text, is GR_ERR_BAD_ARGUMENT. */
    gr_status (*constant_number)(gr_env* env, uint32_t index, double* out) GR_NOEXCEPT;
    /* 0x40: entry `index` of the program's table of routines passed as
     * values (record-search conditions, the exit routine), bound to its
     * native entry. */
    gr_status (*routine_value)(gr_env* env, uint32_t index, gr_routine_fn* out) GR_NOEXCEPT;
    /* 0x44: call the support-library command that entry `index` of the
     * program's library-call table names (library position and command). */
    gr_status (*call_library_entry)(gr_env* env, uint32_t index, const gr_value* args, int32_t nargs,
                                    gr_value* result) GR_NOEXCEPT;

    /* --- version 4 --- */
    /* 0x48: the monitor that `window` is on (see gr_monitor). */
    gr_status (*window_monitor)(gr_env* env, uint32_t window, gr_monitor* out) GR_NOEXCEPT;
    /* 0x4C: puts entry `command` (a number the program chooses, not 0) on
     * the context menu of a control, after the menu's own entries and a
     * separator, in the order of first calls; a later call with the same
     * command changes its text (UTF-8, '&' before the access key) and
     * whether it can be chosen (`enabled` 0 or 1). Choosing it dispatches
     * GR_EVENT_MENU_COMMAND to the control with the command as argument.
     * A control without a context menu (not an edit box) is
     * GR_ERR_NO_SUCH_CONTROL. */
    gr_status (*context_menu_entry)(gr_env* env, uint32_t window, uint32_t control, int32_t command,
                                    const char* text, uint32_t len, int32_t enabled) GR_NOEXCEPT;
    /* 0x50: the sizes of the loaded program's tables; never reports an
     * error to the user, so a program may ask before it uses an entry its
     * image may lack. */
    gr_status (*program_sizes)(gr_env* env, gr_program_sizes* out) GR_NOEXCEPT;
} gr_services;

/* Every environment begins with the table, in the manner of JNIEnv. */
struct gr_env {
    const gr_services* services;
};

#define GR_SLOT_OFFSET(index) (8u + (index) * sizeof(void*))

/* Map a byte offset of the image's 32-bit service table to a slot index;
 * -1 for an offset that names no slot. */
static inline int gr_slot_for_image_offset(uint32_t offset)
{
    if (offset % 4u != 0u || offset > 0x30u) return -1;
    if (offset == 0x04u || offset == 0x1Cu) return -1;
    return (int)(offset / 4u);
}

#ifdef __cplusplus
} /* extern "C" */
#define GR_STATIC_ASSERT static_assert
#else
#define GR_STATIC_ASSERT _Static_assert
#endif

/* Frozen layout: the offset of every slot. */
GR_STATIC_ASSERT(offsetof(gr_services, error_trap) == GR_SLOT_OFFSET(0x00 / 4), "slot 0x00");
GR_STATIC_ASSERT(offsetof(gr_services, call_library) == GR_SLOT_OFFSET(0x08 / 4), "slot 0x08");
GR_STATIC_ASSERT(offsetof(gr_services, call_core) == GR_SLOT_OFFSET(0x0C / 4), "slot 0x0C");
GR_STATIC_ASSERT(offsetof(gr_services, get_property) == GR_SLOT_OFFSET(0x10 / 4), "slot 0x10");
GR_STATIC_ASSERT(offsetof(gr_services, set_property) == GR_SLOT_OFFSET(0x14 / 4), "slot 0x14");
GR_STATIC_ASSERT(offsetof(gr_services, allocate) == GR_SLOT_OFFSET(0x18 / 4), "slot 0x18");
GR_STATIC_ASSERT(offsetof(gr_services, release) == GR_SLOT_OFFSET(0x20 / 4), "slot 0x20");
GR_STATIC_ASSERT(offsetof(gr_services, exit) == GR_SLOT_OFFSET(0x24 / 4), "slot 0x24");
GR_STATIC_ASSERT(offsetof(gr_services, message_loop) == GR_SLOT_OFFSET(0x28 / 4), "slot 0x28");
GR_STATIC_ASSERT(offsetof(gr_services, create_window) == GR_SLOT_OFFSET(0x2C / 4), "slot 0x2C");
GR_STATIC_ASSERT(offsetof(gr_services, initialise) == GR_SLOT_OFFSET(0x30 / 4), "slot 0x30");
GR_STATIC_ASSERT(offsetof(gr_services, constant_text) == GR_SLOT_OFFSET(0x34 / 4), "slot 0x34");
GR_STATIC_ASSERT(offsetof(gr_services, control_ref) == GR_SLOT_OFFSET(0x38 / 4), "slot 0x38");
GR_STATIC_ASSERT(offsetof(gr_services, constant_number) == GR_SLOT_OFFSET(0x3C / 4), "slot 0x3C");
GR_STATIC_ASSERT(offsetof(gr_services, routine_value) == GR_SLOT_OFFSET(0x40 / 4), "slot 0x40");
GR_STATIC_ASSERT(offsetof(gr_services, call_library_entry) == GR_SLOT_OFFSET(0x44 / 4), "slot 0x44");
GR_STATIC_ASSERT(offsetof(gr_services, window_monitor) == GR_SLOT_OFFSET(0x48 / 4), "slot 0x48");
GR_STATIC_ASSERT(offsetof(gr_services, context_menu_entry) == GR_SLOT_OFFSET(0x4C / 4), "slot 0x4C");
GR_STATIC_ASSERT(offsetof(gr_services, program_sizes) == GR_SLOT_OFFSET(0x50 / 4), "slot 0x50");
GR_STATIC_ASSERT(sizeof(gr_value) == 24, "gr_value layout");

/* Frozen property numbers. */
GR_STATIC_ASSERT(GR_PROP_LEFT == 0 && GR_PROP_TOP == 1 && GR_PROP_WIDTH == 2 && GR_PROP_HEIGHT == 3, "window place");
GR_STATIC_ASSERT(GR_PROP_DISABLED == 6, "property 6");
GR_STATIC_ASSERT(GR_PROP_TEXT == 8, "property 8");
GR_STATIC_ASSERT(GR_PROP_EDIT_TEXT_COLOUR == 10, "property 10");
GR_STATIC_ASSERT(GR_PROP_LABEL_TEXT_COLOUR == 16, "property 16");
GR_STATIC_ASSERT(GR_PROP_PRINTER_FONT == 17 && GR_FONT_SIZE_SUB_FIELD == 5, "property 17");
GR_STATIC_ASSERT(GR_PROP_CHECKED == 18, "property 18");
GR_STATIC_ASSERT(GR_PROP_SELECTED_INDEX == 19, "property 19");

#endif /* GEARRT_SERVICES_H */
