// Links (symbolic links) for the tests of what the engine and the extraction tool do when they
// meet one.
//
// Windows makes them with CreateSymbolicLinkA. Wine 8 cannot: its CreateSymbolicLinkA reports
// success and makes nothing, and it refuses junctions (FSCTL_SET_REPARSE_POINT fails with
// ERROR_NOT_SUPPORTED). Under Wine a link is therefore a symbolic link of the Linux side, made
// and removed by Linux's own tools. Wine shows a link to a folder as a folder with the
// reparse-point attribute, and a link to a file as that file; both resolve to what they point at
// (GetFinalPathNameByHandle). Wine opens what a link points at even when asked to open the link
// itself (FILE_FLAG_OPEN_REPARSE_POINT), so there every deletion or move through a link acts on
// what the link points at, and no platform call removes the link itself.
#pragma once

#include <string>

namespace instalio::test {

// A symbolic link at `link` to the existing folder or file `target`, removed (the link alone,
// when it is still there) at the end of the test.
class TestLink {
public:
    TestLink(std::string link, const std::string& target);
    ~TestLink();
    TestLink(const TestLink&) = delete;
    TestLink& operator=(const TestLink&) = delete;

    // True when the link was made.
    bool made() const { return made_; }

private:
    std::string link_;
    bool made_ = false;
};

// True when `path` is a folder that is a link (the reparse-point attribute is set).
bool IsFolderLink(const std::string& path);

// True when the platform opens a link itself rather than what it points at, and so can remove a
// link without touching its target: true on Windows, false under Wine 8.
bool PlatformOpensLinks();

} // namespace instalio::test
