// Whether a cabinet file is whole, as the extraction tool finds it.
#pragma once

#include <string>

namespace instalio {

// How long the check of one cabinet may take before it is given up, the cabinet counted as not
// whole: 60 s.
constexpr unsigned long kCabinetCheckMilliseconds = 60000;

// True when the file at `path` is one whole cabinet: its length is the one its header gives, and
// the carried extraction tool, run on it in its test mode, decompresses every member in full
// with the data checksums right (a data block stored without a checksum is taken as it
// decompresses). Nothing is unpacked. The tool is written beside the cabinet for the check and
// removed again; it runs as a process of its own, so that a cabinet that makes the platform's
// cabinet library fail cannot take the setup program with it. Window events are pumped while it
// runs.
bool IsWholeCabinet(const std::string& path);

} // namespace instalio
