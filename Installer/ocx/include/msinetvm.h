/* MSINETVM.OCX: the Internet transfer, OpenURL.
 *
 * The library exports one entry, MsInetVmInterface, which gives the table of functions below for
 * the interface version it is asked for, or null for any other version.
 */
#ifndef MSINETVM_H
#define MSINETVM_H

#include <stdint.h>
#include <windows.h>

#include "ocx_abi.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MSINETVM_FILE_NAME "MSINETVM.OCX"
#define MSINETVM_CLSID "{F7A71967-3C4A-4BF9-B046-EEFF21D94F48}"
#define MSINETVM_PROGID "MSINETVM.Transfer"
#define MSINETVM_ENTRY "MsInetVmInterface"
#define MSINETVM_VERSION 1u

/* The longest response body taken, in bytes. */
#define MSINETVM_MAX_RESPONSE_BYTES 65536u
/* How long a request waits for the head of the reply, and then for each part of its body, in
 * milliseconds. */
#define MSINETVM_TIMEOUT_MILLISECONDS 20000u

typedef struct MsInetVm {
    uint32_t version;

    /* Fetches url afresh (no cached copy) with an HTTP GET. Returns 0 when the server answered,
     * with the response body in *body (*length bytes, followed by a zero byte; release it with
     * ReleaseBody), or the system error code of a request that failed (the server cannot be
     * reached, the connection broke or closed without an answer), with *body null. An answer
     * that is no success (HTTP status outside 200 to 299), whose body is longer than
     * MSINETVM_MAX_RESPONSE_BYTES, or that does not come within MSINETVM_TIMEOUT_MILLISECONDS
     * (a server that holds the connection silent) gives an empty body: the server has no
     * answer. */
    uint32_t(VMCALL* OpenURL)(const char* url, char** body, uint32_t* length);
    void(VMCALL* ReleaseBody)(char* body);
} MsInetVm;

/* The function table of interface version `version`; null for another version. */
typedef const MsInetVm*(VMCALL* MsInetVmInterfaceEntry)(uint32_t version);

#ifdef __cplusplus
}
#endif

#endif
