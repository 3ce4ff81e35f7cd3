/* What the interfaces of the carried control libraries share: the calling convention of their
 * function tables and events. */
#ifndef OCX_ABI_H
#define OCX_ABI_H

#define VMCALL __cdecl

#endif
