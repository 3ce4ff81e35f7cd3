// The update check that runs when the wizard shows section 5: the three built-in cabinets are
// written into the work folder, and when the user asked for it, every cabinet that the update
// server has in a newer version is downloaded in its place. It ends by showing section 6.
#pragma once

#include <string>

namespace instalio {

// The servers, from the build settings: base URLs without a final "/".
extern const char* const UpdateServers[3];
extern const char* const DownloadServers[2];

// How long a download may bring no byte (and its reply's head may take) before it is abandoned
// as failed: 20 s. Tests shorten it.
extern unsigned long DownloadSilenceMilliseconds;

// Writes the built-in cabinets, asks the update servers for the current cabinet stamps when
// chkUpdate is ticked, downloads the newer cabinets, then shows section 6 (which runs the
// installation). A failure of the steps before that goes straight to section 6, without a text
// or a pause. A RunTimeFailure that comes back from the installation shows section 6 once
// more; a failure of that second showing passes to the caller. Nothing without a wizard window.
void CheckForUpdates();

// Writes resources ARCHIVOS/LIBRERIAS_VM, LIBRERIAS and PROGRAMA into the work folder as
// "101.cab", "102.cab" and "103.cab". A cabinet that cannot be written has had its error box;
// the next one is written all the same. The work folder is made a real folder first
// (CreateRealDirectory): when a link is left where it belongs, nothing is written.
void ExtractCabResources();

// Downloads the cabinet `serverName` from the first download server, or from the second when
// the first brings no whole cabinet, and puts it in the work folder as `localName`. The
// download goes into a file of its own first and replaces the cabinet only when it is whole
// (IsWholeCabinet: every member decompresses in full, its checksums right); otherwise, and when
// the server goes silent for DownloadSilenceMilliseconds, that file is removed and the cabinet
// already there stays as it was. Reports nothing of the download itself. As ExtractCabResources, it
// writes nothing through a link in the work folder's place.
void DownloadCab(const std::string& serverName, const std::string& localName);

} // namespace instalio
