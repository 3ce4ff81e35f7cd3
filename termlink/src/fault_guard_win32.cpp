// Structured exception handling around a call, written out by hand because mingw-w64 gcc has no
// __try/__except. Both variants give the call its own frame-based handler, so handlers of
// frames inside the call (a transport library's own __try blocks) still come first, and
// exceptions that are no processor fault (C++ exceptions among them) pass on untouched.
//
// x86_64: exception handling is table-based. termlink_CallGuarded's unwind data names the C
// runtime's __C_specific_handler with a one-entry scope table, exactly as a compiler lays out
// __try { proc(argument); } __except (filter): for a fault inside the call, the filter says
// "execute handler", the runtime unwinds the inner frames and resumes at the recovery label.
//
// i686: exception handling is a chain of registration records on the stack (fs:[0]).
// termlink_CallGuarded pushes one with termlink_GuardHandler; for a fault, the handler unwinds
// the records inside the guard (RtlUnwind) and continues execution at the guard's exit with
// the stack pointer at its record, which it then pops.
#include "fault_guard.h"

#include <windows.h>

#include <cstdint>

namespace {

bool IsProcessorFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
        return true;
    default:
        // A stack overflow is left alone: without its guard page the next one would be fatal.
        return false;
    }
}

} // namespace

extern "C" int termlink_CallGuarded(void (*proc)(void*), void* argument);

#if defined(__x86_64__)

// The scope table's filter, called by __C_specific_handler.
extern "C" LONG termlink_GuardFilter(EXCEPTION_POINTERS* info, void* /*establisherFrame*/) {
    return IsProcessorFault(info->ExceptionRecord->ExceptionCode) ? EXCEPTION_EXECUTE_HANDLER
                                                                  : EXCEPTION_CONTINUE_SEARCH;
}

// int termlink_CallGuarded(proc, argument): 0 when proc returned, 1 after a fault.
// The return address of the call (the nop) lies inside the scope [begin, end).
__asm__(R"(
    .text
    .p2align 4
    .globl termlink_CallGuarded
    .def termlink_CallGuarded; .scl 2; .type 32; .endef
    .seh_proc termlink_CallGuarded
termlink_CallGuarded:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %rcx, %rax
    movq %rdx, %rcx
.Ltermlink_guard_begin:
    callq *%rax
    nop
.Ltermlink_guard_end:
    xorl %eax, %eax
    addq $40, %rsp
    ret
.Ltermlink_guard_recover:
    movl $1, %eax
    addq $40, %rsp
    ret
    .seh_handler __C_specific_handler, @except
    .seh_handlerdata
    .long 1
    .rva .Ltermlink_guard_begin, .Ltermlink_guard_end, termlink_GuardFilter, .Ltermlink_guard_recover
    .text
    .seh_endproc
)");

#elif defined(__i386__)

extern "C" void termlink_GuardLeave();

extern "C" int __cdecl termlink_IsGuardedFault(const EXCEPTION_RECORD* record) {
    return IsProcessorFault(record->ExceptionCode) ? 1 : 0;
}

// Continue at the guard's exit, with the stack at the registration record and the result 1.
extern "C" void __cdecl termlink_GuardResumeAt(CONTEXT* context, void* registration) {
    context->Esp = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(registration));
    context->Eip = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(&termlink_GuardLeave));
    context->Eax = 1;
}

// int __cdecl termlink_CallGuarded(proc, argument)
//   frame: [ebp+12] argument, [ebp+8] proc, saved ebp, ebx, esi, edi, then the record
//   (handler, next) at the stack pointer, linked into fs:[0].
// EXCEPTION_DISPOSITION __cdecl termlink_GuardHandler(record, establisherFrame, context, dc)
//   RtlUnwind may change ebx, esi, edi and ebp; they are saved around it, and the call returns
//   to the label given as its target.
__asm__(R"(
    .text
    .p2align 4
    .globl _termlink_CallGuarded
    .def _termlink_CallGuarded; .scl 2; .type 32; .endef
_termlink_CallGuarded:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl $_termlink_GuardHandler
    pushl %fs:0
    movl %esp, %fs:0
    pushl 12(%ebp)
    call *8(%ebp)
    addl $4, %esp
    xorl %eax, %eax
    .globl _termlink_GuardLeave
_termlink_GuardLeave:
    movl (%esp), %ecx
    movl %ecx, %fs:0
    addl $8, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .p2align 4
    .def _termlink_GuardHandler; .scl 3; .type 32; .endef
_termlink_GuardHandler:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax
    testl $6, 4(%eax)
    jnz 1f
    pushl %eax
    call _termlink_IsGuardedFault
    addl $4, %esp
    testl %eax, %eax
    jz 1f
    pushl %ebp
    pushl $0
    pushl 8(%ebp)
    pushl $2f
    pushl 12(%ebp)
    call _RtlUnwind@16
2:
    popl %ebp
    pushl 12(%ebp)
    pushl 16(%ebp)
    call _termlink_GuardResumeAt
    addl $8, %esp
    xorl %eax, %eax
    jmp 3f
1:
    movl $1, %eax
3:
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

#else
#error "fault guard: unsupported processor"
#endif

namespace termlink::os {

bool CallGuarded(void (*proc)(void* argument), void* argument) {
    return termlink_CallGuarded(proc, argument) == 0;
}

} // namespace termlink::os
