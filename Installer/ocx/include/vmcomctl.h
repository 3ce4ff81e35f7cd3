/* VMCOMCTL.OCX: list view, tree view and image list on the platform's common controls.
 *
 * The library exports one entry, VmComCtlInterface, which gives the table of functions below for
 * the interface version it is asked for, or null for any other version. Every function that
 * returns a status gives 0, one of the VMCOMCTL_E_ numbers, or a system error code: of a window
 * the window system refused to create, ERROR_INVALID_PARAMETER for a null handle or pointer,
 * ERROR_INVALID_WINDOW_HANDLE for a control whose window is gone (destroyed with its parent).
 * Indexes of items, nodes and images count from 1. Texts are 8-bit text in the system's ANSI
 * code page. All calls and events happen on the thread that created the control.
 *
 * Each control is a child window that the library creates in a parent window the caller gives:
 * a site window holding the native control, which receives the native control's notifications
 * and turns them into the events below. Events reach the caller through function pointers with
 * the caller's context; an event function must not let a C++ exception out, and must not
 * destroy the control that raised it.
 */
#ifndef VMCOMCTL_H
#define VMCOMCTL_H

#include <stdint.h>
#include <windows.h>

#include "ocx_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VMCOMCTL_FILE_NAME "VMCOMCTL.OCX"
#define VMCOMCTL_CLSID "{3C0C5B02-D278-4278-B47E-A34D411CAB00}"
#define VMCOMCTL_PROGID "VMCOMCTL.Controls"
#define VMCOMCTL_ENTRY "VmComCtlInterface"
#define VMCOMCTL_VERSION 1u

/* Statuses. */
#define VMCOMCTL_OK 0
#define VMCOMCTL_E_OUT_OF_MEMORY 7
#define VMCOMCTL_E_INVALID_PICTURE 481
#define VMCOMCTL_E_INDEX_OUT_OF_BOUNDS 35600
#define VMCOMCTL_E_ELEMENT_NOT_FOUND 35601
#define VMCOMCTL_E_KEY_NOT_UNIQUE 35602

typedef int32_t VmStatus;
typedef struct VmImageList VmImageList;
typedef struct VmListView VmListView;
typedef struct VmTreeView VmTreeView;
/* A tree node: a number that stays the node's own until it is removed (0 = none). A node that
 * was removed is not found (VMCOMCTL_E_ELEMENT_NOT_FOUND). */
typedef uint32_t VmNode;

/* Texts out: the text is copied into buffer (size bytes, at most size - 1 characters and a
 * terminating zero; buffer may be null when size is 0), and *length receives the text's full
 * length. A caller whose buffer was too short asks again with length + 1. */

typedef struct VmListViewEvents {
    void* context;
    /* A mouse click on the list. */
    void(VMCALL* Click)(void* context);
    /* A key went down in the list; a handler that sets *keyCode to 0 keeps the key from it.
     * shift: 1 Shift, 2 Ctrl, 4 Alt. */
    void(VMCALL* KeyDown)(void* context, int16_t* keyCode, int16_t* shift);
    /* The item at index was selected by the mouse or a key, or clicked while selected. A mouse
     * click raises Click first; a key raises KeyDown first. The second click of a double click
     * raises neither. */
    void(VMCALL* ItemClick)(void* context, int32_t index);
} VmListViewEvents;

typedef struct VmTreeViewEvents {
    void* context;
    /* A node was clicked with the mouse or selected with a key. */
    void(VMCALL* NodeClick)(void* context, VmNode node);
    /* The node is about to show its children; the handler may fill them in now. */
    void(VMCALL* Expand)(void* context, VmNode node);
    /* The node has hidden its children. */
    void(VMCALL* Collapse)(void* context, VmNode node);
} VmTreeViewEvents;

