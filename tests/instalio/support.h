// Helpers shared by the engine tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace instalio::test {

// A message box of this process, as read from its window.
struct ShownBox {
    std::string title;
    std::string text;
    int buttons = 0;        // push buttons in the box
    bool okButton = false;  // one of them is OK
    bool errorIcon = false; // the icon shown is the system's critical-error icon
};

// Runs `action` on this thread while a second thread watches for message boxes of this
// process: it reads each one and presses its OK button. Returns the boxes in the order shown.
std::vector<ShownBox> BoxesShownBy(const std::function<void()>& action);

// Puts every process-wide engine state back to how the program starts.
void ResetEngineState();

// A fresh folder below the temporary folder, removed with everything in it at the end of the
// test. Its path ends in "\".
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Whole-file helpers for checks from outside the engine.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool SetReadOnly(const std::string& path, bool readOnly);

// The number of the RunTimeFailure that a call throws; 0 when it throws none.
std::int32_t FailureNumber(const std::function<void()>& call);

} // namespace instalio::test
