// Helpers of the library, installation and extraction tests: the fixture files built beside
// the test programs, child processes, and the registry as seen from outside the engine.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "win.h"

namespace instalio::test {

// The folder of the running program, ending in "\".
std::string ExeFolder();

// The folder of the fixture files (libraries, service, cabinets, setup stand-in), ending in "\".
std::string FixtureFolder();

// The fixture file `name`.
std::string Fixture(const std::string& name);

// Runs CommandLine in the folder WorkingFolder, hidden, and waits up to `timeoutMs` for its end.
// Returns its exit code; -1 when it could not start, -2 when it did not end in time (it is then
// ended).
int RunProgram(const std::string& CommandLine, const std::string& WorkingFolder,
               DWORD timeoutMs = 60000);

// A registry value as read back by the tests.
struct RegistryValue {
    std::string name;
    DWORD type = 0;
    std::string data; // text values without their terminating zero
    bool operator==(const RegistryValue&) const = default;
    bool operator<(const RegistryValue& other) const { return name < other.name; }
};
// How a failed check shows a value.
void PrintTo(const RegistryValue& value, std::ostream* out);

// Every value of the key, sorted by name (Wine's registry lists values by name, not in the
// order they were written); empty when the key does not open. `view` is KEY_WOW64_32KEY,
// KEY_WOW64_64KEY or 0.
std::vector<RegistryValue> ReadValues(HKEY root, const std::string& key, REGSAM view);
bool KeyExists(HKEY root, const std::string& key, REGSAM view);
bool WriteText(HKEY root, const std::string& key, const std::string& name, const std::string& text,
               REGSAM view);
// Deletes the key with everything below it.
void DeleteTree(HKEY root, const std::string& key, REGSAM view);

// The registration marks of the fixture library at `path` ("U" unregistered, "R" registered,
// in order); empty when it was never registered. ForgetRegistration clears them.
std::string RegistrationOf(const std::string& path);
void ForgetRegistration(const std::string& path);

// Stops and deletes a service, waiting a few seconds for it to stop.
void RemoveService(const std::string& name);

// Registers a control library built beside the test programs with "regsvr32 /S", as the
// start-up registers the one it writes. True when the tool succeeded.
bool RegisterBuiltLibrary(const std::string& fileName);

// The system folder of the test program (the engine's SystemDirectory without its error box).
std::string SystemFolder();

} // namespace instalio::test