typedef struct VmComCtl {
    uint32_t version;

    /* Image list of 16 x 16 images; pixels of the mask colour are transparent. */
    VmStatus(VMCALL* ImageListCreate)(COLORREF maskColour, VmImageList** list);
    void(VMCALL* ImageListDestroy)(VmImageList* list);
    VmStatus(VMCALL* ImageListCount)(VmImageList* list, int32_t* count);
    VmStatus(VMCALL* ImageListClear)(VmImageList* list);
    /* Adds a copy of the bitmap (scaled to 16 x 16) as the last image. */
    VmStatus(VMCALL* ImageListAdd)(VmImageList* list, HBITMAP picture);
    /* A new bitmap with the image as it was added; the caller deletes it. */
    VmStatus(VMCALL* ImageListPicture)(VmImageList* list, int32_t index, HBITMAP* picture);
    /* A new icon of the image, transparent where the mask colour was; the caller destroys it. */
    VmStatus(VMCALL* ImageListIcon)(VmImageList* list, int32_t index, HICON* icon);

    /* List view: one column of small icons with their texts, single selection, no header. */
    VmStatus(VMCALL* ListViewCreate)(HWND parent, const RECT* rect, const VmListViewEvents* events,
                                     VmListView** view);
    void(VMCALL* ListViewDestroy)(VmListView* view);
    /* The native list view window (its parent is the site window). */
    HWND(VMCALL* ListViewWindow)(VmListView* view);
    VmStatus(VMCALL* ListViewMove)(VmListView* view, const RECT* rect);
    VmStatus(VMCALL* ListViewShow)(VmListView* view, int32_t visible);
    VmStatus(VMCALL* ListViewSetFocus)(VmListView* view);
    /* The list's small icons; null detaches them. The list does not own the image list. */
    VmStatus(VMCALL* ListViewSetImageList)(VmListView* view, VmImageList* images);
    VmStatus(VMCALL* ListViewSetColours)(VmListView* view, COLORREF back, COLORREF text);
    /* The mouse pointer over the list; null for the system's arrow. Not owned by the list. */
    VmStatus(VMCALL* ListViewSetCursor)(VmListView* view, HCURSOR cursor);
    /* Adds an item at position index (1 to count + 1) with its text and small icon (0 = none). */
    VmStatus(VMCALL* ListViewAdd)(VmListView* view, int32_t index, const char* text, int32_t icon);
    VmStatus(VMCALL* ListViewRemove)(VmListView* view, int32_t index);
    VmStatus(VMCALL* ListViewCount)(VmListView* view, int32_t* count);
    VmStatus(VMCALL* ListViewItemText)(VmListView* view, int32_t index, char* buffer, int32_t size,
                                       int32_t* length);
    VmStatus(VMCALL* ListViewItemIcon)(VmListView* view, int32_t index, int32_t* icon);

    /* Tree view with lines, buttons and root lines. Keys are unique without regard to case;
     * empty keys (placeholders) may repeat and are never found by key. A node's index is its
     * position among all nodes in the order they were added; removals renumber. */
    VmStatus(VMCALL* TreeViewCreate)(HWND parent, const RECT* rect, const VmTreeViewEvents* events,
                                     VmTreeView** view);
    void(VMCALL* TreeViewDestroy)(VmTreeView* view);
    HWND(VMCALL* TreeViewWindow)(VmTreeView* view);
    VmStatus(VMCALL* TreeViewMove)(VmTreeView* view, const RECT* rect);
    VmStatus(VMCALL* TreeViewShow)(VmTreeView* view, int32_t visible);
    VmStatus(VMCALL* TreeViewSetFocus)(VmTreeView* view);
    VmStatus(VMCALL* TreeViewSetImageList)(VmTreeView* view, VmImageList* images);
    VmStatus(VMCALL* TreeViewClear)(VmTreeView* view);
    /* Adds a node at the top level (relativeKey null) or as the last child of the node with
     * relativeKey; pictures are image indexes, 0 = none. */
    VmStatus(VMCALL* TreeViewAdd)(VmTreeView* view, const char* relativeKey, const char* key,
                                  const char* text, int32_t picture, int32_t expandedPicture,
                                  VmNode* node);
    VmStatus(VMCALL* TreeViewCount)(VmTreeView* view, int32_t* count);
    VmStatus(VMCALL* TreeViewNodeByKey)(VmTreeView* view, const char* key, VmNode* node);
    VmStatus(VMCALL* TreeViewNodeByIndex)(VmTreeView* view, int32_t index, VmNode* node);
    /* Removes the node at index with every node below it. */
    VmStatus(VMCALL* TreeViewRemove)(VmTreeView* view, int32_t index);
    VmStatus(VMCALL* NodeKey)(VmTreeView* view, VmNode node, char* buffer, int32_t size,
                              int32_t* length);
    VmStatus(VMCALL* NodeText)(VmTreeView* view, VmNode node, char* buffer, int32_t size,
                               int32_t* length);
    VmStatus(VMCALL* NodeIndex)(VmTreeView* view, VmNode node, int32_t* index);
    /* The node's first child; 0 when it has none. */
    VmStatus(VMCALL* NodeChild)(VmTreeView* view, VmNode node, VmNode* child);
    VmStatus(VMCALL* NodeChildren)(VmTreeView* view, VmNode node, int32_t* count);
    /* Expanding raises Expand first (the handler may fill the children in) and shows the
     * children when there are any; collapsing raises Collapse afterwards. Nothing happens, and
     * nothing is raised, when the node already is in that state. Collapsing a node inside its
     * own Expand event keeps it from expanding. */
    VmStatus(VMCALL* NodeSetExpanded)(VmTreeView* view, VmNode node, int32_t expanded);
    /* Selects the node; raises no NodeClick. */
    VmStatus(VMCALL* NodeSelect)(VmTreeView* view, VmNode node);
    VmStatus(VMCALL* NodeEnsureVisible)(VmTreeView* view, VmNode node);
} VmComCtl;

/* The function table of interface version `version`; null for another version. */
typedef const VmComCtl*(VMCALL* VmComCtlInterfaceEntry)(uint32_t version);

#ifdef __cplusplus
}
#endif

#endif
